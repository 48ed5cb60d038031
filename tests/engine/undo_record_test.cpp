// What an undo records and reads beside the files: a journal whose undo records cannot
// be written (a full disk), a journal of the previous version, and an extra name that a
// change of case left and that cannot be removed.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rename_engine.h"
#include "engine/undo/undo_report.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/memory_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using testing::MemoryJournalStore;
using testing::ShowDirectory;
using testing::TempDir;
using testing::Utf8;

using Names = std::vector<std::string>;

// Writes beyond `bytes` fail with EFBIG while it lives, as on a disk that is
// full.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &before_);
    handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &before_);
    ::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
  sighandler_t handler_;
};

// The journals on the disk (true) or in memory; either way no undo record can
// be written.
class FullStateDiskTest : public ::testing::TestWithParam<bool> {
 protected:
  std::string Run(const TempDir& where) {
    ShowDirectory(window, where);
    engine.ChgMode = u"ADDLST";
    window.valueText = u"2";
    return Utf8(engine.RenameFiles());
  }

  TempDir state;
  DiskJournalStore disk{state.path() + "/journals"};
  MemoryJournalStore memory;
  FaultyFileSystem fs;
  FakeWindow window;
  RenameEngine engine{window, fs, GetParam() ? static_cast<JournalStore&>(disk) : memory};
};

TEST_P(FullStateDiskTest, SaysSoGivesUpASecondFailureAndReachesTheRunBefore) {
  TempDir before;
  before.MakeFile("c");
  ASSERT_EQ(Run(before), "");
  TempDir dir;
  dir.MakeFile("a");
  dir.MakeFile("b");
  ASSERT_EQ(Run(dir), "");
  // "a2" cannot go back, as if it were immutable.
  fs.onRename = [](const std::string& from, const std::string&) {
    return from == "a2" ? EPERM : FaultyFileSystem::kPass;
  };
  int error = ENOSPC;
  std::vector<std::string> said;
  std::unique_ptr<FileSizeLimit> full;
  if (GetParam()) {
    error = EFBIG;
    rlim_t largest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state.path() + "/journals")) {
      if (entry.is_regular_file()) largest = std::max<rlim_t>(largest, entry.file_size());
    }
    full = std::make_unique<FileSizeLimit>(largest);
  } else {
    memory.failUndoRecord = ENOSPC;
  }
  for (int press = 0; press < 3; ++press) said.push_back(Utf8(engine.UndoLastRun()));
  full.reset();

  const std::string entry = dir.path() + "/a2 -> " + dir.path() + "/a(没有权限)\n\r";
  EXPECT_EQ(said[0], "撤销未全部完成：\n\r" + Utf8(UnsavedUndoLine(error)) +
                         "\n\r以下 1 个文件仍待撤销，再按“撤销”将重试：\n\r" + entry);
  // Remembered: the second failure gives the file up, and the journal, with
  // nothing left to take back, is removed, which needs no space.
  EXPECT_EQ(said[1], "撤销未全部完成：\n\r以下 1 个文件无法恢复原名，不再撤销：\n\r" + entry);
  EXPECT_EQ(said[2], "");
  EXPECT_EQ(dir.Entries(), (Names{"a2", "b"}));
  EXPECT_EQ(before.Entries(), (Names{"c"}));
  EXPECT_FALSE(engine.CanUndo());
}

INSTANTIATE_TEST_SUITE_P(OnDiskAndInMemory, FullStateDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& which) {
                           return which.param ? std::string("OnDisk") : std::string("InMemory");
                         });

// A run cut short, as the previous version journaled it: each step with the
// link count that the run read. "a.txt" (two links) had "x_a.txt" as another
// name; "b.txt" (one link) was being moved by the link fallback when the run
// died.
const char kPreviousVersionJournal[] =
    "42524a3250120100000000000000f153650000000001000000000000000000000000010000"
    "000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000"
    "020000"
    "000000000002000000000000002f6402000000000000000500000000000000612e74787407"
    "000000"
    "00000000785f612e7478740100000000000000010000000000000000000000000000000000"
    "000000"
    "00000000000000000000000000000000000000000000000000000002000000000000000500"
    "000000"
    "000000622e7478740700000000000000785f622e7478740100000000000000020000000000"
    "000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000"
    "000001"
    "00000000000000d585c60b3ff8af75";

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

TEST(UndoRecordTest, ReadsAJournalOfThePreviousVersionTheSafeWay) {
  JournaledRun run;
  const std::string bytes = FromHex(kPreviousVersionJournal);
  ASSERT_TRUE(DecodeJournal(bytes, run));
  ASSERT_EQ(run.steps.size(), 2u);
  EXPECT_TRUE(run.steps[0].hadNewName);
  EXPECT_FALSE(run.steps[1].hadNewName);

  MemoryFileSystem memory;
  memory.Add("a.txt", 1);
  memory.Add("x_a.txt", 1);
  // A backup link made since: one more link than the run saw.
  memory.Add("a.bak", 1);
  memory.Add("b.txt", 2);
  memory.Add("x_b.txt", 2);
  MemoryJournalStore store;
  store.journals["run-00000000000000000001.journal"] = bytes;
  FakeWindow window;
  RenameEngine engine(window, memory, store);
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(memory.Names(), (std::set<std::string>{"a.bak", "a.txt", "b.txt", "x_a.txt"}));
  EXPECT_FALSE(engine.CanUndo());
}

// A kill in a change of case through the link fallback left the temporary name
// as one more link of the file; the undo names it while it cannot remove it.
TEST(UndoRecordTest, ReportsATemporaryNameItCouldNotRemove) {
  MemoryFileSystem memory;
  memory.ignoreCase = true;
  memory.noReplace = false;
  memory.Add("a.txt", 1);
  FaultyFileSystem fs(memory);
  MemoryJournalStore store;
  FakeWindow window;
  window.path = u"/memory";
  window.files = {u"a.txt"};
  window.valueText = u".TXT";
  RenameEngine engine(window, fs, store);
  engine.ChgMode = u"EXT";
  ASSERT_EQ(Utf8(engine.RenameFiles()), "");
  const std::string temporary = "batch-renamer-1-0.tmp";
  memory.Add(temporary, 1);
  fs.onUnlink = [&temporary](const std::string& name) {
    return name == temporary ? EPERM : FaultyFileSystem::kPass;
  };

  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            "撤销未全部完成：\n\r以下 1 "
            "个文件仍待撤销，再按“撤销”将重试：\n\r/memory/a.TXT -> "
            "/memory/a.txt(临时文件名“/memory/" +
                temporary + "”未能删除：没有权限)\n\r");
  EXPECT_EQ(memory.Names(), (std::set<std::string>{"a.txt", temporary}));
  fs.onUnlink = nullptr;
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(memory.Names(), (std::set<std::string>{"a.txt"}));
  EXPECT_FALSE(engine.CanUndo());
}

}  // namespace
}  // namespace renamer
