// A run on another thread is watched and stopped through its RunControl: it counts the
// files it handled, marks each system call while it lasts, and stops before the next
// file once asked.

#include "engine/rename_engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::RunWithOutcome;
using testing::TempDir;
using testing::Utf8;
using testing::WindowRun;

constexpr int kPass = FaultyFileSystem::kPass;

class RunControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFiles();
    engine.ChgMode = u"ADDPRE";
    window.valueText = u"x";
    engine.SetRunControl(&control);
  }
  // Five files again, in a directory emptied first.
  void MakeFiles() {
    for (const std::string& name : dir.Entries()) ::unlink((dir.path() + "/" + name).c_str());
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) dir.MakeFile(name, name);
    ShowDirectory(window, dir);
    control.cancel = false;
  }
  std::size_t Renamed() const {
    std::size_t count = 0;
    for (const std::string& name : dir.Entries()) count += name[0] == 'x' ? 1 : 0;
    return count;
  }

  TempDir dir;
  FakeWindow window;
  FaultyFileSystem fs;
  RenameEngine engine{window, fs};
  RunControl control;
};

TEST_F(RunControlTest, StopsBeforeTheNextFileOnceCancelled) {
  for (std::size_t at : {1u, 3u, 5u}) {
    SCOPED_TRACE("cancelled during rename " + std::to_string(at));
    MakeFiles();
    std::size_t renames = 0;
    // The second file fails, so the report of a late cancel has an entry.
    fs.onRename = [&](const std::string& from, const std::string&) {
      if (++renames == at) control.cancel = true;
      return from == "b.txt" ? EACCES : kPass;
    };
    const std::string report = Utf8(engine.RenameFiles());
    const std::size_t left = 5 - at;
    EXPECT_EQ(renames, at);
    EXPECT_EQ(Renamed(), at >= 2 ? at - 1 : at);
    EXPECT_EQ(control.done.load(), at);
    EXPECT_EQ(control.total.load(), 5u);
    std::string expected = left > 0 ? Utf8(CancelledLine(left)) + "\n\r" : "";
    if (at >= 2) {
      expected += dir.path() + "/b.txt -> " + dir.path() + "/xb.txt(没有权限)\n\r";
    }
    EXPECT_EQ(report, expected);
  }
}

// Nothing is renamed, so every file the run would have tried is left: those checked
// that pass the type filter, however far the reading got. The plan says so too, which
// is what the window counts.
TEST_F(RunControlTest, ACancelWhileReadingTimesLeavesEveryFileItWouldTry) {
  struct Case {
    const char16_t* type;
    std::vector<bool> checked;
    std::uint64_t left;
  };
  for (const Case& c : {Case{u"*.*", {}, 5}, Case{u".txt", {true, false, true, true, false}, 3}}) {
    SCOPED_TRACE(Utf8(c.type));
    MakeFiles();
    window.typeText = c.type;
    window.checked = c.checked;
    std::size_t reads = 0;
    fs.onTime = [&](const std::string&) {
      if (++reads == 2) control.cancel = true;
      return kPass;
    };
    const WindowRun run = RunWithOutcome(engine, window);
    EXPECT_EQ(Utf8(run.report), Utf8(CancelledLine(c.left)));
    EXPECT_EQ(Renamed(), 0u);
    const JobOutcome& outcome = run.outcome;
    EXPECT_EQ(outcome.left, c.left);
    EXPECT_EQ(outcome.done + outcome.failed, 0u);
  }
}

TEST_F(RunControlTest, MarksEachSystemCallWhileItLasts) {
  std::vector<bool> marked;
  const auto seen = [&] {
    marked.push_back(control.callSince.load() != 0 &&
                     control.CallDuration() >= std::chrono::nanoseconds(0));
    return kPass;
  };
  fs.onTime = [&](const std::string&) { return seen(); };
  fs.onRename = [&](const std::string&, const std::string&) { return seen(); };
  EXPECT_EQ(engine.RenameFiles(), u"");
  EXPECT_EQ(marked, std::vector<bool>(10, true));
  EXPECT_EQ(control.callSince.load(), 0);
  EXPECT_EQ(control.CallDuration(), std::chrono::nanoseconds(0));
  EXPECT_EQ(control.done.load(), 5u);
  EXPECT_EQ(Renamed(), 5u);
}

// The worker runs on what was taken from the window: it must read that, write the
// running number there, and leave the window itself to the window's own thread.
TEST_F(RunControlTest, ARunOnARequestReadsAndWritesOnlyTheRequest) {
  engine.ChgMode = u"ADDLSTNO";
  window.valueText = u"2";
  window.stringText = u"before";
  RunRequest request = engine.Request();
  // What the window shows now differs from what the run was started with.
  window.path = u"/nowhere";
  window.files.clear();
  window.valueText = u"x";
  EXPECT_EQ(RunReport(engine.RenameFiles(request)), u"");
  EXPECT_EQ(request.stringText, u"5");
  EXPECT_EQ(window.stringText, u"before");
  EXPECT_EQ(window.stringWrites, 0);
  EXPECT_EQ(dir.Entries(),
            (std::vector<std::string>{"a01.txt", "b02.txt", "c03.txt", "d04.txt", "e05.txt"}));
  // Later runs work on the window again.
  EXPECT_EQ(engine.DirectoryPrefix(), u"/nowhere/");
}

}  // namespace
}  // namespace renamer
