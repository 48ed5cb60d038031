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
/// order: kernel and pseudo file systems, and memory file systems mounted under
/// /run, /dev, /sys or /proc, are left out. A point mounted twice keeps its last
/// mount.
std::vector<Volume> ParseMountInfo(std::string_view text);

/// The volumes of this machine, read from /proc/self/mountinfo; "/" alone when that
/// cannot be read.
std::vector<Volume> MountedVolumes();

/// The index of the volume that holds `path` (the longest mount point that is a
/// prefix of it at a "/" boundary), or -1 when none does.
int VolumeIndexFor(const std::vector<Volume>& volumes, std::u16string_view path);

}  // namespace renamer
