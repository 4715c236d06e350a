#include "ExplorerTableRowModel.h"

#include "ExplorerTableRowModelDataSourceFile.h"
#include "ExplorerTableRowModelDataSourceOthers.h"
#include "HighlightedText.h"

#include "objectstore/StoreError.h"
#include "services/DisplayName.h"
#include "services/Log.h"
#include "store/OtherFiles.h"
#include "store/VistrelFile.h"

#include <algorithm>
#include <unordered_set>

namespace vistrel {

struct ExplorerTableRowModel::Filter {
    QString text; // empty: matches everything
};

ExplorerTableRowModel::ExplorerTableRowModel(StoreContext* context,
                                             std::unique_ptr<ExplorerTableRowModelDataSource> source,
                                             std::optional<SortOrder> order, ExplorerTableRowModel* parent)
    : context_(context)
    , source_(std::move(source))
    , order_(std::move(order))
    , parent_(parent)
{
}

bool ExplorerTableRowModel::canLoadChildren() const
{
    return source_->file() && source_->url().hasDirectoryPath() && context_ && order_;
}

ExplorerTableRowModel::Children* ExplorerTableRowModel::children()
{
    if (!canLoadChildren())
        return nullptr;
    if (!children_) {
        try {
            adoptChildren(VistrelFile::children(source_->url().fileUrl(), *context_));
        } catch (const std::exception& error) {
            adoptFailedChildren(error.what());
        }
    }
    return &*children_;
}

void ExplorerTableRowModel::adoptChildren(std::vector<VistrelFile> files)
{
    setChildren(makeChildren(std::move(files)));
}

void ExplorerTableRowModel::setChildren(Children children)
{
    for (std::size_t index = 0; index < children.size(); ++index)
        children[index]->index_ = static_cast<int>(index);
    children_ = std::move(children);
}

ExplorerTableRowModel::Children ExplorerTableRowModel::makeChildren(std::vector<VistrelFile> files,
                                                                    const SnapshotComparison::Children* changes)
{
    std::optional<OtherFiles> others;
    if (const VistrelFile* directory = source_->file())
        others = OtherFiles::aggregate(*directory, files);
    Children rows;
    rows.reserve(files.size() + 1);
    for (VistrelFile& file : files) {
        auto source = std::make_unique<ExplorerTableRowModelDataSourceFile>(std::move(file));
        if (changes) {
            const auto found = changes->byId.find(source->file()->id);
            SizeComparison comparison;
            comparison.after = source->totalAllocatedSize().value_or(0);
            if (found != changes->byId.end()) {
                comparison.before = found->second.before;
                comparison.fileCountBefore = found->second.fileCountBefore;
            }
            source->setComparison(comparison);
        }
        rows.push_back(std::make_unique<ExplorerTableRowModel>(context_, std::move(source), order_, this));
    }
    if (changes) {
        const std::size_t shown = std::min<std::size_t>(changes->removed.size(), VistrelFile::childrenLimit);
        for (std::size_t index = 0; index < shown; ++index) {
            const SnapshotDiff::Change& change = changes->removed[index];
            auto source = std::make_unique<ExplorerTableRowModelDataSourceFile>(change.item());
            source->setComparison({change.before, std::nullopt, change.fileCountBefore});
            rows.push_back(std::make_unique<ExplorerTableRowModel>(context_, std::move(source), order_, this));
        }
    }
    if (order_)
        sort(rows, *order_);
    if (others) {
        auto source = std::make_unique<ExplorerTableRowModelDataSourceOthers>(
            ItemUrl{OtherFiles::urlScheme, source_->url().path}, OtherFiles::name, others->totalAllocatedSize,
            others->fileCount, others->totalSize);
        if (changes) {
            // Then: what the earlier snapshot had here beyond the rows shown now.
            std::unordered_set<std::string> shown;
            for (const auto& row : rows)
                shown.insert(row->source().url().path);
            std::int64_t before = 0;
            for (const auto& [id, change] : changes->byId)
                if (!shown.contains(id))
                    before += change.before.value_or(0);
            source->setComparison({before, others->totalAllocatedSize, std::nullopt});
        }
        rows.push_back(std::make_unique<ExplorerTableRowModel>(context_, std::move(source), order_, this));
    }
    return rows;
}

void ExplorerTableRowModel::adoptFailedChildren(const std::string& description)
{
    Log::error(LogCategory::app, "failed to fetch records: " + description);
    children_ = Children{};
}

bool ExplorerTableRowModel::isExpandable() const
{
    if (source_->comparison() && source_->comparison()->removed())
        return false; // the current snapshot has nothing below it
    return source_->file() && source_->url().hasDirectoryPath() && source_->fileCount().value_or(0) > 0;
}

void ExplorerTableRowModel::sort(Children& rows, const SortOrder& order)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [&order](const auto& a, const auto& b) { return ordersBefore(order, a->source(), b->source()); });
    for (std::size_t index = 0; index < rows.size(); ++index)
        rows[index]->index_ = static_cast<int>(index);
}

bool ExplorerTableRowModel::filterAndSort(const SortOrder& order, const std::string& filterText, bool parentMatched)
{
    return filterAndSort(order, Filter{QString::fromStdString(filterText)}, parentMatched);
}

bool ExplorerTableRowModel::filterAndSort(const SortOrder& order, const Filter& filter, bool parentMatched)
{
    order_ = order;
    // The filter ignores case as the highlight does, and only case: accents count.
    const bool matched
        = filter.text.isEmpty() || HighlightedText::find(DisplayName::of(source_->name()), filter.text) >= 0;
    if (children_ && expanded) {
        bool childMatched = false;
        for (auto& child : *children_)
            childMatched = child->filterAndSort(order, filter, parentMatched || matched) || childMatched;
        sort(*children_, order);
        show = parentMatched || matched || childMatched;
    } else {
        show = parentMatched || matched;
    }
    return show;
}

} // namespace vistrel
