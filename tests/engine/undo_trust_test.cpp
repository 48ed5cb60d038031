// Undo under faults: journals another user could have planted, undos that cannot take
// every file back, offers gone stale, a damaged journal, a hung program holding the lock,
// and file systems that give no birth time.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "engine/undo/undo_report.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::MemoryJournalStore;
using testing::ShowDirectory;
using testing::StateHome;
using testing::TempDir;
using testing::Utf8;

using Names = std::vector<std::string>;

const std::string kNothing = "没有可以撤销的改名。";

class UndoTrustTest : public ::testing::Test {
 protected:
  UndoTrustTest() : UndoTrustTest(false) {}
  /// An engine that keeps the journals of its runs in `store` when `inMemory`, else in
  /// their folder on the disk.
  explicit UndoTrustTest(bool inMemory)
      : engine(window, fs, inMemory ? store : DefaultJournalStore()) {}

  void SetUp() override { SetJournalPatience(std::chrono::milliseconds(200)); }
  void TearDown() override { SetJournalPatience(std::chrono::seconds(3)); }

  std::string Run(const TempDir& where, std::u16string_view code, std::u16string_view value) {
    ShowDirectory(window, where);
    engine.ChgMode = code;
    window.valueText = value;
    return Utf8(engine.RenameFiles());
  }
  std::string Entry(const std::string& now, const std::string& back,
                    const std::string& reason) const {
    return dir.path() + "/" + now + " -> " + dir.path() + "/" + back + "(" + reason + ")\n\r";
  }
  std::vector<std::string> Journals() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(state.Journals())) {
      if (entry.path().extension() == ".journal") names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  StateHome state;
  TempDir dir;
  FakeWindow window;
  FaultyFileSystem fs;
  /// The journals of UndoTrustInMemoryTest.
  MemoryJournalStore store;
  RenameEngine engine;
};

// The journals in memory, where what an undo does is the point, not their folder.
class UndoTrustInMemoryTest : public UndoTrustTest {
 protected:
  UndoTrustInMemoryTest() : UndoTrustTest(true) {}
};

TEST_F(UndoTrustTest, UsesNoJournalFromAFolderOthersMayWriteIn) {
  dir.MakeFile("keep.txt", "private");
  dir.MakeFile("a.txt");
  ASSERT_EQ(Run(dir, u"ADDPRE", u"x"), "");
  ASSERT_TRUE(engine.CanUndo());
  // Anyone may now plant a journal there: nothing in it is offered or followed.
  ASSERT_EQ(::chmod(state.Journals().c_str(), 0777), 0);
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            "无法撤销：" + Utf8(DescribeError(kErrorStateUnsafe)) + "，其中的撤销记录不可信。");
  // A run still renames, and says that it cannot be undone.
  EXPECT_EQ(
      Run(dir, u"ADDPRE", u"y"),
      "无法保存撤销记录：" + Utf8(DescribeError(kErrorStateUnsafe)) + "，本次改名不能撤销。\n\r");
  EXPECT_EQ(dir.Entries(), (Names{"yxa.txt", "yxkeep.txt"}));

  ASSERT_EQ(::chmod(state.Journals().c_str(), 0700), 0);
  EXPECT_TRUE(engine.CanUndo());
}

TEST_F(UndoTrustTest, FollowsNoJournalOfAnotherUserNorALink) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  dir.MakeFile("a.txt");
  ASSERT_EQ(Run(dir, u"ADDPRE", u"x"), "");
  const std::vector<std::string> journals = Journals();
  ASSERT_EQ(journals.size(), 1u);
  const std::string journal = state.Journals() + "/" + journals[0];
  ASSERT_EQ(::chown(journal.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()), kNothing);

  // A link to a journal elsewhere is not followed either.
  const std::string planted = state.path() + "/planted.journal";
  ASSERT_EQ(::rename(journal.c_str(), planted.c_str()), 0);
  ASSERT_EQ(::chown(planted.c_str(), 0, 0), 0);
  ASSERT_EQ(::symlink(planted.c_str(), journal.c_str()), 0);
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_EQ(dir.Entries(), (Names{"xa.txt"}));
}

