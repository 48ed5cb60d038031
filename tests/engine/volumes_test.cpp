#include "engine/disk/volumes.h"

#include <gtest/gtest.h>

#include "engine/disk/file_names.h"

namespace renamer {
namespace {

constexpr char kMountInfo[] =
    "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:22 / /sys rw - sysfs sysfs rw\n"
    "25 24 0:23 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "26 22 0:5 / /dev rw - devtmpfs udev rw\n"
    "27 22 0:24 / /run rw - tmpfs tmpfs rw\n"
    "28 27 0:25 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "29 22 0:26 / /tmp rw shared:5 - tmpfs tmpfs rw\n"
    "30 22 8:17 / /media/My\\040Disk rw shared:7 master:2 - vfat /dev/sdb1 rw\n"
    "31 22 0:27 / /home rw - btrfs /dev/sda2 rw\n"
    "32 22 0:28 / /home rw - btrfs /dev/sda3 rw\n"
    "33 27 8:33 / /run/media/me/U\\134\\011SB rw - exfat /dev/sdc1 rw\n"
    "34 26 8:49 / /dev/odd rw - ext4 /dev/sdd1 rw\n"
    "35 22 0:29 / /var/lib/snapd/snap/x rw - squashfs /dev/loop0 ro\n"
    "36 22 8:50 / /mnt/caf\\351 rw - ext4 /dev/sde1 rw\n"
    "broken line\n";

TEST(ParseMountInfoTest, KeepsRealFileSystemsOnly) {
  const std::vector<Volume> volumes = ParseMountInfo(kMountInfo);
  std::vector<std::string> points;
  for (const Volume& volume : volumes) points.push_back(EncodeFileName(volume.mountPoint));
  EXPECT_EQ(points, (std::vector<std::string>{"/", "/tmp", "/media/My Disk", "/home",
                                              "/run/media/me/U\\\tSB", "/mnt/caf\xe9"}));
  EXPECT_EQ(volumes[2].source, u"/dev/sdb1");
  EXPECT_EQ(volumes[2].type, u"vfat");
  EXPECT_EQ(volumes[3].source, u"/dev/sda3");  // the later mount hides the earlier
}

TEST(VolumeIndexForTest, FindsTheLongestMountPointAtASlash) {
  const std::vector<Volume> volumes = ParseMountInfo(kMountInfo);
  EXPECT_EQ(VolumeIndexFor(volumes, u"/"), 0);
  EXPECT_EQ(VolumeIndexFor(volumes, u"/usr/lib"), 0);
  EXPECT_EQ(VolumeIndexFor(volumes, u"/tmp"), 1);
  EXPECT_EQ(VolumeIndexFor(volumes, u"/tmpfiles"), 0);
  EXPECT_EQ(VolumeIndexFor(volumes, u"/media/My Disk/photos"), 2);
  EXPECT_EQ(VolumeIndexFor(volumes, u"relative"), -1);
  EXPECT_EQ(VolumeIndexFor({}, u"/"), -1);
}

TEST(MountedVolumesTest, AlwaysOffersTheRoot) {
  const std::vector<Volume> volumes = MountedVolumes();
  ASSERT_FALSE(volumes.empty());
  EXPECT_GE(VolumeIndexFor(volumes, u"/"), 0);
}

}  // namespace
}  // namespace renamer
