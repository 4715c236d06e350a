#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

// The mounted file systems, as /proc/self/mountinfo lists them, and the ones among them a
// person would scan: volumes that hold files, each file system once.
class MountTable {
public:
    struct Mount {
        std::uint64_t mountId = 0;
        std::uint64_t parentId = 0;
        std::string device; // "major:minor"
        std::string root; // the folder of the file system mounted here ("/" for all of it)
        std::string mountPoint; // bytes, unescaped
        std::string type; // "ext4", "nfs4", "fuse.sshfs"
        std::string source; // "/dev/sda1", "server:/export"; unescaped

        bool operator==(const Mount&) const = default;
    };

    // Lines that do not have mountinfo's shape are skipped.
    static std::vector<Mount> parse(std::string_view text);
    // This process's mount table; empty when it cannot be read.
    static std::vector<Mount> read();

    // Block-device, network and FUSE file systems with a source; not the kernel's own (proc,
    // sysfs, cgroup, devtmpfs, tmpfs…), container overlays or squashfs images. A file system
    // mounted again (a bind mount of it or of a folder inside it) is listed once, at its
    // first mount. `isDirectory` leaves out mounts on files (a container's /etc/hosts).
    static std::vector<Mount> volumes(const std::vector<Mount>& mounts,
                                      const std::function<bool(const std::string&)>& isDirectory = {});
    // The volumes of this machine, the one holding "/" first.
    static std::vector<Mount> currentVolumes();

    // The mount a path lies on: the longest mount point that is a prefix of it.
    static std::optional<Mount> mountOf(const std::vector<Mount>& mounts, const std::string& path);
    // Whether a directory path (ending in "/") is where a mount starts: a whole volume.
    static bool startsVolume(const std::vector<Mount>& mounts, const std::string& directory);
};

} // namespace vistrel
