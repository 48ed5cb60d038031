#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

#include "engine/disk/file_system.h"

class QFileSystemWatcher;

namespace renamer::ui {

/// Tells when the entries of one directory changed on disk, coalescing bursts, and when
/// the directory itself was moved away or deleted.
///
/// A change is reported once the directory has been quiet for a moment, or at the
/// latest about a second after the first unreported change, so a long copy still
/// shows progress. After each report the next one waits several times as long as
/// the receivers took, so that listing a huge directory again and again cannot take
/// up the window's time.
class DirectoryWatcher : public QObject {
  Q_OBJECT

 public:
  /// Quiet time before a report.
  static constexpr int kQuietMs = 300;
  /// Longest delay of a report after the first unreported change.
  static constexpr int kLongestDelayMs = 1000;
  /// The pause after a report is at least this many times the receivers' time.
  static constexpr int kPauseFactor = 4;

  /// How often the directory's path is looked at: a move of a folder above it, or a
  /// delete and make again, reaches no watch on the directory itself.
  static constexpr int kCheckMs = 1000;

  /// Finds the directory at a path: 0 and its identity, or the errno.
  using Probe = std::function<int(const std::u16string& path, FileIdentity& identity)>;

  /// Watches through the real file system.
  explicit DirectoryWatcher(QObject* parent = nullptr);
  DirectoryWatcher(Probe probe, QObject* parent = nullptr);

  /// Watches `path` from now on and forgets every change seen so far: the caller lists
  /// the directory right after, and changes made before, by our own runs among them,
  /// need no second listing.
  void Watch(const std::u16string& path);

  /// How often Changed has been emitted; the tests count listings with it.
  int ReportCount() const { return reportCount_; }

 signals:
  /// The watched directory's entries changed since the last report or Watch; also when
  /// another directory now stands at its path.
  void Changed();
  /// No directory stands at the watched path any more. Said once per Watch.
  void Vanished();

 private:
  void Note();
  void Report();
  /// Looks at the path: false after saying that the directory vanished.
  bool Check();

  Probe probe_;
  std::u16string path_;
  FileIdentity identity_;
  bool known_ = false;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer timer_;
  QTimer check_;
  QElapsedTimer clock_;
  qint64 firstUnreported_ = -1;
  qint64 earliestReport_ = 0;
  int reportCount_ = 0;
};

}  // namespace renamer::ui
