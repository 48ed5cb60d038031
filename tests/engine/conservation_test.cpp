// Random directories, random rules, random field texts: whatever a run does, no file
// may be lost, duplicated, overwritten or moved out of its directory, and every file
// that keeps its old name must be in the report exactly once.
//
// RENAMER_CONSERVATION_CASES sets the number of cases; RENAMER_CONSERVATION_SEED reruns
// the single case that a failure names; RENAMER_CONSERVATION_ROOT chooses where the
// directories are made.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/memory_window.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::CheckReportEntries;
using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::MemoryEntry;
using testing::MemoryFileSystem;
using testing::MemoryJournalStore;
using testing::Printable;
using testing::TempDir;

constexpr std::size_t kNameMax = MemoryFileSystem::kNameMax;  // bytes per name on Linux

// splitmix64: the same sequence on every platform, so a seed names one case for good.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool Chance(std::size_t percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  std::uint64_t state_;
};

// Pieces of names, as bytes: ASCII, CJK, combining marks, emoji outside the BMP,
// spaces, dots, bytes that are not UTF-8, a newline and other odd characters.
const std::vector<std::string> kPieces = {
    "a",
    "b",
    "ab",
    "img",
    "IMG",
    "1",
    "2",
    "10",
    "x",
    "照片",
    "文件",
    "中",
    "e\xCC\x81",
    "\xCC\x88",
    "\xF0\x9F\x98\x80",
    "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
    " ",
    "  ",
    ".",
    "..",
    "\xFF",
    "\xC3",
    "\x80",
    "\xED\xA0\x80",
    "\xC0\xAF",
    "\n",
    "\\",
    "*",
    "?",
    "\t",
    "-",
    "(",
    ")",
    "~",
};
const std::vector<std::string> kExtensionPieces = {
    "jpg", "JPG", "txt", "gz", "tar", "中", "\xF0\x9F\x98\x80", "\xFE", " ", "e\xCC\x81",
};

std::string RandomPieces(Rng& rng, const std::vector<std::string>& pieces, std::size_t max) {
  std::string text;
  for (std::size_t i = rng.Below(max + 1); i > 0; --i) text += rng.Pick(pieces);
  return text;
}

std::string RandomName(Rng& rng) {
  std::string base = RandomPieces(rng, kPieces, 4);
  if (rng.Chance(15)) base = " " + base;
  if (rng.Chance(15)) base += " ";
  std::string ext;
  if (rng.Chance(75)) {
    ext = "." + RandomPieces(rng, kExtensionPieces, 2);
    if (rng.Chance(10)) ext.insert(1, " ");
    if (rng.Chance(10)) ext += " ";
  }
  if (rng.Chance(5)) base = "." + base;  // hidden: never listed, must stay untouched
  if (rng.Chance(6) && base.size() + ext.size() < kNameMax) {
    base.append(kNameMax - base.size() - ext.size(), rng.Chance(50) ? 'x' : ' ');
  }
  return base + ext;
}

bool IsUsableName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.size() <= kNameMax &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// Field texts: empty, separators, "..", very long texts, parts of listed names (so
// that rules make names collide), numbers in and out of range, NUL, lone surrogates.
std::u16string RandomText(Rng& rng, const std::vector<std::u16string>& listed) {
  switch (rng.Below(16)) {
    case 0:
      return u"";
    case 1:
      return u" ";
    case 2:
      return u"/";
    case 3:
      return u"..";
    case 4:
      return u".";
    case 5:
      return u"a/b";
    case 6:
      return u"../x";
    case 7: {
      std::string text;
      for (std::size_t i = 100 + rng.Below(300); i > 0; --i) text += rng.Pick(kPieces);
      return DecodeFileName(text);
    }
    case 8:
    case 9: {
      if (listed.empty()) return u"a";
      const std::u16string& name = rng.Pick(listed);
      const std::size_t start = rng.Below(name.size() + 1);
      return name.substr(start, 1 + rng.Below(3));
    }
    case 10: {
      const auto number = static_cast<long long>(rng.Below(17)) - 4;
      return DecodeFileName(std::to_string(number));
    }
    case 11:
      return DecodeFileName(RandomPieces(rng, kPieces, 3));
    case 12:
      return u" x ";
    case 13:
      return std::u16string(1, u'\0');
    case 14:
      return rng.Chance(50) ? u"\xD800" : u"\xDCFF";
    default:
      return rng.Pick(std::vector<std::u16string>{u"2.5", u"1,000", u"abc", u"1e1"});
  }
}