TEST_F(UndoTrustInMemoryTest, KeepsWhatMayStillGoBackAndGivesUpAfterASecondFailure) {
  TempDir before;
  before.MakeFile("c");
  ASSERT_EQ(Run(before, u"ADDLST", u"1"), "");
  dir.MakeFile("a");
  dir.MakeFile("b");
  ASSERT_EQ(Run(dir, u"ADDLST", u"2"), "");
  ASSERT_EQ(store.journals.size(), 2u);
  const std::optional<UndoOffer> newest = engine.NextUndo();
  ASSERT_TRUE(newest.has_value());

  // "a2" cannot go back: the file system refuses, as for an immutable file.
  fs.onRename = [](const std::string& from, const std::string&) {
    return from == "a2" ? EPERM : FaultyFileSystem::kPass;
  };
  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            "撤销未全部完成：\n\r以下 1 个文件仍待撤销，再按“撤销”将重试：\n\r" +
                Entry("a2", "a", "没有权限"));
  EXPECT_EQ(dir.Entries(), (Names{"a2", "b"}));
  // The run stays offered, and the next undo tries only what is left.
  ASSERT_TRUE(engine.NextUndo().has_value());
  EXPECT_EQ(engine.NextUndo()->journal, newest->journal);
  fs.calls.clear();
  EXPECT_EQ(Utf8(engine.UndoLastRun()),
            "撤销未全部完成：\n\r以下 1 个文件无法恢复原名，不再撤销：\n\r" +
                Entry("a2", "a", "没有权限"));
  for (const std::string& call : fs.calls) EXPECT_EQ(call.find("b2"), std::string::npos) << call;
  // Seen twice, it no longer keeps the run before from being undone.
  ASSERT_TRUE(engine.NextUndo().has_value());
  EXPECT_NE(engine.NextUndo()->journal, newest->journal);
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(before.Entries(), (Names{"c"}));
}

TEST_F(UndoTrustTest, TakesBackOnlyTheRunItsOfferNames) {
  dir.MakeFile("a.txt");
  ASSERT_EQ(Run(dir, u"ADDPRE", u"x"), "");
  const std::optional<UndoOffer> offer = engine.NextUndo();
  ASSERT_TRUE(offer.has_value());
  EXPECT_EQ(Utf8(offer->path), dir.path());

  // Another program renames elsewhere meanwhile.
  TempDir other;
  other.MakeFile("b.txt");
  FakeWindow otherWindow;
  ShowDirectory(otherWindow, other);
  RenameEngine otherEngine(otherWindow);
  otherEngine.ChgMode = u"ADDPRE";
  otherWindow.valueText = u"y";
  ASSERT_EQ(Utf8(otherEngine.RenameFiles()), "");

  const std::string changed = Utf8(UndoReport(engine.UndoRun(*offer)));
  EXPECT_TRUE(changed.starts_with("可以撤销的改名已经变了")) << changed;
  EXPECT_EQ(dir.Entries(), (Names{"xa.txt"}));
  EXPECT_EQ(other.Entries(), (Names{"yb.txt"}));
  ASSERT_TRUE(engine.NextUndo().has_value());
  EXPECT_EQ(Utf8(engine.NextUndo()->path), other.path());
  EXPECT_EQ(Utf8(UndoReport(engine.UndoRun(*engine.NextUndo()))), "");
  EXPECT_EQ(Utf8(UndoReport(engine.UndoRun(*offer))), "");
  EXPECT_EQ(dir.Entries(), (Names{"a.txt"}));

  // With the journals' folder gone there is nothing to take back, and that is said.
  ASSERT_EQ(Run(dir, u"ADDPRE", u"x"), "");
  ASSERT_EQ(std::system(("rm -rf '" + state.Journals() + "'").c_str()), 0);
  EXPECT_FALSE(engine.CanUndo());
  EXPECT_EQ(Utf8(engine.UndoLastRun()), kNothing);
}

