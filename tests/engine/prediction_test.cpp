// The prediction is the run without the disk changes: on seeded random directories,
// each file's predicted outcome must be what the run then did.

#include "engine/rename_engine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::TempDir;
using testing::Utf8;

class Scenario {
 public:
  explicit Scenario(std::uint64_t seed) : rng_(seed) {}

  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

  /// A name from hostile pieces: CJK, case pairs, dots, spaces, bytes that are not
  /// UTF-8, a combining mark, an emoji.
  std::string Name() {
    static const std::vector<std::string> pieces = {
        "a", "A",  "b",    "ab",     "照片", "1",    "2",         ".",
        " ", "..", ".jpg", ".JPG",   ".t",   "\xff", "e\xcc\x81", "\xf0\x9f\x98\x80",
        "@", "x",  "新_",  ".tar.gz"};
    std::string name;
    const std::size_t count = 1 + Below(3);
    for (std::size_t i = 0; i < count; ++i) name += Pick(pieces);
    return name;
  }

  void MakeDirectory(const TempDir& dir) {
    // Often a chain: each name freed by one rename is taken by the next.
    if (Below(3) == 0) {
      for (const char* name : {"ab.t", "abc.t", "abcd.t", "a.t", "x.a.t"}) {
        if (Below(4) != 0) dir.MakeFile(name, name, Time());
      }
    }
    const std::size_t files = Below(9);
    for (std::size_t i = 0; i < files; ++i) {
      const std::string name = Name();
      if (name[0] == '.' || Exists(dir, name)) continue;
      dir.MakeFile(name, name, Time());
    }
    // Obstacles the file list does not show, each a likely target.
    const std::size_t obstacles = Below(3);
    for (std::size_t i = 0; i < obstacles; ++i) {
      const std::string name =
          Pick(std::vector<std::string>{"a", "A", "新_a", "1a", "ab", "abc", ".", "", "a "}) +
          Pick(std::vector<std::string>{"", ".t", ".jpg", "@", ".a.t"});
      if (name.empty() || name == "." || Exists(dir, name)) continue;
      switch (Below(3)) {
        case 0:
          ::mkdir((dir.path() + "/" + name).c_str(), 0755);
          break;
        case 1:
          ::symlink("nowhere", (dir.path() + "/" + name).c_str());
          break;
        default:
          dir.MakeFile(name, "obstacle");  // hidden when it starts with a dot
          break;
      }
    }
  }

  /// A rule with fitting fields and a type text; sometimes no rule at all.
  void PickRule(RenameEngine& engine, FakeWindow& window) {
    const std::size_t rule = Below(kRules.size() + 1);
    engine.ChgMode = rule < kRules.size() ? std::u16string(kRules[rule].code) : u"";
    window.typeText = DecodeFileName(
        Pick(std::vector<std::string>{"*.*", "*.*", " *.* ", "", ".jpg", ".JPG", ".t", ".gz"}));
    const std::vector<std::string> counts = {"0", "1", "2", "3"};
    const std::vector<std::string> texts = {"", "a", "A", "照片", ".", "1", "b", " ", "新_", "@"};
    std::string value = Pick(texts);
    if (engine.ChgMode == u"EXT") value = Pick(std::vector<std::string>{".jpg", ".t", "", "."});
    if (engine.ChgMode == u"DELPREN" || engine.ChgMode == u"DELLSTN" ||
        IsNumberingRule(engine.ChgMode)) {
      value = Pick(counts);
    }
    window.stringText = DecodeFileName(Pick(texts));
    window.valueText = DecodeFileName(value);
  }

 private:
  static bool Exists(const TempDir& dir, const std::string& name) {
    struct stat status {};
    return ::lstat((dir.path() + "/" + name).c_str(), &status) == 0;
  }
  std::int64_t Time() { return 1700000000 + static_cast<std::int64_t>(Below(4)) * 60; }

