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
#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "fuzz/fuzz_support.h"
#include "tests/engine/report_check.h"
#include "tests/engine/test_support.h"

namespace {

using namespace renamer;

constexpr std::size_t kNameMax = 255;

struct Entry {
  std::string name;  // as created; lookups may ignore case
  int inode = 0;
};

class MemoryFileSystem final : public FileSystem {
 public:
  MemoryFileSystem(FuzzedDataProvider& data, bool noReplace, bool caseBlind)
      : data_(data), noReplace_(noReplace), caseBlind_(caseBlind) {}

  std::map<std::string, Entry> entries;  // key: the name, folded when case is ignored
  std::map<int, std::int64_t> times;

  std::string Key(const std::string& name) const {
    if (!caseBlind_) return name;
    std::string key = name;
    for (char& c : key) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  }
  bool Exists(const std::string& name) const { return entries.count(Key(name)) != 0; }
  void Add(const std::string& name, int inode) { entries[Key(name)] = {name, inode}; }

  // A fault where the fuzzer's byte says so; bytes run out as 0, meaning no fault.
  int Fault() {
    const auto byte = data_.ConsumeIntegral<std::uint8_t>();
    if (byte < 232) return 0;
    static const int kErrors[] = {EACCES, EPERM, EROFS, ENOSPC, EIO, EINVAL, ENOSYS, EBUSY};
    return kErrors[byte % 8];
  }

  std::string lastLinked;
  bool noReplace() const { return noReplace_; }

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
    return name == lastLinked || (restoring_ && IsTemporary(name));
  }

  int List(const std::string&, EntryKind kind, std::vector<std::string>& names) override {
    names.clear();
    if (kind != EntryKind::kFiles) return 0;
    for (const auto& [key, entry] : entries) {
      if (entry.name[0] != '.') names.push_back(entry.name);
    }
    return 0;
  }
  std::unique_ptr<Directory> Open(const std::string&, int& error) override;

 private:
  static bool IsTemporary(const std::string& name) {
    return name.rfind(".batch-renamer-", 0) == 0;
  }

  FuzzedDataProvider& data_;
  std::string parkedFrom_;
  bool restoring_ = false;
  bool noReplace_;
  bool caseBlind_;
};

class MemoryDirectory final : public Directory {
 public:
  explicit MemoryDirectory(MemoryFileSystem& fs) : fs_(fs) {}

  int ModificationTime(const std::string& name, std::int64_t& seconds) override {
    if (const int fault = fs_.Fault()) return fault;
    if (!fs_.Exists(name)) return ENOENT;
    seconds = fs_.times[fs_.entries[fs_.Key(name)].inode];
    return 0;
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    if (!fs_.noReplace()) return EINVAL;
    const bool wayBack = fs_.IsWayBack(from, to);
    if (const int fault = wayBack ? 0 : fs_.Fault()) return fault;
    if (const int error = Check(from, to)) return error;
    const int inode = fs_.entries[fs_.Key(from)].inode;
    fs_.entries.erase(fs_.Key(from));
    fs_.Add(to, inode);
    return 0;
  }
  int Link(const std::string& from, const std::string& to) override {
    const bool wayBack = fs_.IsWayBack(from, to);
    if (const int fault = wayBack ? 0 : fs_.Fault()) return fault;
    if (const int error = Check(from, to)) return error;
    fs_.Add(to, fs_.entries[fs_.Key(from)].inode);
    fs_.lastLinked = to;
    return 0;
  }
  // Taking back a link just made is the engine's way out of a failed move; a fault
  // there would leave two names whatever the engine did.
  int Unlink(const std::string& name) override {
    if (!fs_.IsWayBack(name)) {
      if (const int fault = fs_.Fault()) return fault;
    }
    if (!fs_.Exists(name)) return ENOENT;
    fs_.entries.erase(fs_.Key(name));
    return 0;
  }
  int Identify(const std::string& name, FileIdentity& identity) override {
    if (!fs_.Exists(name)) return ENOENT;
    const int inode = fs_.entries[fs_.Key(name)].inode;
    std::uint64_t links = 0;
    for (const auto& [key, entry] : fs_.entries) links += entry.inode == inode ? 1 : 0;
    identity = {1, static_cast<std::uint64_t>(inode), links};
    return 0;
  }

 private:
  int Check(const std::string& from, const std::string& to) const {
    if (to.empty() || to.size() > kNameMax) return to.empty() ? ENOENT : ENAMETOOLONG;
    if (to.find('/') != std::string::npos || to.find('\0') != std::string::npos) return EINVAL;
    if (!fs_.Exists(from)) return ENOENT;
    if (fs_.Exists(to)) return EEXIST;
    return 0;
  }

  MemoryFileSystem& fs_;
};

std::unique_ptr<Directory> MemoryFileSystem::Open(const std::string&, int& error) {
  error = 0;
  return std::make_unique<MemoryDirectory>(*this);
}

std::map<int, std::string> NameOfInode(const MemoryFileSystem& fs) {
  std::map<int, std::string> names;
  for (const auto& [key, entry] : fs.entries) {
    const bool unique = names.emplace(entry.inode, entry.name).second;
    fuzzing::Require(unique, "a file has two names after the run");
  }
  return names;
}

void CheckRun(const MemoryFileSystem& fs, const std::map<int, std::string>& before,
              const RenameEngine& engine, const std::u16string& report) {
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
  for (const PlannedRename& p : engine.Plan) {
    const auto found = inodeOf.find(EncodeFileName(p.oldName));
    fuzzing::Require(found != inodeOf.end(), "planned a file that is not there");
    finalNames.push_back(after.at(found->second));
    planned.insert(found->second);
  }
  for (const auto& [inode, name] : before) {
    fuzzing::Require(planned.count(inode) != 0 || after.at(inode) == name,
                     "an unplanned file was renamed");
  }
  const std::string breach =
      testing::CheckReportEntries(report, engine.Plan, finalNames, engine.DirectoryPrefix());
  if (!breach.empty()) std::fprintf(stderr, "%s\n", breach.c_str());
  fuzzing::Require(breach.empty(), "plan and report disagree with the disk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  MemoryFileSystem fs(data, data.ConsumeBool(), data.ConsumeBool());
  const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = data.ConsumeRandomLengthString(kNameMax + 8);
    const bool usable = !name.empty() && name != "." && name != ".." &&
                        name.size() <= kNameMax && name.find('/') == std::string::npos &&
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
    const std::u16string& name = window.files[data.ConsumeIntegralInRange<std::size_t>(
        0, window.files.size() - 1)];
    window.typeText = name.substr(name.size() - static_cast<std::size_t>(GetExtLen(name)));
  } else {
    window.typeText = fuzzing::ConsumeText(data, 16);
  }

  RenameEngine engine(window, fs);
  engine.ChgMode = code;
  engine.MaxLen = data.ConsumeIntegral<std::int16_t>();
  const std::map<int, std::string> before = NameOfInode(fs);
  const std::u16string report = engine.RenameFiles();
  CheckRun(fs, before, engine, report);
  return 0;
}
