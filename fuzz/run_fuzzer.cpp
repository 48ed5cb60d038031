// Whole runs on a file system kept in memory: fuzzed names, rule, field texts and
// type filter, and a file system that may lack the no-replace rename, may ignore
// letter case, and fails calls where the fuzzer says so. After every run each file
// must exist under exactly one name, and each planned file must bear its new name or
// be reported once under its old one.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/memory_window.h"
#include "tests/support/report_check.h"

namespace {

using namespace renamer;
using testing::FaultyFileSystem;
using testing::MemoryEntry;
using testing::MemoryFileSystem;

constexpr std::size_t kNameMax = MemoryFileSystem::kNameMax;
constexpr int kPass = FaultyFileSystem::kPass;

// Faults on the memory file system where the fuzzer's bytes say so, except on the
// engine's ways back.
class Faults {
 public:
  Faults(FuzzedDataProvider& data, const MemoryFileSystem& memory, FaultyFileSystem& fs)
      : data_(data) {
    fs.onTime = [this](const std::string&) { return Fault(); };
    fs.onRename = [this, &memory](const std::string& from, const std::string& to) {
      if (!memory.noReplace) return kPass;  // answered EINVAL without a byte spent
      return IsWayBack(from, to) ? kPass : Fault();
    };
    fs.onLink = [this](const std::string& from, const std::string& to) {
      const int fault = IsWayBack(from, to) ? kPass : Fault();
      if (fault == kPass) lastLinked_ = to;
      return fault;
    };
    // Taking back a link just made is the engine's way out of a failed move; a fault
    // there would leave two names whatever the engine did.
    fs.onUnlink = [this](const std::string& name) { return IsWayBack(name) ? kPass : Fault(); };
  }

 private:
  // A fault where the fuzzer's byte says so; bytes run out as 0, meaning no fault.
  int Fault() {
    const auto byte = data_.ConsumeIntegral<std::uint8_t>();
    if (byte < 232) return kPass;
    static const int kErrors[] = {EACCES, EPERM, EROFS, ENOSPC, EIO, EINVAL, ENOSYS, EBUSY};
    return kErrors[byte % 8];
  }

  // The steps that take a file back to its old name after a failed move through a
  // temporary name are the engine's way back, like removing a link just made: faults
  // there would leave the file under its temporary name whatever the engine did.
  bool IsWayBack(const std::string& from, const std::string& to) {
    if (IsTemporary(to)) {
      parkedFrom_ = from;
      restoring_ = false;
    }
    if (IsTemporary(from) && to == parkedFrom_) restoring_ = true;
    return restoring_ && IsTemporary(from);
  }
  bool IsWayBack(const std::string& name) const {
    return name == lastLinked_ || (restoring_ && IsTemporary(name));
  }
  // The shape of the engine's temporary names (see TemporaryName).
  static bool IsTemporary(const std::string& name) {
    return name.starts_with("batch-renamer-") && name.ends_with(".tmp");
  }

  FuzzedDataProvider& data_;
  std::string lastLinked_;
  std::string parkedFrom_;
  bool restoring_ = false;
};

std::map<int, std::string> NameOfInode(const MemoryFileSystem& fs) {
  std::map<int, std::string> names;
  for (const MemoryEntry& entry : fs.Entries()) {
    const bool unique = names.emplace(entry.inode, entry.name).second;
    fuzzing::Require(unique, "a file has two names after the run");
  }
  return names;
}

void CheckRun(const MemoryFileSystem& fs, const std::map<int, std::string>& before,
              const RenameEngine& engine, const std::u16string& report,
              const std::vector<FileChange>& plan) {
  const std::map<int, std::string> after = NameOfInode(fs);
  fuzzing::Require(after.size() == before.size(), "a file appeared or vanished");
  if (report.substr(0, kUnreadableTimeMessage.size()) == kUnreadableTimeMessage) {
    fuzzing::Require(after == before, "files renamed although a time read failed");
    return;
  }
  std::map<std::string, int> inodeOf;
  for (const auto& [inode, name] : before) inodeOf[name] = inode;
  std::vector<std::string> finalNames;
  std::set<int> planned;
  for (const FileChange& p : plan) {
    const auto found = inodeOf.find(EncodeFileName(p.from));
    fuzzing::Require(found != inodeOf.end(), "planned a file that is not there");
    finalNames.push_back(after.at(found->second));
    planned.insert(found->second);
  }
  for (const auto& [inode, name] : before) {
    fuzzing::Require(planned.count(inode) != 0 || after.at(inode) == name,
                     "an unplanned file was renamed");
  }
  const std::optional<std::string> breach =
      testing::CheckReportEntries(report, plan, finalNames, engine.DirectoryPrefix());
  if (breach) std::fprintf(stderr, "%s\n", breach->c_str());
  fuzzing::Require(!breach, "plan and report disagree with the disk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  MemoryFileSystem fs;
  fs.noReplace = data.ConsumeBool();
  fs.ignoreCase = data.ConsumeBool();
  FaultyFileSystem faulty(fs);
  Faults faults(data, fs, faulty);
  const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = data.ConsumeRandomLengthString(kNameMax + 8);
    const bool usable = !name.empty() && name != "." && name != ".." && name.size() <= kNameMax &&
                        name.find('/') == std::string::npos &&
                        name.find('\0') == std::string::npos && !fs.Exists(name);
    if (!usable) continue;
    const auto inode = static_cast<int>(i + 1);
    fs.Add(name, inode);
    fs.times[inode] = data.ConsumeIntegralInRange<std::int64_t>(0, 4102444800);
  }

  testing::FakeWindow window;
  window.path = u"/d";
  window.files = ListNames(fs, window.path, EntryKind::kFiles);
  const std::size_t rule = data.ConsumeIntegralInRange<std::size_t>(0, kRules.size());
  const std::u16string code = rule < kRules.size() ? std::u16string(kRules[rule].code) : u"";
  window.stringText = fuzzing::ConsumeText(data, 64);
  window.valueText = fuzzing::ConsumeText(data, 64);
  if (data.ConsumeBool()) {
    window.typeText = u"*.*";
  } else if (data.ConsumeBool() && !window.files.empty()) {
    const std::u16string& name =
        window.files[data.ConsumeIntegralInRange<std::size_t>(0, window.files.size() - 1)];
    window.typeText = name.substr(name.size() - static_cast<std::size_t>(GetExtLen(name)));
  } else {
    window.typeText = fuzzing::ConsumeText(data, 16);
  }

  // Each run writes an undo journal: in memory, never into the home, at no disk sync.
  testing::MemoryJournalStore journals;
  RenameEngine engine(window, faulty, journals);
  engine.ChgMode = code;
  engine.MaxLen = data.ConsumeIntegral<std::int16_t>();
  const std::map<int, std::string> before = NameOfInode(fs);
  const testing::WindowRun run = testing::RunWithOutcome(engine, window);
  CheckRun(fs, before, engine, run.report, run.outcome.changes);
  return 0;
}
