#include "engine/undo_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

namespace renamer {
namespace {

constexpr std::string_view kPrefix = "run-";
constexpr std::string_view kSuffix = ".journal";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kSequenceDigits = 20;
constexpr auto kPoll = std::chrono::milliseconds(20);

std::atomic<std::int64_t> patienceMs{3000};

int LastError() { return errno != 0 ? errno : EIO; }

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

int ReadAll(int fd, std::string& bytes, std::size_t most) {
  bytes.clear();
  char buffer[65536];
  while (bytes.size() < most) {
    const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, most - bytes.size()));
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (got == 0) return 0;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return 0;
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

/// A file or folder that only this user can have put there and changed.
bool IsOwnAndPrivate(const struct stat& status) {
  return status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

/// Waits until `poll` succeeds, `control` cancels or the patience runs out.
template <typename Poll>
bool WaitFor(const RunControl* control, Poll poll) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMs.load());
  for (;;) {
    if (poll()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (control != nullptr && control->cancel.load()) return false;
    std::this_thread::sleep_for(kPoll);
  }
}

/// The folder of the journals, open. It is used only while it belongs to the user and
/// no one else may write in it, so that no other user can plant a journal there.
class StateFolder {
 public:
  /// Opens the folder at `path`, making it (private) when `create`; on failure returns
  /// an errno value, kErrorStateUnsafe or ENOENT (not made yet) and leaves `folder`
  /// closed.
  static int Open(const std::string& path, bool create, std::unique_ptr<StateFolder>& folder) {
    folder.reset();
    if (create) {
      if (const int error = MakeDirectories(path)) return error;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ELOOP ? kErrorStateUnsafe : LastError();
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !IsOwnAndPrivate(status)) {
      ::close(fd);
      return kErrorStateUnsafe;
    }
    folder.reset(new StateFolder(fd));
    return 0;
  }
  ~StateFolder() { ::close(fd_); }
  StateFolder(const StateFolder&) = delete;
  StateFolder& operator=(const StateFolder&) = delete;

  int Fd() const { return fd_; }

