#include "OtherFiles.h"

#include "VistrelFile.h"

namespace vistrel {

std::optional<OtherFiles> OtherFiles::aggregate(std::optional<std::int64_t> directoryFileCount,
                                                std::optional<std::int64_t> directoryAllocatedSize,
                                                const std::vector<Row>& rows)
{
    if (!directoryFileCount || *directoryFileCount <= 0)
        return std::nullopt;
    // Unsigned arithmetic wraps instead of overflowing; the result is read back as signed.
    const auto subtract = [](std::int64_t a, std::int64_t b) {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
    };
    std::int64_t remaining = *directoryFileCount;
    std::int64_t size = directoryAllocatedSize.value_or(0);
    for (const Row& row : rows) {
        // A directory row accounts for its subtree's files; a file row for itself.
        remaining = subtract(remaining, row.isDirectory ? row.fileCount.value_or(0) : 1);
        size = subtract(size, row.totalAllocatedSize.value_or(0));
    }
    if (remaining <= 0)
        return std::nullopt;
    return OtherFiles{remaining, size, std::nullopt};
}

std::optional<OtherFiles> OtherFiles::aggregate(const VistrelFile& directory, const std::vector<VistrelFile>& rows)
{
    std::vector<Row> summary;
    summary.reserve(rows.size());
    for (const VistrelFile& row : rows)
        summary.push_back(Row{!row.id.empty() && row.id.back() == '/', row.fileCount, row.totalAllocatedSize});
    std::optional<OtherFiles> others = aggregate(directory.fileCount, directory.totalAllocatedSize, summary);
    if (others && directory.totalSize) {
        std::uint64_t size = static_cast<std::uint64_t>(*directory.totalSize);
        for (const VistrelFile& row : rows)
            size -= static_cast<std::uint64_t>(row.totalSize.value_or(0));
        others->totalSize = static_cast<std::int64_t>(size);
    }
    return others;
}

std::string OtherFiles::url(const std::string& directoryPath)
{
    return std::string(urlScheme) + "://" + directoryPath;
}

} // namespace vistrel
