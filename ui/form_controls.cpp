#include "ui/form_controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <climits>

#include "ui/colors.h"
#include "ui/twips.h"

namespace renamer::ui {

void SetFieldState(QLineEdit& field, bool enabled) {
  field.setEnabled(enabled);
  SetFieldBackground(field,
                     enabled ? SystemColor::kWindowBackground : SystemColor::kInactiveBorder);
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect place) {
  auto* frame = Make<QGroupBox>(parent, name, place);
  frame->setTitle(caption);
  return frame;
}

QComboBox* MakeEditableCombo(QWidget* parent, const char* name, QRect place) {
  auto* combo = Make<QComboBox>(parent, name, place);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  // The default completer fills in and, on leaving, picks an item that matches while
  // ignoring case; the handlers must read the text exactly as it was typed. Without
  // it, the list itself only picks an item whose text is exactly the typed one.
  combo->setCompleter(nullptr);
  return combo;
}

QLineEdit* MakeField(QWidget* parent, const char* name, QRect place) {
  auto* field = Make<QLineEdit>(parent, name, place);
  field->setMaxLength(INT_MAX);
  return field;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect place) {
  auto* button = Make<QPushButton>(parent, name, place);
  button->setText(caption);
  return button;
}

}  // namespace renamer::ui
