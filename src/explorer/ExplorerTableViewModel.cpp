#include "ExplorerTableViewModel.h"

#include "ExplorerModel.h"
#include "ExplorerTableRowModelDataSourceFile.h"
#include "NavigationModel.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "scanner/FileSystemRecord.h"
#include "scanner/ResourceTypeCode.h"
#include "services/DisplayName.h"
#include "services/Formats.h"
#include "services/Log.h"
#include "services/MainThread.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotReader.h"
#include "store/VistrelFile.h"

#include <QCoreApplication>

#include <algorithm>

namespace vistrel {

namespace {

// The scan stores no entity for its own root: the table stands one in, without totals.
VistrelFile transientRoot(const FileUrl& root)
{
    FileSystemRecord record;
    record.path = root.path();
    record.level = root.pathComponentCount();
    record.fileResourceType = ResourceTypeCode::directory;
    return VistrelFile(std::move(record));
}

} // namespace

ExplorerTableViewModel::ExplorerTableViewModel(std::shared_ptr<SnapshotReader> reader, ExplorerModel* explorerModel,
                                               NavigationModel* navigationModel, QObject* parent)
    : QObject(parent)
    , reader_(std::move(reader))
    , explorerModel_(explorerModel)
    , navigationModel_(navigationModel)
{
}

ExplorerTableViewModel::~ExplorerTableViewModel() = default;

ExplorerTableRowModel::Children& ExplorerTableViewModel::files()
{
    auto* loaded = rootRow_ ? rootRow_->loadedChildren() : nullptr;
    return loaded ? *loaded : noFiles_;
}

const FileUrl& ExplorerTableViewModel::root() const
{
    return explorerModel_->currentPath();
}

bool ExplorerTableViewModel::showsNoResults() const
{
    const auto* rows = rootRow_ ? rootRow_->loadedChildren() : nullptr;
    return !filteringAndSorting_ && !filterText_.isEmpty()
        && (!rows || std::none_of(rows->begin(), rows->end(), [](const auto& row) { return row->show; }));
}

std::optional<double> ExplorerTableViewModel::shareOf(const ExplorerTableRowModel& row) const
{
    if (!rootRow_)
        return std::nullopt;
    const auto whole = rootRow_->source().totalAllocatedSize();
    const auto part = row.source().totalAllocatedSize();
    if (!whole || !part || *whole <= 0)
        return std::nullopt;
    return std::clamp(static_cast<double>(*part) / static_cast<double>(*whole), 0.0, 1.0);
}

QString ExplorerTableViewModel::totalText(std::optional<std::int64_t> volumeUsedBytes) const
{
    if (!rootRow_)
        return {};
    const auto& source = rootRow_->source();
    const FileUrl& folder = root();
    const QString name = folder.path() == "/" ? QStringLiteral("/") : DisplayName::of(folder.lastPathComponent());
    if (!source.totalAllocatedSize())
        return QStringLiteral("%1: not measured").arg(name);
    const std::int64_t files = source.fileCount().value_or(0);
    QString text = QStringLiteral("%1: %2 in %3")
                       .arg(name, Formats::byteCount(*source.totalAllocatedSize()),
                            files == 1 ? QStringLiteral("1 file")
                                       : QStringLiteral("%1 files").arg(Formats::groupedCount(files)));
    if (volumeUsedBytes && *volumeUsedBytes > 0) {
        const double share = static_cast<double>(*source.totalAllocatedSize()) / static_cast<double>(*volumeUsedBytes);
        text += share < 0.0005 ? QStringLiteral(", less than 0.1 % of the space used on its volume")
                               : QStringLiteral(", %1 % of the space used on its volume")
                                     .arg(QString::number(std::min(share, 1.0) * 100.0, 'f', 1));
    }
    return text;
}

void ExplorerTableViewModel::refresh()
{
    const std::uint64_t generation = ++generation_;
    loading_.clear();
    const FileUrl root = this->root();
    reader_->post([this, owner = lifetime_.watch(), generation, root, comparison = comparison_](StoreContext& context) {
        std::optional<VistrelFile> rootFile;
        std::vector<VistrelFile> children;
        std::optional<SnapshotComparison::Children> changes;
        std::optional<std::string> error;
        try {
            // The scan root and "/" have no row of their own.
            rootFile = SnapshotCompletion::scanRootFile(context.container(), root);
            if (!rootFile)
                rootFile = root.path() == "/" ? transientRoot(root) : VistrelFile::file(root, context);
            if (rootFile)
                children = VistrelFile::children(root, context);
            if (rootFile && comparison)
                changes = comparison->children(root, context);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        onMainThread(owner,
                     [this, generation, rootFile = std::move(rootFile), children = std::move(children),
                      changes = std::move(changes), error = std::move(error)]() mutable {
                         if (generation == generation_)
                             applyRefresh(std::move(rootFile), std::move(children), std::move(changes),
                                          std::move(error));
                     });
    });
}

void ExplorerTableViewModel::applyRefresh(std::optional<VistrelFile> rootFile, std::vector<VistrelFile> children,
                                          std::optional<SnapshotComparison::Children> changes,
                                          std::optional<std::string> error)
{
    Q_EMIT rowsAboutToBeReset();
    rootRow_.reset();
    if (error) {
        explorerModel_->reportReadFailure(*error);
    } else if (rootFile) {
        rootRow_ = std::make_unique<ExplorerTableRowModel>(
            nullptr, std::make_unique<ExplorerTableRowModelDataSourceFile>(std::move(*rootFile)),
            effectiveOrder(order_));
        rootRow_->expanded = true;
        rootRow_->setChildren(rootRow_->makeChildren(std::move(children), changes ? &*changes : nullptr));
    }
    Q_EMIT rowsReset();
    if (!filterText_.isEmpty())
        filterAndSortRows();
    // Coming back to the screen, the row the user left selected is selected again; the first
    // time, the item the screen was opened for, or else the first row shown, so that the
    // keyboard, the details and a screen reader all start from a row.
    if (selectedPath_) {
        Q_EMIT selectionRequested(*selectedPath_);
    } else if (const auto& selection = explorerModel_->selection()) {
        Q_EMIT selectionRequested(ItemUrl::file(*selection));
    } else {
        const auto& rows = files();
        const auto first = std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row->show; });
        if (first != rows.end())
            Q_EMIT selectionRequested((*first)->source().url());
    }
}

