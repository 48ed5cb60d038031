#include "engine/undo_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace renamer {
namespace {

constexpr std::string_view kMagic = "BRJ1";
constexpr char kPlanRecord = 'P';
constexpr char kEndRecord = 'E';
constexpr std::string_view kPrefix = "run-";
constexpr std::string_view kSuffix = ".journal";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kSequenceDigits = 20;

int LastError() { return errno != 0 ? errno : EIO; }

/// FNV-1a over the record's type byte and its payload.
std::uint64_t Checksum(char type, std::string_view payload) {
  std::uint64_t hash = 14695981039346656037ull;
  hash ^= static_cast<unsigned char>(type);
  hash *= 1099511628211ull;
  for (const char c : payload) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

void PutNumber(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PutText(std::string& out, std::string_view text) {
  PutNumber(out, text.size());
  out.append(text);
}

void PutIdentity(std::string& out, const FileIdentity& identity) {
  PutNumber(out, identity.device);
  PutNumber(out, identity.inode);
  PutNumber(out, static_cast<std::uint64_t>(identity.birthNanoseconds));
}

/// Reads what the Put functions wrote; every read fails once the bytes run out.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Number(std::uint64_t& value) {
    if (bytes_.size() < 8) return false;
    value = 0;
    for (int i = 0; i < 8; ++i) {
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[i])} << (8 * i);
    }
    bytes_.remove_prefix(8);
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t size = 0;
    if (!Number(size) || size > bytes_.size()) return false;
    text.assign(bytes_.substr(0, size));
    bytes_.remove_prefix(size);
    return true;
  }
  bool Identity(FileIdentity& identity) {
    std::uint64_t birth = 0;
    if (!Number(identity.device) || !Number(identity.inode) || !Number(birth)) return false;
    identity.birthNanoseconds = static_cast<std::int64_t>(birth);
    return true;
  }
  /// The payload of the next record of `type`, checked against its checksum.
  bool Record(char type, std::string_view& payload) {
    if (bytes_.empty() || bytes_[0] != type) return false;
    bytes_.remove_prefix(1);
    std::uint64_t size = 0;
    if (!Number(size) || size > bytes_.size() || bytes_.size() - size < 8) return false;
    payload = bytes_.substr(0, size);
    bytes_.remove_prefix(size);
    std::uint64_t checksum = 0;
    Number(checksum);
    return checksum == Checksum(type, payload);
  }
  bool Empty() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

void PutRecord(std::string& out, char type, const std::string& payload) {
  out.push_back(type);
  PutNumber(out, payload.size());
  out.append(payload);
  PutNumber(out, Checksum(type, payload));
}

bool DecodePlan(std::string_view payload, JournaledRun& run) {
  Reader reader(payload);
  std::uint64_t started = 0;
  std::uint64_t count = 0;
  if (!reader.Number(started) || !reader.Identity(run.directory) || !reader.Text(run.path) ||
      !reader.Number(count)) {
    return false;
  }
  run.startedSeconds = static_cast<std::int64_t>(started);
  // Each step takes at least 40 bytes; a count beyond that is corrupt, not a reason to
  // reserve gigabytes.
  if (count > payload.size() / 40) return false;
  run.steps.resize(count);
  for (JournalStep& step : run.steps) {
    if (!reader.Text(step.oldName) || !reader.Text(step.newName) ||
        !reader.Identity(step.identity)) {
      return false;
    }
  }
  return reader.Empty();
}

