#pragma once

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/job_control.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace renamer::ui::testing {

/// What an open message box showed.
struct SeenBox {
  bool shown = false;
  QString title;
  QString text;
  QStringList buttons;
  QRect geometry;
};

/// Watches for the modal message box while `act` runs, records it and presses its
/// button; gives up after a few seconds so no test can hang. `whileOpen` sees the box
/// before it is pressed.
inline SeenBox CatchMessageBox(const std::function<void()>& act,
                               std::function<void(QWidget&)> whileOpen = {}) {
  auto seen = std::make_shared<SeenBox>();
  auto timer = std::make_shared<QTimer>();
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  timer->setInterval(10);
  // The slot holds the timer by plain pointer: a shared pointer to the timer inside
  // the timer's own connection would keep both alive for ever.
  QTimer* const ticks = timer.get();
  QObject::connect(ticks, &QTimer::timeout, [seen, ticks, started, whileOpen] {
    auto* box = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (started->elapsed() > 5000) ticks->stop();
      return;
    }
    seen->shown = true;
    seen->title = box->windowTitle();
    seen->text = box->Text();
    seen->geometry = box->frameGeometry();
    if (whileOpen) whileOpen(*box);
    for (const QPushButton* button : box->findChildren<QPushButton*>())
      seen->buttons << button->text();
    ticks->stop();
    box->OkButton()->click();
  });
  timer->start();
  act();
  timer->stop();
  return *seen;
}

/// Waits until the run or the undo that a press of "确定" or "撤销" started, if it started
/// one, has ended: the window shows what it did, is enabled again, and has shown its
/// box (which CatchMessageBox closes). Fails the test and returns false when the job is
/// still running after ten seconds.
inline bool WaitForJob(const MainWindow& window) {
  const auto* jobs = window.findChild<JobControl*>();
  if (jobs != nullptr && QTest::qWaitFor([jobs] { return !jobs->Running(); }, 10000)) return true;
  QTest::qFail("the window's job did not end within ten seconds", __FILE__, __LINE__);
  return false;
}

/// Creates an empty file at `path`.
inline void MakeFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
}

/// The window on a fresh temporary directory of files (each holding its own name),
/// shown and active; on `fs` when given, which must outlive the window.
class WindowOnDirectory {
 public:
  explicit WindowOnDirectory(const QStringList& names, FileSystem* fs = nullptr) {
    for (const QString& name : names) {
      QFile file(dir.filePath(name));
      file.open(QIODevice::WriteOnly);
      file.write(name.toUtf8());
    }
    window = fs == nullptr ? new MainWindow() : new MainWindow(std::u16string(), *fs);
    window->OpenDirectory(Path().toStdU16String());
    window->show();
    QApplication::setActiveWindow(window);
    active = QTest::qWaitForWindowActive(window);
  }
  ~WindowOnDirectory() { delete window.data(); }

  QString Path() const { return QDir(dir.path()).canonicalPath(); }
  QStringList Entries() const {
    return QDir(Path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }
  template <typename T>
  T* Child(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  /// Picks a rule in the rule list as the user would.
  void PickRule(const QString& itemText) const {
    auto* rules = Child<QComboBox>("Chgtype");
    const int index = rules->findText(itemText);
    rules->setCurrentIndex(index);
    emit rules->activated(index);
  }
  void SetType(const QString& text) const { Child<QComboBox>("FileType")->setEditText(text); }
  void SetValue(const QString& text) const { Child<QLineEdit>("Chgstr")->setText(text); }
  void SetString(const QString& text) const { Child<QLineEdit>("Strchar")->setText(text); }
  /// Presses "确定" with the mouse, waits for the run, and returns the box that
  /// appeared, if any.
  SeenBox Run(std::function<void(QWidget&)> whileOpen = {}) const {
    return CatchMessageBox(
        [this] {
          QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
          WaitForJob(*window);
        },
        std::move(whileOpen));
  }

  QTemporaryDir dir;
  QPointer<MainWindow> window;
  bool active = false;
};

/// One row of the file list as the user sees it.
struct ListRow {
  QString name;
  QString newName;
  /// The tooltip over the new name, and over the name.
  QString tip;
  QColor color;
  QString nameTip;
};

/// The row whose first column shows `name`; empty when there is none.
inline ListRow RowOf(const WindowOnDirectory& view, const QString& name) {
  const QAbstractItemModel* model = view.Child<QTreeView>("File1")->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    if (model->index(row, 0).data().toString() != name) continue;
    const QModelIndex second = model->index(row, 1);
    return {name, second.data().toString(), second.data(Qt::ToolTipRole).toString(),
            second.data(Qt::ForegroundRole).value<QBrush>().color(),
            model->index(row, 0).data(Qt::ToolTipRole).toString()};
  }
  return {};
}

/// The whole caption of the file list's frame, with its tooltip's detail.
inline QString Caption(const WindowOnDirectory& view) {
  return view.Child<QGroupBox>("Frame2")->toolTip();
}

/// Saves a picture of `widget` when RENAMER_SCREENSHOT_DIR names a folder.
inline void SaveScreenshot(QWidget& widget, const QString& name) {
  const QString folder = qEnvironmentVariable("RENAMER_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

}  // namespace renamer::ui::testing