void ExplorerTableViewModel::loadChildren(ExplorerTableRowModel* row)
{
    if (!row || row->loadedChildren() || !row->isExpandable()
        || std::find(loading_.begin(), loading_.end(), row) != loading_.end())
        return;
    loading_.push_back(row);
    const std::uint64_t generation = generation_;
    const FileUrl directory = row->source().url().fileUrl();
    reader_->post(
        [this, owner = lifetime_.watch(), generation, row, directory, comparison = comparison_](StoreContext& context) {
            std::vector<VistrelFile> children;
            std::optional<SnapshotComparison::Children> changes;
            std::optional<std::string> error;
            try {
                children = VistrelFile::children(directory, context);
                if (comparison)
                    changes = comparison->children(directory, context);
            } catch (const std::exception& failure) {
                error = failure.what();
            }
            onMainThread(owner,
                         [this, generation, row, children = std::move(children), changes = std::move(changes),
                          error = std::move(error)]() mutable {
                             if (generation != generation_)
                                 return; // the rows were rebuilt meanwhile; `row` is gone
                             loading_.erase(std::remove(loading_.begin(), loading_.end(), row), loading_.end());
                             if (row->loadedChildren())
                                 return;
                             if (error) {
                                 row->adoptFailedChildren(*error);
                                 explorerModel_->reportReadFailure(*error);
                                 return;
                             }
                             auto rows = row->makeChildren(std::move(children), changes ? &*changes : nullptr);
                             Q_EMIT childrenAboutToBeAdopted(row, static_cast<int>(rows.size()));
                             row->setChildren(std::move(rows));
                             Q_EMIT childrenAdopted(row);
                         });
        });
}

