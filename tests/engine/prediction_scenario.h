#pragma once

// What the prediction tests share: seeded scenarios, each run predicted and then done
// on one engine, and the outcome of each file compared.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/memory_window.h"
#include "tests/support/utf8.h"

namespace renamer::testing {

/// Random directories and rules from a seed. A directory is made through a `Place`,
/// which offers Fs(), Path(), Exists(name), File(name, time), Obstacle(name, kind),
/// Replace(name, kind) and Entries().
class Scenario {
 public:
  /// A letter beyond U+FFFF (U+10400) in upper and in lower case.
  static constexpr const char* kWideUpper = "\xf0\x90\x90\x80";
  static constexpr const char* kWideLower = "\xf0\x90\x90\xa8";

  explicit Scenario(std::uint64_t seed) : rng_(seed) {}

  /// A number below `n`.
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }
  /// One of `items`.
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

  /// A name from hostile pieces: CJK, case pairs (beyond ASCII and U+FFFF too, and
  /// "ß", which has no upper case of its own), dots, spaces, bytes that are not UTF-8,
  /// a combining mark, an emoji; without ASCII letters if `asciiLetters` is false.
  std::string Name(bool asciiLetters) {
    static const std::vector<std::string> others = {"照片", "1",    "2", ".", " ", "..", "@",
                                                    "新_",  "\xff", "é", "É", "ä", "Ä",  "ß"};
    static const std::vector<std::string> wide = {"\xf0\x9f\x98\x80", kWideUpper, kWideLower};
    static const std::vector<std::string> ascii = {"a",    "A",  "b",       "ab",        ".jpg",
                                                   ".JPG", ".t", ".tar.gz", "e\xcc\x81", "x"};
    std::string name;
    const std::size_t count = 1 + Below(3);
    for (std::size_t i = 0; i < count; ++i) {
      if (Below(8) == 0) {
        name += Pick(wide);
      } else {
        name += Pick(asciiLetters && Below(2) == 0 ? ascii : others);
      }
    }
    return name;
  }

  /// Files, some of them in a chain of renames, and entries in the way.
  template <typename Place>
  void MakeDirectory(Place& place) {
    // Sometimes no listed name has an ASCII letter, which leaves only the entries in
    // the way to learn from whether the file system folds them.
    const bool asciiLetters = Below(4) != 0;
    // Often a chain: each name freed by one rename is taken by the next.
    if (asciiLetters && Below(3) == 0) {
      for (const char* name : {"ab.t", "abc.t", "abcd.t", "a.t", "x.a.t"}) {
        if (Below(4) != 0) place.File(name, Time());
      }
    }
    const std::size_t files = Below(9);
    for (std::size_t i = 0; i < files; ++i) {
      const std::string name = Name(asciiLetters);
      if (name[0] == '.' || place.Exists(name)) continue;
      place.File(name, Time());
    }
    // Obstacles the file list does not show, each a likely target.
    const std::size_t obstacles = Below(3);
    for (std::size_t i = 0; i < obstacles; ++i) {
      const std::string name =
          Pick(std::vector<std::string>{"a", "A", "新_a", "1a", "ab", "abc", ".", "", "a ", "A照片",
                                        "É", "ä", "ẞ"}) +
          Pick(std::vector<std::string>{"", ".t", ".jpg", "@", ".a.t", "照片"});
      if (name.empty() || name == "." || place.Exists(name)) continue;
      place.Obstacle(name, Below(3));  // a file is hidden when it starts with a dot
    }
  }

