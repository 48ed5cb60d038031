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
#include "tests/support/random_folder.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::CheckReportEntries;
using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::IsUsableName;
using testing::MemoryEntry;
using testing::MemoryFileSystem;
using testing::MemoryJournalStore;
using testing::Printable;
using testing::RandomFolder;
using testing::RunWithOutcome;
using testing::TempDir;
using testing::WindowRun;

constexpr std::size_t kNameMax = MemoryFileSystem::kNameMax;  // bytes per name on Linux

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

std::u16string Failure(std::u16string_view prefix, const FileChange& planned, int error) {
  std::u16string entry = std::u16string(prefix) + planned.from + u" -> ";
  if (planned.reason == Reason::kNoNewName) return entry + u"(文件名不能为空)\n\r";
  return entry + std::u16string(prefix) + planned.to + u"(" + DescribeError(error) + u")\n\r";
}

Expectation Expect(const Snapshot& before, const std::vector<FileChange>& plan,
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
  for (const FileChange& planned : plan) {
    if (planned.reason == Reason::kNoNewName) {
      expected.report += Failure(prefix, planned, 0);
      continue;
    }
    if (planned.to == planned.from) continue;
    if (!ModelSafeName(planned.to)) {
      expected.report += Failure(prefix, planned, kErrorBadNewName);
      continue;
    }
    const std::string from = EncodeFileName(planned.from);
    const std::string to = EncodeFileName(planned.to);
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
    for (std::size_t attempts = 0; names.size() < count && attempts < 4 * count; ++attempts) {
      const std::string name = rng_.HostileName();
      if (!IsUsableName(name) || !names.insert(name).second) continue;
      parent_.MakeFile("d/" + name, "content " + std::to_string(names.size()), rng_.Time());
    }
    // A directory inside, which the listing skips and a new name may run into.
    const std::string sub = rng_.Chance(50) ? "sub" : rng_.HostileName();
    if (IsUsableName(sub) && names.count(sub) == 0) ::mkdir((Dir() + "/" + sub).c_str(), 0755);
  }

  std::string Dir() const { return parent_.path() + "/d"; }

  std::string OneRun() {
    const Snapshot outsideBefore = TakeSnapshot(parent_.path());
    const Snapshot otherBefore = TakeSnapshot(parent_.path() + "/other");
    const Snapshot before = TakeSnapshot(Dir());

    FakeWindow window;
    window.path = DecodeFileName(Dir());
    window.files =
        ListNames(RealFileSystem(), window.path, EntryKind::kFiles, nullptr, &window.places);
    window.typeText = rng_.TypeText(window.files);
    window.stringText = rng_.FieldText(window.files);
    window.valueText = rng_.FieldText(window.files);

    const auto mode = static_cast<Mode>(rng_.Below(10) < 6 ? 0 : 1 + rng_.Below(2));
    FaultyFileSystem faulty;
    InjectFaults(faulty, mode, window.files);
    RenameEngine engine(window, mode == Mode::kReal ? RealFileSystem() : faulty, journals_);
    engine.ChgMode = rng_.RuleCode();
    engine.MaxLen = static_cast<std::int16_t>(rng_.Pick(std::vector<int>{0, 0, 8, 30, 300}));
    const WindowRun run = RunWithOutcome(engine, window);
    const std::u16string& report = run.report;
    const std::vector<FileChange>& plan = run.outcome.changes;
    ++figures_.runs;
    figures_.planned += plan.size();

    if (TakeSnapshot(parent_.path()) != outsideBefore ||
        TakeSnapshot(parent_.path() + "/other") != otherBefore) {
      return "something changed outside the directory";
    }
    const Snapshot after = TakeSnapshot(Dir());
    std::string failure = CheckConservation(before, after);
    if (failure.empty()) failure = CheckPlanAndReport(engine, plan, window, before, after, report);
    if (failure.empty() && mode != Mode::kRandomFaults && !TimeFailed(report)) {
      const Expectation expected = Expect(before, plan, engine.DirectoryPrefix());
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

  std::string CheckPlanAndReport(const RenameEngine& engine, const std::vector<FileChange>& plan,
                                 const FakeWindow& window, const Snapshot& before,
                                 const Snapshot& after, const std::u16string& report) {
    if (TimeFailed(report)) {
      if (after != before) return "files changed although the run stopped at a time read";
      if (!plan.empty()) return "a plan remains after a failed time read";
      return {};
    }
    std::map<std::string, std::string> nameOfContent;
    for (const auto& [name, content] : after.files) nameOfContent[content] = name;
    std::vector<std::string> finalNames;
    std::set<std::string> planned;
    for (const FileChange& p : plan) {
      const std::string old = EncodeFileName(p.from);
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
    if (planned.size() != plan.size()) return "a file was planned twice";
    if (plan.size() > window.files.size()) return "more planned than listed";
    return CheckReportEntries(report, plan, finalNames, engine.DirectoryPrefix())
        .value_or(std::string());
  }

  RandomFolder rng_;
  RandomFolder faultRng_;
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