std::u16string RandomTypeText(Rng& rng, const std::vector<std::u16string>& listed) {
  std::u16string ext;
  if (!listed.empty()) {
    const std::u16string& name = rng.Pick(listed);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) ext = name.substr(dot);
  }
  switch (rng.Below(7)) {
    case 0:
    case 1:
      return u"*.*";
    case 2:
      return u" *.* ";
    case 3:
      return ext;
    case 4:
      return u" " + ext + u" ";
    case 5:
      return u"";
    default:
      return RandomText(rng, listed);
  }
}

std::u16string RandomCode(Rng& rng) {
  const std::size_t pick = rng.Below(kRules.size() + 2);
  if (pick < kRules.size()) return std::u16string(kRules[pick].code);
  return pick == kRules.size() ? u"" : u"ADDpre";
}

// Everything in one directory: regular files with their contents, and other entries.
struct Snapshot {
  std::map<std::string, std::string> files;
  std::set<std::string> others;
  bool operator==(const Snapshot&) const = default;
};

Snapshot TakeSnapshot(const std::string& path) {
  Snapshot snapshot;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return snapshot;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status {};
    const std::string full = path + "/" + name;
    if (::lstat(full.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      std::ifstream in(full, std::ios::binary);
      snapshot.files[name].assign(std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>());
    } else {
      snapshot.others.insert(name);
    }
  }
  ::closedir(dir);
  return snapshot;
}

bool ModelSafeName(std::u16string_view name) {
  return !name.empty() && name != u"." && name != u".." &&
         name.find(u'/') == std::u16string_view::npos &&
         name.find(u'\0') == std::u16string_view::npos;
}

// What the disk and the report must look like after a run on a file system that
// behaves like the real one: files renamed one by one in plan order on a copy of the
// directory kept in memory, a rename refused when its name is unusable or too long or
// its target exists.
struct Expectation {
  Snapshot disk;
  std::u16string report;
};

std::u16string Failure(std::u16string_view prefix, const PlannedRename& planned, int error) {
  std::u16string entry = std::u16string(prefix) + planned.oldName + u" -> ";
  if (!planned.hasNewName) return entry + u"(文件名不能为空)\n\r";
  return entry + std::u16string(prefix) + planned.newName + u"(" + DescribeError(error) + u")\n\r";
}

Expectation Expect(const Snapshot& before, const std::vector<PlannedRename>& plan,
                   std::u16string_view prefix) {
  // Each file's content is found again through its inode, its index here.
  std::vector<std::string> contents;
  MemoryFileSystem memory;
  for (const auto& [name, content] : before.files) {
    memory.Add(name, static_cast<int>(contents.size()));
    contents.push_back(content);
  }
  int other = 0;
  for (const std::string& name : before.others) {
    memory.Add(name, --other, EntryKind::kDirectories);
  }
  int openError = 0;
  const std::unique_ptr<Directory> disk = memory.Open("", openError);

  Expectation expected;
  for (const PlannedRename& planned : plan) {
    if (!planned.hasNewName) {
      expected.report += Failure(prefix, planned, 0);
      continue;
    }
    if (planned.newName == planned.oldName) continue;
    if (!ModelSafeName(planned.newName)) {
      expected.report += Failure(prefix, planned, kErrorBadNewName);
      continue;
    }
    const std::string from = EncodeFileName(planned.oldName);
    const std::string to = EncodeFileName(planned.newName);
    if (to == from) continue;
    const int error = disk->RenameNoReplace(from, to);
    if (error != 0) expected.report += Failure(prefix, planned, error);
  }
  for (const MemoryEntry& entry : memory.Entries()) {
    if (entry.kind == EntryKind::kFiles) {
      expected.disk.files[entry.name] = contents[static_cast<std::size_t>(entry.inode)];
    } else {
      expected.disk.others.insert(entry.name);
    }
  }
  return expected;
}

enum class Mode { kReal, kNoReplaceMissing, kRandomFaults };

struct Figures {
  std::size_t runs = 0;
  std::size_t planned = 0;
  std::size_t renamed = 0;
  std::size_t faults = 0;
};

// One case: a parent directory holding the run's directory "d" and two bystanders.
class Case {
 public:
  Case(std::uint64_t seed, const std::string& root, Figures& figures)
      : rng_(seed), faultRng_(seed ^ 0x5DEECE66Dull), parent_(root), figures_(figures) {}

  std::string Run() {
    Populate();
    const std::size_t runs = 1 + rng_.Below(2);
    for (std::size_t r = 0; r < runs; ++r) {
      std::string failure = OneRun();
      if (!failure.empty()) return "run " + std::to_string(r + 1) + ": " + failure;
    }
    return {};
  }

