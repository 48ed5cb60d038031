#include "ui/directory_watcher.h"

#include <QFileSystemWatcher>

#include <algorithm>

namespace renamer::ui {

DirectoryWatcher::DirectoryWatcher(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)) {
  timer_.setSingleShot(true);
  clock_.start();
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DirectoryWatcher::Note);
  connect(&timer_, &QTimer::timeout, this, &DirectoryWatcher::Report);
}

void DirectoryWatcher::Watch(const std::u16string& path) {
  // Removing the watch drops the events still queued for it; the new watch starts
  // clean even when the path stays the same.
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  timer_.stop();
  firstUnreported_ = -1;
  if (!path.empty()) watcher_->addPath(QString::fromStdU16String(path));
}

void DirectoryWatcher::Note() {
  const qint64 now = clock_.elapsed();
  if (firstUnreported_ < 0) firstUnreported_ = now;
  const qint64 due =
      std::max(std::min(now + kQuietMs, firstUnreported_ + kLongestDelayMs), earliestReport_);
  timer_.start(static_cast<int>(std::max<qint64>(due - now, 0)));
}

void DirectoryWatcher::Report() {
  firstUnreported_ = -1;
  ++reportCount_;
  const qint64 started = clock_.elapsed();
  emit Changed();
  const qint64 finished = clock_.elapsed();
  earliestReport_ = finished + kPauseFactor * (finished - started);
}

}  // namespace renamer::ui
