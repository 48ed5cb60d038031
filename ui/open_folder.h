#pragma once

#include <string>
#include <string_view>

#include "engine/disk/file_system.h"
#include "engine/disk/folder_of.h"

class QMimeData;

namespace renamer::ui {

/// Finds the directory at `path` on `fs`: 0 and its identity, or the errno.
int IdentifyDirectory(FileSystem& fs, const std::u16string& path, FileIdentity& identity);

/// The nearest folder above `path` that exists on `fs`; "/" at the latest.
std::u16string NearestExistingParent(FileSystem& fs, const std::u16string& path);

/// The folder that the first local file or folder of a drag and drop stands for;
/// empty when it carries none that exists.
std::u16string DroppedFolder(const QMimeData& data);

}  // namespace renamer::ui
