#include "ui/directory_watcher.h"

#include <QFileSystemWatcher>

#include <algorithm>
#include <cerrno>

#include "engine/undo/journal_format.h"
#include "ui/open_folder.h"

namespace renamer::ui {

DirectoryWatcher::DirectoryWatcher(QObject* parent)
    : DirectoryWatcher(
          [](const std::u16string& path, FileIdentity& identity) {
            return IdentifyDirectory(RealFileSystem(), path, identity);
          },
          parent) {}

DirectoryWatcher::DirectoryWatcher(Probe probe, QObject* parent)
    : QObject(parent), probe_(std::move(probe)), watcher_(new QFileSystemWatcher(this)) {
  timer_.setSingleShot(true);
  check_.setInterval(kCheckMs);
  clock_.start();
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DirectoryWatcher::Note);
  connect(&timer_, &QTimer::timeout, this, &DirectoryWatcher::Report);
  connect(&check_, &QTimer::timeout, this, [this] { Check(); });
}

void DirectoryWatcher::Watch(const std::u16string& path) {
  // Removing the watch drops the events still queued for it; the new watch starts
  // clean even when the path stays the same.
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  timer_.stop();
  check_.stop();
  firstUnreported_ = -1;
  path_ = path;
  known_ = false;
  if (path.empty()) return;
  watcher_->addPath(QString::fromStdU16String(path));
  known_ = probe_(path_, identity_) == 0;
  check_.start();
}

bool DirectoryWatcher::Check() {
  FileIdentity now;
  const int error = probe_(path_, now);
  if (error == ENOENT || error == ENOTDIR) {
    Watch({});
    emit Vanished();
    return false;
  }
  if (error != 0) return true;
  // Another directory at the path (deleted and made again, or one moved there): its
  // entries are news, and the watch went with the old one.
  if (known_ && !SameDirectory(now, identity_)) {
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) watcher_->removePaths(watched);
    Note();
  }
  if (watcher_->directories().isEmpty()) watcher_->addPath(QString::fromStdU16String(path_));
  identity_ = now;
  known_ = true;
  return true;
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
  // The watch also fires when the directory itself goes.
  if (!Check()) return;
  ++reportCount_;
  const qint64 started = clock_.elapsed();
  emit Changed();
  const qint64 finished = clock_.elapsed();
  earliestReport_ = finished + kPauseFactor * (finished - started);
}

}  // namespace renamer::ui
