// Which mounts are volumes to scan, read from fixed mount tables and from this machine's.
#include "filesystem/MountTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vistrel {
namespace {

std::vector<std::string> pointsOf(const std::vector<MountTable::Mount>& mounts)
{
    std::vector<std::string> points;
    for (const auto& mount : mounts)
        points.push_back(mount.mountPoint);
    return points;
}

// A desktop with the kernel's file systems, a btrfs root with a /home subvolume, a bind
// mount, the same USB stick twice, a network share, an sshfs folder and a snap.
constexpr const char* desktop = R"(21 26 0:20 / /proc rw,relatime - proc proc rw
22 26 0:21 / /sys rw,relatime - sysfs sysfs rw
23 26 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=1k
26 1 0:40 /@ / rw,relatime shared:1 - btrfs /dev/nvme0n1p2 rw,subvol=/@
27 26 0:40 /@home /home rw,relatime shared:2 - btrfs /dev/nvme0n1p2 rw,subvol=/@home
28 26 259:1 / /boot/efi rw,relatime - vfat /dev/nvme0n1p1 rw
29 26 0:40 /@/srv/data /mnt/data rw,relatime - btrfs /dev/nvme0n1p2 rw
30 26 8:17 / /media/me/USB\040Stick rw,nosuid - exfat /dev/sdb1 rw
31 26 8:17 / /media/me/again rw,nosuid - exfat /dev/sdb1 rw
32 26 0:50 / /net/share rw - nfs4 server:/export rw
33 26 0:51 / /home/me/remote rw - fuse.sshfs me@host: rw
34 26 0:52 / /run/user/1000/doc rw - fuse.portal portal rw
35 26 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro
36 22 0:30 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw
37 26 0:31 / /tmp rw - tmpfs tmpfs rw
38 26 0:60 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw
garbage line without the separator
)";

TEST(MountTable, VolumesAreTheFileSystemsThatHoldFilesEachOnce)
{
    const auto mounts = MountTable::parse(desktop);
    ASSERT_EQ(mounts.size(), 16u) << "the line without mountinfo's shape is skipped";
    EXPECT_EQ(mounts[7].mountPoint, "/media/me/USB Stick") << "\\040 is a blank";
    EXPECT_EQ(mounts[3].root, "/@");
    EXPECT_EQ(mounts[3].device, "0:40");

    EXPECT_EQ(
        pointsOf(MountTable::volumes(mounts)),
        (std::vector<std::string>{"/", "/home", "/boot/efi", "/media/me/USB Stick", "/net/share", "/home/me/remote"}))
        << "subvolumes count apart; the bind mount and the second mount of the stick do not";

    // A mount covered by a later one on the same point is not reachable.
    const auto covered = MountTable::parse("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                           "2 1 8:2 / /mnt rw - ext4 /dev/sda2 rw\n"
                                           "3 1 0:70 / /mnt rw - nfs host:/x rw\n");
    const auto shown = MountTable::volumes(covered);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].type, "nfs");

    // Mounts on files (a container's /etc/hosts) are not volumes.
    const auto container = MountTable::parse("1 0 0:90 / / rw - overlay overlay rw\n"
                                             "2 1 254:0 /var/lib/c/hosts /etc/hosts rw - ext4 /dev/vda rw\n"
                                             "3 1 254:0 /var/lib/c/data /data rw - ext4 /dev/vda rw\n");
    EXPECT_EQ(pointsOf(MountTable::volumes(container, [](const std::string& p) { return p != "/etc/hosts"; })),
              (std::vector<std::string>{"/data"}));
}

TEST(MountTable, APathLiesOnItsLongestMountPoint)
{
    const auto mounts = MountTable::parse(desktop);
    EXPECT_EQ(MountTable::mountOf(mounts, "/home/me/x")->mountPoint, "/home");
    EXPECT_EQ(MountTable::mountOf(mounts, "/home/me/remote/y")->type, "fuse.sshfs");
    EXPECT_EQ(MountTable::mountOf(mounts, "/homework")->mountPoint, "/") << "a prefix of the name is not a parent";
    EXPECT_EQ(MountTable::mountOf(mounts, "/")->type, "btrfs");
}

TEST(MountTable, ThisMachineListsTheVolumeOfTheRootFirst)
{
    const auto volumes = MountTable::currentVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().mountPoint, "/");
    const auto points = pointsOf(volumes);
    EXPECT_EQ(std::count(points.begin(), points.end(), "/"), 1);
    EXPECT_EQ(std::count(points.begin(), points.end(), "/proc"), 0);
}

} // namespace
} // namespace vistrel