 private:
  void Populate() {
    ::mkdir(Dir().c_str(), 0755);
    ::mkdir((parent_.path() + "/other").c_str(), 0755);
    parent_.MakeFile("outside", "outside");
    parent_.MakeFile("other/inside", "inside");
    const std::size_t count = rng_.Chance(3) ? 100 + rng_.Below(200) : rng_.Below(26);
    std::set<std::string> names;
    static const std::vector<std::int64_t> kTimes = {1704067200, 1704067201, 1709629507,
                                                     1709596800, 1735084800, 1735154999};
    for (std::size_t attempts = 0; names.size() < count && attempts < 4 * count; ++attempts) {
      const std::string name = RandomName(rng_);
      if (!IsUsableName(name) || !names.insert(name).second) continue;
      const std::int64_t time = rng_.Chance(50)
                                    ? rng_.Pick(kTimes)
                                    : 1600000000 + static_cast<std::int64_t>(rng_.Below(100000000));
      parent_.MakeFile("d/" + name, "content " + std::to_string(names.size()), time);
    }
    // A directory inside, which the listing skips and a new name may run into.
    const std::string sub = rng_.Chance(50) ? "sub" : RandomName(rng_);
    if (IsUsableName(sub) && names.count(sub) == 0) ::mkdir((Dir() + "/" + sub).c_str(), 0755);
  }

  std::string Dir() const { return parent_.path() + "/d"; }

  std::string OneRun() {
    const Snapshot outsideBefore = TakeSnapshot(parent_.path());
    const Snapshot otherBefore = TakeSnapshot(parent_.path() + "/other");
    const Snapshot before = TakeSnapshot(Dir());

    FakeWindow window;
    window.path = DecodeFileName(Dir());
    window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
    window.typeText = RandomTypeText(rng_, window.files);
    window.stringText = RandomText(rng_, window.files);
    window.valueText = RandomText(rng_, window.files);

    const auto mode = static_cast<Mode>(rng_.Below(10) < 6 ? 0 : 1 + rng_.Below(2));
    FaultyFileSystem faulty;
    InjectFaults(faulty, mode, window.files);
    RenameEngine engine(window, mode == Mode::kReal ? RealFileSystem() : faulty, journals_);
    engine.ChgMode = RandomCode(rng_);
    engine.MaxLen = static_cast<std::int16_t>(rng_.Pick(std::vector<int>{0, 0, 8, 30, 300}));
    const std::u16string report = engine.RenameFiles();
    ++figures_.runs;
    figures_.planned += engine.Plan.size();

    if (TakeSnapshot(parent_.path()) != outsideBefore ||
        TakeSnapshot(parent_.path() + "/other") != otherBefore) {
      return "something changed outside the directory";
    }
    const Snapshot after = TakeSnapshot(Dir());
    std::string failure = CheckConservation(before, after);
    if (failure.empty()) failure = CheckPlanAndReport(engine, window, before, after, report);
    if (failure.empty() && mode != Mode::kRandomFaults && !TimeFailed(report)) {
      const Expectation expected = Expect(before, engine.Plan, engine.DirectoryPrefix());
      if (expected.disk != after) failure = "disk differs from the expected renames";
      if (failure.empty() && expected.report != report) {
        failure = "report differs: got \"" + Printable(report) + "\" expected \"" +
                  Printable(expected.report) + "\"";
      }
    }
    if (!failure.empty()) {
      failure += " [rule \"" + Printable(engine.ChgMode) + "\", string \"" +
                 Printable(window.stringText) + "\", value \"" + Printable(window.valueText) +
                 "\", type \"" + Printable(window.typeText) + "\", mode " +
                 std::to_string(static_cast<int>(mode)) + "]";
    }
    return failure;
  }

  // Faults are drawn from their own generator so that the case's names and texts do
  // not depend on how many file-system calls the engine makes.
  void InjectFaults(FaultyFileSystem& fs, Mode mode, const std::vector<std::u16string>& listed) {
    if (mode == Mode::kNoReplaceMissing) {
      const int error = rng_.Pick(std::vector<int>{EINVAL, ENOSYS, EOPNOTSUPP});
      fs.onRename = [error](const std::string&, const std::string&) { return error; };
      return;
    }
    if (mode != Mode::kRandomFaults) return;
    static const std::vector<int> kErrors = {EACCES, EPERM,  EROFS, ENOSPC,       EIO,
                                             EINVAL, ENOSYS, EBUSY, ENAMETOOLONG, EXDEV};
    auto fault = [this](std::size_t percent) {
      if (!faultRng_.Chance(percent)) return FaultyFileSystem::kPass;
      ++figures_.faults;
      return faultRng_.Pick(kErrors);
    };
    fs.onRename = [fault](const std::string&, const std::string&) { return fault(30); };
    fs.onLink = [this, fault](const std::string&, const std::string& to) {
      const int result = fault(30);
      if (result == FaultyFileSystem::kPass) lastLinked_ = to;
      return result;
    };
    // Removing the name just made by a failed link-and-unlink is the engine's way
    // back; a fault there would leave a second name whatever the engine did.
    fs.onUnlink = [this, fault](const std::string& name) {
      return name == lastLinked_ ? FaultyFileSystem::kPass : fault(30);
    };
    if (!listed.empty() && rng_.Chance(10)) {
      const std::string victim = EncodeFileName(rng_.Pick(listed));
      fs.onTime = [this, victim](const std::string& name) {
        if (name != victim) return FaultyFileSystem::kPass;
        ++figures_.faults;
        return EACCES;
      };
    }
  }

