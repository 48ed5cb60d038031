// File-system faults injected under a real directory: whatever fails, every file is
// still there under exactly one name, nothing is overwritten, and the report says
// which file kept its name and why.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::RunWithOutcome;
using testing::TempDir;
using testing::WindowRun;

using Disk = std::map<std::string, std::string>;
constexpr int kPass = FaultyFileSystem::kPass;

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override { Make({"a.txt", "b.txt", "c.txt"}); }

  // A new, empty directory for the next row of a table.
  void Reset() {
    dir = std::make_unique<TempDir>();
    fs.calls.clear();
  }

  void Make(const std::vector<std::string>& names) {
    std::int64_t time = 1700000000;
    for (const std::string& name : names) dir->MakeFile(name, "content of " + name, time += 60);
    Show();
  }
  void Show() {
    window.path = dir->path16();
    window.files =
        ListNames(RealFileSystem(), window.path, EntryKind::kFiles, nullptr, &window.places);
  }
  std::string Run(std::u16string_view code = u"ADDPRE", std::u16string_view value = u"new-") {
    engine.ChgMode = code;
    window.valueText = value;
    return EncodeFileName(engine.RenameFiles());
  }
  Disk OnDisk() const {
    Disk disk;
    for (const std::string& name : dir->Entries()) disk[name] = dir->Read(name);
    return disk;
  }
  std::string Entry(const std::string& name, const std::string& target,
                    const std::string& reason) const {
    return dir->path() + "/" + name + " -> " + dir->path() + "/" + target + "(" + reason + ")\n\r";
  }
  int RenameCalls() const {
    int count = 0;
    for (const std::string& call : fs.calls) count += call.rfind("rename ", 0) == 0 ? 1 : 0;
    return count;
  }

  std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
  FakeWindow window;
  FaultyFileSystem fs;
  RenameEngine engine{window, fs};
};

const Disk kUntouched = {
    {"a.txt", "content of a.txt"}, {"b.txt", "content of b.txt"}, {"c.txt", "content of c.txt"}};
const Disk kOnlyBKept = {{"new-a.txt", "content of a.txt"},
                         {"b.txt", "content of b.txt"},
                         {"new-c.txt", "content of c.txt"}};

struct ErrorCase {
  int error;
  const char* reason;
};

TEST_F(FaultInjectionTest, AFailedRenameKeepsTheFileAndTheRunGoesOn) {
  const ErrorCase cases[] = {
      {EACCES, "没有权限"},      {EPERM, "没有权限"},           {EROFS, "文件系统是只读的"},
      {ENOSPC, "磁盘空间不足"},  {EDQUOT, "磁盘空间不足"},      {EIO, "读写磁盘出错"},
      {EBUSY, "文件正在使用中"}, {EXDEV, "不能跨文件系统改名"}, {ENAMETOOLONG, "文件名太长"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.reason);
    Reset();
    Make({"a.txt", "b.txt", "c.txt"});
    fs.onRename = [&c](const std::string& from, const std::string&) {
      return from == "b.txt" ? c.error : kPass;
    };
    EXPECT_EQ(Run(), Entry("b.txt", "new-b.txt", c.reason));
    EXPECT_EQ(OnDisk(), kOnlyBKept);
  }
}

TEST_F(FaultInjectionTest, AnUnknownErrorIsDescribedWithItsNumber) {
  fs.onRename = [](const std::string& from, const std::string&) {
    return from == "b.txt" ? EMLINK : kPass;
  };
  const std::string report = Run();
  EXPECT_NE(report.find("b.txt -> " + dir->path() + "/new-b.txt(系统错误 " +
                        std::to_string(EMLINK) + "："),
            std::string::npos)
      << report;
  EXPECT_EQ(OnDisk(), kOnlyBKept);
}

TEST_F(FaultInjectionTest, AReadOnlyFileSystemReportsEveryFileInPlanOrder) {
  fs.onRename = [](const std::string&, const std::string&) { return EROFS; };
  EXPECT_EQ(Run(), Entry("a.txt", "new-a.txt", "文件系统是只读的") +
                       Entry("b.txt", "new-b.txt", "文件系统是只读的") +
                       Entry("c.txt", "new-c.txt", "文件系统是只读的"));
  EXPECT_EQ(OnDisk(), kUntouched);
}

