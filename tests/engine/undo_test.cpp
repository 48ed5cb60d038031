// Undo on a real disk: runs taken back newest first, also by a new engine and from
// another directory, and every file that is not the one the run renamed left alone. The
// journals are kept in memory, except where their folder on the disk is the point.

#include "engine/rename_engine.h"
#include "engine/undo/undo_report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::MemoryJournalStore;
using testing::RunWithOutcome;
using testing::ShowDirectory;
using testing::StateHome;
using testing::TempDir;
using testing::Utf8;

using Names = std::vector<std::string>;

// Each file holds its original name, so the tests can tell which file ended where.
std::map<std::string, std::string> Contents(const TempDir& dir) {
  std::map<std::string, std::string> contents;
  for (const std::string& name : dir.Entries()) contents[name] = dir.Read(name);
  return contents;
}

class UndoTest : public ::testing::Test {
 protected:
  UndoTest() : UndoTest(store) {}
  /// An engine that keeps the journals of its runs in `journals`.
  explicit UndoTest(JournalStore& journals) : engine(window, RealFileSystem(), journals) {}

  void Make(const Names& names) {
    for (const std::string& name : names) dir.MakeFile(name, name);
    ShowDirectory(window, dir);
  }
  std::string Run(std::u16string_view code, std::u16string_view value,
                  std::u16string_view text = u"") {
    engine.ChgMode = code;
    window.valueText = value;
    window.stringText = text;
    const std::string report = Utf8(engine.RenameFiles());
    ShowDirectory(window, dir);
    return report;
  }
  std::string Entry(const std::string& now, const std::string& back,
                    const std::string& reason) const {
    return dir.path() + "/" + now + " -> " + dir.path() + "/" + back + "(" + reason + ")\n\r";
  }

  const std::string kWaiting = "撤销未全部完成：\n\r以下 1 个文件仍待撤销，再按“撤销”将重试：\n\r";
  const std::string kGivenUp2 = "以下 2 个文件无法恢复原名，不再撤销：\n\r";

  TempDir dir;
  FakeWindow window;
  MemoryJournalStore store;
  RenameEngine engine;
};

// The journals in their folder on the disk, where other programs find them, for its
// pruning and its locks.
class UndoOnDiskTest : public UndoTest {
 protected:
  UndoOnDiskTest() : UndoTest(DefaultJournalStore()) {}

  StateHome state;
};

TEST_F(UndoTest, TakesRunsBackNewestFirst) {
  Make({"a.txt", "b.txt"});
  const auto original = Contents(dir);
  EXPECT_FALSE(engine.CanUndo());
  ASSERT_EQ(Run(u"ADDPRE", u"x_"), "");
  const auto afterFirst = Contents(dir);
  ASSERT_EQ(Run(u"ADDLST", u"_y"), "");
  EXPECT_EQ(dir.Entries(), (Names{"x_a_y.txt", "x_b_y.txt"}));

  ASSERT_TRUE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(Contents(dir), afterFirst);
  ASSERT_TRUE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(Contents(dir), original);
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "没有可以撤销的改名。");
  EXPECT_EQ(Contents(dir), original);
}

TEST_F(UndoOnDiskTest, ANewEngineUndoesFromAnotherDirectory) {
  Make({"照片1.jpg", "holiday.JPG"});
  const auto original = Contents(dir);
  ASSERT_EQ(Run(u"REP", u"相片", u"照片"), "");
  ASSERT_EQ(Run(u"ADDPRE", u"新_"), "");

  TempDir elsewhere;
  FakeWindow otherWindow;
  ShowDirectory(otherWindow, elsewhere);
  RenameEngine restarted(otherWindow);
  ASSERT_TRUE(restarted.NextUndo().has_value());
  EXPECT_EQ(Utf8(restarted.NextUndo()->path), dir.path());
  EXPECT_EQ(Utf8(restarted.UndoLastRun()), "");
  EXPECT_EQ(Utf8(restarted.UndoLastRun()), "");
  EXPECT_EQ(Contents(dir), original);
  EXPECT_FALSE(restarted.CanUndo());
}

TEST_F(UndoTest, TakesAChainBackInReverseOrder) {
  Make({"ab", "abc", "abcd"});
  const auto original = Contents(dir);
  ASSERT_EQ(Run(u"DELLSTN", u"1"), "");
  ASSERT_EQ(dir.Entries(), (Names{"a", "ab", "abc"}));
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(Contents(dir), original);
}

