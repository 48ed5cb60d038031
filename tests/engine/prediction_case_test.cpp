// The prediction compares names as the file system does, whether it folds the case of
// no letters, of ASCII letters only or of all: each file's predicted outcome must be
// what the run then did.

#include "engine/rename_engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/disk/name_folding.h"
#include "tests/engine/prediction_scenario.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Describe;
using testing::FakeWindow;
using testing::Fold;
using testing::MemoryPlace;
using testing::PredictThenRun;
using testing::RandomFolder;
using testing::Tally;
using testing::Utf8;
using testing::WhatTheRunDid;

// Case-sensitive, folding ASCII letters only (some FUSE and network mounts), folding
// every letter (vfat, network shares), folding forms too (casefold directories).
TEST(PredictRunTest, MatchesTheRunHoweverTheFileSystemComparesCase) {
  constexpr std::uint64_t kScenarios = 2000;
  for (const Fold fold : {Fold::kNone, Fold::kAscii, Fold::kUnicode, Fold::kForms}) {
    Tally tally;
    for (std::uint64_t seed = 1; seed <= kScenarios; ++seed) {
      SCOPED_TRACE("folding " + std::to_string(static_cast<int>(fold)) + ", seed " +
                   std::to_string(seed));
      RandomFolder random(seed);
      MemoryPlace place(fold);
      random.MakeCaseFolder(place);
      PredictThenRun(random, place, tally);
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(tally.renamed, kScenarios);
    EXPECT_GT(tally.failed, kScenarios / 2);
  }
}

// Cases that a prediction once got wrong: it must say what the run does, and the run
// must fail `fails` files.
TEST(PredictRunTest, ComparesNamesAsTheFileSystemDoes) {
  // Entries that end with "/" are directories, in the way but not listed.
  const std::vector<std::string> photos = {"x.jpg", "AX.JPG/", "Xy.jpg", "photo.jpg"};
  // A letter beyond U+FFFF in either case.
  const std::u16string upper = u"\U00010400";
  const std::u16string lower = u"\U00010428";
  struct Case {
    const char* what;
    Fold fold;
    std::vector<std::string> entries;
    std::u16string code;
    std::u16string stringText;
    std::u16string value;
    std::size_t fails;
  } cases[] = {
      {"a prefix that meets another spelling", Fold::kAscii, photos, u"ADDPRE", u"", u"a", 1},
      {"a change of case alone", Fold::kAscii, photos, u"EXT", u"", u".JPG", 0},
      {"a name that another spelling holds", Fold::kAscii, photos, u"REP", u"y", u"", 1},
      {"no ASCII letter listed", Fold::kUnicode, {"照片", "A照片/"}, u"ADDPRE", u"", u"a", 1},
      {"folding ASCII letters only", Fold::kAscii, {"x.txt", "é.txt"}, u"REP", u"x", u"É", 0},
      // "ß" has no upper case to try; only the disk can say whether "ẞ" is "ß".
      {"a letter without another case", Fold::kUnicode, {"1", "ß/"}, u"REP", u"1", u"ẞ", 1},
      {"the same where case counts", Fold::kNone, {"1", "ß/"}, u"REP", u"1", u"ẞ", 0},
      // Neither name is on disk yet: what the other entries told decides.
      {"two new names", Fold::kUnicode, {"é1", "É2"}, u"DELLSTN", u"", u"1", 1},
      // "é1.t" leaves its name to "éé1.t"; the disk, still holding it, cannot tell
      // whether "É1.t" is the same name.
      {"a freed name", Fold::kAscii, {"é1.t", "éé1.t", "É1.t/"}, u"DELPREN", u"", u"1", 0},
      // The run changes case through a temporary name only where its own comparison
      // sees a change of case, and that folds no letter beyond U+FFFF.
      {"case beyond U+FFFF", Fold::kUnicode, {Utf8(upper) + ".t"}, u"REP", upper, lower, 1},
  };
  for (const Case& c : cases) {
    // Some mounts that ignore case give each spelling its own inode number.
    for (const bool inodePerSpelling : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (inodePerSpelling ? ", an inode per spelling" : ""));
      MemoryPlace place(c.fold);
      place.fs.inodePerSpelling = inodePerSpelling;
      for (const std::string& name : c.entries) {
        if (name.ends_with('/')) {
          place.Obstacle(name.substr(0, name.size() - 1), 0);
        } else {
          place.File(name, 0);
        }
      }
      FakeWindow window;
      window.path = place.Path();
      window.files = ListNames(place.fs, window.path, EntryKind::kFiles);
      window.stringText = c.stringText;
      window.valueText = c.value;
      RenameEngine engine(window, place.fs);
      engine.ChgMode = c.code;
      const RunPrediction prediction = engine.PredictRun();
      const JobOutcome ran = testing::RunWithOutcome(engine, window).outcome;
      const std::vector<PredictedRename> done = WhatTheRunDid(engine, window, ran);
      ASSERT_EQ(prediction.files.size(), done.size());
      std::size_t fails = 0;
      for (std::size_t k = 0; k < done.size(); ++k) {
        EXPECT_EQ(Describe(prediction.files[k]), Describe(done[k]));
        fails += done[k].outcome == PredictedOutcome::kFails ? 1 : 0;
      }
      EXPECT_EQ(fails, c.fails);
    }
  }
}

