#include <gtest/gtest.h>

#include "base/mounts.h"

namespace {

// The kernel's own lines: optional fields before the "-", octal escapes in
// the mount point; lines without the fields are skipped, not guessed at.
TEST(MountInfo, MountPointsDeviceNumbersAndTypes) {
    const auto a =
        aParseMountInfo("22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
                        "98 22 8:17 / /media/ann/GARMIN\\040DRIVE rw,nosuid shared:52 master:3 - "
                        "vfat /dev/sdb1 rw\n"
                        "99 22 0:61 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                        "garbage\n"
                        "100 22 8:x / /mnt rw - vfat /dev/sdc1 rw\n"
                        "101 22 8:33 / /mnt/no-type rw\n"
                        "102 22 8:49 / /mnt/back\\134slash\\04 rw - exfat /dev/sdd1 rw");
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].sMountPoint, "/");
    EXPECT_EQ(a[0].sFsType, "ext4");
    EXPECT_EQ(a[1].sMountPoint, "/media/ann/GARMIN DRIVE");
    EXPECT_EQ(a[1].uMajor, 8u);
    EXPECT_EQ(a[1].uMinor, 17u);
    EXPECT_EQ(a[1].sFsType, "vfat");
    EXPECT_EQ(a[2].uMajor, 0u);
    EXPECT_EQ(a[3].sMountPoint, "/mnt/back\\slash\\04");
}

} // namespace
