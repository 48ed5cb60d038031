#include "engine/safe_rename.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"

namespace renamer {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Names = std::set<std::string>;
constexpr int kPass = FaultyFileSystem::kPass;

// An in-memory directory whose abilities a test switches (no-replace rename, letter
// case) and whose calls it may refuse through the hooks of `faults`.
struct MemoryDir {
  explicit MemoryDir(std::initializer_list<std::pair<const char*, int>> entries,
                     bool noReplace = true, bool ignoreCase = false) {
    memory.noReplace = noReplace;
    memory.ignoreCase = ignoreCase;
    for (const auto& [name, inode] : entries) memory.Add(name, inode);
    int error = 0;
    dir = faults.Open("", error);
  }
  int InodeOf(const std::string& name) const { return memory.Find(name)->inode; }

  MemoryFileSystem memory;
  FaultyFileSystem faults{memory};
  std::unique_ptr<Directory> dir;
};

TEST(RenameWithoutReplacingTest, RenamesAndRefusesExistingTargets) {
  MemoryDir s({{"a", 1}, {"b", 2}});
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "b"), EEXIST);
  EXPECT_EQ(s.memory.Names(), (Names{"a", "b"}));
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "c"), 0);
  EXPECT_EQ(s.memory.Names(), (Names{"b", "c"}));
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "gone", "d"), ENOENT);
}

TEST(RenameWithoutReplacingTest, FallsBackToLinkWhereNoReplaceIsMissing) {
  MemoryDir s({{"a", 1}, {"b", 2}}, /*noReplace=*/false);
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "c"), 0);
  EXPECT_EQ(s.memory.Names(), (Names{"b", "c"}));
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "c", "b"), EEXIST);
  EXPECT_EQ(s.InodeOf("b"), 2);
  EXPECT_EQ(s.InodeOf("c"), 1);
}

TEST(RenameWithoutReplacingTest, ReportsAFileSystemWithoutAnySafeWay) {
  for (int refusal : {EPERM, EOPNOTSUPP, EINVAL}) {
    SCOPED_TRACE(refusal);
    MemoryDir s({{"a", 1}}, /*noReplace=*/false);
    s.faults.onLink = [refusal](const std::string&, const std::string&) { return refusal; };
    EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "c"), kErrorNoSafeRename);
    EXPECT_EQ(s.memory.Names(), (Names{"a"}));
  }
  MemoryDir denied({{"a", 1}}, /*noReplace=*/false);
  denied.faults.onLink = [](const std::string&, const std::string&) { return EACCES; };
  EXPECT_EQ(RenameWithoutReplacing(*denied.dir, "a", "c"), EACCES);
}

TEST(RenameWithoutReplacingTest, UndoesTheLinkWhenTheOldNameCannotBeRemoved) {
  MemoryDir s({{"keep", 1}}, /*noReplace=*/false);
  s.faults.onUnlink = [](const std::string& name) { return name == "keep" ? EACCES : kPass; };
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "keep", "new"), EACCES);
  EXPECT_EQ(s.memory.Names(), (Names{"keep"}));
}

TEST(RenameWithoutReplacingTest, ChangesLetterCaseOnACaseBlindFileSystem) {
  for (bool noReplace : {true, false}) {
    SCOPED_TRACE(noReplace ? "no-replace rename" : "link fallback");
    MemoryDir s({{"photo.JPG", 1}}, noReplace, /*ignoreCase=*/true);
    EXPECT_EQ(RenameWithoutReplacing(*s.dir, "photo.JPG", "photo.jpg"), 0);
    EXPECT_EQ(s.memory.Names(), (Names{"photo.jpg"}));
  }
}

TEST(RenameWithoutReplacingTest, NeverMergesTwoNamesOfOneFile) {
  // Two hard links are one inode but two files for the user: the rename must fail and
  // both names stay.
  MemoryDir s({{"a", 1}, {"b", 1}});
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "b"), EEXIST);
  EXPECT_EQ(s.memory.Names(), (Names{"a", "b"}));
}

TEST(RenameWithoutReplacingTest, LeavesNoTemporaryNameWhenTheCaseChangeFails) {
  // Case-blind: the first attempt answers "exists"; the step from the temporary name
  // to the final one is then refused, and the file must get its old name back.
  MemoryDir s({{"a", 1}}, /*noReplace=*/true, /*ignoreCase=*/true);
  s.faults.onRename = [](const std::string& from, const std::string& to) {
    return to == "A" && from != "a" ? EACCES : kPass;
  };
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "A"), EACCES);
  EXPECT_EQ(s.memory.Names(), (Names{"a"}));
}

}  // namespace
}  // namespace renamer