TEST_F(UndoTest, LeavesImpostorsAndTakenNamesAloneAndKeepsWhatMayStillGoBack) {
  Make({"a.txt", "b.txt", "c.txt", "d.txt"});
  ASSERT_EQ(Run(u"ADDPRE", u"x"), "");
  // An impostor now holds one new name, one old name is taken, one file is gone.
  ASSERT_EQ(::unlink((dir.path() + "/xa.txt").c_str()), 0);
  dir.MakeFile("xa.txt", "impostor");
  dir.MakeFile("b.txt", "squatter");
  ASSERT_EQ(::unlink((dir.path() + "/xc.txt").c_str()), 0);

  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            kWaiting + Entry("xb.txt", "b.txt", Utf8(DescribeError(EEXIST))) + kGivenUp2 +
                Entry("xc.txt", "c.txt", "改名后的文件已不在") +
                Entry("xa.txt", "a.txt", "该名称下已是另一个文件"));
  EXPECT_EQ(
      Contents(dir),
      (std::map<std::string, std::string>{
          {"b.txt", "squatter"}, {"d.txt", "d.txt"}, {"xa.txt", "impostor"}, {"xb.txt", "b.txt"}}));
  // The file that may still go back keeps the run offered; the gone ones are not tried.
  ASSERT_TRUE(engine.CanUndo());
  ASSERT_EQ(::unlink((dir.path() + "/b.txt").c_str()), 0);
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(dir.Read("b.txt"), "b.txt");
  EXPECT_FALSE(engine.CanUndo());
}

TEST_F(UndoTest, TakesTheRunBackOnceItsDirectoryIsBack) {
  Make({"a.txt"});
  ASSERT_EQ(Run(u"ADDPRE", u"x"), "");
  const std::string moved = dir.path() + "-moved";
  ASSERT_EQ(::rename(dir.path().c_str(), moved.c_str()), 0);
  ASSERT_EQ(::mkdir(dir.path().c_str(), 0700), 0);
  dir.MakeFile("xa.txt", "other");

  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            kWaiting + Entry("xa.txt", "a.txt", "目录已不是改名时的那个目录"));
  EXPECT_EQ(Contents(dir), (std::map<std::string, std::string>{{"xa.txt", "other"}}));
  ASSERT_EQ(std::system(("rm -rf '" + dir.path() + "'").c_str()), 0);
  ASSERT_EQ(::rename(moved.c_str(), dir.path().c_str()), 0);
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(Contents(dir), (std::map<std::string, std::string>{{"a.txt", "a.txt"}}));
}

TEST_F(UndoTest, OffersNoRunThatRenamedNothing) {
  Make({"1a", "1b", "a", "b"});
  // Names that stay, and renames that all fail: the first to "a" and "b", which exist,
  // the others to an empty name.
  EXPECT_EQ(Run(u"REP", u"zzz", u"q"), "");
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_NE(Run(u"DELPREN", u"1"), "");
  EXPECT_EQ(dir.Entries(), (Names{"1a", "1b", "a", "b"}));
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_TRUE(store.journals.empty());
}

TEST_F(UndoTest, RunsWithoutUndoWhenTheJournalCannotBeWritten) {
  Make({"a.txt"});
  store.failCreate = ENOSPC;

  EXPECT_EQ(Run(u"ADDPRE", u"x"),
            "无法保存撤销记录：" + Utf8(DescribeError(ENOSPC)) + "，本次改名不能撤销。\n\r");
  EXPECT_EQ(dir.Entries(), (Names{"xa.txt"}));
  EXPECT_FALSE(engine.CanUndo());
}

TEST_F(UndoOnDiskTest, KeepsTheNewestTwentyRuns) {
  Make({"a"});
  for (int i = 0; i < 25; ++i) ASSERT_EQ(Run(u"ADDLST", u"b"), "");
  int undone = 0;
  while (engine.CanUndo() && undone < 30) {
    ASSERT_EQ(Utf8(engine.UndoLastRun()), "");
    ++undone;
  }
  EXPECT_EQ(undone, static_cast<int>(kJournalsKept));
  EXPECT_EQ(dir.Entries(), (Names{"a" + std::string(25 - kJournalsKept, 'b')}));
}

TEST_F(UndoOnDiskTest, NeverUndoesAnOlderRunWhileAnotherProgramHoldsTheNewest) {
  Make({"a"});
  ASSERT_EQ(Run(u"ADDLST", u"b"), "");
  // A run in progress elsewhere holds the newest journal; it renamed "ab" to "abc" and
  // took it back by hand.
  int error = 0;
  const std::unique_ptr<Directory> opened = RealFileSystem().Open(dir.path(), error);
  ASSERT_NE(opened, nullptr);
  JournaledRun busy;
  busy.path = dir.path();
  ASSERT_EQ(opened->Identify(".", busy.directory), 0);
  busy.steps.push_back({"ab", "abc", {}});
  ASSERT_EQ(opened->Identify("ab", busy.steps[0].identity), 0);
  std::unique_ptr<RunJournal> journal;
  ASSERT_EQ(DefaultJournalStore().Create(busy, nullptr, journal), 0);

  SetJournalPatience(std::chrono::milliseconds(100));
  RenameEngine other(window);
  EXPECT_EQ(Utf8(other.UndoLastRun()), "另一个程序正在改名或撤销，请稍后再按“撤销”。");
  EXPECT_EQ(dir.Entries(), (Names{"ab"}));
  SetJournalPatience(std::chrono::seconds(3));

  // Once it is done, its run is the one taken back, and then the one before.
  journal->Finish({true});
  journal.reset();
  EXPECT_EQ(Utf8(other.UndoLastRun()), "");
  EXPECT_EQ(dir.Entries(), (Names{"ab"}));
  EXPECT_EQ(Utf8(other.UndoLastRun()), "");
  EXPECT_EQ(dir.Entries(), (Names{"a"}));
}

