#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/journal_format.h"
#include "engine/run_control.h"

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
  /// left to take back.
  virtual void Settle(const std::vector<StepState>& state) = 0;
};

/// The newest journal as an offer shows it: read from its start only.
struct NewestJournal {
  std::string name;
  /// The path, directory and start time of the run; the rest is not read.
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
  /// Reads the newest journal's start; false when there is none or the store cannot be
  /// used.
  virtual bool ReadNewest(NewestJournal& newest) const = 0;
  /// Takes the newest journal, waiting a while for a program that holds it. With
  /// `expected`, only the journal of that name is taken. Never takes an older run while
  /// a newer one is held.
  virtual TakeResult TakeNewest(const std::string* expected, const RunControl* control,
                                std::unique_ptr<JournalLease>& lease) = 0;
};

}  // namespace renamer
