#include "engine/safe_rename.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
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
  int unlinkError = 0;
  std::map<std::string, int> entries;  // shown name -> inode
  int calls = 0;

  int ModificationTime(const std::string&, std::int64_t& seconds) override {
    seconds = 0;
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
    return 0;
  }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : entries) names.insert(entry.first);
    return names;
  }

 private:
  std::map<std::string, int>::iterator Find(const std::string& name) {
    if (!ignoreCase) return entries.find(name);
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
