#include "engine/run/safe_rename.h"

#include <cerrno>

#include "engine/disk/file_names.h"
#include "engine/disk/name_folding.h"

namespace renamer {
namespace {

bool IsUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// A link refused with EPERM means either that the file system has no hard links or
// that the file or the directory may not change; only the first is ours to report.
bool IsLocked(Directory& dir, const std::string& name) {
  FileIdentity identity;
  if (dir.Identify(name, identity) == 0 && identity.locked) return true;
  return dir.Identify(".", identity) == 0 && identity.locked;
}

// No-replace rename with the link fallback; the building block of every rename.
int Move(Directory& dir, const std::string& from, const std::string& to) {
  const int renamed = dir.RenameNoReplace(from, to);
  if (!IsUnsupported(renamed)) return renamed;

  const int linked = dir.Link(from, to);
  if (linked == EPERM && IsLocked(dir, from)) return EPERM;
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

// Both steps are no-replace and the first is undone when the second fails, so this is
// safe whatever `to` turns out to be. The temporary name does not start with a dot:
// should the way back fail too, the user can see the file in the list.
int MoveThroughTemporaryName(Directory& dir, const std::string& from, const std::string& to,
                             std::string* strandedAt) {
  FileIdentity identity;
  if (const int error = dir.Identify(from, identity)) return error;
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const std::string temporary = TemporaryName(identity, attempt);
    const int parked = Move(dir, from, temporary);
    if (parked == EEXIST) continue;
    if (parked != 0) return parked;
    const int moved = Move(dir, temporary, to);
    if (moved == 0) return 0;
    if (Move(dir, temporary, from) != 0 && strandedAt != nullptr) *strandedAt = temporary;
    return moved;
  }
  return EEXIST;
}

char16_t Fold(char16_t unit) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
  const char32_t lower = LowerCase(unit);
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : unit;
}

}  // namespace

std::string TemporaryName(const FileIdentity& identity, int attempt) {
  return "batch-renamer-" + std::to_string(identity.inode) + "-" + std::to_string(attempt) + ".tmp";
}

bool DifferOnlyInCase(const std::string& a, const std::string& b) {
  if (a == b) return false;
  const std::u16string left = DecodeFileName(a);
  const std::u16string right = DecodeFileName(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (Fold(left[i]) != Fold(right[i])) return false;
  }
  return true;
}

int RenameWithoutReplacing(Directory& dir, const std::string& from, const std::string& to,
                           std::string* strandedAt) {
  if (strandedAt != nullptr) strandedAt->clear();
  const int result = Move(dir, from, to);
  if (result == EEXIST && DifferOnlyInCase(from, to)) {
    return MoveThroughTemporaryName(dir, from, to, strandedAt);
  }
  return result;
}

}  // namespace renamer
