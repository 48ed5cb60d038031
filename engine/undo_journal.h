#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/journal_format.h"
#include "engine/run_control.h"

namespace renamer {

/// Where the journals live: $XDG_STATE_HOME/batch-renamer when that is an absolute path,
/// else $HOME/.local/state/batch-renamer.
std::string JournalDirectory();

/// How long a run or an undo waits for another program that holds the journals' lock
/// or the journal it wants, before it goes on without (a run) or gives up (an undo).
/// Three seconds unless set; tests shorten it.
void SetJournalPatience(std::chrono::milliseconds patience);

/// The folder of the journals, open. It is used only while it belongs to the user and
/// no one else may write in it, so that no other user can plant a journal there.
class StateFolder {
 public:
  /// Opens the folder, making it (private) when `create`; on failure returns an errno
  /// value, kErrorStateUnsafe or ENOENT (not made yet) and leaves `folder` closed.
  static int Open(bool create, std::unique_ptr<StateFolder>& folder);
  ~StateFolder();
  StateFolder(const StateFolder&) = delete;
  StateFolder& operator=(const StateFolder&) = delete;

  int Fd() const { return fd_; }

 private:
  explicit StateFolder(int fd) : fd_(fd) {}
  int fd_;
};

/// The journal of a run in progress. It holds the journal locked, so that no other
/// program takes the run for one that was cut short and undoes it under our feet.
class RunJournal {
 public:
  /// Writes `run` as the newest journal and makes it durable before returning; on
  /// failure returns an errno value, kErrorStateUnsafe or kErrorStateBusy and no
  /// journal. A cancel through `control` ends the wait for another program.
  static int Create(const JournaledRun& run, const RunControl* control,
                    std::unique_ptr<RunJournal>& journal);
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  /// Marks the run ended. A run that renamed nothing leaves no journal behind.
  void Finish(const std::vector<bool>& renamed);
  /// The journal's file name, which no other run ever gets.
  const std::string& Name() const { return name_; }

 private:
  RunJournal(std::unique_ptr<StateFolder> folder, int fd, std::string name);
  std::unique_ptr<StateFolder> folder_;
  int fd_;
  std::string name_;
};

/// The newest journal as an offer shows it: read from its start only.
struct NewestJournal {
  std::string name;
  /// The path, directory and start time of the run; the rest is not read.
  JournaledRun header;
  /// The start cannot be read: the journal is damaged.
  bool damaged = false;
};

/// Reads the newest journal's start; false when there is none or the folder cannot be
/// used.
bool ReadNewestJournal(NewestJournal& newest);

/// What taking the newest journal found.
enum class TakeResult {
  kTaken,    ///< the lease holds it
  kNone,     ///< no journal: nothing to take back
  kBusy,     ///< another program is running or undoing it, and did not finish in time
  kChanged,  ///< the newest journal is not the one expected
  kDamaged,  ///< it cannot be read; it is removed, so that this is said only once
  kUnsafe,   ///< the folder belongs to someone else or others may write in it
};

/// The newest journaled run, held locked while it lives.
class JournalLease {
 public:
  /// Takes the newest journal, waiting a while for a program that holds it. With
  /// `expected`, only the journal of that name is taken. Never takes an older run while
  /// a newer one is held.
  static TakeResult TakeNewest(const std::string* expected, const RunControl* control,
                               std::unique_ptr<JournalLease>& lease);
  ~JournalLease();
  JournalLease(const JournalLease&) = delete;
  JournalLease& operator=(const JournalLease&) = delete;

  const JournaledRun& Run() const { return run_; }
  const std::string& Name() const { return name_; }
  /// Records where each step stands after an undo; removes the journal once no step is
  /// left to take back.
  void Settle(const std::vector<StepState>& state);

 private:
  JournalLease(std::unique_ptr<StateFolder> folder, int fd, std::string name, JournaledRun run,
               std::size_t validBytes);
  void Discard();

  std::unique_ptr<StateFolder> folder_;
  int fd_;
  std::string name_;
  JournaledRun run_;
  /// Where the journal's readable records end; an undo's record goes there.
  std::size_t validBytes_;
};

/// How many journals are kept at most, and how many bytes all of them may take; the
/// oldest go first, the newest is always kept.
inline constexpr std::size_t kJournalsKept = 20;
inline constexpr std::uint64_t kJournalBytesKept = 64ull << 20;

}  // namespace renamer
