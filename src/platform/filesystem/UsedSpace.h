#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// Where a volume's used space went, beside what a scan counted: people compare "Used" with
// the snapshot's total and ask where the rest is. Each part is measured, the rest is what no
// tool can see from outside (file-system metadata, folders that could not be read).
struct UsedSpace {
    // Another file system mounted inside the scanned tree: its space is not this volume's.
    struct MountedInside {
        std::string mountPoint;
        std::string type;
        std::int64_t used = 0;
    };

    std::int64_t used = 0; // total − available, as the scan screen shows it
    std::int64_t scanned = 0; // the snapshot's allocated total
    std::int64_t reserved = 0; // blocks kept for the superuser (free, but not available)
    // Files deleted while still open (their space returns when they are closed); absent when
    // no process's descriptors could be read.
    std::optional<std::int64_t> deletedOpen;
    std::vector<MountedInside> mountedInside;

    // What the measured parts leave of `used`.
    std::int64_t rest() const { return used - scanned - reserved - deletedOpen.value_or(0); }

    // Measures the volume holding `root` against a scan of it that counted `scanned` bytes.
    // Throws FileSystemError when the volume cannot be examined.
    static UsedSpace measure(const std::string& root, std::int64_t scanned);
    // The allocated bytes of deleted files still open on `device`, each counted once; absent
    // when no process's descriptors could be read.
    static std::optional<std::int64_t> deletedOpenFiles(std::uint64_t device);
};

} // namespace vistrel
