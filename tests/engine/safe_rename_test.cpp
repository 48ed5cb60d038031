#include "engine/safe_rename.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace renamer {
namespace {

// An in-memory directory whose abilities the tests switch: no-replace support, hard
// links, letter case.
class MemoryDirectory : public Directory {
 public:
  bool noReplace = true;
  int linkError = 0;
  bool ignoreCase = false;
  /// Each spelling of a name gets its own inode number, as some network mounts do.
  bool inodePerSpelling = false;
  std::set<std::string> locked;  // names (or ".") that are immutable
  int unlinkError = 0;
  std::map<std::string, int> entries;  // shown name -> inode
  int calls = 0;

  int Status(const std::string&, FileStatus& status) override {
    status = {};
    status.regular = true;
    return 0;
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    ++calls;
    if (!noReplace) return EINVAL;
    auto source = Find(from);
    if (source == entries.end()) return ENOENT;
    if (Find(to) != entries.end()) return EEXIST;
    const int inode = source->second;
    entries.erase(source);
    entries[to] = inode;
    return 0;
  }
  int Link(const std::string& from, const std::string& to) override {
    ++calls;
    if (linkError != 0) return linkError;
    auto source = Find(from);
    if (source == entries.end()) return ENOENT;
    if (Find(to) != entries.end()) return EEXIST;
    entries[to] = source->second;
    return 0;
  }
  int Unlink(const std::string& name) override {
    ++calls;
    if (unlinkError != 0 && name.find("keep") != std::string::npos) return unlinkError;
    auto entry = Find(name);
    if (entry == entries.end()) return ENOENT;
    entries.erase(entry);
    return 0;
  }
  int Identify(const std::string& name, FileIdentity& identity) override {
    auto entry = Find(name);
    if (entry == entries.end()) return ENOENT;
    const auto links = std::count_if(entries.begin(), entries.end(),
                                     [&](const auto& e) { return e.second == entry->second; });
    identity = {1, static_cast<std::uint64_t>(entry->second), static_cast<std::uint64_t>(links)};
    if (inodePerSpelling) identity.inode = std::hash<std::string>{}(name);
    identity.locked = locked.count(name) != 0;
    return 0;
  }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : entries) names.insert(entry.first);
    return names;
  }

 private:
  // The exact spelling first; a case-blind lookup otherwise takes the first match.
  std::map<std::string, int>::iterator Find(const std::string& name) {
    const auto exact = entries.find(name);
    if (!ignoreCase || exact != entries.end()) return exact;
    return std::find_if(entries.begin(), entries.end(),
                        [&](const auto& e) { return Fold(e.first) == Fold(name); });
  }
  static std::string Fold(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
};

TEST(RenameWithoutReplacingTest, RenamesAndRefusesExistingTargets) {
  MemoryDirectory dir;
  dir.entries = {{"a", 1}, {"b", 2}};
  EXPECT_EQ(RenameWithoutReplacing(dir, "a", "b"), EEXIST);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a", "b"}));
  EXPECT_EQ(RenameWithoutReplacing(dir, "a", "c"), 0);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"b", "c"}));
  EXPECT_EQ(RenameWithoutReplacing(dir, "gone", "d"), ENOENT);
}

TEST(RenameWithoutReplacingTest, FallsBackToLinkWhereNoReplaceIsMissing) {
  MemoryDirectory dir;
  dir.noReplace = false;
  dir.entries = {{"a", 1}, {"b", 2}};
  EXPECT_EQ(RenameWithoutReplacing(dir, "a", "c"), 0);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"b", "c"}));
  EXPECT_EQ(RenameWithoutReplacing(dir, "c", "b"), EEXIST);
  EXPECT_EQ(dir.entries.at("b"), 2);
  EXPECT_EQ(dir.entries.at("c"), 1);
}

TEST(RenameWithoutReplacingTest, ReportsAnImmutableFileOrDirectoryAsNoPermission) {
  for (const std::string locked : {"a", "."}) {
    MemoryDirectory dir;
    dir.noReplace = false;
    dir.linkError = EPERM;
    dir.entries = {{"a", 1}, {".", 2}};
    dir.locked = {locked};
    EXPECT_EQ(RenameWithoutReplacing(dir, "a", "c"), EPERM) << locked;
    EXPECT_EQ(dir.Names(), (std::set<std::string>{".", "a"})) << locked;
  }
}

TEST(RenameWithoutReplacingTest, ReportsAFileSystemWithoutAnySafeWay) {
  for (int refusal : {EPERM, EOPNOTSUPP, EINVAL}) {
    MemoryDirectory dir;
    dir.noReplace = false;
    dir.linkError = refusal;
    dir.entries = {{"a", 1}};
    EXPECT_EQ(RenameWithoutReplacing(dir, "a", "c"), kErrorNoSafeRename) << refusal;
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a"}));
  }
  MemoryDirectory denied;
  denied.noReplace = false;
  denied.linkError = EACCES;
  denied.entries = {{"a", 1}};
  EXPECT_EQ(RenameWithoutReplacing(denied, "a", "c"), EACCES);
}

