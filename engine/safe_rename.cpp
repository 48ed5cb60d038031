#include "engine/safe_rename.h"

#include <unistd.h>

#include <cerrno>

namespace renamer {
namespace {

bool IsUnsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// No-replace rename with the link fallback; the building block of every rename.
int Move(Directory& dir, const std::string& from, const std::string& to) {
  const int renamed = dir.RenameNoReplace(from, to);
  if (!IsUnsupported(renamed)) return renamed;

  const int linked = dir.Link(from, to);
  if (linked != 0) {
    return linked == EPERM || IsUnsupported(linked) ? kErrorNoSafeRename : linked;
  }
  const int unlinked = dir.Unlink(from);
  if (unlinked != 0) {
    // Keep the file under its old name only, as if nothing had happened.
    dir.Unlink(to);
    return unlinked;
  }
  return 0;
}

// True when `to` names the very file `from` (one inode with a single name), which
// happens on a file system that ignores letter case.
bool IsSameSingleFile(Directory& dir, const std::string& from, const std::string& to) {
  FileIdentity source;
  FileIdentity target;
  if (dir.Identify(from, source) != 0 || dir.Identify(to, target) != 0) return false;
  return source.device == target.device && source.inode == target.inode && source.links == 1;
}

int MoveThroughTemporaryName(Directory& dir, const std::string& from, const std::string& to) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = ".batch-renamer-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(++counter) + ".tmp";
    const int parked = Move(dir, from, temporary);
    if (parked == EEXIST) continue;
    if (parked != 0) return parked;
    const int moved = Move(dir, temporary, to);
    if (moved == 0) return 0;
    Move(dir, temporary, from);
    return moved;
  }
  return EEXIST;
}

}  // namespace

int RenameWithoutReplacing(Directory& dir, const std::string& from, const std::string& to) {
  const int result = Move(dir, from, to);
  if (result == EEXIST && IsSameSingleFile(dir, from, to)) {
    return MoveThroughTemporaryName(dir, from, to);
  }
  return result;
}

}  // namespace renamer
