#include "ui/colors.h"

#include <QPalette>
#include <QWidget>

namespace renamer::ui {

QColor ColorOf(SystemColor color) {
  struct Entry {
    SystemColor color;
    QRgb rgb;
  };
  static constexpr Entry kClassicScheme[] = {
      {SystemColor::kWindowBackground, 0xFFFFFF}, {SystemColor::kCaptionText, 0xFFFFFF},
      {SystemColor::kInactiveBorder, 0xC0C0C0},   {SystemColor::kButtonFace, 0xC0C0C0},
      {SystemColor::kGrayText, 0x808080},
  };
  for (const Entry& entry : kClassicScheme) {
    if (entry.color == color) return QColor(entry.rgb);
  }
  return QColor(0xC0C0C0);
}

void SetFieldBackground(QWidget& field, SystemColor color) {
  QPalette palette = field.palette();
  palette.setColor(QPalette::Base, ColorOf(color));
  // A disabled field is grey whatever disabled it: its rule, or a run that disables the
  // frame around it.
  palette.setColor(QPalette::Disabled, QPalette::Base, ColorOf(SystemColor::kInactiveBorder));
  // The style's own disabled text is nearly the grey of a disabled field, and the
  // string field shows the running number while it is disabled.
  palette.setColor(QPalette::Disabled, QPalette::Text, ColorOf(SystemColor::kGrayText));
  field.setPalette(palette);
}

void SetWindowBackground(QWidget& widget, SystemColor color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, ColorOf(color));
  // The style's own grey for disabled captions vanishes on the classic grey; while a
  // run works the frames are disabled and their captions must stay readable.
  palette.setColor(QPalette::Disabled, QPalette::WindowText, ColorOf(SystemColor::kGrayText));
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

}  // namespace renamer::ui
