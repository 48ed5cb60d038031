#pragma once

#include <QRect>

namespace renamer::ui {

/// `twips` converted to pixels at 96 dots per inch (15 twips a pixel).
constexpr int TwipsToPixels(int twips) { return twips / 15; }

/// The rectangle of a control placed in twips.
constexpr QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

}  // namespace renamer::ui
