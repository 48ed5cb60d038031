#pragma once

#include <string>
#include <string_view>

namespace renamer {

/// The folder that `path` stands for: a directory itself, anything else the directory
/// that holds it; absolute, with "." , ".." and symbolic links resolved. Empty when the
/// path leads nowhere; `error` then receives the errno. `isFolder`, if given, says
/// whether `path` is a directory itself.
std::u16string FolderOf(std::u16string_view path, int* error = nullptr, bool* isFolder = nullptr);

/// 0 when `folder` can be listed (read and search permission), else the errno.
int FolderAccessError(std::u16string_view folder);

}  // namespace renamer
