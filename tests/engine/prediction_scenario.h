#pragma once

// What the prediction tests share: seeded random folders, each run predicted and then done
// on one engine, and the outcome of each file compared.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/support/random_folder.h"
#include "tests/support/report_check.h"
#include "tests/support/utf8.h"

namespace renamer::testing {

// How a file system compares letter case: not at all, ASCII letters only, every letter
// code point by code point, or every form and case as ext4 casefold folders do.
enum class Fold { kNone, kAscii, kUnicode, kForms };

// A scenario's directory in memory, on a file system that compares case as `fold` says.
class MemoryPlace {
 public:
  explicit MemoryPlace(Fold fold) {
    fs.ignoreCase = fold == Fold::kAscii;
    fs.ignoreUnicodeCase = fold == Fold::kUnicode;
    fs.foldForms = fold == Fold::kForms;
  }
  FileSystem& Fs() { return fs; }
  std::u16string Path() const { return u"/memory"; }
  bool Exists(const std::string& name) const { return fs.Exists(name); }
  void File(const std::string& name, std::int64_t time) {
    fs.Add(name, ++inode_);
    fs.times[inode_] = time;
  }
  /// An entry in the way: kind 0 a directory, else a file (there are no links here).
  void Obstacle(const std::string& name, std::size_t kind) {
    fs.Add(name, ++inode_, kind == 0 ? EntryKind::kDirectories : EntryKind::kFiles);
  }
  /// A listed file becomes a directory (kind 0) or is gone.
  void Replace(const std::string& name, std::size_t kind) {
    if (kind == 0) {
      Obstacle(name, 0);
      return;
    }
    int error = 0;
    fs.Open("", error)->Unlink(name);
  }
  std::vector<std::string> Entries() const {
    const std::set<std::string> names = fs.Names();
    return {names.begin(), names.end()};
  }

  MemoryFileSystem fs;

 private:
  int inode_ = 0;
};

/// A change's status in the prediction's terms.
inline PredictedOutcome OutcomeOf(ChangeStatus status) {
  switch (status) {
    case ChangeStatus::kDone:
      return PredictedOutcome::kRenamed;
    case ChangeStatus::kUnchanged:
      return PredictedOutcome::kUnchanged;
    default:
      return PredictedOutcome::kFails;
  }
}

/// Each listed file's outcome as the run recorded it, in the prediction's form.
inline std::vector<PredictedRename> WhatTheRunDid(const RenameEngine& engine,
                                                  const FakeWindow& window,
                                                  const JobOutcome& outcome) {
  std::vector<PredictedRename> done;
  for (const std::u16string& name : window.files) {
    done.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
  }
  const std::u16string prefix = engine.DirectoryPrefix();
  for (const FileChange& p : outcome.changes) {
    PredictedRename& file = done.at(p.listIndex);
    file.newName = p.to;
    file.outcome = OutcomeOf(p.status);
    if (p.status == ChangeStatus::kFailed) file.reason = ChangeReason(prefix, p);
  }
  return done;
}

/// One file's outcome as text, for comparing and for failure messages.
inline std::string Describe(const PredictedRename& file) {
  return Utf8(file.oldName) + " -> " + Utf8(file.newName) + " [" +
         std::to_string(static_cast<int>(file.outcome)) + "] " + Utf8(file.reason);
}

/// How many files the runs renamed and failed to rename.
struct Tally {
  std::size_t renamed = 0;
  std::size_t failed = 0;
};

/// Two predictions, each followed by the run it predicts, on one engine (the second
/// sees the first's names and MaxLen): each file must do what was predicted, and the
/// run must stop where the prediction says so.
template <typename Place>
void PredictThenRun(RandomFolder& random, Place& place, Tally& tally) {
  FakeWindow window;
  window.path = place.Path();
  RenameEngine engine(window, place.Fs());
  for (int run = 0; run < 2; ++run) {
    window.files = engine.ListFiles(window.path, nullptr, &window.places);
    // The list sorted by a column is the listing in another order, which the run numbers
    // in; 前加顺序号 numbers by either time.
    RandomFolder order = random.Branch(0x5eed0 + static_cast<std::uint64_t>(run));
    if (order.Chance(30)) {
      for (std::size_t k = window.files.size(); k > 1; --k) {
        const std::size_t other = order.Below(k);
        std::swap(window.files[k - 1], window.files[other]);
        if (window.places.size() == window.files.size())
          std::swap(window.places[k - 1], window.places[other]);
      }
    }
    window.timeOrdering = order.Chance(50) ? Ordering::kTaken : Ordering::kModified;
    random.PickCaseRule(engine, window);
    random.Disturb(place, window.files);
    // What one choice read must not stand in for what another reads.
    if (random.Chance(50)) {
      random.PickChoice(window);
      engine.PredictRun();
    }
    random.PickChoice(window);
    const std::int16_t maxLen = engine.MaxLen;
    const std::u16string stringText = window.stringText;
    const std::vector<std::string> before = place.Entries();

    const RunPrediction prediction = engine.PredictRun();
    ASSERT_EQ(engine.MaxLen, maxLen);
    ASSERT_EQ(Utf8(window.stringText), Utf8(stringText));
    ASSERT_EQ(place.Entries(), before);

    const WindowRun ran = RunWithOutcome(engine, window);
    const std::u16string& report = ran.report;
    if (!prediction.message.empty()) {
      ASSERT_EQ(Utf8(report), Utf8(prediction.message));
      continue;
    }
    ASSERT_FALSE(report.starts_with(kUnreadableTimeMessage)) << Utf8(report);
    const std::vector<PredictedRename> done = WhatTheRunDid(engine, window, ran.outcome);
    ASSERT_EQ(prediction.files.size(), done.size());
    for (std::size_t k = 0; k < done.size(); ++k) {
      ASSERT_EQ(Describe(prediction.files[k]), Describe(done[k])) << "file " << k;
      if (!window.FileListChecked(static_cast<int>(k))) {
        ASSERT_EQ(done[k].outcome, PredictedOutcome::kNotSelected) << "file " << k;
      }
      tally.renamed += done[k].outcome == PredictedOutcome::kRenamed ? 1 : 0;
      tally.failed += done[k].outcome == PredictedOutcome::kFails ? 1 : 0;
    }
  }
}

}  // namespace renamer::testing
