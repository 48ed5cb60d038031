#include "ui/progress_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace renamer::ui {

ProgressWindow::ProgressWindow(const QString& title, RunControl& control,
                               const ProgressTimings& timings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      control_(control),
      waitingAfter_(timings.waitingAfter) {
  setObjectName(QString::fromLatin1(kProgressWindowName));
  setWindowTitle(title);
  setWindowModality(Qt::WindowModal);
  // The window it covers shows the busy cursor; here "取消" must look clickable.
  setCursor(Qt::ArrowCursor);

  progressLabel_ = new QLabel(this);
  progressLabel_->setObjectName(QStringLiteral("ProgressText"));
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(320);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("StatusText"));
  // An empty line still takes its room, so the window does not jump when it fills.
  statusLabel_->setMinimumHeight(statusLabel_->fontMetrics().height());
  cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &ProgressWindow::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(progressLabel_);
  layout->addWidget(bar_);
  layout->addWidget(statusLabel_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  refresh_.setInterval(timings.refresh);
  connect(&refresh_, &QTimer::timeout, this, &ProgressWindow::Refresh);
  refresh_.start();
  Refresh();
}

void ProgressWindow::Refresh() {
  const std::uint64_t total = control_.total.load();
  const std::uint64_t done = std::min(control_.done.load(), total);
  if (total == 0) {
    // Before the renames the run reads every file's time; their number is not counted.
    progressLabel_->setText(QStringLiteral("正在读取文件信息…"));
    bar_->setRange(0, 0);
  } else {
    progressLabel_->setText(QStringLiteral("已处理 %1 / %2 个文件").arg(done).arg(total));
    // The bar counts in int; a share of 10,000 steps is as fine as it can show.
    bar_->setRange(0, 10000);
    bar_->setValue(static_cast<int>(done * 10000 / total));
  }
  QString status;
  if (control_.CallDuration() >= waitingAfter_) {
    status = QStringLiteral("正在等待文件系统…");
  } else if (control_.cancel.load()) {
    status = QStringLiteral("正在取消…");
  }
  statusLabel_->setText(status);
}

QString ProgressWindow::ProgressText() const { return progressLabel_->text(); }

QString ProgressWindow::StatusText() const { return statusLabel_->text(); }

void ProgressWindow::reject() {
  control_.cancel = true;
  cancelButton_->setEnabled(false);
  Refresh();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  // The close box cancels like "取消"; the owner closes the window once the run ends.
  event->ignore();
  reject();
}

}  // namespace renamer::ui
