#pragma once

#include <QRect>
#include <QString>

namespace renamer::ui {

/// `twips` converted to pixels at 96 dots per inch (15 twips a pixel).
constexpr int TwipsToPixels(int twips) { return twips / 15; }

/// The rectangle of a control placed in twips.
constexpr QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

/// `widget` named and placed as its form has it.
template <typename Widget>
Widget* Placed(Widget* widget, const char* name, QRect place) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(place);
  return widget;
}

/// A new child of `parent`, named and placed as its form has it.
template <typename Widget>
Widget* Make(QWidget* parent, const char* name, QRect place) {
  return Placed(new Widget(parent), name, place);
}

}  // namespace renamer::ui
