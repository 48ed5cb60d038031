// Runs and undos killed at every call, on folders in memory: after the kills and one
// more undo by a new engine, the folder must be as it was before the run, name for
// name and link for link. A kill is a test-only exception thrown before the chosen
// call; it leaves the journal without its end record, as a real kill does.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/memory_window.h"
#include "tests/support/random_folder.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::MemoryEntry;
using testing::MemoryFileSystem;
using testing::MemoryJournalStore;
using testing::Printable;
using testing::RandomFolder;
using testing::Utf8;

// How a file system compares letter case.
enum class Fold { kNone, kAscii, kUnicode };

// What the file system can do: its case folding, whether it has the no-replace rename,
// and whether it answers link counts from a cache that never learns (as bindfs does
// for a second).
struct Mount {
  Fold fold = Fold::kNone;
  bool noReplace = true;
  bool staleLinks = false;
};

struct Entry {
  std::string name;
  int inode = 0;  // entries that share it are links of one file
  EntryKind kind = EntryKind::kFiles;
};

// A folder, the run to make on it, and the links another program adds once the run was
// killed (a backup made with ln).
struct Folder {
  std::vector<Entry> entries;
  std::set<std::string> unchecked;
  std::u16string code;
  std::u16string stringText;
  std::u16string valueText;
  std::u16string typeText = u"*.*";
  std::vector<Entry> addedAfterRun;
};

struct Killed {};

// Link counts as they were first read, for ever after.
class StaleLinksFileSystem final : public FileSystem {
 public:
  explicit StaleLinksFileSystem(FileSystem& inner) : inner_(inner) {}
  int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) override {
    return inner_.List(path, kind, names);
  }
  int ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) override {
    return inner_.ListAll(path, entries);
  }
  std::unique_ptr<Directory> Open(const std::string& path, int& error) override {
    std::unique_ptr<Directory> inner = inner_.Open(path, error);
    return inner == nullptr ? nullptr : std::make_unique<Cached>(*this, std::move(inner));
  }

 private:
  class Cached final : public Directory {
   public:
    Cached(StaleLinksFileSystem& owner, std::unique_ptr<Directory> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    int Status(const std::string& name, FileStatus& status) override {
      const int error = inner_->Status(name, status);
      if (error == 0) Stale(status.identity);
      return error;
    }
    int RenameNoReplace(const std::string& from, const std::string& to) override {
      return inner_->RenameNoReplace(from, to);
    }
    int Link(const std::string& from, const std::string& to) override {
      return inner_->Link(from, to);
    }
    int Unlink(const std::string& name) override { return inner_->Unlink(name); }
    int Identify(const std::string& name, FileIdentity& identity) override {
      const int error = inner_->Identify(name, identity);
      if (error == 0) Stale(identity);
      return error;
    }

   private:
    void Stale(FileIdentity& identity) {
      identity.links = owner_.links_.emplace(identity.inode, identity.links).first->second;
    }
    StaleLinksFileSystem& owner_;
    std::unique_ptr<Directory> inner_;
  };

  FileSystem& inner_;
  std::map<std::uint64_t, std::uint64_t> links_;
};

// One try: the folder made afresh, its run killed before its `runKill`th call and the
// first undo before its `undoKill`th (0: not killed), then an undo by a new engine.
class Attempt {
 public:
  Attempt(const Folder& folder, Mount mount)
      : folder_(folder),
        stale_(memory_),
        fs_(mount.staleLinks ? static_cast<FileSystem&>(stale_)
                             : static_cast<FileSystem&>(memory_)) {
    memory_.ignoreCase = mount.fold == Fold::kAscii;
    memory_.ignoreUnicodeCase = mount.fold == Fold::kUnicode;
    memory_.noReplace = mount.noReplace;
    for (const Entry& entry : folder.entries) memory_.Add(entry.name, entry.inode, entry.kind);
    const auto kill = [this] {
      if (++calls_ == killAt_) throw Killed{};
      return FaultyFileSystem::kPass;
    };
    fs_.onTime = [kill](const std::string&) { return kill(); };
    fs_.onUnlink = [kill](const std::string&) { return kill(); };
    fs_.onRename = [kill](const std::string&, const std::string&) { return kill(); };
    fs_.onLink = [kill](const std::string&, const std::string&) { return kill(); };
  }

  // The folder's entries: each name with the file it holds.
  std::set<std::pair<std::string, int>> Entries() const {
    std::set<std::pair<std::string, int>> entries;
    for (const MemoryEntry& entry : memory_.Entries()) {
      entries.emplace(entry.name, entry.inode);
    }
    return entries;
  }
  // False when the folder's names meet on this file system.
  bool Made() const {
    return memory_.Entries().size() == folder_.entries.size() + folder_.addedAfterRun.size();
  }

