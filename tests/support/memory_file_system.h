#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/disk/file_system.h"

namespace renamer::testing {

/// One entry of a MemoryFileSystem.
struct MemoryEntry {
  std::string name;  ///< as created; lookups may ignore letter case
  int inode = 0;     ///< entries that share an inode are names of one file (hard links)
  EntryKind kind = EntryKind::kFiles;
};

/// One directory kept in memory; every path opens and lists it. Names are checked as
/// Linux checks them (at most kNameMax bytes, no "/" and no NUL); the members switch
/// what the file system can do. Faults are injected by wrapping it in a
/// FaultyFileSystem.
class MemoryFileSystem final : public FileSystem {
 public:
  static constexpr std::size_t kNameMax = 255;
  /// The inode number of the directory itself, beyond any a test gives a file.
  static constexpr std::uint64_t kDirectoryInode = std::uint64_t{1} << 40;

  /// False: RenameNoReplace answers EINVAL, as on a file system without it.
  bool noReplace = true;
  /// True: names that differ only in the case of ASCII letters are the same name, as on
  /// some FUSE and network mounts.
  bool ignoreCase = false;
  /// True: names that differ only in the case of any letters are the same name (each
  /// code point folded to lower case, whatever ignoreCase says), as on file systems
  /// with Unicode case folding. Set it before adding entries.
  bool ignoreUnicodeCase = false;
  /// True: names are compared as ext4 casefold folders compare them, decomposed and fully
  /// case-folded ("é" is "e" with U+0301, "ß" is "ss", U+212A is "k"); a name that is not
  /// valid UTF-8 only as its bytes. Set it before adding entries.
  bool foldForms = false;
  /// True: the directory says it is on a FUSE or network mount.
  bool remote = false;
  /// True: each spelling of a name gets its own inode number, as on some network mounts.
  bool inodePerSpelling = false;
  /// Names (or ".") that are immutable.
  std::set<std::string> locked;
  /// Modification time of each inode, in seconds since the epoch; 0 when not set.
  std::map<int, std::int64_t> times;

  /// Adds an entry, replacing one of the same name.
  void Add(const std::string& name, int inode, EntryKind kind = EntryKind::kFiles);
  bool Exists(const std::string& name) const { return Find(name) != nullptr; }
  /// The entry `name` refers to, or nullptr.
  const MemoryEntry* Find(const std::string& name) const;
  /// Every entry, hidden ones included, in the order of their (folded) names.
  std::vector<MemoryEntry> Entries() const;
  /// The name of every entry, as created.
  std::set<std::string> Names() const;

  /// The entries of `kind`, without hidden ones; `path` is not looked at.
  int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) override;
  /// Every entry, hidden ones included; `path` is not looked at.
  int ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) override;
  /// Always succeeds; `path` is not looked at.
  std::unique_ptr<Directory> Open(const std::string& path, int& error) override;

 private:
  friend class MemoryDirectory;

  std::string Key(const std::string& name) const;

  /// Takes an entry out; false when there is none.
  bool Erase(const std::string& name);

  std::map<std::string, MemoryEntry> entries_;  // key: the name, folded as case is ignored
  /// The directory's modification time, in nanoseconds: every change of an entry moves
  /// it on, as on disk.
  std::int64_t modifiedNanoseconds_ = 1;
};

}  // namespace renamer::testing
