#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/undo/journal_store.h"

namespace renamer::testing {

/// Undo journals kept in memory, each as the bytes its file on the disk would hold:
/// written and read through the real encode and decode, so that runs and undos that use
/// it exercise the format. It answers as the disk's store does, without its folder and
/// its waits: a journal that a run in progress or an undo holds is busy at once, a
/// journal that cannot be read is damaged and removed, and the oldest journals beyond
/// kJournalsKept or kJournalBytesKept go. For one thread; the handles it gives must not
/// outlive it.
class MemoryJournalStore final : public JournalStore {
 public:
  MemoryJournalStore() = default;
  MemoryJournalStore(const MemoryJournalStore&) = delete;
  MemoryJournalStore& operator=(const MemoryJournalStore&) = delete;

  /// Not 0: Create() fails with this value (an errno value, kErrorStateUnsafe or
  /// kErrorStateBusy) and keeps nothing.
  int failCreate = 0;
  /// True: a run's end record is not kept, as when the disk is full; the run then looks
  /// cut short.
  bool loseEndRecord = false;
  /// Not 0: an undo's record is not kept and Settle() returns this value, as when the
  /// disk is full; removing a journal still works.
  int failUndoRecord = 0;
  /// The journals by name, oldest first, as their bytes; a test may change them.
  std::map<std::string, std::string> journals;

  int Create(const JournaledRun& run, const RunControl* control,
             std::unique_ptr<RunJournal>& journal) override;
  bool ReadNewest(NewestJournal& newest, bool whole = false) const override;
  TakeResult TakeNewest(const std::string* expected, const RunControl* control,
                        std::unique_ptr<JournalLease>& lease) override;

  /// True while a run in progress or an undo holds the journal `name`.
  bool Held(const std::string& name) const { return held_.count(name) != 0; }

 private:
  class Journal;
  class Lease;

  void Prune();

  std::set<std::string> held_;
  UnsavedStates unsaved_;
  std::uint64_t sequence_ = 0;
};

}  // namespace renamer::testing
