#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/disk/file_system.h"

namespace renamer::testing {

/// A file system that passes every call to another one (by default the real one)
/// unless a hook intercepts it. A hook returns kPass to let the call through, or the
/// result to return instead.
class FaultyFileSystem : public FileSystem {
 public:
  static constexpr int kPass = -1000;

  /// Passes the calls to `inner`, which must outlive this one.
  explicit FaultyFileSystem(FileSystem& inner = RealFileSystem()) : inner_(inner) {}

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

 private:
  FileSystem& inner_;
};

}  // namespace renamer::testing