  static bool TimeFailed(std::u16string_view report) {
    return report.substr(0, kUnreadableTimeMessage.size()) == kUnreadableTimeMessage;
  }

  // Same number of files, every content exactly once, other entries untouched.
  static std::string CheckConservation(const Snapshot& before, const Snapshot& after) {
    if (after.files.size() != before.files.size()) {
      return "file count changed from " + std::to_string(before.files.size()) + " to " +
             std::to_string(after.files.size());
    }
    if (after.others != before.others) return "a non-file entry appeared or vanished";
    std::multiset<std::string> was;
    std::multiset<std::string> is;
    for (const auto& [name, content] : before.files) was.insert(content);
    for (const auto& [name, content] : after.files) is.insert(content);
    if (was != is) return "contents lost or duplicated";
    return {};
  }

  std::string CheckPlanAndReport(const RenameEngine& engine, const FakeWindow& window,
                                 const Snapshot& before, const Snapshot& after,
                                 const std::u16string& report) {
    if (TimeFailed(report)) {
      if (after != before) return "files changed although the run stopped at a time read";
      if (!engine.Plan.empty()) return "a plan remains after a failed time read";
      return {};
    }
    std::map<std::string, std::string> nameOfContent;
    for (const auto& [name, content] : after.files) nameOfContent[content] = name;
    std::vector<std::string> finalNames;
    std::set<std::string> planned;
    for (const PlannedRename& p : engine.Plan) {
      const std::string old = EncodeFileName(p.oldName);
      const auto found = before.files.find(old);
      if (found == before.files.end()) return "planned a file that is not there: " + Printable(old);
      finalNames.push_back(nameOfContent[found->second]);
      planned.insert(old);
      figures_.renamed += finalNames.back() != old ? 1 : 0;
    }
    for (const auto& [name, content] : before.files) {
      if (planned.count(name) == 0 && nameOfContent[content] != name) {
        return "unplanned file " + Printable(name) + " was renamed";
      }
    }
    if (planned.size() != engine.Plan.size()) return "a file was planned twice";
    if (engine.Plan.size() > window.files.size()) return "more planned than listed";
    return CheckReportEntries(report, engine.Plan, finalNames, engine.DirectoryPrefix())
        .value_or(std::string());
  }

  Rng rng_;
  Rng faultRng_;
  TempDir parent_;
  Figures& figures_;
  std::string lastLinked_;
  // The runs' journals: kept in memory, as no case undoes.
  MemoryJournalStore journals_;
};

// Memory-backed scratch space keeps thousands of cases within seconds;
// RENAMER_CONSERVATION_ROOT puts the cases on another file system.
std::string ScratchRoot() {
  const char* chosen = std::getenv("RENAMER_CONSERVATION_ROOT");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
  const char* base = std::getenv("TMPDIR");
  return base != nullptr && *base != '\0' ? base : "/tmp";
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(ConservationTest, NoRunLosesMovesOrDuplicatesAFile) {
  const std::string root = ScratchRoot();
  const bool single = std::getenv("RENAMER_CONSERVATION_SEED") != nullptr;
  const std::uint64_t first = EnvNumber("RENAMER_CONSERVATION_SEED", 1);
  const std::uint64_t cases = single ? 1 : EnvNumber("RENAMER_CONSERVATION_CASES", 3000);
  Figures figures;
  for (std::uint64_t seed = first; seed < first + cases; ++seed) {
    const std::string failure = Case(seed, root, figures).Run();
    if (!failure.empty()) {
      ADD_FAILURE() << "seed " << seed << " (rerun with RENAMER_CONSERVATION_SEED=" << seed
                    << "): " << failure;
      break;
    }
  }
  std::cout << cases << " cases, " << figures.runs << " runs, " << figures.planned
            << " files planned, " << figures.renamed << " renamed, " << figures.faults
            << " faults injected\n";
  EXPECT_GT(figures.renamed, 0u);
}

}  // namespace
}  // namespace renamer