  std::mt19937_64 rng_;
};

PredictedOutcome OutcomeOf(PlanStatus status) {
  switch (status) {
    case PlanStatus::kRenamed:
      return PredictedOutcome::kRenamed;
    case PlanStatus::kUnchanged:
      return PredictedOutcome::kUnchanged;
    default:
      return PredictedOutcome::kFails;
  }
}

// Each listed file's outcome as the run's plan recorded it, in the prediction's form.
std::vector<PredictedRename> WhatTheRunDid(const RenameEngine& engine, const FakeWindow& window) {
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

std::string Describe(const PredictedRename& file) {
  return Utf8(file.oldName) + " -> " + Utf8(file.newName) + " [" +
         std::to_string(static_cast<int>(file.outcome)) + "] " + Utf8(file.reason);
}

// Memory-backed where there is one: thousands of small directories come and go.
std::string ScratchParent() { return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

TEST(PredictRunTest, MatchesTheRunOnSeededRandomDirectories) {
  constexpr std::uint64_t kScenarios = 5000;
  std::size_t renamed = 0;
  std::size_t failed = 0;
  for (std::uint64_t seed = 1; seed <= kScenarios; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scenario scenario(seed);
    TempDir dir(ScratchParent());
    scenario.MakeDirectory(dir);
    FakeWindow window;
    window.path = dir.path16();
    RenameEngine engine(window);
    // Two runs in a row on one engine: the second sees the first's names and MaxLen.
    for (int run = 0; run < 2; ++run) {
      window.files = engine.ListFiles(window.path);
      scenario.PickRule(engine, window);
      const std::int16_t maxLen = engine.MaxLen;
      const std::u16string stringText = window.stringText;
      const std::vector<std::string> before = dir.Entries();

      const RunPrediction prediction = engine.PredictRun();
      ASSERT_EQ(engine.MaxLen, maxLen);
      ASSERT_EQ(Utf8(window.stringText), Utf8(stringText));
      ASSERT_EQ(dir.Entries(), before);

      const std::u16string report = engine.RenameFiles();
      if (!prediction.message.empty()) {
        ASSERT_EQ(Utf8(report), Utf8(prediction.message));
        continue;
      }
      const std::vector<PredictedRename> done = WhatTheRunDid(engine, window);
      ASSERT_EQ(prediction.files.size(), done.size());
      for (std::size_t k = 0; k < done.size(); ++k) {
        ASSERT_EQ(Describe(prediction.files[k]), Describe(done[k])) << "file " << k;
        renamed += done[k].outcome == PredictedOutcome::kRenamed ? 1 : 0;
        failed += done[k].outcome == PredictedOutcome::kFails ? 1 : 0;
      }
    }
  }
  // The scenarios must reach both outcomes often, or they prove little.
  EXPECT_GT(renamed, kScenarios);
  EXPECT_GT(failed, kScenarios / 2);
}

TEST(PredictRunTest, EntriesTheListDoesNotShowBlockTargets) {
  TempDir dir;
  for (const char* name : {"x.a.t", "yb", "zc", "gone.t"}) dir.MakeFile(name, name);
  FakeWindow window;
  window.path = dir.path16();
  window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
  dir.MakeFile(".a.t", "hidden");
  ::mkdir((dir.path() + "/b").c_str(), 0755);
  ::symlink("nowhere", (dir.path() + "/c").c_str());
  // A listed name that has become a directory since.
  ::unlink((dir.path() + "/gone.t").c_str());
  ::mkdir((dir.path() + "/gone.t").c_str(), 0755);
  RenameEngine engine(window);
  engine.ChgMode = u"DELPREN";
  window.valueText = u"1";
  const RunPrediction prediction = engine.PredictRun();
  ASSERT_EQ(prediction.files.size(), 4u);
  for (const PredictedRename& file : prediction.files) {
    EXPECT_EQ(file.outcome, PredictedOutcome::kFails) << Describe(file);
  }
  EXPECT_EQ(Utf8(prediction.files[0].reason), "已不是普通文件");  // gone.t
  EXPECT_EQ(Utf8(prediction.files[1].reason), "目标文件已存在");  // x.a.t -> .a.t
  const std::vector<std::string> before = dir.Entries();
  engine.RenameFiles();
  EXPECT_EQ(dir.Entries(), before);
}

TEST(PredictRunTest, ComparesNamesAsAFileSystemThatIgnoresCaseDoes) {
  struct Case {
    const char* what;
    std::u16string code;
    std::u16string value;
    std::u16string stringText;
    std::size_t fails;
  } cases[] = {
      {"a prefix that meets another spelling", u"ADDPRE", u"a", u"", 1},
      {"a change of case alone", u"EXT", u".JPG", u"", 0},
      {"a name that another spelling holds", u"REP", u"", u"y", 1},
  };
  // Some mounts that ignore case give each spelling its own inode number.
  for (const Case& c : cases) {
    for (const bool inodePerSpelling : {false, true}) {
      SCOPED_TRACE(std::string(c.what) +
                   (inodePerSpelling ? ", an inode number per spelling" : ""));
      testing::MemoryFileSystem fs;
      fs.ignoreCase = true;
      fs.inodePerSpelling = inodePerSpelling;
      int inode = 0;
      // "AX.JPG" is not of the type, so it stays in the way.
      for (const char* name : {"x.jpg", "AX.JPG", "Xy.jpg", "photo.jpg"}) fs.Add(name, ++inode);
      FakeWindow window;
      window.path = u"/memory";
      window.files = ListNames(fs, window.path, EntryKind::kFiles);
      window.valueText = c.value;
      window.stringText = c.stringText;
      window.typeText = u".jpg";
      RenameEngine engine(window, fs);
      engine.ChgMode = c.code;
      const RunPrediction prediction = engine.PredictRun();
      engine.RenameFiles();
      const std::vector<PredictedRename> done = WhatTheRunDid(engine, window);
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

TEST(PredictRunTest, ReadsTimesOnlyOnceAndSaysWhenTheRunWouldStop) {
  TempDir dir;
  dir.MakeFile("a.jpg", "a", 1700000300);
  dir.MakeFile("b.jpg", "b", 1700000100);
  FakeWindow window;
  window.path = dir.path16();
  window.files = {u"a.jpg", u"b.jpg"};
  window.valueText = u"2";
  RenameEngine engine(window);
  engine.ChgMode = u"ADDPRENO";
  PredictionInput input = engine.CapturePrediction();
  const RunPrediction first = Predict(RealFileSystem(), input);
  ASSERT_TRUE(first.timeKeys);
  EXPECT_EQ(Utf8(first.files[0].newName), "02a.jpg");
  EXPECT_EQ(Utf8(first.files[1].newName), "01b.jpg");

  // Kept keys are used as they are: a time changed since does not count until the
  // listing is read again.
  const timespec later[2] = {{1700000900, 0}, {1700000900, 0}};
  ::utimensat(AT_FDCWD, (dir.path() + "/b.jpg").c_str(), later, 0);
  input.timeKeys = first.timeKeys;
  EXPECT_EQ(Utf8(Predict(RealFileSystem(), input).files[1].newName), "01b.jpg");
  input.timeKeys = nullptr;
  EXPECT_EQ(Utf8(Predict(RealFileSystem(), input).files[1].newName), "02b.jpg");

  ::unlink((dir.path() + "/a.jpg").c_str());
  const RunPrediction gone = Predict(RealFileSystem(), input);
  EXPECT_EQ(Utf8(gone.message), Utf8(engine.RenameFiles()));
  EXPECT_FALSE(gone.message.empty());
  for (const PredictedRename& file : gone.files) EXPECT_TRUE(file.newName.empty());
}

}  // namespace
}  // namespace renamer
