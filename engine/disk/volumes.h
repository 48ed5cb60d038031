#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace renamer {

/// A mounted file system that the drive list offers.
struct Volume {
  std::u16string mountPoint;  ///< where it is mounted, e.g. "/" or "/media/usb"
  std::u16string source;      ///< the device or label, e.g. "/dev/sda1"
  std::u16string type;        ///< the file-system type, e.g. "ext4"
};

/// The volumes of real file systems in the text of /proc/self/mountinfo, in mount
/// order: pseudo file systems, everything mounted under /dev, /sys or /proc, and
/// memory file systems under /run are left out (removable media under /run/media
/// stay). A point mounted twice keeps its last mount.
std::vector<Volume> ParseMountInfo(std::string_view text);

/// The volumes of this machine, read from /proc/self/mountinfo, without single files
/// mounted in place of a file; "/" alone when that cannot be read.
std::vector<Volume> MountedVolumes();

/// The index of the volume that holds `path` (the longest mount point that is a
/// prefix of it at a "/" boundary), or -1 when none does.
int VolumeIndexFor(const std::vector<Volume>& volumes, std::u16string_view path);

}  // namespace renamer
