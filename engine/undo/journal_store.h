#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/run/run_control.h"
#include "engine/undo/journal_format.h"

namespace renamer {

/// The journal of a run in progress. While it lives it holds the journal, so that no
/// other program takes the run for one that was cut short and undoes it under our feet.
class RunJournal {
 public:
  virtual ~RunJournal() = default;
  /// Marks the run ended. A run that renamed nothing leaves no journal behind.
  virtual void Finish(const std::vector<bool>& renamed) = 0;
  /// The journal's name, which no other run ever gets.
  virtual const std::string& Name() const = 0;
};

/// The newest journaled run, held while the lease lives.
class JournalLease {
 public:
  virtual ~JournalLease() = default;
  virtual const JournaledRun& Run() const = 0;
  virtual const std::string& Name() const = 0;
  /// Records where each step stands after an undo; removes the journal once no step is
  /// left to take back. Returns 0, or the errno value of a record that could not be
  /// written (a full disk) or a journal that could not be removed; the store then
  /// remembers `state` for the journal while this program runs (see UnsavedStates).
  virtual int Settle(const std::vector<StepState>& state) = 0;
};

/// Where the steps of journals stand after undos whose records could not be written,
/// kept while this program runs: without them a full disk would have every undo find the
/// state of the one before, and never give up a file that failed twice. An entry counts
/// only while its journal's readable records still end where they did.
class UnsavedStates {
 public:
  void Keep(const std::string& journal, std::size_t validBytes, std::vector<StepState> state) {
    const std::lock_guard<std::mutex> lock(mutex_);
    kept_[journal] = {validBytes, std::move(state)};
  }
  void Forget(const std::string& journal) {
    const std::lock_guard<std::mutex> lock(mutex_);
    kept_.erase(journal);
  }
  /// Puts what was kept for `journal` into `state`, unless the journal has changed since.
  void Recall(const std::string& journal, std::size_t validBytes, std::vector<StepState>& state) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = kept_.find(journal);
    if (found == kept_.end()) return;
    if (found->second.first == validBytes) {
      state = found->second.second;
    } else {
      kept_.erase(found);
    }
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::pair<std::size_t, std::vector<StepState>>> kept_;
};

/// The newest journal as an offer shows it: read from its start only, or whole.
struct NewestJournal {
  std::string name;
  /// The path, directory and start time of the run; the rest only when read whole.
  JournaledRun header;
  /// The start cannot be read: the journal is damaged.
  bool damaged = false;
};

/// What taking the newest journal found.
enum class TakeResult {
  kTaken,    ///< the lease holds it
  kNone,     ///< no journal: nothing to take back
  kBusy,     ///< another program is running or undoing it, and did not finish in time
  kChanged,  ///< the newest journal is not the one expected
  kDamaged,  ///< it cannot be read; it is removed, so that this is said only once
  kUnsafe,   ///< the journals' folder belongs to someone else or others may write in it
};

/// Where the journals of runs are kept, newest last: what the engine needs of them.
/// The disk's store is in engine/undo_journal.h.
class JournalStore {
 public:
  virtual ~JournalStore() = default;
  /// Keeps `run` as the newest journal, durably, before returning; on failure returns an
  /// errno value, kErrorStateUnsafe or kErrorStateBusy and no journal. A cancel through
  /// `control` ends a wait for another program.
  virtual int Create(const JournaledRun& run, const RunControl* control,
                     std::unique_ptr<RunJournal>& journal) = 0;
  /// Reads the newest journal's start, or with `whole` all of it; false when there is
  /// none or the store cannot be used.
  virtual bool ReadNewest(NewestJournal& newest, bool whole = false) const = 0;
  /// Takes the newest journal, waiting a while for a program that holds it. With
  /// `expected`, only the journal of that name is taken. Never takes an older run while
  /// a newer one is held.
  virtual TakeResult TakeNewest(const std::string* expected, const RunControl* control,
                                std::unique_ptr<JournalLease>& lease) = 0;
};

}  // namespace renamer
