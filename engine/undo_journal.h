#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"

namespace renamer {

/// One rename of a journaled run; names are the bytes of single file names.
struct JournalStep {
  std::string oldName;
  std::string newName;
  /// The file as the run found it before renaming it.
  FileIdentity identity;
};

/// A run as its journal keeps it.
struct JournaledRun {
  /// The run's directory, as bytes.
  std::string path;
  FileIdentity directory;
  std::int64_t startedSeconds = 0;
  /// The renames the run was about to make, in its order.
  std::vector<JournalStep> steps;
  /// True once the run ended; then `renamed` says which steps renamed their file.
  bool complete = false;
  std::vector<bool> renamed;
};

/// True when both identities name the same file: same device and inode, and the same
/// birth time where both have one (an inode number can be reused by a new file).
bool SameFile(const FileIdentity& a, const FileIdentity& b);

/// The journal's bytes for a run about to start: the magic and the plan record.
std::string EncodeJournal(const JournaledRun& run);
/// The record that marks the run ended, with which steps renamed their file.
std::string EncodeEndRecord(const std::vector<bool>& renamed);
/// Reads a journal; false when its plan record is missing, cut short or corrupt. An end
/// record that is cut short or corrupt leaves the run incomplete.
bool DecodeJournal(std::string_view bytes, JournaledRun& run);

/// Where the journals live: $XDG_STATE_HOME/batch-renamer when that is an absolute path,
/// else $HOME/.local/state/batch-renamer.
std::string JournalDirectory();

/// The journal of a run in progress. It holds the journal locked, so that no other
/// program takes the run for one that was cut short and undoes it under our feet.
class RunJournal {
 public:
  /// Writes `run` as the newest journal and makes it durable before returning; on
  /// failure returns an errno value and no journal.
  static int Create(const JournaledRun& run, std::unique_ptr<RunJournal>& journal);
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  /// Marks the run ended. A run that renamed nothing leaves no journal behind.
  void Finish(const std::vector<bool>& renamed);

 private:
  RunJournal(int fd, std::string file) : fd_(fd), file_(std::move(file)) {}
  int fd_;
  std::string file_;
};

/// The newest journaled run that no program is working on, held locked while it lives.
class JournalLease {
 public:
  /// Takes the newest run that can be undone; nullptr when there is none.
  static std::unique_ptr<JournalLease> TakeNewest();
  ~JournalLease();
  JournalLease(const JournalLease&) = delete;
  JournalLease& operator=(const JournalLease&) = delete;

  const JournaledRun& Run() const { return run_; }
  /// Removes the journal: its run is undone and no longer offered.
  void Discard();

 private:
  JournalLease(int fd, std::string file, JournaledRun run)
      : fd_(fd), file_(std::move(file)), run_(std::move(run)) {}
  int fd_;
  std::string file_;
  JournaledRun run_;
};

/// How many journals are kept at most, and how many bytes all of them may take; the
/// oldest go first, the newest is always kept.
inline constexpr std::size_t kJournalsKept = 20;
inline constexpr std::uint64_t kJournalBytesKept = 64ull << 20;

}  // namespace renamer
