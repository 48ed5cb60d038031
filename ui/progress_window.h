#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <chrono>

#include "engine/run/run_control.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace renamer::ui {

/// Object name of the progress window, so that tests can find it.
inline constexpr char kProgressWindowName[] = "ProgressWindow";

/// When the progress window of a long run appears and how it reads the run.
struct ProgressTimings {
  /// A run that ends sooner shows no progress window at all.
  std::chrono::milliseconds showAfter{500};
  /// How often the progress window reads the counters.
  std::chrono::milliseconds refresh{100};
  /// One system call taking this long makes the window say it waits for the disk.
  std::chrono::milliseconds waitingAfter{2000};
};

/// The modal window over the main window while a long run works: how many files are
/// done, a line when the file system keeps a call waiting, and "取消". It reads the
/// run's counters on a timer, so that a run of many files costs it no more than a
/// run of few. It stays open until its owner closes it after the run.
class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  /// `control` belongs to the run and must outlive the window; `timings` say how often
  /// it reads the counters and how long one system call may take before it says so.
  ProgressWindow(const QString& title, RunControl& control, const ProgressTimings& timings,
                 QWidget* parent = nullptr);

  /// Reads the counters now and shows them.
  void Refresh();

  /// "已处理 N / M 个文件", or what the run does before it counts files.
  QString ProgressText() const;
  /// "正在等待文件系统…", "正在取消…" or empty.
  QString StatusText() const;
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  /// Escape and "取消": asks the run to stop before its next file. The window stays
  /// until the run has stopped.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  RunControl& control_;
  const std::chrono::milliseconds waitingAfter_;
  QTimer refresh_;
  QLabel* progressLabel_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace renamer::ui