void ExplorerTableViewModel::setOrder(SortOrder order)
{
    order_ = std::move(order);
    filterAndSortRows();
}

void ExplorerTableViewModel::sortBy(KeyPathComparator::Key key)
{
    SortOrder order = order_;
    if (!order.empty() && order.front().key == key) {
        order.front().forward = !order.front().forward;
    } else {
        // Names read best from A, figures from the largest.
        order.insert(order.begin(), KeyPathComparator{key, key == KeyPathComparator::Key::name});
        order.erase(std::remove_if(order.begin() + 1, order.end(), [key](const auto& c) { return c.key == key; }),
                    order.end());
    }
    setOrder(std::move(order));
}

void ExplorerTableViewModel::setFilterText(const QString& text)
{
    if (filterText_ != text) {
        filterText_ = text;
        Q_EMIT filterTextChanged();
    }
    if (text == lastSentFilterText_)
        return;
    lastSentFilterText_ = text;
    debounce_.request();
}

void ExplorerTableViewModel::filterAndSortRows()
{
    filteringAndSorting_ = true;
    Q_EMIT filteringAndSortingChanged();
    // Let the indicator appear before the pass takes the thread.
    QMetaObject::invokeMethod(this, &ExplorerTableViewModel::runFilterPass, Qt::QueuedConnection);
}

void ExplorerTableViewModel::runFilterPass()
{
    const SortOrder order = effectiveOrder(order_);
    const std::string text = filterText_.toStdString();
    Q_EMIT rowsAboutToBeReordered();
    auto& rows = files();
    for (auto& row : rows)
        row->filterAndSort(order, text, false);
    ExplorerTableRowModel::sort(rows, order);
    Q_EMIT rowsReordered();
    filteringAndSorting_ = false;
    Q_EMIT filteringAndSortingChanged();
}

void ExplorerTableViewModel::setSelectedPath(std::optional<ItemUrl> url)
{
    selectedPath_ = std::move(url);
    explorerModel_->setSelectedComparison(std::nullopt);
    if (!selectedPath_) {
        explorerModel_->setSelectedDetailsFile(std::nullopt);
        return;
    }
    // The aggregate row has no details of its own, and showing the last file's would mislead.
    if (!selectedPath_->isFile()) {
        explorerModel_->setSelectedDetailsFile(std::nullopt);
        return;
    }
    const ItemUrl selected = *selectedPath_;
    reader_->post([this, owner = lifetime_.watch(), selected, comparison = comparison_](StoreContext& context) {
        std::optional<VistrelFile> file;
        std::optional<SizeComparison> figures;
        std::optional<std::string> error;
        try {
            file = VistrelFile::file(selected.fileUrl(), context);
            if (comparison)
                if (const auto change = comparison->item(selected.fileUrl(), context))
                    figures = SizeComparison{change->before, change->after, change->fileCountBefore};
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        onMainThread(owner, [this, selected, file = std::move(file), figures, error = std::move(error)]() mutable {
            if (error) {
                explorerModel_->reportReadFailure(*error);
                return;
            }
            // Only the selection that is still current reaches the details.
            if (selectedPath_ != selected)
                return;
            if (file && file->id == selected.path)
                explorerModel_->setSelectedDetailsFile(std::move(file));
            explorerModel_->setSelectedComparison(figures);
        });
    });
}

void ExplorerTableViewModel::setAsCurrentDirectory(const ItemUrl& url)
{
    if (explorerModel_->canSetAsCurrent(url))
        navigationModel_->push(ExplorerNavigationDestination::explorer(url.fileUrl()));
}

void ExplorerTableViewModel::primaryAction()
{
    if (selectedPath_)
        setAsCurrentDirectory(*selectedPath_);
}

} // namespace vistrel