TEST(RenameWithoutReplacingTest, UndoesTheLinkWhenTheOldNameCannotBeRemoved) {
  MemoryDirectory dir;
  dir.noReplace = false;
  dir.unlinkError = EACCES;
  dir.entries = {{"keep", 1}};
  EXPECT_EQ(RenameWithoutReplacing(dir, "keep", "new"), EACCES);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"keep"}));
}

TEST(RenameWithoutReplacingTest, ChangesLetterCaseOnACaseBlindFileSystem) {
  for (bool noReplace : {true, false}) {
    MemoryDirectory dir;
    dir.ignoreCase = true;
    dir.noReplace = noReplace;
    dir.entries = {{"photo.JPG", 1}};
    EXPECT_EQ(RenameWithoutReplacing(dir, "photo.JPG", "photo.jpg"), 0) << noReplace;
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"photo.jpg"})) << noReplace;
  }
}

TEST(RenameWithoutReplacingTest, ChangesLetterCaseWhateverTheIdentityLooksLike) {
  struct Case {
    const char* what;
    std::map<std::string, int> entries;
    bool inodePerSpelling;
    std::set<std::string> after;
  } cases[] = {
      {"a second hard link", {{"photo.txt", 1}, {"keep.dat", 1}}, false,
       {"Photo.txt", "keep.dat"}},
      {"an inode number per spelling", {{"photo.txt", 1}}, true, {"Photo.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryDirectory dir;
    dir.ignoreCase = true;
    dir.inodePerSpelling = c.inodePerSpelling;
    dir.entries = c.entries;
    EXPECT_EQ(RenameWithoutReplacing(dir, "photo.txt", "Photo.txt"), 0);
    EXPECT_EQ(dir.Names(), c.after);
  }
}

TEST(DifferOnlyInCaseTest, FoldsLettersOfEveryScriptButNothingElse) {
  struct Case {
    const char* a;
    const char* b;
    bool expected;
  } cases[] = {
      {"photo.txt", "Photo.TXT", true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true},          // é, É
      {"\xD0\xB4\xD0\xB0", "\xD0\x94\xD0\x90", true},            // Cyrillic
      {"photo.txt", "photo.txt", false},                                // the same name
      {"photo.txt", "photo.txt2", false},
      {"a.txt", "b.txt", false},
      {"\xE7\x85\xA7\xE7\x89\x87", "\xE7\x85\xA7\xE7\x89\x88", false},  // two CJK names
      {"a\xFF", "A\xFF", true},                                        // not UTF-8
      {"a\xFF", "a\xFE", false},
  };
  for (const Case& c : cases) EXPECT_EQ(DifferOnlyInCase(c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(RenameWithoutReplacingTest, SaysWhereTheFileIsWhenTheWayBackIsTakenToo) {
  // A case-blind view of storage that holds both spellings: the final name and the way
  // back both meet "B.TXT", so the file can only stay under the temporary name.
  MemoryDirectory dir;
  dir.ignoreCase = true;
  dir.entries = {{"b.txt", 1}, {"B.TXT", 2}};
  std::string strandedAt = "stale";
  EXPECT_EQ(RenameWithoutReplacing(dir, "b.txt", "B.txt", &strandedAt), EEXIST);
  ASSERT_FALSE(strandedAt.empty());
  EXPECT_NE(strandedAt[0], '.');
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"B.TXT", strandedAt}));
  EXPECT_EQ(dir.entries.at(strandedAt), 1);
}

TEST(RenameWithoutReplacingTest, NeverMergesTwoNamesOfOneFile) {
  // Two hard links are one inode but two files for the user: the rename must fail and
  // both names stay.
  MemoryDirectory dir;
  dir.entries = {{"a", 1}, {"b", 1}};
  EXPECT_EQ(RenameWithoutReplacing(dir, "a", "b"), EEXIST);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a", "b"}));
}

TEST(RenameWithoutReplacingTest, LeavesNoTemporaryNameWhenTheCaseChangeFails) {
  // Case-blind: the first attempt answers "exists"; the step from the temporary name
  // to the final one is then refused, and the file must get its old name back.
  class Refusing : public MemoryDirectory {
   public:
    int RenameNoReplace(const std::string& from, const std::string& to) override {
      if (to == "A" && from != "a") return EACCES;
      return MemoryDirectory::RenameNoReplace(from, to);
    }
  } dir;
  dir.ignoreCase = true;
  dir.entries = {{"a", 1}};
  EXPECT_EQ(RenameWithoutReplacing(dir, "a", "A"), EACCES);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a"}));
}

}  // namespace
}  // namespace renamer
