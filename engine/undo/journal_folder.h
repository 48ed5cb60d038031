#pragma once

// The folder of the journals on the disk, for the disk store: reading and writing whole
// files, the folder and its checks, the lock, the journals' names, pruning.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run/run_control.h"

namespace renamer::disk_journal {

/// The suffix of a journal while it is written, before it gets its name.
inline constexpr std::string_view kTemporarySuffix = ".tmp";

/// errno, or EIO where a call failed without setting it.
int LastError();
/// Writes all of `bytes` to `fd`; 0 or an errno value.
int WriteAll(int fd, std::string_view bytes);
/// Reads `fd` to its end, at most `most` bytes; 0 or an errno value.
int ReadAll(int fd, std::string& bytes, std::size_t most);
/// Waits until `poll` succeeds, `control` cancels or the patience runs out; true when
/// `poll` succeeded.
bool WaitFor(const RunControl* control, const std::function<bool()>& poll);

/// The folder of the journals, open. It is used only while it belongs to the user and
/// no one else may write in it, so that no other user can plant a journal there.
class StateFolder {
 public:
  /// Opens the folder at `path`, making it (private) when `create`; on failure returns
  /// an errno value, kErrorStateUnsafe or ENOENT (not made yet) and leaves `folder`
  /// closed.
  static int Open(const std::string& path, bool create, std::unique_ptr<StateFolder>& folder);
  ~StateFolder();
  StateFolder(const StateFolder&) = delete;
  StateFolder& operator=(const StateFolder&) = delete;

  int Fd() const { return fd_; }

 private:
  explicit StateFolder(int fd) : fd_(fd) {}
  int fd_;
};

/// Held while journals are created, chosen or removed, so two programs never pick the
/// same name or remove a journal the other is choosing. A program that hangs holding it
/// is waited for only a while.
class StoreLock {
 public:
  StoreLock(const StateFolder& folder, const RunControl* control);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  /// 0 once held, else why not.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

/// A journal in the folder and its size.
struct JournalFile {
  std::string name;
  std::uint64_t bytes = 0;
};

/// The journals in the folder, oldest first: regular files of this user, not links.
/// A caller that holds the store lock (`locked`) also removes the temporary files that
/// a program left when it died while writing one: then no program is writing one now.
std::vector<JournalFile> ListJournals(const StateFolder& folder, bool locked);

/// A name after every existing one and never used before: a run's journal can be told
/// from the journal of a run undone and replaced since.
std::string NextJournalName(const std::vector<JournalFile>& journals);

/// Opens a journal of this user for reading and writing, not following a link; -1
/// when there is none such.
int OpenJournal(const StateFolder& folder, const std::string& name);

/// Drops the oldest journals beyond the limits, never the newest and never one that a
/// program is working on.
void Prune(const StateFolder& folder, std::vector<JournalFile> journals);

}  // namespace renamer::disk_journal
