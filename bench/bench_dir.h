#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace renamer::bench {

/// Modification times for `count` files: whole seconds in shuffled order, mostly
/// distinct, with every seventeenth file sharing the time of the one before it.
std::vector<std::int64_t> MakeTimes(std::size_t count, std::uint64_t seed);

/// The name of file `index`: "img_000123.jpg".
std::string FileNameAt(std::size_t index);

/// A directory under `parent` holding one empty file per time, named by FileNameAt.
/// It is made once per size; the directories that runs rename in are filled with hard
/// links to these files. Creating 100,000 fresh inodes right after deleting as many is
/// slow on ext4 (its allocator steps over recently deleted inodes, about 0.3 ms per
/// file here), and a link gives a fresh entry with the same time at the cost of one
/// directory insertion.
class FileSet {
 public:
  FileSet(const std::string& parent, const std::vector<std::int64_t>& times);

  const std::string& parent() const { return parent_; }
  const std::string& path() const { return dir_.path(); }
  std::size_t size() const { return size_; }

 private:
  std::string parent_;
  testing::TempDir dir_;
  std::size_t size_ = 0;
};

/// A fresh directory beside the set's, holding a link to each of its files under the
/// same name, flushed to disk so that no write-back competes with the run timed next.
/// Removed with its contents.
class BenchDirectory {
 public:
  explicit BenchDirectory(const FileSet& set);

  const std::string& path() const { return dir_.path(); }

  /// Number of regular entries whose name starts with `prefix`.
  std::size_t CountWithPrefix(const std::string& prefix) const;

  /// Makes an empty file `name` in the directory, as another program would.
  void AddFile(const std::string& name) const;

 private:
  testing::TempDir dir_;
};

}  // namespace renamer::bench