TEST_F(UndoTrustTest, SaysOnceThatTheNewestJournalIsDamaged) {
  TempDir before;
  before.MakeFile("c");
  ASSERT_EQ(Run(before, u"ADDLST", u"1"), "");
  dir.MakeFile("a");
  ASSERT_EQ(Run(dir, u"ADDLST", u"2"), "");
  const std::vector<std::string> journals = Journals();
  ASSERT_EQ(journals.size(), 2u);
  {
    std::fstream damage(state.Journals() + "/" + journals[1],
                        std::ios::in | std::ios::out | std::ios::binary);
    damage.seekp(40);
    damage.put('!');
  }
  const std::string said = Utf8(engine.UndoLastRun());
  EXPECT_TRUE(said.starts_with("最近一次改名的撤销记录已损坏")) << said;
  EXPECT_EQ(dir.Entries(), (Names{"a2"}));
  EXPECT_EQ(Utf8(engine.UndoLastRun()), "");
  EXPECT_EQ(before.Entries(), (Names{"c"}));
}

TEST_F(UndoTrustTest, ARunDoesNotWaitForEverForAHungProgram) {
  dir.MakeFile("a");
  // Another program holds the journals' lock and does not let go.
  ASSERT_EQ(Run(dir, u"ADDLST", u"1"), "");
  const int lock = ::open((state.Journals() + "/lock").c_str(), O_RDWR);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  ShowDirectory(window, dir);
  EXPECT_EQ(Run(dir, u"ADDLST", u"2"), "无法保存撤销记录：" + Utf8(DescribeError(kErrorStateBusy)) +
                                           "，本次改名不能撤销。\n\r");
  EXPECT_EQ(dir.Entries(), (Names{"a12"}));
  // A run that renames nothing has nothing to take back, and says nothing of it.
  ASSERT_EQ(::mkdir((dir.path() + "/xa12").c_str(), 0700), 0);
  EXPECT_EQ(Run(dir, u"ADDPRE", u"x"), Entry("a12", "xa12", Utf8(DescribeError(EEXIST))));
  ::close(lock);
}

TEST_F(UndoTrustTest, ReadingTheOfferLeavesAJournalBeingWrittenAlone) {
  dir.MakeFile("a");
  ASSERT_EQ(Run(dir, u"ADDLST", u"1"), "");
  // Another program is writing its journal under the temporary name right now.
  const std::string writing = state.Journals() + "/run-99999999999999999999.journal.tmp";
  std::ofstream(writing) << "BRJ2";
  EXPECT_TRUE(engine.NextUndo().has_value());
  EXPECT_TRUE(std::filesystem::exists(writing));
}

