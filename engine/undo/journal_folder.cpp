#include "engine/undo/journal_folder.h"

#include "engine/undo/undo_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace renamer::disk_journal {
namespace {

constexpr std::string_view kPrefix = "run-";
constexpr std::string_view kSuffix = ".journal";
constexpr std::size_t kSequenceDigits = 20;
constexpr auto kPoll = std::chrono::milliseconds(20);

std::atomic<std::int64_t> patienceMs{3000};

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

}  // namespace

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

bool WaitFor(const RunControl* control, const std::function<bool()>& poll) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMs.load());
  for (;;) {
    if (poll()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (control != nullptr && control->cancel.load()) return false;
    std::this_thread::sleep_for(kPoll);
  }
}

int StateFolder::Open(const std::string& path, bool create, std::unique_ptr<StateFolder>& folder) {
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

StateFolder::~StateFolder() { ::close(fd_); }

StoreLock::StoreLock(const StateFolder& folder, const RunControl* control)
    : fd_(::openat(folder.Fd(), "lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600)) {
  if (fd_ < 0) {
    error_ = LastError();
    return;
  }
  if (!WaitFor(control, [this] { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; })) {
    error_ = kErrorStateBusy;
  }
}

StoreLock::~StoreLock() {
  if (fd_ >= 0) ::close(fd_);
}

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

}  // namespace renamer::disk_journal

namespace renamer {

void SetJournalPatience(std::chrono::milliseconds patience) {
  disk_journal::patienceMs = patience.count();
}

}  // namespace renamer
