#include "engine/disk/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "engine/disk/file_names.h"
#include "tests/support/temp_dir.h"

namespace renamer {
namespace {

using testing::TempDir;

TEST(ListNamesTest, ListsVisibleRegularFilesInNaturalOrder) {
  TempDir dir;
  for (const char* name : {"img10.jpg", "img2.jpg", "IMG1.JPG", ".hidden", "notes", "a b.txt"}) {
    dir.MakeFile(name);
  }
  ::mkdir((dir.path() + "/sub").c_str(), 0755);
  ::symlink("img2.jpg", (dir.path() + "/link.jpg").c_str());
  ::symlink("missing", (dir.path() + "/dangling.jpg").c_str());
  ::symlink("sub", (dir.path() + "/subdir-link").c_str());

  int error = -1;
  const auto files = ListNames(RealFileSystem(), dir.path16(), EntryKind::kFiles, &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(files, (std::vector<std::u16string>{u"a b.txt", u"IMG1.JPG", u"img2.jpg", u"img10.jpg",
                                                u"link.jpg", u"notes"}));
  const auto dirs = ListNames(RealFileSystem(), dir.path16(), EntryKind::kDirectories);
  EXPECT_EQ(dirs, (std::vector<std::u16string>{u"sub", u"subdir-link"}));
}

// The inode numbers come with the listing, each with its name in natural order, and
// say the same as a status read of the name.
TEST(ListNamesTest, GivesEachNameItsInodeNumber) {
  TempDir dir;
  for (const char* name : {"img10.jpg", "img2.jpg", "IMG1.JPG", "notes", "z", "a"}) {
    dir.MakeFile(name);
  }
  ListedInodes where;
  const auto files =
      ListNames(RealFileSystem(), dir.path16(), EntryKind::kFiles, nullptr, nullptr, &where);
  ASSERT_EQ(where.inodes.size(), files.size());
  struct stat folder {};
  ASSERT_EQ(::stat(dir.path().c_str(), &folder), 0);
  EXPECT_EQ(where.device, folder.st_dev);
  for (std::size_t k = 0; k < files.size(); ++k) {
    struct stat file {};
    ASSERT_EQ(::stat((dir.path() + "/" + EncodeFileName(files[k])).c_str(), &file), 0);
    EXPECT_EQ(where.inodes[k], file.st_ino) << EncodeFileName(files[k]);
  }
}

TEST(ListNamesTest, KeepsNamesThatAreNotUtf8) {
  TempDir dir;
  dir.MakeFile("bad\xff\xfe.txt", "x");
  const auto files = ListNames(RealFileSystem(), dir.path16(), EntryKind::kFiles);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(EncodeFileName(files[0]), "bad\xff\xfe.txt");
}

// A letter beyond U+FFFF whose second half lies where bytes that are not UTF-8 are
// kept (U+10080 is D800 DC80) is a letter, not a byte.
TEST(StandsForByteTest, TellsKeptBytesFromHalvesOfPairs) {
  const std::u16string name = DecodeFileName(
      "\xF0\x90\x82\x80\xff\x80"
      "a");
  std::string kept;
  for (std::size_t i = 0; i < name.size(); ++i) kept += StandsForByte(name, i) ? 'b' : '.';
  EXPECT_EQ(kept, "..bb.");
}

TEST(ListNamesTest, ReportsADirectoryThatCannotBeRead) {
  int error = 0;
  const auto files =
      ListNames(RealFileSystem(), u"/nonexistent/renamer", EntryKind::kFiles, &error);
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(error, ENOENT);
}

TEST(DescribeErrorTest, NamesCommonErrorsInChinese) {
  EXPECT_EQ(DescribeError(EEXIST), u"目标文件已存在");
  EXPECT_EQ(DescribeError(ENOENT), u"文件不存在");
  EXPECT_EQ(DescribeError(EACCES), u"没有权限");
  EXPECT_EQ(DescribeError(EROFS), u"文件系统是只读的");
  EXPECT_EQ(DescribeError(ENAMETOOLONG), u"文件名太长");
  EXPECT_EQ(DescribeError(ENOSPC), u"磁盘空间不足");
  EXPECT_EQ(DescribeError(EXDEV), u"不能跨文件系统改名");
  const std::u16string other = DescribeError(ELOOP);
  EXPECT_EQ(other.rfind(u"系统错误 " + DecodeFileName(std::to_string(ELOOP)), 0), 0u);
}

TEST(DirectoryTest, RenameNoReplaceRefusesEveryKindOfExistingTarget) {
  TempDir dir;
  dir.MakeFile("a", "A");
  dir.MakeFile("b", "B");
  ::mkdir((dir.path() + "/d").c_str(), 0755);
  ::symlink("missing", (dir.path() + "/dangling").c_str());
  int error = 0;
  auto handle = RealFileSystem().Open(dir.path(), error);
  ASSERT_TRUE(handle);
  for (const char* target : {"b", "d", "dangling"}) {
    EXPECT_EQ(handle->RenameNoReplace("a", target), EEXIST) << target;
  }
  EXPECT_EQ(dir.Read("a"), "A");
  EXPECT_EQ(dir.Read("b"), "B");
  EXPECT_EQ(handle->RenameNoReplace("a", "c"), 0);
  EXPECT_EQ(dir.Read("c"), "A");
}

}  // namespace
}  // namespace renamer
