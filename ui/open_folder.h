#pragma once

#include <string>
#include <string_view>

#include "engine/disk/file_system.h"

class QMimeData;

namespace renamer::ui {

/// The folder that `path` stands for: a directory itself, anything else the directory
/// that holds it; absolute, with "." , ".." and symbolic links resolved. Empty when the
/// path leads nowhere; `error` then receives the errno. `isFolder`, if given, says
/// whether `path` is a directory itself.
std::u16string FolderOf(std::u16string_view path, int* error = nullptr, bool* isFolder = nullptr);

/// 0 when the window can list `folder` (read and search permission), else the errno.
int FolderAccessError(std::u16string_view folder);

/// Finds the directory at `path` on `fs`: 0 and its identity, or the errno.
int IdentifyDirectory(FileSystem& fs, const std::u16string& path, FileIdentity& identity);

/// The nearest folder above `path` that exists on `fs`; "/" at the latest.
std::u16string NearestExistingParent(FileSystem& fs, const std::u16string& path);

/// The folder that the first local file or folder of a drag and drop stands for;
/// empty when it carries none that exists.
std::u16string DroppedFolder(const QMimeData& data);

}  // namespace renamer::ui
