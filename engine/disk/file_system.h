#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/photo/capture_time.h"

namespace renamer {

/// Which entries of a directory a listing returns.
enum class EntryKind {
  kFiles,        ///< regular files, and symbolic links to regular files
  kDirectories,  ///< directories, and symbolic links to directories
};

/// What identifies a file on its file system.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 0;
  /// Birth time in nanoseconds since the epoch, 0 where the file system gives none.
  std::int64_t birthNanoseconds = 0;
  /// The inode's generation number, where the file system gives one and there is no
  /// birth time: a new file that gets a freed inode number gets another generation.
  std::uint64_t generation = 0;
  bool hasGeneration = false;
  /// The entry's own modification time in nanoseconds and its size: what is left to
  /// tell a reused inode number from the file that had it where neither of the above is
  /// known.
  std::int64_t modifiedNanoseconds = 0;
  std::uint64_t size = 0;
  /// The entry's change time in nanoseconds: no program can set it back, as a copy that
  /// restores the modification time does with that.
  std::int64_t changeNanoseconds = 0;
  /// Immutable or append-only: no name of it can be added or removed.
  bool locked = false;
};

/// What a run reads of a listed file before it plans anything.
struct FileStatus {
  /// Last modification time, in seconds since the epoch (a symbolic link followed).
  std::int64_t modifiedSeconds = 0;
  /// A regular file, or a symbolic link to one: what the file list shows.
  bool regular = false;
  /// The entry itself (a symbolic link is not followed).
  FileIdentity identity;
};

/// Operations on the entries of one open directory. Names are the bytes of single
/// file names (no "/"). Every operation returns 0 or an errno value.
class Directory {
 public:
  virtual ~Directory() = default;

  /// The status of the named file, read with one system call for anything but a
  /// symbolic link.
  virtual int Status(const std::string& name, FileStatus& status) = 0;

  /// Renames `from` to `to`, failing with EEXIST when `to` exists in any form.
  /// EINVAL or ENOSYS mean that the file system cannot do this.
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;

  /// Gives the file `from` the additional name `to` (a symbolic link itself, not
  /// its target); fails with EEXIST when `to` exists.
  virtual int Link(const std::string& from, const std::string& to) = 0;

  /// Removes the name (not a directory).
  virtual int Unlink(const std::string& name) = 0;

  /// The identity of the entry itself (links are not followed); "." is the directory.
  virtual int Identify(const std::string& name, FileIdentity& identity) = 0;

  /// The capture time of the named file, from its photo metadata (see ReadCaptureTimeAt).
  /// A directory that cannot read metadata, as by default, finds none.
  virtual CaptureTime ReadCaptureTime(const std::string& name) {
    static_cast<void>(name);
    return {};
  }

  /// True on a FUSE or network mount: what it answers may come from a cache, and other
  /// machines change it without its times telling.
  virtual bool Remote() const { return false; }
};

/// One entry of a directory, whatever it is.
struct DirectoryEntry {
  std::string name;
  /// A regular file, or a symbolic link to one.
  bool regular = false;
  /// A symbolic link: what it leads to may change without the directory changing.
  bool link = false;
};

/// Where the files of a listing are, as the listing itself tells at no cost of its own:
/// what tells a file that another program renamed from a new one.
struct ListedInodes {
  /// The device of the listed directory; 0 when not known.
  std::uint64_t device = 0;
  /// The inode number of each listed name, as its directory entry gives it; empty when
  /// not known.
  std::vector<std::uint64_t> inodes;
};

/// The file-system calls the engine makes; tests replace it to inject faults.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Every entry of directory `path`, hidden ones, "." and ".." included, unsorted.
  /// Returns 0 or an errno value; ENOSYS where a file system cannot tell.
  virtual int ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) {
    (void)path;
    entries.clear();
    return ENOSYS;
  }

  /// The names of `kind` in directory `path`, unsorted, without names that start with
  /// "." (hidden). Returns 0 or an errno value.
  virtual int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) = 0;

  /// List(), and where each name is in `where`, read with the same listing. A file system
  /// that cannot tell, as by default, leaves `where` empty.
  virtual int ListWithInodes(const std::string& path, EntryKind kind,
                             std::vector<std::string>& names, ListedInodes& where) {
    where = {};
    return List(path, kind, names);
  }

  /// Opens the directory `path` for the operations of a run. Sets `error` on failure.
  virtual std::unique_ptr<Directory> Open(const std::string& path, int& error) = 0;
};

/// The POSIX implementation that works on the real disk.
FileSystem& RealFileSystem();

/// Error codes of our own, beside the errno values.
inline constexpr int kErrorNoSafeRename = -1;  ///< neither no-replace rename nor link works
inline constexpr int kErrorBadNewName = -2;    ///< the new name would leave the directory
inline constexpr int kErrorBadOldName = -3;    ///< the listed name would leave the directory
inline constexpr int kErrorNotRegular = -4;    ///< the listed name now holds no regular file
inline constexpr int kErrorStateUnsafe = -5;   ///< the undo journals' folder is not private
inline constexpr int kErrorStateBusy = -6;     ///< another program holds the journals' lock

/// The directory's entries of `kind`, decoded and in natural order. `places`, if given,
/// gets where each of them stands in the directory's own order; `where`, if given, their
/// inode numbers, in the same order, and the directory's device.
std::vector<std::u16string> ListNames(FileSystem& fs, std::u16string_view path, EntryKind kind,
                                      int* error = nullptr,
                                      std::vector<std::uint32_t>* places = nullptr,
                                      ListedInodes* where = nullptr);

}  // namespace renamer
