#include "engine/run/safe_rename.h"

#include <gtest/gtest.h>

#include <cctype>
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

TEST(RenameWithoutReplacingTest, ReportsAnImmutableFileOrDirectoryAsNoPermission) {
  for (const std::string locked : {"a", "."}) {
    SCOPED_TRACE(locked);
    MemoryDir s({{"a", 1}, {".", 2}}, /*noReplace=*/false);
    s.faults.onLink = [](const std::string&, const std::string&) { return EPERM; };
    s.memory.locked = {locked};
    EXPECT_EQ(RenameWithoutReplacing(*s.dir, "a", "c"), EPERM);
    EXPECT_EQ(s.memory.Names(), (Names{".", "a"}));
  }
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

TEST(RenameWithoutReplacingTest, ChangesLetterCaseWhateverTheIdentityLooksLike) {
  struct Case {
    const char* what;
    bool secondLink;
    bool inodePerSpelling;
    Names after;
  } cases[] = {
      {"a second hard link", true, false, {"Photo.txt", "keep.dat"}},
      {"an inode number per spelling", false, true, {"Photo.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryDir s({{"photo.txt", 1}}, /*noReplace=*/true, /*ignoreCase=*/true);
    if (c.secondLink) s.memory.Add("keep.dat", 1);
    s.memory.inodePerSpelling = c.inodePerSpelling;
    EXPECT_EQ(RenameWithoutReplacing(*s.dir, "photo.txt", "Photo.txt"), 0);
    EXPECT_EQ(s.memory.Names(), c.after);
  }
}

TEST(RenameWithoutReplacingTest, SaysWhereTheFileIsWhenTheWayBackIsTakenToo) {
  // A case-blind view of storage that holds both spellings: the final name and the way
  // back both meet "B.TXT", so the file can only stay under the temporary name.
  MemoryDir s({{"b.txt", 1}, {"B.TXT", 2}});
  const auto folded = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  s.faults.onRename = [&](const std::string& from, const std::string& to) {
    for (const std::string& name : s.memory.Names()) {
      if (name != from && folded(name) == folded(to)) return EEXIST;
    }
    return kPass;
  };
  std::string strandedAt = "stale";
  EXPECT_EQ(RenameWithoutReplacing(*s.dir, "b.txt", "B.txt", &strandedAt), EEXIST);
  ASSERT_FALSE(strandedAt.empty());
  EXPECT_NE(strandedAt[0], '.');
  EXPECT_EQ(s.memory.Names(), (Names{"B.TXT", strandedAt}));
  EXPECT_EQ(s.InodeOf(strandedAt), 1);
}

TEST(DifferOnlyInCaseTest, FoldsLettersOfEveryScriptButNothingElse) {
  struct Case {
    const char* a;
    const char* b;
    bool expected;
  } cases[] = {
      {"photo.txt", "Photo.TXT", true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true},  // é, É
      {"\xD0\xB4\xD0\xB0", "\xD0\x94\xD0\x90", true},    // Cyrillic
      {"photo.txt", "photo.txt", false},                 // the same name
      {"photo.txt", "photo.txt2", false},
      {"a.txt", "b.txt", false},
      {"\xE7\x85\xA7\xE7\x89\x87", "\xE7\x85\xA7\xE7\x89\x88", false},  // two CJK names
      {"a\xFF", "A\xFF", true},                                         // not UTF-8
      {"a\xFF", "a\xFE", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DifferOnlyInCase(c.a, c.b), c.expected) << c.a << " " << c.b;
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
