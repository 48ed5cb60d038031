#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace renamer::cli {

/// The folder a command works in, and the files of it that were named.
struct FolderChoice {
  /// Absolute, with symbolic links resolved.
  std::u16string folder;
  /// The names of the files given; empty when a folder was given (then every file).
  std::vector<std::u16string> names;
  /// Why the paths cannot be used, for standard error; empty when they can.
  std::string error;
};

/// Reads NUL-separated paths from `in`, as `find -print0` writes them; a last path
/// without a NUL counts too.
std::vector<std::string> ReadNulSeparated(std::FILE* in);

/// The folder that `paths` stand for: one folder, or files of one folder; no path is the
/// current directory. A path that cannot be reached, paths of two folders, or a folder
/// that cannot be listed give an error.
FolderChoice ChooseFolder(const std::vector<std::string>& paths);

}  // namespace renamer::cli
