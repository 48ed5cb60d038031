#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/memory_window.h"
#include "engine/rename_engine.h"

namespace renamer::testing {

/// The headless window, counting how often the run writes the string field.
class FakeWindow : public MemoryWindow {
 public:
  int stringWrites = 0;

  void SetStringFieldText(const std::u16string& text) override {
    MemoryWindow::SetStringFieldText(text);
    ++stringWrites;
  }
};

/// A fresh directory under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  /// A fresh directory inside `parent` (for example a memory-backed one).
  explicit TempDir(const std::string& parent);
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

/// Lists `dir` through the engine and points the fake window at it.
void ShowDirectory(FakeWindow& window, const TempDir& dir);

/// A file system that passes every call to the real one unless a hook intercepts it.
/// A hook returns -1000 to let the call through, or the result to return instead.
class FaultyFileSystem : public FileSystem {
 public:
  static constexpr int kPass = -1000;
  std::function<int(const std::string& name)> onTime;
  std::function<int(const std::string& from, const std::string& to)> onRename;
  std::function<int(const std::string& from, const std::string& to)> onLink;
  std::function<int(const std::string& name)> onUnlink;
  std::function<int(const std::string& path)> onOpen;
  std::vector<std::string> calls;  ///< "rename a b", "link a b", "unlink a", "time a"
  std::set<std::string> locked;    ///< names (or ".") that Identify reports as immutable

  int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) override;
  int ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) override;
  std::unique_ptr<Directory> Open(const std::string& path, int& error) override;
};

}  // namespace renamer::testing
