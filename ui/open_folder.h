#pragma once

#include <string>
#include <string_view>

class QMimeData;

namespace renamer::ui {

/// The folder that `path` stands for: a directory itself, anything else the directory
/// that holds it; absolute, with "." , ".." and symbolic links resolved. Empty when the
/// path leads nowhere; `error` then receives the errno.
std::u16string FolderOf(std::u16string_view path, int* error = nullptr);

/// 0 when the window can list `folder` (read and search permission), else the errno.
int FolderAccessError(std::u16string_view folder);

/// The folder that the first local file or folder of a drag and drop stands for;
/// empty when it carries none that exists.
std::u16string DroppedFolder(const QMimeData& data);

}  // namespace renamer::ui
