#include "engine/disk/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>

#include "engine/disk/file_names.h"
#include "engine/disk/natural_order.h"

namespace renamer {
namespace {

int LastError() { return errno != 0 ? errno : EIO; }

bool IsHidden(const char* name) { return name[0] == '.'; }

FileIdentity IdentityOf(const struct statx& status) {
  FileIdentity identity;
  identity.device = (std::uint64_t{status.stx_dev_major} << 32) | status.stx_dev_minor;
  identity.inode = status.stx_ino;
  identity.links = status.stx_nlink;
  if ((status.stx_mask & STATX_BTIME) != 0) {
    identity.birthNanoseconds =
        status.stx_btime.tv_sec * 1'000'000'000LL + status.stx_btime.tv_nsec;
  }
  constexpr std::uint64_t kLocking = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
  identity.locked = (status.stx_attributes & status.stx_attributes_mask & kLocking) != 0;
  identity.modifiedNanoseconds =
      status.stx_mtime.tv_sec * 1'000'000'000LL + status.stx_mtime.tv_nsec;
  identity.size = status.stx_size;
  identity.changeNanoseconds = status.stx_ctime.tv_sec * 1'000'000'000LL + status.stx_ctime.tv_nsec;
  return identity;
}

// Without a birth time a freed inode number given to a new file would pass for the old
// file; the generation number tells them apart where the file system keeps one. It
// costs an open, so it is read only where the birth time is missing.
void AddGeneration(int directory, const char* name, const struct statx& status,
                   FileIdentity& identity) {
  if (identity.birthNanoseconds != 0) return;
  if (!S_ISREG(status.stx_mode) && !S_ISDIR(status.stx_mode)) return;
  const int fd =
      ::openat(directory, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  int generation = 0;
  if (::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0) {
    identity.generation = static_cast<std::uint32_t>(generation);
    identity.hasGeneration = true;
  }
  ::close(fd);
}

int StatusAt(int fd, const char* name, int flags, struct statx& status) {
  if (::statx(fd, name, flags | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &status) !=
      0) {
    return LastError();
  }
  return 0;
}

// File systems whose answers may come from a cache or whose entries other machines
// change: FUSE, NFS, SMB and CIFS, 9P, Ceph, AFS, Coda, GFS2, OCFS2.
bool IsRemote(int fd) {
  struct statfs info {};
  if (::fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x65735546UL:  // FUSE
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFE534D42UL:  // SMB2
    case 0xFF534D42UL:  // CIFS
    case 0x01021997UL:  // 9P
    case 0x00C36400UL:  // Ceph
    case 0x5346414FUL:  // AFS
    case 0x73757245UL:  // Coda
    case 0x01161970UL:  // GFS2
    case 0x7461636FUL:  // OCFS2
      return true;
    default:
      return false;
  }
}

bool Matches(EntryKind kind, mode_t mode) {
  return kind == EntryKind::kFiles ? S_ISREG(mode) : S_ISDIR(mode);
}

class PosixDirectory final : public Directory {
 public:
  explicit PosixDirectory(int fd) : fd_(fd), remote_(IsRemote(fd)) {}
  ~PosixDirectory() override { ::close(fd_); }
  PosixDirectory(const PosixDirectory&) = delete;
  PosixDirectory& operator=(const PosixDirectory&) = delete;

  int Status(const std::string& name, FileStatus& status) override {
    struct statx entry {};
    if (const int error = StatusAt(fd_, name.c_str(), AT_SYMLINK_NOFOLLOW, entry)) return error;
    status.identity = IdentityOf(entry);
    AddGeneration(fd_, name.c_str(), entry, status.identity);
    if (S_ISLNK(entry.stx_mode)) {
      // The listing shows a link by what it points to; so do the time and the type.
      if (const int error = StatusAt(fd_, name.c_str(), 0, entry)) return error;
    }
    status.modifiedSeconds = entry.stx_mtime.tv_sec;
    status.regular = S_ISREG(entry.stx_mode);
    return 0;
  }

  CaptureTime ReadCaptureTime(const std::string& name) override {
    return ReadCaptureTimeAt(fd_, name);
  }

  int RenameNoReplace(const std::string& from, const std::string& to) override {
    if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) != 0) {
      return LastError();
    }
    return 0;
  }