  // True when the call counted `kill` was reached. With `endLost` the journal keeps no
  // end record, as when the state's disk is full.
  bool Run(std::size_t kill, bool endLost) {
    FakeWindow window;
    window.path = u"/memory";
    window.files = ListNames(memory_, window.path, EntryKind::kFiles);
    for (const std::u16string& name : window.files) {
      window.checked.push_back(folder_.unchecked.count(Utf8(name)) == 0);
    }
    window.stringText = folder_.stringText;
    window.valueText = folder_.valueText;
    window.typeText = folder_.typeText;
    RenameEngine engine(window, fs_, store_);
    engine.ChgMode = folder_.code;
    store_.loseEndRecord = endLost;
    return Killing(kill, [&engine] { engine.RenameFiles(); });
  }
  void AddAfterRun() {
    for (const Entry& entry : folder_.addedAfterRun) memory_.Add(entry.name, entry.inode);
  }
  bool Undo(std::size_t kill, std::u16string* report = nullptr) {
    FakeWindow window;
    RenameEngine engine(window, fs_, store_);
    return Killing(kill, [&] {
      const std::u16string said = engine.UndoLastRun();
      if (report != nullptr) *report = said;
    });
  }
  bool CanUndo() {
    FakeWindow window;
    return RenameEngine(window, fs_, store_).CanUndo();
  }

 private:
  bool Killing(std::size_t kill, const std::function<void()>& job) {
    calls_ = 0;
    killAt_ = kill;
    try {
      job();
    } catch (const Killed&) {
      killAt_ = 0;
      return true;
    }
    killAt_ = 0;
    return false;
  }

  const Folder& folder_;
  MemoryFileSystem memory_;
  StaleLinksFileSystem stale_;
  FaultyFileSystem fs_;
  MemoryJournalStore store_;
  std::size_t calls_ = 0;
  std::size_t killAt_ = 0;
};

std::string Describe(const std::set<std::pair<std::string, int>>& entries) {
  std::string text;
  for (const auto& [name, inode] : entries) {
    text += " " + Printable(name) + "#" + std::to_string(inode);
  }
  return text;
}

// Kills the run at each of its calls in turn, and for each the first undo at each of
// its calls; counts the tries in `tries`. False after a failure.
bool SweepKills(const Folder& folder, Mount mount, std::size_t& tries) {
  std::set<std::pair<std::string, int>> expected;
  {
    Attempt untouched(folder, mount);
    untouched.AddAfterRun();
    // Names that meet on this file system make no folder here.
    if (!untouched.Made()) return true;
    expected = untouched.Entries();
  }
  // Past the last call, the run ends; then once more with its end record lost.
  bool runKilled = true;
  bool endLost = false;
  for (std::size_t runKill = 1; runKilled || !endLost; ++runKill) {
    endLost = !runKilled;
    bool undoKilled = true;
    for (std::size_t undoKill = 1; undoKilled; ++undoKill) {
      SCOPED_TRACE((endLost ? "run not killed, its end record lost"
                            : "run killed at call " + std::to_string(runKill)) +
                   ", undo killed at call " + std::to_string(undoKill));
      Attempt attempt(folder, mount);
      runKilled = attempt.Run(endLost ? 0 : runKill, endLost);
      attempt.AddAfterRun();
      undoKilled = attempt.Undo(undoKill);
      std::u16string report;
      attempt.Undo(0, &report);
      ++tries;
      EXPECT_TRUE(report.empty() || report == u"没有可以撤销的改名。") << Printable(report);
      EXPECT_EQ(Describe(attempt.Entries()), Describe(expected));
      EXPECT_FALSE(attempt.CanUndo());
      if (::testing::Test::HasFailure()) return false;
    }
  }
  return true;
}

const Mount kMounts[] = {
    {Fold::kNone, true, false},    {Fold::kNone, false, false},   {Fold::kNone, false, true},
    {Fold::kAscii, true, false},   {Fold::kAscii, false, false},  {Fold::kAscii, false, true},
    {Fold::kUnicode, true, false}, {Fold::kUnicode, false, true},
};

std::string Describe(Mount mount) {
  return std::string(mount.fold == Fold::kNone    ? "exact case"
                     : mount.fold == Fold::kAscii ? "ASCII case folded"
                                                  : "every case folded") +
         (mount.noReplace ? ", no-replace rename" : ", link fallback") +
         (mount.staleLinks ? ", cached link counts" : "");
}

