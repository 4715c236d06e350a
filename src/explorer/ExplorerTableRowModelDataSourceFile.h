#pragma once

#include "ExplorerTableRowModelDataSource.h"

#include "store/VistrelFile.h"

namespace vistrel {

// A row of one snapshot item.
class ExplorerTableRowModelDataSourceFile : public ExplorerTableRowModelDataSource {
public:
    explicit ExplorerTableRowModelDataSourceFile(VistrelFile file)
        : file_(std::move(file))
        , url_(ItemUrl{ItemUrl::fileScheme, file_.id})
    {
    }

    const ItemUrl& url() const override { return url_; }
    const std::string& name() const override { return file_.name; }
    std::optional<std::int64_t> totalAllocatedSize() const override { return file_.totalAllocatedSize; }
    std::optional<std::int64_t> totalSize() const override { return file_.totalSize; }
    std::optional<std::int64_t> fileCount() const override { return file_.fileCount; }
    std::optional<std::uint8_t> fileResourceType() const override { return file_.fileResourceType; }
    const VistrelFile* file() const override { return &file_; }
    const SizeComparison* comparison() const override { return comparison_ ? &*comparison_ : nullptr; }
    void setComparison(SizeComparison comparison) { comparison_ = comparison; }

private:
    VistrelFile file_;
    std::optional<SizeComparison> comparison_;
    ItemUrl url_;
};

} // namespace vistrel
