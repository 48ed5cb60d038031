#include "engine/undo/undo_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "engine/undo/journal_folder.h"

namespace renamer {
namespace {

using namespace disk_journal;

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
                   std::size_t validBytes, UnsavedStates& unsaved, std::string path)
      : folder_(std::move(folder)),
        fd_(fd),
        name_(std::move(name)),
        run_(std::move(run)),
        validBytes_(validBytes),
        unsaved_(unsaved),
        path_(std::move(path)) {}
  ~DiskJournalLease() override { ::close(fd_); }
  DiskJournalLease(const DiskJournalLease&) = delete;
  DiskJournalLease& operator=(const DiskJournalLease&) = delete;

  const JournaledRun& Run() const override { return run_; }
  const std::string& Name() const override { return name_; }

  int Settle(const std::vector<StepState>& state) override {
    run_.state = state;
    const int error = run_.AnyPending() ? Append(EncodeUndoRecord(state)) : Discard();
    if (error == 0) {
      unsaved_.Forget(path_);
    } else {
      unsaved_.Keep(path_, validBytes_, state);
    }
    return error;
  }

 private:
  // Appended where the readable records end, over whatever a crash left behind.
  int Append(const std::string& record) {
    const auto end = static_cast<off_t>(validBytes_);
    int error = 0;
    if (::ftruncate(fd_, end) != 0 || ::lseek(fd_, end, SEEK_SET) < 0) error = LastError();
    if (error == 0) error = WriteAll(fd_, record);
    if (error != 0) {
      // What was written goes again, which needs no space; a record cut short would not
      // be read anyway.
      const int trimmed = ::ftruncate(fd_, end);
      static_cast<void>(trimmed);
      return error;
    }
    validBytes_ += record.size();
    return 0;
  }
  // A removal needs no space: a full disk still lets an undo that settled every step
  // make way for the run before.
  int Discard() {
    const StoreLock lock(*folder_, nullptr);
    return ::unlinkat(folder_->Fd(), name_.c_str(), 0) == 0 ? 0 : LastError();
  }

  std::unique_ptr<StateFolder> folder_;
  int fd_;
  std::string name_;
  JournaledRun run_;
  /// Where the journal's readable records end; an undo's record goes there.
  std::size_t validBytes_;
  UnsavedStates& unsaved_;
  /// The journal's path, by which `unsaved_` knows it.
  std::string path_;
};

}  // namespace

std::string JournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/batch-renamer";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/batch-renamer";
}

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

bool DiskJournalStore::ReadNewest(NewestJournal& newest, bool whole) const {
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
    const int error = ReadAll(fd, bytes, whole ? SIZE_MAX : kJournalHeaderBytes);
    ::close(fd);
    newest.damaged = error != 0 || !(whole ? DecodeJournal(bytes, newest.header)
                                           : DecodeJournalHeader(bytes, newest.header));
    return true;
  }
  return false;
}

TakeResult DiskJournalStore::TakeNewest(const std::string* expected, const RunControl* control,
                                        std::unique_ptr<JournalLease>& lease) {
  lease.reset();
  std::unique_ptr<StateFolder> folder;
  const std::string where = Folder();
  const int opened = StateFolder::Open(where, false, folder);
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
    const std::string path = where + "/" + name;
    unsaved_.Recall(path, valid, run.state);
    lease = std::make_unique<DiskJournalLease>(std::move(folder), fd, name, std::move(run), valid,
                                               unsaved_, path);
    result = TakeResult::kTaken;
    return true;
  });
  return result;
}

}  // namespace renamer
