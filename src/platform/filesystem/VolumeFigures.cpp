#include "VolumeFigures.h"

#include "FileSystemError.h"
#include "FileSystemMetadata.h"

#include <blkid/blkid.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <vector>

namespace vistrel {

namespace {

struct MountEntry {
    std::uint64_t mountId = 0;
    std::string mountPoint;
    std::string type;
    std::string source;
};

// Replaces each `prefix` followed by `digits` digits in `base` by the byte they give.
std::string unescape(const std::string& text, std::string_view prefix, std::size_t digits, int base)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, prefix.size(), prefix) == 0 && i + prefix.size() + digits <= text.size()) {
            const std::string number = text.substr(i + prefix.size(), digits);
            char* end = nullptr;
            const long value = std::strtol(number.c_str(), &end, base);
            if (end == number.c_str() + digits) {
                result += static_cast<char>(value);
                i += prefix.size() + digits - 1;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

// mountinfo escapes blanks and backslashes as \ooo.
std::string unescapeMountField(const std::string& field)
{
    return unescape(field, "\\", 3, 8);
}

// udev writes unsafe bytes of a label as \xHH.
std::string unescapeUdevName(const std::string& name)
{
    return unescape(name, "\\x", 2, 16);
}

std::vector<MountEntry> readMountInfo()
{
    std::vector<MountEntry> entries;
    std::ifstream file("/proc/self/mountinfo");
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        std::string parentId, deviceNumbers, root, field;
        fields >> entry.mountId >> parentId >> deviceNumbers >> root >> entry.mountPoint;
        while (fields >> field && field != "-") { }
        fields >> entry.type >> entry.source;
        entry.mountPoint = unescapeMountField(entry.mountPoint);
        entry.source = unescapeMountField(entry.source);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The mount holding `path`: by statx's mount id, else the longest mount point that prefixes it.
std::optional<MountEntry> mountOf(const std::string& path, const std::optional<std::uint64_t>& mountId)
{
    std::optional<MountEntry> best;
    for (auto& entry : readMountInfo()) {
        if (mountId) {
            if (entry.mountId == *mountId)
                best = entry; // the last one wins when a mount point is covered twice
            continue;
        }
        const std::string& point = entry.mountPoint;
        const bool prefixes = path.compare(0, point.size(), point) == 0
            && (point == "/" || path.size() == point.size() || path[point.size()] == '/');
        if (prefixes && (!best || point.size() >= best->mountPoint.size()))
            best = entry;
    }
    return best;
}

// The label in the file system's own superblock, where the device can be read (as root, or
// for a loop image the user owns): udev's links are missing in containers and early boot.
std::optional<std::string> probedLabel(const char* device)
{
    struct stat status { };
    if (::stat(device, &status) != 0 || !S_ISBLK(status.st_mode))
        return std::nullopt;
    blkid_probe probe = blkid_new_probe_from_filename(device);
    if (!probe)
        return std::nullopt;
    std::optional<std::string> label;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    const char* value = nullptr;
    std::size_t length = 0;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value) {
        // The length counts the terminating NUL.
        std::string found(value, length > 0 && value[length - 1] == '\0' ? length - 1 : length);
        if (!found.empty())
            label = std::move(found);
    }
    blkid_free_probe(probe);
    return label;
}

std::optional<std::string> labelOf(const std::string& source)
{
    char resolvedSource[PATH_MAX];
    if (!::realpath(source.c_str(), resolvedSource))
        return std::nullopt;
    const std::string byLabel = "/dev/disk/by-label/";
    DIR* directory = ::opendir(byLabel.c_str());
    if (!directory)
        return probedLabel(resolvedSource);
    std::optional<std::string> label;
    while (dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        char target[PATH_MAX];
        if (::realpath((byLabel + name).c_str(), target) && std::string(target) == resolvedSource) {
            label = unescapeUdevName(name);
            break;
        }
    }
    ::closedir(directory);
    return label ? label : probedLabel(resolvedSource);
}

} // namespace

VolumeFigures VolumeFigures::read(const std::string& path)
{
    const FileStatus status = FileSystemMetadata::status(path);
    struct statvfs figures { };
    if (::statvfs(path.c_str(), &figures) != 0)
        throw FileSystemError(errno, path, "statvfs");

    VolumeFigures result;
    const auto unit = static_cast<std::int64_t>(figures.f_frsize ? figures.f_frsize : figures.f_bsize);
    result.totalCapacity = static_cast<std::int64_t>(figures.f_blocks) * unit;
    result.availableCapacity = static_cast<std::int64_t>(figures.f_bavail) * unit;
    // Some file systems (btrfs, vfat) report no inode counts: then the count is unknown.
    if (figures.f_files > 0)
        result.resourceCount = static_cast<std::int64_t>(figures.f_files - figures.f_ffree);

    if (const auto mount = mountOf(path, status.mountId)) {
        result.localizedFormatDescription = mount->type;
        result.label = labelOf(mount->source);
        // One name everywhere, as the volume list has it: the label, else the mount point.
        result.localizedName = result.label ? result.label : std::optional<std::string>(mount->mountPoint);
    }
    return result;
}

} // namespace vistrel
