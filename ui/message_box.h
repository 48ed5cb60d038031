#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace renamer::ui {

/// Object name of the message box, so that tests can find the open box.
inline constexpr char kMessageBoxName[] = "MessageBox";

/// Shows `text` in a modal box titled "提示" with the single button "确定", and waits
/// until the user closes it. Report entries ending in LF CR are shown one per line.
void ShowMessage(QWidget* parent, const QString& text);

/// The text as the box shows it: each LF CR becomes one line break, the last entry's
/// break is dropped, and a stray CR is shown as a visible symbol instead of a break.
QString DisplayText(const QString& text);

/// The box behind ShowMessage: the text in a read-only area that scrolls when the
/// text does not fit on the screen, and one button "确定" below it.
class MessageDialog : public QDialog {
  Q_OBJECT

 public:
  /// Lays out `text`; the box never asks for more than the screen's free area.
  explicit MessageDialog(const QString& text, QWidget* parent = nullptr);

  /// The text exactly as it was given.
  const QString& Text() const { return text_; }
  /// The text as it is shown.
  QString ShownText() const;
  /// The only button, "确定".
  QPushButton* OkButton() const { return okButton_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  /// Grows the box by whatever its text area still has to scroll, within the screen.
  void GrowToFitText();

  QString text_;
  QPlainTextEdit* textView_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace renamer::ui