 private:
  explicit StateFolder(int fd) : fd_(fd) {}
  int fd_;
};

/// Held while journals are created, chosen or removed, so two programs never pick the
/// same name or remove a journal the other is choosing. A program that hangs holding it
/// is waited for only a while.
class StoreLock {
 public:
  StoreLock(const StateFolder& folder, const RunControl* control)
      : fd_(::openat(folder.Fd(), "lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600)) {
    if (fd_ < 0) {
      error_ = LastError();
      return;
    }
    if (!WaitFor(control, [this] { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; })) {
      error_ = kErrorStateBusy;
    }
  }
  ~StoreLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  /// 0 once held, else why not.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

struct JournalFile {
  std::string name;
  std::uint64_t bytes = 0;
};

/// The journals in the folder, oldest first: regular files of this user, not links.
/// A caller that holds the store lock (`locked`) also removes the temporary files that
/// a program left when it died while writing one: then no program is writing one now.
std::vector<JournalFile> ListJournals(const StateFolder& folder, bool locked) {
  std::vector<JournalFile> journals;
  const int fd = ::openat(folder.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return journals;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return journals;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(kPrefix)) continue;
    if (name.ends_with(kTemporarySuffix)) {
      if (locked) ::unlinkat(folder.Fd(), entry->d_name, 0);
      continue;
    }
    if (name.size() != kPrefix.size() + kSequenceDigits + kSuffix.size() ||
        !name.ends_with(kSuffix)) {
      continue;
    }
    struct stat status {};
    if (::fstatat(folder.Fd(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) continue;
    journals.push_back({std::string(name), static_cast<std::uint64_t>(status.st_size)});
  }
  ::closedir(dir);
  std::sort(journals.begin(), journals.end(),
            [](const JournalFile& a, const JournalFile& b) { return a.name < b.name; });
  return journals;
}

/// A name after every existing one and never used before: a run's journal can be told
/// from the journal of a run undone and replaced since.
std::string NextJournalName(const std::vector<JournalFile>& journals) {
  std::uint64_t next =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
  if (!journals.empty()) {
    const std::string& last = journals.back().name;
    next = std::max<std::uint64_t>(next,
                                   std::strtoull(last.c_str() + kPrefix.size(), nullptr, 10) + 1);
  }
  std::string digits = std::to_string(next);
  digits.insert(0, kSequenceDigits - std::min(digits.size(), kSequenceDigits), '0');
  return std::string(kPrefix) + digits + std::string(kSuffix);
}

/// Opens a journal of this user for reading and writing, not following a link; -1
/// when there is none such.
int OpenJournal(const StateFolder& folder, const std::string& name) {
  const int fd =
      ::openat(folder.Fd(), name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

/// Drops the oldest journals beyond the limits, never the newest and never one that a
/// program is working on.
void Prune(const StateFolder& folder, std::vector<JournalFile> journals) {
  std::uint64_t total = 0;
  for (const JournalFile& journal : journals) total += journal.bytes;
  std::size_t count = journals.size();
  for (std::size_t i = 0; i + 1 < journals.size(); ++i) {
    if (count <= kJournalsKept && total <= kJournalBytesKept) return;
    const int fd = OpenJournal(folder, journals[i].name);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlinkat(folder.Fd(), journals[i].name.c_str(), 0);
      --count;
      total -= journals[i].bytes;
    }
    ::close(fd);
  }
}

/// The journal of a run in progress, held locked.
class DiskRunJournal final : public RunJournal {
 public:
  DiskRunJournal(std::unique_ptr<StateFolder> folder, int fd, std::string name)
      : folder_(std::move(folder)), fd_(fd), name_(std::move(name)) {}
  ~DiskRunJournal() override { ::close(fd_); }
  DiskRunJournal(const DiskRunJournal&) = delete;
  DiskRunJournal& operator=(const DiskRunJournal&) = delete;

  void Finish(const std::vector<bool>& renamed) override {
    if (std::find(renamed.begin(), renamed.end(), true) == renamed.end()) {
      ::unlinkat(folder_->Fd(), name_.c_str(), 0);
      return;
    }
    // Not synced: a lost end record only makes undo check every step on the disk.
    WriteAll(fd_, EncodeEndRecord(renamed));
  }
  const std::string& Name() const override { return name_; }

 private:
  std::unique_ptr<StateFolder> folder_;
  int fd_;
  std::string name_;
};

/// The newest journal, held locked.
class DiskJournalLease final : public JournalLease {
 public:
  DiskJournalLease(std::unique_ptr<StateFolder> folder, int fd, std::string name, JournaledRun run,
                   std::size_t validBytes)
      : folder_(std::move(folder)),
        fd_(fd),
        name_(std::move(name)),
        run_(std::move(run)),
        validBytes_(validBytes) {}
  ~DiskJournalLease() override { ::close(fd_); }
  DiskJournalLease(const DiskJournalLease&) = delete;
  DiskJournalLease& operator=(const DiskJournalLease&) = delete;

  const JournaledRun& Run() const override { return run_; }
  const std::string& Name() const override { return name_; }

  void Settle(const std::vector<StepState>& state) override {
    run_.state = state;
    bool left = false;
    for (std::size_t i = 0; i < run_.steps.size() && !left; ++i) left = run_.Pending(i);
    if (!left) {
      Discard();
      return;
    }
    // Appended where the readable records end, over whatever a crash left behind.
    const std::string record = EncodeUndoRecord(state);
    if (::ftruncate(fd_, static_cast<off_t>(validBytes_)) != 0) return;
    if (::lseek(fd_, static_cast<off_t>(validBytes_), SEEK_SET) < 0) return;
    if (WriteAll(fd_, record) == 0) validBytes_ += record.size();
  }

 private:
  void Discard() {
    const StoreLock lock(*folder_, nullptr);
    ::unlinkat(folder_->Fd(), name_.c_str(), 0);
  }

  std::unique_ptr<StateFolder> folder_;
  int fd_;
  std::string name_;
  JournaledRun run_;
  /// Where the journal's readable records end; an undo's record goes there.
  std::size_t validBytes_;
};

}  // namespace

std::string JournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/batch-renamer";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/batch-renamer";
}

void SetJournalPatience(std::chrono::milliseconds patience) { patienceMs = patience.count(); }

JournalStore& DefaultJournalStore() {
  static DiskJournalStore store;
  return store;
}

int DiskJournalStore::Create(const JournaledRun& run, const RunControl* control,
                             std::unique_ptr<RunJournal>& journal) {
  journal.reset();
  std::unique_ptr<StateFolder> folder;
  if (const int error = StateFolder::Open(Folder(), true, folder)) return error;
  const StoreLock lock(*folder, control);
  if (lock.Error() != 0) return lock.Error();
  std::vector<JournalFile> journals = ListJournals(*folder, true);
  const std::string name = NextJournalName(journals);
  const std::string temporary = name + std::string(kTemporarySuffix);
  const int dirFd = folder->Fd();
  const int fd =
      ::openat(dirFd, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return LastError();
  // Locked before it gets its name, so that no program ever sees it unlocked mid-run.
  int error = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : LastError();
  const std::string bytes = EncodeJournal(run);
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = LastError();
  if (error == 0 && ::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0) {
    error = LastError();
  }
  if (error == 0 && ::fsync(dirFd) != 0) error = LastError();
  if (error != 0) {
    ::unlinkat(dirFd, temporary.c_str(), 0);
    ::unlinkat(dirFd, name.c_str(), 0);
    ::close(fd);
    return error;
  }
  journals.push_back({name, bytes.size()});
  Prune(*folder, std::move(journals));
  journal = std::make_unique<DiskRunJournal>(std::move(folder), fd, name);
  return 0;
}

bool DiskJournalStore::ReadNewest(NewestJournal& newest) const {
  newest = NewestJournal{};
  std::unique_ptr<StateFolder> folder;
  if (StateFolder::Open(Folder(), false, folder) != 0) return false;
  // Read without the store lock: the start of a journal never changes once it has its
  // name, and a journal removed meanwhile is simply not found.
  std::vector<JournalFile> journals = ListJournals(*folder, false);
  while (!journals.empty()) {
    newest.name = journals.back().name;
    const int fd = OpenJournal(*folder, newest.name);
    journals.pop_back();
    if (fd < 0) continue;
    std::string bytes;
    const int error = ReadAll(fd, bytes, kJournalHeaderBytes);
    ::close(fd);
    newest.damaged = error != 0 || !DecodeJournalHeader(bytes, newest.header);
    return true;
  }
  return false;
}

TakeResult DiskJournalStore::TakeNewest(const std::string* expected, const RunControl* control,
                                        std::unique_ptr<JournalLease>& lease) {
  lease.reset();
  std::unique_ptr<StateFolder> folder;
  const int opened = StateFolder::Open(Folder(), false, folder);
  if (opened == kErrorStateUnsafe) return TakeResult::kUnsafe;
  if (opened != 0) return TakeResult::kNone;

  TakeResult result = TakeResult::kBusy;
  // The newest journal is held by a program that runs or undoes it: wait for it, and
  // never take the run before in its place.
  WaitFor(control, [&] {
    const StoreLock lock(*folder, control);
    if (lock.Error() != 0) return false;
    const std::vector<JournalFile> journals = ListJournals(*folder, true);
    if (journals.empty()) {
      result = expected != nullptr ? TakeResult::kChanged : TakeResult::kNone;
      return true;
    }
    const std::string& name = journals.back().name;
    if (expected != nullptr && name != *expected) {
      result = TakeResult::kChanged;
      return true;
    }
    const int fd = OpenJournal(*folder, name);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    std::string bytes;
    JournaledRun run;
    std::size_t valid = 0;
    if (ReadAll(fd, bytes, SIZE_MAX) != 0 || !DecodeJournal(bytes, run, &valid)) {
      ::unlinkat(folder->Fd(), name.c_str(), 0);
      ::close(fd);
      result = TakeResult::kDamaged;
      return true;
    }
    lease = std::make_unique<DiskJournalLease>(std::move(folder), fd, name, std::move(run), valid);
    result = TakeResult::kTaken;
    return true;
  });
  return result;
}

}  // namespace renamer