bool DecodeEnd(std::string_view payload, std::size_t steps, std::vector<bool>& renamed) {
  Reader reader(payload);
  std::uint64_t count = 0;
  if (!reader.Number(count) || count != steps) return false;
  std::string bits;
  if (!reader.Text(bits) || bits.size() != (count + 7) / 8 || !reader.Empty()) return false;
  renamed.assign(count, false);
  for (std::size_t i = 0; i < count; ++i) renamed[i] = ((bits[i / 8] >> (i % 8)) & 1) != 0;
  return true;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

int ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (got == 0) return 0;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

/// Makes `path` and its missing parents, private to the user.
int MakeDirectories(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (const int error = MakeDirectories(path.substr(0, slash))) return error;
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return LastError();
  return 0;
}

/// Held while journals are created, chosen or removed, so two programs never pick the
/// same number or remove a journal the other is choosing.
class StoreLock {
 public:
  explicit StoreLock(const std::string& directory)
      : fd_(::open((directory + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~StoreLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

struct JournalFile {
  std::string name;
  std::uint64_t bytes = 0;
};

/// The journals in `directory`, oldest first. Removes temporary files that a program
/// left when it died while writing one; the caller holds the store lock, so no program
/// is writing one now.
std::vector<JournalFile> ListJournals(const std::string& directory) {
  std::vector<JournalFile> journals;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return journals;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(kPrefix)) continue;
    const std::string path = directory + "/" + std::string(name);
    if (name.ends_with(kTemporarySuffix)) {
      ::unlink(path.c_str());
      continue;
    }
    if (name.size() != kPrefix.size() + kSequenceDigits + kSuffix.size() ||
        !name.ends_with(kSuffix)) {
      continue;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) continue;
    journals.push_back({std::string(name), static_cast<std::uint64_t>(status.st_size)});
  }
  ::closedir(dir);
  std::sort(journals.begin(), journals.end(),
            [](const JournalFile& a, const JournalFile& b) { return a.name < b.name; });
  return journals;
}

std::string NextJournalName(const std::vector<JournalFile>& journals) {
  std::uint64_t next = 1;
  if (!journals.empty()) {
    const std::string& last = journals.back().name;
    next = std::strtoull(last.c_str() + kPrefix.size(), nullptr, 10) + 1;
  }
  std::string digits = std::to_string(next);
  digits.insert(0, kSequenceDigits - std::min(digits.size(), kSequenceDigits), '0');
  return std::string(kPrefix) + digits + std::string(kSuffix);
}

/// Opens the journal and locks it; -1 when it is gone or another program holds it.
int OpenUnlocked(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

/// Drops the oldest journals beyond the limits, never the newest and never one that a
/// program is working on.
void Prune(const std::string& directory, std::vector<JournalFile> journals) {
  std::uint64_t total = 0;
  for (const JournalFile& journal : journals) total += journal.bytes;
  std::size_t count = journals.size();
  for (std::size_t i = 0; i + 1 < journals.size(); ++i) {
    if (count <= kJournalsKept && total <= kJournalBytesKept) return;
    const std::string path = directory + "/" + journals[i].name;
    const int fd = OpenUnlocked(path);
    if (fd < 0) continue;
    ::unlink(path.c_str());
    ::close(fd);
    --count;
    total -= journals[i].bytes;
  }
}

int SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  const int error = ::fsync(fd) == 0 ? 0 : LastError();
  ::close(fd);
  return error;
}

}  // namespace

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.device != b.device || a.inode != b.inode) return false;
  return a.birthNanoseconds == 0 || b.birthNanoseconds == 0 ||
         a.birthNanoseconds == b.birthNanoseconds;
}

std::string EncodeJournal(const JournaledRun& run) {
  // Written in place, not built apart and copied: a journal of 100,000 files is
  // megabytes, and a run waits for it.
  std::size_t size = 96 + run.path.size();
  for (const JournalStep& step : run.steps) size += 40 + step.oldName.size() + step.newName.size();
  std::string bytes(kMagic);
  bytes.reserve(size);
  bytes.push_back(kPlanRecord);
  const std::size_t lengthAt = bytes.size();
  PutNumber(bytes, 0);
  const std::size_t payloadAt = bytes.size();
  PutNumber(bytes, static_cast<std::uint64_t>(run.startedSeconds));
  PutIdentity(bytes, run.directory);
  PutText(bytes, run.path);
  PutNumber(bytes, run.steps.size());
  for (const JournalStep& step : run.steps) {
    PutText(bytes, step.oldName);
    PutText(bytes, step.newName);
    PutIdentity(bytes, step.identity);
  }
  std::string length;
  PutNumber(length, bytes.size() - payloadAt);
  bytes.replace(lengthAt, length.size(), length);
  const std::uint64_t checksum = Checksum(kPlanRecord, std::string_view(bytes).substr(payloadAt));
  PutNumber(bytes, checksum);
  return bytes;
}

