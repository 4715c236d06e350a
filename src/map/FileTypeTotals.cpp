#include "FileTypeTotals.h"

#include "store/VistrelFileSubtree.h"

#include <algorithm>

namespace vistrel {

void FileTypeTotals::add(std::string_view name, std::int64_t size)
{
    const auto category = FileTypeCategory::ofName(name);
    sizes_[category] += std::max<std::int64_t>(0, size);
    ++counts_[category];
}

void FileTypeTotals::add(const FileTypeTotals& other)
{
    for (std::size_t index = 0; index < sizes_.size(); ++index) {
        sizes_[index] += other.sizes_[index];
        counts_[index] += other.counts_[index];
    }
}

std::vector<FileTypeTotals::Row> FileTypeTotals::rows() const
{
    std::int64_t total = 0;
    for (const std::int64_t size : sizes_)
        total += size;
    std::vector<Row> rows;
    for (std::size_t index = 0; index < sizes_.size(); ++index) {
        if (counts_[index] == 0)
            continue;
        rows.push_back(Row{static_cast<FileTypeCategory::Category>(index), sizes_[index], counts_[index],
                           total > 0 ? static_cast<double>(sizes_[index]) / static_cast<double>(total) : 0.0});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.size > b.size; });
    return rows;
}

FileTypeTotals FileTypeTotals::read(const FileUrl& root, StoreContext& context)
{
    // One sum per reading thread, added up at the end: no lock per row.
    std::vector<FileTypeTotals> perWorker(VistrelFileSubtree::workerCount());
    VistrelFileSubtree::forEachFile(root, context,
                                    [&perWorker](std::size_t worker, std::string_view name, std::int64_t size) {
                                        perWorker[worker].add(name, size);
                                    });
    FileTypeTotals totals;
    for (const FileTypeTotals& part : perWorker)
        totals.add(part);
    return totals;
}

} // namespace vistrel