TEST(SameFileTest, TellsAReusedInodeNumberFromTheFileThatHadIt) {
  FileIdentity file{1, 7, 1, 0};
  file.modifiedNanoseconds = 100;
  file.size = 5;
  const auto with = [&file](auto change) {
    FileIdentity other = file;
    change(other);
    return other;
  };
  const struct {
    const char* what;
    FileIdentity a;
    FileIdentity b;
    bool same;
  } cases[] = {
      {"itself", file, file, true},
      {"another inode", file, with([](FileIdentity& f) { f.inode = 8; }), false},
      {"another device", file, with([](FileIdentity& f) { f.device = 2; }), false},
      {"mounted again: another device, same birth",
       with([](FileIdentity& f) { f.birthNanoseconds = 9; }), with([](FileIdentity& f) {
         f.birthNanoseconds = 9;
         f.device = 2;
       }),
       true},
      {"renamed: another change time only", file, with([](FileIdentity& f) { f.links = 2; }), true},
      {"no birth time: written since", file, with([](FileIdentity& f) { f.size = 6; }), false},
      {"no birth time: touched since", file,
       with([](FileIdentity& f) { f.modifiedNanoseconds = 101; }), false},
      {"birth times decide", with([](FileIdentity& f) { f.birthNanoseconds = 9; }),
       with([](FileIdentity& f) {
         f.birthNanoseconds = 9;
         f.size = 6;
       }),
       true},
      {"another birth", with([](FileIdentity& f) { f.birthNanoseconds = 9; }),
       with([](FileIdentity& f) { f.birthNanoseconds = 10; }), false},
      {"another generation", with([](FileIdentity& f) { f.hasGeneration = true; }),
       with([](FileIdentity& f) {
         f.hasGeneration = true;
         f.generation = 3;
       }),
       false},
      {"same generation, written since", with([](FileIdentity& f) { f.hasGeneration = true; }),
       with([](FileIdentity& f) {
         f.hasGeneration = true;
         f.size = 6;
       }),
       true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.what;
  }
}

// A small ext4 image mounted on a loop device, for what only a real file system shows.
class LoopImage {
 public:
  /// Makes and mounts the image; `mkfsOptions` as for mkfs.ext4. Check Mounted().
  explicit LoopImage(const std::string& mkfsOptions)
      : image_(work_.path() + "/image"), mount_(work_.path() + "/mnt") {
    if (::geteuid() != 0 || ::mkdir(mount_.c_str(), 0700) != 0) return;
    mounted_ = Shell("truncate -s 16M '" + image_ + "' && mkfs.ext4 -q " + mkfsOptions + " -F '" +
                     image_ + "' 2>/dev/null") &&
               Mount();
  }
  ~LoopImage() {
    if (mounted_) Shell("umount '" + mount_ + "'");
    if (!filler_.empty()) Shell("losetup -j '" + filler_ + "' | cut -d: -f1 | xargs -r losetup -d");
  }
  LoopImage(const LoopImage&) = delete;
  LoopImage& operator=(const LoopImage&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Path() const { return mount_; }
  /// Unmounts it and mounts it again on another loop device, as after a reboot.
  bool MountElsewhere() {
    if (!Shell("umount '" + mount_ + "'")) return false;
    mounted_ = false;
    // The device it had is taken by another image meanwhile.
    const std::string filler = work_.path() + "/filler";
    if (!Shell("truncate -s 1M '" + filler + "' && losetup -f '" + filler + "'")) return false;
    filler_ = filler;
    return mounted_ = Mount();
  }

 private:
  static bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }
  bool Mount() const { return Shell("mount -o loop '" + image_ + "' '" + mount_ + "'"); }

  TempDir work_;
  std::string image_;
  std::string mount_;
  std::string filler_;
  bool mounted_ = false;
};

struct LoopRun {
  FakeWindow window;
  MemoryJournalStore journals;
  RenameEngine engine{window, RealFileSystem(), journals};

  void Prefix(const TempDir& dir) {
    ShowDirectory(window, dir);
    engine.ChgMode = u"ADDPRE";
    window.valueText = u"x";
    ASSERT_EQ(Utf8(engine.RenameFiles()), "");
  }
};

// On ext4 made with small inodes there is no birth time; a new file that gets the inode
// number of a renamed file that was deleted must not be taken for it.
TEST(LoopImageTest, LeavesAFileThatGotTheInodeNumberOfARenamedOne) {
  LoopImage image("-I 128");
  if (!image.Mounted()) GTEST_SKIP() << "needs root and a loop device for an ext4 image";
  TempDir dir(image.Path());
  dir.MakeFile("a.txt", "mine");
  LoopRun run;
  run.Prefix(dir);
  struct stat before {};
  ASSERT_EQ(::stat((dir.path() + "/xa.txt").c_str(), &before), 0);
  ASSERT_EQ(::unlink((dir.path() + "/xa.txt").c_str()), 0);
  // The freed inode number goes to the next new file.
  dir.MakeFile("xa.txt", "not mine");
  struct stat after {};
  ASSERT_EQ(::stat((dir.path() + "/xa.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the file system did not reuse the number";

  EXPECT_NE(Utf8(run.engine.UndoLastRun()), "");
  EXPECT_EQ(dir.Entries(), (Names{"xa.txt"}));
  EXPECT_EQ(dir.Read("xa.txt"), "not mine");
}

TEST(LoopImageTest, TakesARunBackAfterItsFileSystemCameBackUnderAnotherDevice) {
  LoopImage image("");
  if (!image.Mounted()) GTEST_SKIP() << "needs root and a loop device for an ext4 image";
  const std::string folder = image.Path() + "/photos";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  {
    TempDir dir(folder);
    dir.MakeFile("a.txt", "mine");
    LoopRun run;
    run.Prefix(dir);
    struct stat before {};
    ASSERT_EQ(::stat(dir.path().c_str(), &before), 0);
    const std::string path = dir.path();
    // Unmounting needs the folder's files closed; TempDir only removes at the end.
    ASSERT_TRUE(image.MountElsewhere());
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    if (after.st_dev == before.st_dev) GTEST_SKIP() << "the image got its device number back";
    EXPECT_EQ(Utf8(run.engine.UndoLastRun()), "");
    EXPECT_EQ(dir.Entries(), (Names{"a.txt"}));
  }
}

}  // namespace
}  // namespace renamer
