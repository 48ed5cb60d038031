#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace renamer::ui {

/// The about window `Form2`: a credit line, a contact line and the button "确定",
/// which closes it. It is shown once the main window is gone, so closing it ends the
/// program.
class AboutWindow : public QWidget {
  Q_OBJECT

 public:
  /// Builds the window at its fixed screen place; it has no owner.
  explicit AboutWindow(QWidget* parent = nullptr);

 private slots:
  void Command1_Click();

 private:
  QPushButton* Command1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label1 = nullptr;
};

/// Creates the program's one about window on first use, shows it modeless with no
/// owner and returns it; later calls show and return the same window.
AboutWindow* ShowAboutWindow();

}  // namespace renamer::ui
