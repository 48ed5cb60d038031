#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/disk/file_names.h"
#include "tests/support/memory_window.h"

namespace renamer::testing {

/// A fresh directory under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  /// A fresh directory inside `parent` (for example a memory-backed one), its name
  /// starting with `stem`.
  explicit TempDir(const std::string& parent, const std::string& stem = "renamer-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::u16string path16() const { return DecodeFileName(path_); }

  /// Creates a file named by raw bytes, holding `content`, with the given mtime.
  void MakeFile(const std::string& name, const std::string& content = {},
                std::int64_t mtime = -1) const;
  void MakeFile16(const std::u16string& name, const std::string& content = {},
                  std::int64_t mtime = -1) const {
    MakeFile(EncodeFileName(name), content, mtime);
  }

  /// Every entry name in the directory, hidden ones included, sorted by bytes.
  std::vector<std::string> Entries() const;
  std::vector<std::u16string> Entries16() const;
  /// The content of a file, or "<missing>".
  std::string Read(const std::string& name) const;

 private:
  std::string path_;
};

/// Points XDG_STATE_HOME at a fresh temporary folder while it lives, so that undo
/// journals start empty and never reach the user's home.
class StateHome {
 public:
  StateHome();
  ~StateHome();
  StateHome(const StateHome&) = delete;
  StateHome& operator=(const StateHome&) = delete;

  const std::string& path() const { return dir_.path(); }
  /// Where the journals are under it.
  std::string Journals() const { return dir_.path() + "/batch-renamer"; }

 private:
  TempDir dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

/// Lists `dir` through the engine and points the window at it.
void ShowDirectory(MemoryWindow& window, const TempDir& dir);

}  // namespace renamer::testing