TEST(JournalDirectoryTest, FollowsTheStateHomeElseTheHome) {
  const struct {
    const char* state;
    const char* expected;
  } cases[] = {
      {"/s", "/s/batch-renamer"},
      {"relative", "/h/.local/state/batch-renamer"},
      {"", "/h/.local/state/batch-renamer"},
      {nullptr, "/h/.local/state/batch-renamer"},
  };
  const StateHome restore;
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ::setenv("HOME", "/h", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state != nullptr ? c.state : "unset");
    if (c.state != nullptr) {
      ::setenv("XDG_STATE_HOME", c.state, 1);
    } else {
      ::unsetenv("XDG_STATE_HOME");
    }
    EXPECT_EQ(JournalDirectory(), c.expected);
  }
  ::setenv("HOME", home.c_str(), 1);
}

// What the window shows after a run and after its undo: each listed file with its name
// before and after, a failure with the reason, and nothing for a file left alone or for
// the listing of another folder.
TEST_F(UndoTest, OutcomeRowsFollowTheFilesThroughRunAndUndo) {
  Make({"1.txt", "x1.txt", "keep.dat"});
  window.typeText = u".txt";
  engine.ChgMode = u"ADDPRE";
  window.valueText = u"x";
  window.stringText = u"";
  const JobOutcome ran = RunWithOutcome(engine, window).outcome;
  ShowDirectory(window, dir);
  EXPECT_EQ(ran.done, 1U);
  EXPECT_EQ(ran.failed, 1U);
  using Row = std::tuple<std::string, std::string, PredictedOutcome>;
  const auto rows = [this](const JobOutcome& outcome, const std::u16string& path) {
    std::vector<Row> seen;
    for (const PredictedRename& row : OutcomeRows(outcome, path, window.files))
      seen.emplace_back(Utf8(row.oldName), Utf8(row.newName), row.outcome);
    return seen;
  };
  EXPECT_EQ(rows(ran, window.path),
            (std::vector<Row>{{"1.txt", "x1.txt", PredictedOutcome::kFails},
                              {"keep.dat", "", PredictedOutcome::kNotSelected},
                              {"x1.txt", "xx1.txt", PredictedOutcome::kRenamed}}));
  EXPECT_EQ(rows(ran, u"/elsewhere")[2], (Row{"xx1.txt", "", PredictedOutcome::kNotSelected}));

  const JobOutcome undone = engine.UndoRun(*engine.NextUndo());
  EXPECT_EQ(Utf8(UndoReport(undone)), "");
  ShowDirectory(window, dir);
  EXPECT_EQ(undone.kind, JobKind::kUndo);
  EXPECT_EQ(undone.done, 1U);
  EXPECT_EQ(rows(undone, window.path)[2], (Row{"xx1.txt", "x1.txt", PredictedOutcome::kRenamed}));

  const JobOutcome nothing = engine.UndoRun(UndoOffer{});
  EXPECT_NE(Utf8(UndoReport(nothing)), "");
  EXPECT_NE(nothing.stop, Stop::kNone);
  EXPECT_TRUE(nothing.changes.empty());
}

// A cancel stops an undo before its next file: it says how many it left, the list shows
// only what it tried, and the next undo takes back the rest.
TEST_F(UndoTest, ACancelledUndoLeavesTheRestToTheNext) {
  Make({"a.txt", "b.txt", "c.txt", "d.txt"});
  ASSERT_EQ(Run(u"ADDPRE", u"x"), "");
  FaultyFileSystem fs;
  RunControl control;
  RenameEngine undoer(window, fs, store);
  undoer.SetRunControl(&control);
  fs.onRename = [&control](const std::string&, const std::string&) {
    control.cancel = true;
    return FaultyFileSystem::kPass;
  };
  const JobOutcome undone = undoer.UndoNewest();
  EXPECT_EQ(Utf8(UndoReport(undone)), "撤销未全部完成：\n\r已取消：还有 3 个文件未处理。\n\r");
  EXPECT_EQ(std::tie(undone.done, undone.failed, undone.left), std::make_tuple(1U, 0U, 3U));
  EXPECT_EQ(dir.Entries(), (Names{"d.txt", "xa.txt", "xb.txt", "xc.txt"}));
  ShowDirectory(window, dir);
  for (const PredictedRename& row : OutcomeRows(undone, window.path, window.files)) {
    const bool back = row.oldName == u"xd.txt";
    EXPECT_EQ(row.outcome, back ? PredictedOutcome::kRenamed : PredictedOutcome::kNotSelected)
        << Utf8(row.oldName);
  }

  control.cancel = false;
  fs.onRename = nullptr;
  EXPECT_EQ(Utf8(undoer.UndoLastRun()), "");
  EXPECT_EQ(dir.Entries(), (Names{"a.txt", "b.txt", "c.txt", "d.txt"}));
  EXPECT_FALSE(undoer.CanUndo());
}

}  // namespace
}  // namespace renamer
