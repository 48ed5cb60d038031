#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/run/run_control.h"
#include "engine/undo/journal_format.h"
#include "engine/undo/journal_store.h"

namespace renamer {

/// Where the journals live: $XDG_STATE_HOME/batch-renamer when that is an absolute path,
/// else $HOME/.local/state/batch-renamer.
std::string JournalDirectory();

/// How long a run or an undo waits for another program that holds the journals' lock
/// or the journal it wants, before it goes on without (a run) or gives up (an undo).
/// Three seconds unless set; tests shorten it.
void SetJournalPatience(std::chrono::milliseconds patience);

/// The journals as files in a folder on the disk, one per run, shared by every program
/// of the user. The folder is used only while it belongs to the user and no one else may
/// write in it, so that no other user can plant a journal there; a file lock on the
/// folder's "lock" is held while journals are created, chosen or removed, and each
/// journal is locked while a run or an undo works on it. Where an undo's record cannot
/// be written, the state it had is remembered while this program runs.
class DiskJournalStore final : public JournalStore {
 public:
  /// The journals in JournalDirectory(), as it is at each use.
  DiskJournalStore() = default;
  /// The journals in `folder`.
  explicit DiskJournalStore(std::string folder) : folder_(std::move(folder)) {}

  /// Makes the folder (private) when it is missing.
  int Create(const JournaledRun& run, const RunControl* control,
             std::unique_ptr<RunJournal>& journal) override;
  bool ReadNewest(NewestJournal& newest, bool whole = false) const override;
  TakeResult TakeNewest(const std::string* expected, const RunControl* control,
                        std::unique_ptr<JournalLease>& lease) override;

 private:
  std::string Folder() const { return folder_.empty() ? JournalDirectory() : folder_; }

  std::string folder_;
  UnsavedStates unsaved_;
};

/// The store of the journals in JournalDirectory(): what an engine uses unless given
/// another.
JournalStore& DefaultJournalStore();

/// How many journals are kept at most, and how many bytes all of them may take; the
/// oldest go first, the newest is always kept.
inline constexpr std::size_t kJournalsKept = 20;
inline constexpr std::uint64_t kJournalBytesKept = 64ull << 20;

}  // namespace renamer
