#pragma once

#include "ExplorerTableRowModelDataSource.h"

namespace vistrel {

// The aggregate "Other files" row: what a directory holds beyond its loaded rows.
class ExplorerTableRowModelDataSourceOthers : public ExplorerTableRowModelDataSource {
public:
    ExplorerTableRowModelDataSourceOthers(ItemUrl url, std::string name, std::optional<std::int64_t> totalAllocatedSize,
                                          std::optional<std::int64_t> fileCount,
                                          std::optional<std::int64_t> totalSize = std::nullopt)
        : url_(std::move(url))
        , name_(std::move(name))
        , totalAllocatedSize_(totalAllocatedSize)
        , fileCount_(fileCount)
        , totalSize_(totalSize)
    {
    }

    const ItemUrl& url() const override { return url_; }
    const std::string& name() const override { return name_; }
    std::optional<std::int64_t> totalAllocatedSize() const override { return totalAllocatedSize_; }
    std::optional<std::int64_t> totalSize() const override { return totalSize_; }
    std::optional<std::int64_t> fileCount() const override { return fileCount_; }
    std::optional<std::uint8_t> fileResourceType() const override { return std::nullopt; }
    const SizeComparison* comparison() const override { return comparison_ ? &*comparison_ : nullptr; }
    void setComparison(SizeComparison comparison) { comparison_ = comparison; }

private:
    ItemUrl url_;
    std::string name_;
    std::optional<std::int64_t> totalAllocatedSize_;
    std::optional<std::int64_t> fileCount_;
    std::optional<std::int64_t> totalSize_;
    std::optional<SizeComparison> comparison_;
};

} // namespace vistrel