  int Link(const std::string& from, const std::string& to) override {
    if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) != 0) return LastError();
    return 0;
  }

  int Unlink(const std::string& name) override {
    if (::unlinkat(fd_, name.c_str(), 0) != 0) return LastError();
    return 0;
  }

  int Identify(const std::string& name, FileIdentity& identity) override {
    struct statx entry {};
    if (const int error = StatusAt(fd_, name.c_str(), AT_SYMLINK_NOFOLLOW, entry)) return error;
    identity = IdentityOf(entry);
    AddGeneration(fd_, name.c_str(), entry, identity);
    return 0;
  }

  bool Remote() const override { return remote_; }

 private:
  int fd_;
  bool remote_;
};

class PosixFileSystem final : public FileSystem {
 public:
  int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) override {
    return ListEntries(path, kind, names, nullptr);
  }

  int ListWithInodes(const std::string& path, EntryKind kind, std::vector<std::string>& names,
                     ListedInodes& where) override {
    return ListEntries(path, kind, names, &where);
  }

  // The inode numbers are in the entries the listing reads anyway; the device is one
  // status read of the directory.
  int ListEntries(const std::string& path, EntryKind kind, std::vector<std::string>& names,
                  ListedInodes* where) {
    names.clear();
    if (where != nullptr) *where = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    struct stat self {};
    if (where != nullptr && ::fstat(fd, &self) == 0) where->device = self.st_dev;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      const int error = LastError();
      ::close(fd);
      return error;
    }
    const unsigned char wanted = kind == EntryKind::kFiles ? DT_REG : DT_DIR;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      if (IsHidden(entry->d_name)) continue;
      bool take = entry->d_type == wanted;
      if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        struct stat status {};
        take = ::fstatat(fd, entry->d_name, &status, 0) == 0 && Matches(kind, status.st_mode);
      }
      if (take) {
        names.emplace_back(entry->d_name);
        if (where != nullptr) where->inodes.push_back(entry->d_ino);
      }
      errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    // Without the device the numbers tell nothing.
    if (where != nullptr && where->device == 0) where->inodes.clear();
    return error;
  }

  int ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) override {
    entries.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      const int error = LastError();
      ::close(fd);
      return error;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      bool regular = entry->d_type == DT_REG;
      bool link = entry->d_type == DT_LNK;
      struct stat status {};
      if (entry->d_type == DT_UNKNOWN &&
          ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
        link = S_ISLNK(status.st_mode);
        regular = S_ISREG(status.st_mode);
      }
      if (link) regular = ::fstatat(fd, entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
      entries.push_back({entry->d_name, regular, link});
      errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    return error;
  }

  std::unique_ptr<Directory> Open(const std::string& path, int& error) override {
    const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error = LastError();
      return nullptr;
    }
    error = 0;
    return std::make_unique<PosixDirectory>(fd);
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

std::vector<std::u16string> ListNames(FileSystem& fs, std::u16string_view path, EntryKind kind,
                                      int* error, std::vector<std::uint32_t>* places,
                                      ListedInodes* where) {
  std::vector<std::string> raw;
  const int result = where != nullptr ? fs.ListWithInodes(EncodeFileName(path), kind, raw, *where)
                                      : fs.List(EncodeFileName(path), kind, raw);
  if (error != nullptr) *error = result;
  std::vector<std::u16string> names;
  names.reserve(raw.size());
  for (const std::string& name : raw) names.push_back(DecodeFileName(name));
  std::vector<std::uint32_t> before = SortNaturally(names);
  if (where != nullptr && where->inodes.size() == before.size()) {
    std::vector<std::uint64_t> sorted(before.size());
    for (std::size_t k = 0; k < before.size(); ++k) sorted[k] = where->inodes[before[k]];
    where->inodes = std::move(sorted);
  } else if (where != nullptr) {
    *where = {};
  }
  if (places != nullptr) *places = std::move(before);
  return names;
}

}  // namespace renamer