// The limit is 255 bytes, not 255 characters: 84 CJK characters are 252 bytes.
TEST_F(FaultInjectionTest, ANameTooLongInBytesIsReportedByTheRealFileSystem) {
  std::string base;
  for (int i = 0; i < 84; ++i) base += "中";
  const std::string name = base + ".a";  // 254 bytes, 86 characters
  struct {
    std::u16string prefix;
    bool fits;
  } cases[] = {{u"x", true}, {u"xy", false}, {u"中", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(EncodeFileName(c.prefix));
    TempDir fresh;
    fresh.MakeFile(name, "long");
    window.path = fresh.path16();
    window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
    const std::string target = EncodeFileName(c.prefix) + name;
    const std::string report = Run(u"ADDPRE", c.prefix);
    if (c.fits) {
      EXPECT_EQ(report, "");
      EXPECT_EQ(fresh.Entries(), std::vector<std::string>{target});
    } else {
      EXPECT_EQ(report, fresh.path() + "/" + name + " -> " + fresh.path() + "/" + target +
                            "(文件名太长)\n\r");
      EXPECT_EQ(fresh.Entries(), std::vector<std::string>{name});
    }
    EXPECT_EQ(fresh.Read(fresh.Entries().front()), "long");
  }
}

TEST_F(FaultInjectionTest, ASourceGoneBeforeTheRunStopsItBeforeAnyRename) {
  ASSERT_EQ(::unlink((dir->path() + "/b.txt").c_str()), 0);
  EXPECT_EQ(Run(), EncodeFileName(kUnreadableTimeMessage) + dir->path() + "/b.txt(文件不存在)");
  EXPECT_EQ(RenameCalls(), 0);
  EXPECT_EQ(OnDisk(), (Disk{{"a.txt", "content of a.txt"}, {"c.txt", "content of c.txt"}}));
}

TEST_F(FaultInjectionTest, ASourceGoneDuringTheRunIsReportedAndTheRestRenamed) {
  // The renames may run in any order: the first takes away a file not reached yet.
  std::string gone;
  fs.onRename = [this, &gone](const std::string& from, const std::string&) {
    if (gone.empty()) {
      gone = from == "c.txt" ? "a.txt" : "c.txt";
      ::unlink((dir->path() + "/" + gone).c_str());
    }
    return kPass;
  };
  const std::string report = Run();
  ASSERT_FALSE(gone.empty());
  EXPECT_EQ(report, Entry(gone, "new-" + gone, "文件不存在"));
  Disk left = {{"new-a.txt", "content of a.txt"},
               {"new-b.txt", "content of b.txt"},
               {"new-c.txt", "content of c.txt"}};
  left.erase("new-" + gone);
  EXPECT_EQ(OnDisk(), left);
}

// Someone else creates the target after the plan was made: it must survive, and so
// must the file that wanted its name, with or without the no-replace rename.
TEST_F(FaultInjectionTest, ATargetCreatedByAnotherProgramIsNeverOverwritten) {
  for (const bool noReplaceMissing : {false, true}) {
    SCOPED_TRACE(noReplaceMissing ? "link fallback" : "no-replace rename");
    Reset();
    Make({"a.txt", "b.txt", "c.txt"});
    auto intrude = [this](const std::string& from, const std::string& to) {
      if (from == "b.txt") dir->MakeFile(to, "foreign");
      return kPass;
    };
    fs.onRename = intrude;
    fs.onLink = nullptr;
    if (noReplaceMissing) {
      fs.onRename = [](const std::string&, const std::string&) { return EINVAL; };
      fs.onLink = intrude;
    }
    EXPECT_EQ(Run(), Entry("b.txt", "new-b.txt", "目标文件已存在"));
    EXPECT_EQ(OnDisk(), (Disk{{"new-a.txt", "content of a.txt"},
                              {"b.txt", "content of b.txt"},
                              {"new-b.txt", "foreign"},
                              {"new-c.txt", "content of c.txt"}}));
  }
}

TEST_F(FaultInjectionTest, ADirectoryInTheWayIsNotReplacedEither) {
  ASSERT_EQ(::mkdir((dir->path() + "/new-b.txt").c_str(), 0755), 0);
  EXPECT_EQ(Run(), Entry("b.txt", "new-b.txt", "目标文件已存在"));
  EXPECT_TRUE(std::filesystem::is_directory(dir->path() + "/new-b.txt"));
  EXPECT_EQ(dir->Read("b.txt"), "content of b.txt");
}

TEST_F(FaultInjectionTest, WithoutNoReplaceRenameFilesAreLinkedThenUnlinked) {
  for (const int unsupported : {EINVAL, ENOSYS, EOPNOTSUPP}) {
    SCOPED_TRACE(unsupported);
    Reset();
    Make({"a.txt", "b.txt", "c.txt"});
    fs.onRename = [unsupported](const std::string&, const std::string&) { return unsupported; };
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(OnDisk(), (Disk{{"new-a.txt", "content of a.txt"},
                              {"new-b.txt", "content of b.txt"},
                              {"new-c.txt", "content of c.txt"}}));
    struct stat status {};
    ASSERT_EQ(::stat((dir->path() + "/new-a.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_nlink, 1u);
    EXPECT_NE(std::find(fs.calls.begin(), fs.calls.end(), "link a.txt new-a.txt"), fs.calls.end());
    EXPECT_NE(std::find(fs.calls.begin(), fs.calls.end(), "unlink a.txt"), fs.calls.end());
  }
}

TEST_F(FaultInjectionTest, RefusedLinkingIsReportedAndNothingMoves) {
  const ErrorCase cases[] = {
      {EPERM, "此文件系统无法在不覆盖文件的前提下改名"},
      {EOPNOTSUPP, "此文件系统无法在不覆盖文件的前提下改名"},
      {EINVAL, "此文件系统无法在不覆盖文件的前提下改名"},
      {EACCES, "没有权限"},
      {EMLINK, ""},
  };
  fs.onRename = [](const std::string&, const std::string&) { return EINVAL; };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.error);
    fs.calls.clear();
    fs.onLink = [&c](const std::string&, const std::string&) { return c.error; };
    const std::string report = Run();
    if (*c.reason != '\0') {
      EXPECT_EQ(report, Entry("a.txt", "new-a.txt", c.reason) +
                            Entry("b.txt", "new-b.txt", c.reason) +
                            Entry("c.txt", "new-c.txt", c.reason));
    } else {
      EXPECT_NE(report.find(std::to_string(EMLINK)), std::string::npos) << report;
    }
    EXPECT_EQ(OnDisk(), kUntouched);
    for (const std::string& call : fs.calls) EXPECT_NE(call.rfind("unlink", 0), 0u) << call;
  }
}

TEST_F(FaultInjectionTest, AnOldNameThatCannotBeRemovedUndoesTheLink) {
  fs.onRename = [](const std::string&, const std::string&) { return ENOSYS; };
  fs.onUnlink = [](const std::string& name) { return name == "b.txt" ? EACCES : kPass; };
  EXPECT_EQ(Run(), Entry("b.txt", "new-b.txt", "没有权限"));
  EXPECT_EQ(OnDisk(), kOnlyBKept);
  struct stat status {};
  ASSERT_EQ(::stat((dir->path() + "/b.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_nlink, 1u);
}

TEST_F(FaultInjectionTest, OneUnreadableTimeAmongManyStopsTheWholeRun) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) names.push_back("f" + std::to_string(i) + ".jpg");
  Make(names);
  const ErrorCase cases[] = {{EACCES, "没有权限"}, {EIO, "读写磁盘出错"}, {ENOENT, "文件不存在"}};
  for (const std::u16string_view code : {u"ADDPRENO", u"ADDLSTNO", u"EXT", u"SAMELEN"}) {
    for (const ErrorCase& c : cases) {
      SCOPED_TRACE(EncodeFileName(code) + " " + c.reason);
      fs.calls.clear();
      fs.onTime = [&c](const std::string& name) { return name == "f17.jpg" ? c.error : kPass; };
      const Disk before = OnDisk();
      engine.ChgMode = code;
      window.valueText = u".png";
      const WindowRun run = RunWithOutcome(engine, window);
      EXPECT_EQ(EncodeFileName(run.report), EncodeFileName(kUnreadableTimeMessage) + dir->path() +
                                                "/f17.jpg(" + c.reason + ")");
      EXPECT_EQ(RenameCalls(), 0);
      EXPECT_TRUE(run.outcome.changes.empty());
      EXPECT_EQ(OnDisk(), before);
    }
  }
}

TEST_F(FaultInjectionTest, ADirectoryGoneBeforeTheRunTouchesNothing) {
  TempDir parent;
  const std::string path = parent.path() + "/gone";
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  parent.MakeFile("gone/a.txt", "a");
  parent.MakeFile("beside.txt", "beside");
  window.path = DecodeFileName(path);
  window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
  std::filesystem::remove_all(path);
  EXPECT_EQ(Run(), EncodeFileName(kUnreadableTimeMessage) + path + "/a.txt(文件不存在)");
  EXPECT_EQ(parent.Entries(), std::vector<std::string>{"beside.txt"});
}

TEST_F(FaultInjectionTest, ADirectoryThatCannotBeOpenedIsReportedNotRenamed) {
  fs.onOpen = [](const std::string&) { return EACCES; };
  EXPECT_EQ(Run(), EncodeFileName(kUnreadableTimeMessage) + dir->path() + "/a.txt(没有权限)");
  EXPECT_EQ(OnDisk(), kUntouched);
}

// A link is renamed as itself, with or without the no-replace rename: its target,
// outside the directory, keeps its name and content.
TEST_F(FaultInjectionTest, ASymbolicLinkIsRenamedItselfAndItsTargetStays) {
  for (const bool noReplaceMissing : {false, true}) {
    SCOPED_TRACE(noReplaceMissing ? "link fallback" : "no-replace rename");
    TempDir outside;
    outside.MakeFile("target.txt", "target");
    Reset();
    Make({"a.txt"});
    ASSERT_EQ(::symlink((outside.path() + "/target.txt").c_str(), (dir->path() + "/l.txt").c_str()),
              0);
    ASSERT_EQ(::symlink("/nonexistent/dangling", (dir->path() + "/d.txt").c_str()), 0);
    Show();
    ASSERT_EQ(window.files, (std::vector<std::u16string>{u"a.txt", u"l.txt"}));
    fs.onRename = nullptr;
    if (noReplaceMissing) {
      fs.onRename = [](const std::string&, const std::string&) { return ENOSYS; };
    }
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(dir->Entries(), (std::vector<std::string>{"d.txt", "new-a.txt", "new-l.txt"}));
    char target[256] = {};
    ASSERT_GT(::readlink((dir->path() + "/new-l.txt").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), outside.path() + "/target.txt");
    EXPECT_EQ(outside.Entries(), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(outside.Read("target.txt"), "target");
  }
}

TEST_F(FaultInjectionTest, AFileStrandedByACaseChangeIsNamedInTheReport) {
  // A case-blind view of storage that holds both spellings: every lookup of a name also
  // meets the other spelling.
  Reset();
  Make({"b.txt", "B.TXT"});
  const auto folded = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  fs.onRename = [&](const std::string& from, const std::string& to) {
    for (const std::string& name : dir->Entries()) {
      if (name != from && folded(name) == folded(to)) return EEXIST;
    }
    return kPass;
  };
  window.stringText = u"b";
  const std::string report = Run(u"REP", u"B");
  const std::vector<std::string> after = dir->Entries();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], "B.TXT");
  const std::string& stranded = after[1];
  EXPECT_EQ(stranded.rfind("batch-renamer-", 0), 0u) << stranded;
  EXPECT_EQ(dir->Read(stranded), "content of b.txt");
  // "B.TXT" itself is unchanged by the rule, so only b.txt is reported.
  EXPECT_EQ(report, Entry("b.txt", "B.txt",
                          "目标文件已存在；文件已暂存为“" + dir->path() + "/" + stranded + "”"));
}

TEST_F(FaultInjectionTest, AnImmutableFileWithoutNoReplaceRenameIsANoPermission) {
  fs.onRename = [](const std::string&, const std::string&) { return EINVAL; };
  fs.onLink = [](const std::string& from, const std::string&) {
    return from == "b.txt" ? EPERM : kPass;
  };
  fs.locked = {"b.txt"};
  EXPECT_EQ(Run(), Entry("b.txt", "new-b.txt", "没有权限"));
  EXPECT_EQ(OnDisk(), kOnlyBKept);
}

}  // namespace
}  // namespace renamer