std::string EncodeEndRecord(const std::vector<bool>& renamed) {
  std::string bits((renamed.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < renamed.size(); ++i) {
    if (renamed[i]) bits[i / 8] = static_cast<char>(bits[i / 8] | (1 << (i % 8)));
  }
  std::string payload;
  PutNumber(payload, renamed.size());
  PutText(payload, bits);
  std::string bytes;
  PutRecord(bytes, kEndRecord, payload);
  return bytes;
}

bool DecodeJournal(std::string_view bytes, JournaledRun& run) {
  run = JournaledRun{};
  if (!bytes.starts_with(kMagic)) return false;
  Reader reader(bytes.substr(kMagic.size()));
  std::string_view payload;
  if (!reader.Record(kPlanRecord, payload) || !DecodePlan(payload, run)) {
    run = JournaledRun{};
    return false;
  }
  run.complete =
      reader.Record(kEndRecord, payload) && DecodeEnd(payload, run.steps.size(), run.renamed);
  if (!run.complete) run.renamed.clear();
  return true;
}

std::string JournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/batch-renamer";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/batch-renamer";
}

int RunJournal::Create(const JournaledRun& run, std::unique_ptr<RunJournal>& journal) {
  journal.reset();
  const std::string directory = JournalDirectory();
  if (const int error = MakeDirectories(directory)) return error;
  const StoreLock lock(directory);
  if (!lock.Held()) return LastError();
  std::vector<JournalFile> journals = ListJournals(directory);
  const std::string name = NextJournalName(journals);
  const std::string path = directory + "/" + name;
  const std::string temporary = path + std::string(kTemporarySuffix);
  const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return LastError();
  // Locked before it gets its name, so that no program ever sees it unlocked mid-run.
  int error = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : LastError();
  const std::string bytes = EncodeJournal(run);
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = LastError();
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = LastError();
  if (error == 0) error = SyncDirectory(directory);
  if (error != 0) {
    ::unlink(temporary.c_str());
    ::unlink(path.c_str());
    ::close(fd);
    return error;
  }
  journals.push_back({name, bytes.size()});
  Prune(directory, std::move(journals));
  journal.reset(new RunJournal(fd, path));
  return 0;
}

RunJournal::~RunJournal() { ::close(fd_); }

void RunJournal::Finish(const std::vector<bool>& renamed) {
  if (std::find(renamed.begin(), renamed.end(), true) == renamed.end()) {
    ::unlink(file_.c_str());
    return;
  }
  // Not synced: a lost end record only makes undo check every step on the disk.
  WriteAll(fd_, EncodeEndRecord(renamed));
}

std::unique_ptr<JournalLease> JournalLease::TakeNewest() {
  const std::string directory = JournalDirectory();
  struct stat status {};
  if (::stat(directory.c_str(), &status) != 0) return nullptr;
  const StoreLock lock(directory);
  if (!lock.Held()) return nullptr;
  const std::vector<JournalFile> journals = ListJournals(directory);
  for (auto it = journals.rbegin(); it != journals.rend(); ++it) {
    const std::string path = directory + "/" + it->name;
    const int fd = OpenUnlocked(path);
    if (fd < 0) continue;
    std::string bytes;
    JournaledRun run;
    if (ReadAll(fd, bytes) == 0 && DecodeJournal(bytes, run)) {
      return std::unique_ptr<JournalLease>(new JournalLease(fd, path, std::move(run)));
    }
    // A journal that cannot be read is skipped, not removed: it is pruned with age.
    ::close(fd);
  }
  return nullptr;
}

JournalLease::~JournalLease() { ::close(fd_); }

void JournalLease::Discard() {
  const std::size_t slash = file_.find_last_of('/');
  const StoreLock lock(file_.substr(0, slash));
  ::unlink(file_.c_str());
}

}  // namespace renamer