// Two files that a rule gives one name in two spellings: where the folder takes them for
// one, the file listed first gets it and the other fails, as predicted, even where the
// directory's own order puts the second first.
TEST(PredictRunTest, TwoSpellingsOfOneNameMeetWhereTheFolderTakesThemForOne) {
  const std::pair<const char*, const char*> spellings[] = {
      {"\u00e9", "e\u0301"}, {"\u00df", "ss"},      {"\u1e9e", "ss"},
      {"\u03c2", "\u03c3"},  {"\u017f", "s"},       {"\ufb01", "fi"},
      {"\u0130", "i\u0307"}, {"\u212b", "a\u030a"}, {"\ud55c", "\u1112\u1161\u11ab"},
      {"\uf900", "\u8c48"},  {"\u212a", "k"}};
  for (const auto& [first, second] : spellings) {
    for (const Fold fold : {Fold::kNone, Fold::kForms}) {
      SCOPED_TRACE(std::string(first) + " and " + second +
                   (fold == Fold::kForms ? ", folded" : ", exact"));
      MemoryPlace place(fold);
      place.File(std::string("1") + first + ".t", 0);
      place.File(std::string("2") + second + ".t", 0);
      FakeWindow window;
      window.path = place.Path();
      window.files = ListNames(place.fs, window.path, EntryKind::kFiles);
      window.places = {1, 0};
      window.valueText = u"1";
      RenameEngine engine(window, place.fs);
      engine.ChgMode = u"DELPREN";
      const RunPrediction prediction = engine.PredictRun();
      const JobOutcome ran = testing::RunWithOutcome(engine, window).outcome;
      const std::vector<PredictedRename> done = WhatTheRunDid(engine, window, ran);
      ASSERT_EQ(done.size(), 2u);
      for (std::size_t k = 0; k < done.size(); ++k) {
        EXPECT_EQ(Describe(prediction.files[k]), Describe(done[k]));
      }
      EXPECT_EQ(done[0].outcome, PredictedOutcome::kRenamed);
      EXPECT_EQ(done[1].outcome,
                fold == Fold::kForms ? PredictedOutcome::kFails : PredictedOutcome::kRenamed);
    }
  }
}

// The key, and the other spellings that learn how a file system folds each class.
TEST(NameFoldingTest, FoldsEveryFormAndSwapsOneClassAtATime) {
  struct Case {
    std::string name;
    std::string key;
    std::string asciiSwapped;  // empty: nothing to swap
    std::string otherSwapped;
    std::string formSwapped;
  } cases[] = {
      {"Ab.JPG", "ab.jpg", "aB.jpg", "", ""},
      {"É照片", "e\u0301照片", "", "é照片", "E\u0301照片"},
      {"e\u0301a", "e\u0301a", "E\u0301A", "", "éa"},
      // U+0130 folds to "i" one way and to "i" with a dot above the other: neither
      // tells of the other, and the key takes both for "i".
      {"\u0130x", "ix", "\u0130X", "", "I\u0307x"},
      {"ẞß", "ssss", "", "ßß", "ssss"},  // no other form: full case folding is tried
      // KELVIN SIGN is "K" by its form and "k" by its case: it is tried as the latter.
      {"\u212Ax", "kx", "\u212AX", "kx", ""},
      {"한", "\u1112\u1161\u11AB", "", "", "\u1112\u1161\u11AB"},
      {"\U00010400", "\U00010428", "", "\U00010428", ""},
      {"\377\303A", "\377\303a", "\377\303a", "", ""},  // bytes that are not UTF-8 stay
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FoldKey(c.name), c.key);
    EXPECT_EQ(FoldKey(c.key), c.key);
    EXPECT_EQ(SwapCase(c.name, LetterClass::kAscii), c.asciiSwapped);
    EXPECT_EQ(SwapCase(c.name, LetterClass::kOther), c.otherSwapped);
    EXPECT_EQ(SwapCase(c.name, LetterClass::kForms), c.formSwapped);
    for (const auto& [swapped, which] : {std::pair{c.asciiSwapped, LetterClass::kAscii},
                                         std::pair{c.otherSwapped, LetterClass::kOther},
                                         std::pair{c.formSwapped, LetterClass::kForms}}) {
      if (swapped.empty()) continue;
      EXPECT_EQ(FoldKey(swapped), c.key);
      const auto fullCase = static_cast<unsigned>(LetterClass::kFullCase);
      EXPECT_EQ(CaseDifferences(c.name, swapped) & ~fullCase, static_cast<unsigned>(which));
    }
  }
}

}  // namespace
}  // namespace renamer
