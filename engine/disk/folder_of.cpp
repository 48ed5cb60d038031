#include "engine/disk/folder_of.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "engine/disk/file_names.h"

namespace renamer {
namespace {

// The directory part of a path that names no directory: "a/b" gives "a", "b" gives ".".
std::string HoldingDirectory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::u16string FolderOf(std::u16string_view path, int* error, bool* isFolder) {
  std::string bytes = EncodeFileName(path);
  struct stat status {};
  if (bytes.empty() || ::stat(bytes.c_str(), &status) != 0) {
    if (error != nullptr) *error = bytes.empty() ? ENOENT : errno;
    return {};
  }
  if (isFolder != nullptr) *isFolder = S_ISDIR(status.st_mode);
  if (!S_ISDIR(status.st_mode)) bytes = HoldingDirectory(bytes);
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(bytes.c_str(), nullptr),
                                                             &std::free);
  if (resolved == nullptr) {
    if (error != nullptr) *error = errno;
    return {};
  }
  if (error != nullptr) *error = 0;
  return DecodeFileName(resolved.get());
}

int FolderAccessError(std::u16string_view folder) {
  const std::string bytes = EncodeFileName(folder);
  // The effective rights decide, as they do when the window lists the folder.
  return ::faccessat(AT_FDCWD, bytes.c_str(), R_OK | X_OK, AT_EACCESS) != 0 ? errno : 0;
}

}  // namespace renamer
