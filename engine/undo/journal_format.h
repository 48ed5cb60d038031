#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/disk/file_system.h"

namespace renamer {

/// One rename of a journaled run; names are the bytes of single file names.
struct JournalStep {
  std::string oldName;
  std::string newName;
  /// The file as the run found it before renaming it. A journal keeps its link count as
  /// 1 exactly when `hadNewName` is false.
  FileIdentity identity;
  /// False only where the new name is known not to have been a name of this file when
  /// the run began: then a file found under both names got the new one from the run.
  bool hadNewName = true;
};

/// Where a step stands after the undos tried so far.
enum class StepState : std::uint8_t {
  kToTakeBack = 0,  ///< not yet taken back
  kDone = 1,        ///< back under its old name, or given up after being reported
  kReported = 2,    ///< an undo could not take it back and said why; tried once more
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
  /// One per step once an undo has been tried; empty before.
  std::vector<StepState> state;

  /// True when any step may still have to go back.
  bool AnyPending() const {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      if (Pending(i)) return true;
    }
    return false;
  }

  /// True when step `i` may still have to go back: the run may have renamed it and no
  /// undo has settled it.
  bool Pending(std::size_t i) const {
    if (complete && !renamed[i]) return false;
    return state.empty() || state[i] != StepState::kDone;
  }

  /// True when the new name of step `i` is known to be the run's doing wherever the file
  /// is found under both names: the run ended and renamed it, or it was cut short and
  /// the file did not have that name when it began. Only then may an undo remove it.
  bool GaveNewName(std::size_t i) const { return complete ? renamed[i] : !steps[i].hadNewName; }
};

/// True when both identities name the same file: the same inode number and the same
/// birth time where both have one (an inode number can be reused by a new file), else
/// the same generation where both have one, else the same device, modification time
/// and size. The device may differ where a birth time or generation decides: a file
/// system mounted again may get another device number.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

/// SameFile() for a directory, whose modification time changes with every rename in it.
bool SameDirectory(const FileIdentity& a, const FileIdentity& b);

/// The journal's bytes for a run about to start: the magic and the plan record.
std::string EncodeJournal(const JournaledRun& run);
/// The record that marks the run ended, with which steps renamed their file.
std::string EncodeEndRecord(const std::vector<bool>& renamed);
/// The record that says where each step stands after an undo.
std::string EncodeUndoRecord(const std::vector<StepState>& state);
/// Reads a journal; false when its plan record is missing, cut short or corrupt, or
/// names something that is not a single file name. A later record that is cut short or
/// corrupt is ignored with everything after it; `validBytes` (if given) receives where
/// the records that were read end.
bool DecodeJournal(std::string_view bytes, JournaledRun& run, std::size_t* validBytes = nullptr);
/// Reads only the start of a journal: the run's path, directory and start time. The
/// rest is not checked; false when even that cannot be read.
bool DecodeJournalHeader(std::string_view bytes, JournaledRun& run);

/// How many bytes of a journal DecodeJournalHeader() needs at most.
inline constexpr std::size_t kJournalHeaderBytes = 8192;

}  // namespace renamer