TEST(UndoKillTest, EveryKillOfARunAndOfItsUndoIsTakenBackOnEveryKindOfMount) {
  const Folder folders[] = {
      // Another name of a.txt is its new name, unchecked: the run never made it, and a
      // backup link made after the kill must not make it look so.
      {{{"a.txt", 1}, {"x_a.txt", 1}, {"b.txt", 2}, {"c.txt", 3}},
       {"x_a.txt"},
       u"ADDPRE",
       u"",
       u"x_",
       u"*.*",
       {{"a.bak", 1}}},
      // Changes of case, through a temporary name where the file system folds case.
      {{{"a.txt", 1}, {"B.txt", 2}, {"c.TXT", 3}}, {}, u"EXT", u"", u".TXT", u"*.*", {}},
      // A change of case of a file with another name, which a folding file system finds
      // under both spellings from the start.
      {{{"a.txt", 1}, {"a.bak", 1}, {"b.txt", 2}}, {"a.bak"}, u"EXT", u"", u".TXT", u"*.*", {}},
      // A change of case of a file that has the new spelling as another name already.
      {{{"a.txt", 1}, {"A.txt", 1}, {"b.txt", 2}}, {"A.txt"}, u"REP", u"a", u"A", u"*.*", {}},
      // A chain: each name freed is taken by the next rename.
      {{{"ab", 1}, {"abc", 2}, {"abcd", 3}, {"abcd.bak", 3}},
       {},
       u"DELLSTN",
       u"",
       u"1",
       u"*.*",
       {}},
  };
  std::size_t tries = 0;
  for (std::size_t f = 0; f < std::size(folders); ++f) {
    for (const Mount& mount : kMounts) {
      SCOPED_TRACE("folder " + std::to_string(f) + ", " + Describe(mount));
      if (!SweepKills(folders[f], mount, tries)) return;
    }
  }
  EXPECT_GT(tries, 1000u);
}

// Seeded random folders whose names meet by letter case, with rules that change case
// among others, and some files with more than one link.
Folder RandomCaseFolder(RandomFolder& random) {
  struct Place {
    Folder& folder;
    int inode = 0;
    bool Exists(const std::string& name) const {
      for (const Entry& entry : folder.entries) {
        if (entry.name == name) return true;
      }
      return false;
    }
    void File(const std::string& name, std::int64_t) { folder.entries.push_back({name, ++inode}); }
    void Obstacle(const std::string& name, std::size_t kind) {
      folder.entries.push_back(
          {name, ++inode, kind == 0 ? EntryKind::kDirectories : EntryKind::kFiles});
    }
  };
  Folder folder;
  Place place{folder};
  random.MakeCaseFolder(place);
  testing::MemoryWindow window;
  RenameEngine rules(window);
  random.PickCaseRule(rules, window);
  folder.code = rules.ChgMode;
  folder.stringText = window.stringText;
  folder.valueText = window.valueText;
  folder.typeText = window.typeText;
  // Now and then a file has another link already, under its new name or another one, or
  // gets a backup link once the run was killed; the link is left unchecked.
  MemoryFileSystem memory;
  for (const Entry& entry : folder.entries) memory.Add(entry.name, entry.inode, entry.kind);
  window.path = u"/memory";
  window.files = ListNames(memory, window.path, EntryKind::kFiles);
  RenameEngine predicting(window, memory);
  predicting.ChgMode = folder.code;
  const std::size_t files = folder.entries.size();
  for (const PredictedRename& file : predicting.PredictRun().files) {
    if (file.outcome != PredictedOutcome::kRenamed || !random.Chance(30)) continue;
    const MemoryEntry* found = memory.Find(Utf8(file.oldName));
    if (found == nullptr) continue;
    const std::size_t kind = random.Below(3);
    const std::string link = kind == 0   ? Utf8(file.newName)
                             : kind == 1 ? "link" + Utf8(file.oldName)
                                         : "backup" + Utf8(file.oldName);
    if (place.Exists(link)) continue;
    auto& into = kind == 2 ? folder.addedAfterRun : folder.entries;
    into.push_back({link, found->inode});
    folder.unchecked.insert(link);
  }
  for (std::size_t i = 0; i < files; ++i) {
    if (random.Chance(15)) folder.unchecked.insert(folder.entries[i].name);
  }
  return folder;
}

TEST(UndoKillTest, EveryKillIsTakenBackOnSeededRandomFolders) {
  std::size_t tries = 0;
  for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomFolder random(seed);
    const Folder folder = RandomCaseFolder(random);
    const Mount mount = kMounts[random.Below(std::size(kMounts))];
    SCOPED_TRACE(Describe(mount));
    if (!SweepKills(folder, mount, tries)) return;
  }
  EXPECT_GT(tries, 10000u);
}

}  // namespace
}  // namespace renamer
