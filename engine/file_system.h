#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
};

/// Operations on the entries of one open directory. Names are the bytes of single
/// file names (no "/"). Every operation returns 0 or an errno value.
class Directory {
 public:
  virtual ~Directory() = default;

  /// Last modification time of the named file, in seconds since the epoch; a
  /// symbolic link is followed.
  virtual int ModificationTime(const std::string& name, std::int64_t& seconds) = 0;

  /// Renames `from` to `to`, failing with EEXIST when `to` exists in any form.
  /// EINVAL or ENOSYS mean that the file system cannot do this.
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;

  /// Gives the file `from` the additional name `to` (a symbolic link itself, not
  /// its target); fails with EEXIST when `to` exists.
  virtual int Link(const std::string& from, const std::string& to) = 0;

  /// Removes the name (not a directory).
  virtual int Unlink(const std::string& name) = 0;

  /// Device, inode and link count of the entry itself (links are not followed).
  virtual int Identify(const std::string& name, FileIdentity& identity) = 0;
};

/// The file-system calls the engine makes; tests replace it to inject faults.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// The names of `kind` in directory `path`, unsorted, without names that start with
  /// "." (hidden). Returns 0 or an errno value.
  virtual int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) = 0;

  /// Opens the directory `path` for the operations of a run. Sets `error` on failure.
  virtual std::unique_ptr<Directory> Open(const std::string& path, int& error) = 0;
};

/// The POSIX implementation that works on the real disk.
FileSystem& RealFileSystem();

/// Error codes of our own, beside the errno values.
inline constexpr int kErrorNoSafeRename = -1;  ///< neither no-replace rename nor link works
inline constexpr int kErrorBadNewName = -2;    ///< the new name would leave the directory

/// A short Chinese description of an error for the report.
std::u16string DescribeError(int error);

/// The directory's entries of `kind`, decoded and in natural order.
std::vector<std::u16string> ListNames(FileSystem& fs, std::u16string_view path, EntryKind kind,
                                      int* error = nullptr);

}  // namespace renamer
