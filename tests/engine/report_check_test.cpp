// The report check that the conservation test and the run fuzzer rely on: it passes a
// run whose report matches its outcome and names what differs when it does not.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/engine/report_assert.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::MemoryFileSystem;
using testing::ReportMatchesPlan;
using testing::RunWithOutcome;
using testing::WindowRun;

// "a1.txt" becomes "1.txt", "b1.txt" would too and keeps its name, "1" would lose its
// whole name: one rename, two report entries.
class ReportCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int inode = 0;
    for (const char* name : {"a1.txt", "b1.txt", "1"}) fs.Add(name, ++inode);
    window.path = u"/d";
    window.files = ListNames(fs, window.path, EntryKind::kFiles);
    window.valueText = u"1";
    engine.ChgMode = u"DELPREN";
    WindowRun run = RunWithOutcome(engine, window);
    report = std::move(run.report);
    plan = std::move(run.outcome.changes);
    ASSERT_EQ(plan.size(), 3u);
  }

  std::string Failure(const std::u16string& tampered,
                      const std::vector<std::string>& finalNames) const {
    const ::testing::AssertionResult result =
        ReportMatchesPlan(tampered, plan, finalNames, engine.DirectoryPrefix());
    EXPECT_FALSE(result);
    return result.message();
  }

  MemoryFileSystem fs;
  FakeWindow window;
  RenameEngine engine{window, fs};
  std::u16string report;
  std::vector<FileChange> plan;
  // The plan is in natural order: "1", "a1.txt", "b1.txt".
  const std::vector<std::string> outcome = {"1", "1.txt", "b1.txt"};
};

TEST_F(ReportCheckTest, PassesAReportThatMatchesTheOutcome) {
  EXPECT_EQ(fs.Names(), (std::set<std::string>{"1", "1.txt", "b1.txt"}));
  EXPECT_TRUE(ReportMatchesPlan(report, plan, outcome, engine.DirectoryPrefix()));
}

TEST_F(ReportCheckTest, NamesAFileThatKeptItsNameWithoutAnEntry) {
  const std::u16string entry = u"/d/1 -> (文件名不能为空)\n\r";
  ASSERT_EQ(report.rfind(entry, 0), 0u);
  EXPECT_EQ(Failure(report.substr(entry.size()), outcome),
            "file 1 now named 1, and no report entry at its place");
}

TEST_F(ReportCheckTest, NamesAFileReportedAlthoughRenamed) {
  EXPECT_EQ(Failure(report, {"1", "a1.txt", "b1.txt"}),
            "file a1.txt now named a1.txt instead of 1.txt, and no report entry at its place");
}

TEST_F(ReportCheckTest, NamesTextTheReportShouldNotHold) {
  EXPECT_EQ(Failure(report + u"x", outcome), "report has extra text: x");
  EXPECT_EQ(Failure(report.substr(0, report.size() - 3), outcome), "unterminated entry");
}

TEST_F(ReportCheckTest, NamesAMalformedEntry) {
  std::u16string tampered = report;
  tampered.replace(tampered.find(u"/d/1.txt("), 9, u"/d/2.txt(");
  EXPECT_EQ(Failure(tampered, outcome), "malformed entry for b1.txt");
}

TEST_F(ReportCheckTest, NamesFinalNamesThatDoNotFitThePlan) {
  EXPECT_EQ(Failure(report, {"1"}), "3 files planned but 1 final names given");
}

}  // namespace
}  // namespace renamer