  /// A rule with fitting fields and a type text; sometimes no rule at all.
  void PickRule(RenameEngine& engine, FakeWindow& window) {
    const std::size_t rule = Below(kRules.size() + 1);
    engine.ChgMode = rule < kRules.size() ? std::u16string(kRules[rule].code) : u"";
    window.typeText = DecodeFileName(
        Pick(std::vector<std::string>{"*.*", "*.*", " *.* ", "", ".jpg", ".JPG", ".t", ".gz"}));
    const std::vector<std::string> counts = {"0", "1", "2", "3"};
    const std::vector<std::string> texts = {"",  "a", "A", "照片",     ".",
                                            "1", "b", " ", "新_",      "@",
                                            "É", "ä", "ẞ", kWideUpper, kWideLower};
    std::string value = Pick(texts);
    if (engine.ChgMode == u"EXT") value = Pick(std::vector<std::string>{".jpg", ".t", "", "."});
    if (engine.ChgMode == u"DELPREN" || engine.ChgMode == u"DELLSTN" ||
        IsNumberingRule(engine.ChgMode)) {
      value = Pick(counts);
    }
    window.stringText = DecodeFileName(Pick(texts));
    window.valueText = DecodeFileName(value);
  }

  /// Now and then a listed file is something else by the time the run starts.
  template <typename Place>
  void Disturb(Place& place, const std::vector<std::u16string>& listed) {
    if (listed.empty() || Below(8) != 0) return;
    place.Replace(EncodeFileName(Pick(listed)), Below(2));
  }

 private:
  std::int64_t Time() { return 1700000000 + static_cast<std::int64_t>(Below(4)) * 60; }

  std::mt19937_64 rng_;
};

/// A plan status in the prediction's terms.
inline PredictedOutcome OutcomeOf(PlanStatus status) {
  switch (status) {
    case PlanStatus::kRenamed:
      return PredictedOutcome::kRenamed;
    case PlanStatus::kUnchanged:
      return PredictedOutcome::kUnchanged;
    default:
      return PredictedOutcome::kFails;
  }
}

/// Each listed file's outcome as the run's plan recorded it, in the prediction's form.
inline std::vector<PredictedRename> WhatTheRunDid(const RenameEngine& engine,
                                                  const FakeWindow& window) {
  std::vector<PredictedRename> done;
  for (const std::u16string& name : window.files) {
    done.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
  }
  const std::u16string prefix = engine.DirectoryPrefix();
  for (const PlannedRename& p : engine.Plan) {
    PredictedRename& file = done.at(p.listIndex);
    if (p.hasNewName) file.newName = p.newName;
    file.outcome = OutcomeOf(p.status);
    if (p.status == PlanStatus::kFailed) file.reason = FailureReason(prefix, p);
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
void PredictThenRun(Scenario& scenario, Place& place, Tally& tally) {
  FakeWindow window;
  window.path = place.Path();
  RenameEngine engine(window, place.Fs());
  for (int run = 0; run < 2; ++run) {
    window.files = engine.ListFiles(window.path);
    scenario.PickRule(engine, window);
    scenario.Disturb(place, window.files);
    const std::int16_t maxLen = engine.MaxLen;
    const std::u16string stringText = window.stringText;
    const std::vector<std::string> before = place.Entries();

    const RunPrediction prediction = engine.PredictRun();
    ASSERT_EQ(engine.MaxLen, maxLen);
    ASSERT_EQ(Utf8(window.stringText), Utf8(stringText));
    ASSERT_EQ(place.Entries(), before);

    const std::u16string report = engine.RenameFiles();
    if (!prediction.message.empty()) {
      ASSERT_EQ(Utf8(report), Utf8(prediction.message));
      continue;
    }
    ASSERT_FALSE(report.starts_with(kUnreadableTimeMessage)) << Utf8(report);
    const std::vector<PredictedRename> done = WhatTheRunDid(engine, window);
    ASSERT_EQ(prediction.files.size(), done.size());
    for (std::size_t k = 0; k < done.size(); ++k) {
      ASSERT_EQ(Describe(prediction.files[k]), Describe(done[k])) << "file " << k;
      tally.renamed += done[k].outcome == PredictedOutcome::kRenamed ? 1 : 0;
      tally.failed += done[k].outcome == PredictedOutcome::kFails ? 1 : 0;
    }
  }
}

}  // namespace renamer::testing
