#pragma once

#include <QRect>
#include <QString>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace renamer::ui {

// The main window's kinds of control, each made as a child of `parent`, named and
// placed as the form has it.

/// A frame with `caption`.
QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect place);
/// A list whose text can be typed, read exactly as typed.
QComboBox* MakeEditableCombo(QWidget* parent, const char* name, QRect place);
/// A text field of any length.
QLineEdit* MakeField(QWidget* parent, const char* name, QRect place);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect place);
/// Enables `field` on the window's background, or disables it on the greyed one.
void SetFieldState(QLineEdit& field, bool enabled);

}  // namespace renamer::ui
