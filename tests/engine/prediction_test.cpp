// The prediction is the run without the disk changes: on seeded random directories,
// each file's predicted outcome must be what the run then did.

#include "engine/rename_engine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/engine/prediction_scenario.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Describe;
using testing::FakeWindow;
using testing::PredictThenRun;
using testing::RandomFolder;
using testing::Tally;
using testing::TempDir;
using testing::Utf8;

// Makes the folder look long unchanged, as a folder usually is, so that what is read of
// it can be kept: its modification time in the past, and its change time, which no
// program can set back, older than a clock tick.
void Settle(const std::string& path) {
  const timespec past[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

// Memory-backed where there is one: thousands of small directories come and go.
std::string ScratchParent() { return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }

// A scenario's directory on disk.
class DiskPlace {
 public:
  FileSystem& Fs() { return RealFileSystem(); }
  std::u16string Path() const { return dir_.path16(); }
  bool Exists(const std::string& name) const {
    struct stat status {};
    return ::lstat(Full(name).c_str(), &status) == 0;
  }
  void File(const std::string& name, std::int64_t time) { dir_.MakeFile(name, name, time); }
  /// An entry in the way: kind 0 a directory, 1 a symbolic link that leads nowhere,
  /// else a file.
  void Obstacle(const std::string& name, std::size_t kind) {
    if (kind == 0) {
      ::mkdir(Full(name).c_str(), 0755);
    } else if (kind == 1) {
      ::symlink("nowhere", Full(name).c_str());
    } else {
      dir_.MakeFile(name, "obstacle");
    }
  }
  /// A listed file becomes a directory (kind 0) or a link that leads nowhere.
  void Replace(const std::string& name, std::size_t kind) {
    ::unlink(Full(name).c_str());
    Obstacle(name, kind);
  }
  std::vector<std::string> Entries() const { return dir_.Entries(); }

 private:
  std::string Full(const std::string& name) const { return dir_.path() + "/" + name; }

  TempDir dir_{ScratchParent()};
};

TEST(PredictRunTest, MatchesTheRunOnSeededRandomDirectories) {
  constexpr std::uint64_t kScenarios = 5000;
  Tally tally;
  for (std::uint64_t seed = 1; seed <= kScenarios; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomFolder random(seed);
    DiskPlace place;
    random.MakeCaseFolder(place);
    PredictThenRun(random, place, tally);
    if (HasFatalFailure()) return;
  }
  // The scenarios must reach both outcomes often, or they prove little.
  EXPECT_GT(tally.renamed, kScenarios);
  EXPECT_GT(tally.failed, kScenarios / 2);
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

// The run reads each listed file's time through a symbolic link, whatever the rule.
TEST(PredictRunTest, SaysTheRunStopsAtAListedLinkThatLeadsNowhere) {
  TempDir dir;
  for (const char* name : {"a.jpg", "b.jpg"}) dir.MakeFile(name, name);
  FakeWindow window;
  testing::ShowDirectory(window, dir);
  ::unlink((dir.path() + "/b.jpg").c_str());
  ::symlink("nowhere", (dir.path() + "/b.jpg").c_str());
  const std::vector<std::string> before = dir.Entries();
  window.stringText = u"a";
  window.valueText = u"1";
  RenameEngine engine(window);
  for (const Rule& rule : kRules) {
    SCOPED_TRACE(Utf8(rule.code));
    engine.ChgMode = std::u16string(rule.code);
    const RunPrediction prediction = engine.PredictRun();
    EXPECT_FALSE(prediction.message.empty());
    EXPECT_EQ(Utf8(prediction.message), Utf8(engine.RenameFiles()));
  }
  EXPECT_EQ(dir.Entries(), before);
}

TEST(PredictionCacheTest, KeepsTimesForOneListAndSeesEveryChangeOfTheFolder) {
  TempDir dir;
  dir.MakeFile("a.jpg", "a", 1700000300);
  dir.MakeFile("b.jpg", "b", 1700000100);
  FakeWindow window;
  window.path = dir.path16();
  window.files = {u"a.jpg", u"b.jpg"};
  window.valueText = u"2";
  Settle(dir.path());
  RenameEngine engine(window);
  engine.ChgMode = u"ADDPRENO";
  const RunRequest request = engine.Request();
  PredictionCache cache;
  const RunPrediction first = cache.Predict(RealFileSystem(), request);
  EXPECT_EQ(Utf8(first.files[0].newName), "02a.jpg");
  EXPECT_EQ(Utf8(first.files[1].newName), "01b.jpg");

  // The times of one list are read once: a time changed since counts from the next
  // listing on, as the list itself shows a change only once it is read again.
  const timespec later[2] = {{1700000900, 0}, {1700000900, 0}};
  ::utimensat(AT_FDCWD, (dir.path() + "/b.jpg").c_str(), later, 0);
  EXPECT_EQ(Utf8(cache.Predict(RealFileSystem(), request).files[1].newName), "01b.jpg");
  const RunRequest relisted = engine.Request();
  EXPECT_EQ(Utf8(cache.Predict(RealFileSystem(), relisted).files[1].newName), "02b.jpg");

  // A new entry in the way of a new name counts at once, for the same list too.
  dir.MakeFile("01a.jpg", "x", 1700000100);
  const RunPrediction blocked = cache.Predict(RealFileSystem(), relisted);
  EXPECT_EQ(blocked.files[0].outcome, PredictedOutcome::kFails);
  EXPECT_EQ(blocked.fails, 1u);

  ::unlink((dir.path() + "/a.jpg").c_str());
  const RunPrediction gone = cache.Predict(RealFileSystem(), relisted);
  EXPECT_EQ(Utf8(gone.message), Utf8(engine.RenameFiles()));
  EXPECT_FALSE(gone.message.empty());
  for (const PredictedRename& file : gone.files) EXPECT_TRUE(file.newName.empty());
}

TEST(PredictionCacheTest, ReadsAFileOnceItIsChecked) {
  TempDir dir;
  dir.MakeFile("a.jpg", "a", 1700000100);
  dir.MakeFile("b.jpg", "b", 1700000300);
  const timespec past[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.path().c_str(), past, 0), 0);
  FakeWindow window;
  window.path = dir.path16();
  window.files = {u"a.jpg", u"b.jpg"};
  window.valueText = u"1";
  RenameEngine engine(window);
  engine.ChgMode = u"ADDPRENO";
  RunRequest request = engine.Request();
  PredictionCache cache;
  // One choice after another on the one list, and the new names each gives.
  const std::vector<std::pair<std::vector<bool>, std::vector<std::string>>> choices = {
      {{true, false}, {"1a.jpg", ""}},
      {{true, true}, {"1a.jpg", "2b.jpg"}},
      {{false, true}, {"", "1b.jpg"}},
  };
  for (const auto& [checked, names] : choices) {
    request.checked = std::make_shared<const std::vector<bool>>(checked);
    const RunPrediction prediction = cache.Predict(RealFileSystem(), request);
    ASSERT_EQ(prediction.files.size(), names.size());
    for (std::size_t k = 0; k < names.size(); ++k)
      EXPECT_EQ(Utf8(prediction.files[k].newName), names[k]) << k;
    EXPECT_EQ(prediction.unchecked,
              static_cast<std::size_t>(std::count(checked.begin(), checked.end(), false)));
  }
}

// What the folder's times cannot vouch for is read again by every prediction of one
// list: a time changed through a link in another folder, a link's target outside, a
// change hidden by restoring the folder's modification time, a FUSE mount. The second
// prediction must be what the run then does.
TEST(PredictionCacheTest, ReadsAgainWhatTheFolderCannotVouchFor) {
  const timespec past[2] = {{1700000000, 0}, {1700000000, 0}};
  const auto setTime = [](const std::string& path, std::int64_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  };
  struct Case {
    const char* what;
    const char* code;
    // Changes the folder `dir` (or the memory file system) after the first prediction.
    std::function<void(const TempDir& dir, const TempDir& elsewhere)> change;
    bool memory = false;
  } cases[] = {
      {"a time changed through a link elsewhere", "ADDPRENO",
       [&](const TempDir&, const TempDir& elsewhere) { setTime(elsewhere.path() + "/c", 10); }},
      {"a link's target deleted", "ADDPRE",
       [](const TempDir&, const TempDir& elsewhere) {
         ::unlink((elsewhere.path() + "/target").c_str());
       }},
      {"a link's target made a folder", "ADDPRE",
       [](const TempDir&, const TempDir& elsewhere) {
         ::unlink((elsewhere.path() + "/target").c_str());
         ::mkdir((elsewhere.path() + "/target").c_str(), 0755);
       }},
      {"a new entry, the folder's time set back", "ADDPRE",
       [&](const TempDir& dir, const TempDir&) {
         dir.MakeFile("2a.jpg", "x");
         ::utimensat(AT_FDCWD, dir.path().c_str(), past, 0);
       }},
      {"a time changed on a FUSE mount", "ADDPRENO", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    TempDir elsewhere;
    testing::MemoryFileSystem memory;
    memory.remote = true;
    FakeWindow window;
    if (c.memory) {
      for (int inode = 1; inode <= 3; ++inode) {
        memory.Add(std::string(1, static_cast<char>('a' + inode - 1)) + ".jpg", inode);
        memory.times[inode] = 1700000000 + inode;
      }
      window.path = u"/memory";
      window.files = ListNames(memory, window.path, EntryKind::kFiles);
    } else {
      dir.MakeFile("a.jpg", "a", 1700000300);
      dir.MakeFile("b.jpg", "b", 1700000100);
      elsewhere.MakeFile("c", "c", 1700000200);
      elsewhere.MakeFile("target", "t", 1700000200);
      ::link((elsewhere.path() + "/c").c_str(), (dir.path() + "/c.jpg").c_str());
      ::symlink((elsewhere.path() + "/target").c_str(), (dir.path() + "/d.jpg").c_str());
      Settle(dir.path());
      testing::ShowDirectory(window, dir);
    }
    FileSystem& fs = c.memory ? static_cast<FileSystem&>(memory) : RealFileSystem();
    window.valueText = u"1";
    RenameEngine engine(window, fs);
    engine.ChgMode = DecodeFileName(c.code);
    const RunRequest request = engine.Request();
    PredictionCache cache;
    cache.Predict(fs, request);
    if (c.memory) {
      memory.times[3] = 1600000000;
    } else {
      c.change(dir, elsewhere);
    }
    const RunPrediction prediction = cache.Predict(fs, request);
    const testing::WindowRun ran = testing::RunWithOutcome(engine, window);
    if (!prediction.message.empty()) {
      EXPECT_EQ(Utf8(prediction.message), Utf8(ran.report));
      continue;
    }
    const std::vector<PredictedRename> done = testing::WhatTheRunDid(engine, window, ran.outcome);
    ASSERT_EQ(prediction.files.size(), done.size());
    for (std::size_t k = 0; k < done.size(); ++k) {
      EXPECT_EQ(Describe(prediction.files[k]), Describe(done[k]));
    }
  }
}

}  // namespace
}  // namespace renamer
