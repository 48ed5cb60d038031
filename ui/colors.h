#pragma once

#include <QColor>

class QWidget;

namespace renamer::ui {

/// The system colours the windows use, by their index in the classic colour table.
enum class SystemColor {
  kWindowBackground = 5,
  kCaptionText = 9,
  kInactiveBorder = 11,
  kButtonFace = 15,
  kGrayText = 17,
};

/// The fixed colour of the classic scheme for a system colour.
QColor ColorOf(SystemColor color);

/// Sets the background of a text field while it is enabled; disabled, it is grey, with
/// readable grey text.
void SetFieldBackground(QWidget& field, SystemColor color);

/// Sets the background of a window or frame, and the grey of its disabled captions.
void SetWindowBackground(QWidget& widget, SystemColor color);

}  // namespace renamer::ui
