#pragma once

#include "ExplorerTableRowModel.h"
#include "ItemUrl.h"
#include "KeyPathComparator.h"
#include "UnmeasuredFolders.h"
#include "services/Debounce.h"
#include "services/LifetimeToken.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vistrel {

class ExplorerModel;
class NavigationModel;
class SnapshotReader;

// The state and logic of one explorer table: its rows, sort order, debounced filter,
// selection and actions. Store reads run on the snapshot's reader thread; their results
// are applied on the main thread, and results for rows that are gone are dropped.
class ExplorerTableViewModel : public QObject {
    Q_OBJECT
public:
    ExplorerTableViewModel(std::shared_ptr<SnapshotReader> reader, ExplorerModel* explorerModel,
                           NavigationModel* navigationModel, QObject* parent = nullptr);
    ~ExplorerTableViewModel() override;

    const FileUrl& root() const;
    // The top-level rows: the children of the root row.
    ExplorerTableRowModel::Children& files();
    const ExplorerTableRowModel* rootRow() const { return rootRow_.get(); }
    // A row's share of the current folder's size on disk (0 to 1), at any depth; none while
    // either has no figure or the folder takes nothing.
    std::optional<double> shareOf(const ExplorerTableRowModel& row) const;
    // The total line of the current folder: "usr: 5.4 GB in 12,345 files", and for a folder
    // scan at its root the share of the volume's used space it takes; empty before the rows.
    QString totalText(std::optional<std::int64_t> volumeUsedBytes = std::nullopt) const;
    bool filteringAndSorting() const { return filteringAndSorting_; }
    // The empty-results placeholder: a filter that left no top-level row once its pass ended.
    bool showsNoResults() const;

    // Reloads the rows of the root, closing every opened directory.
    void refresh();
    // Compares every row with an earlier snapshot from the next refresh on (none: stops).
    void setComparison(std::shared_ptr<const SnapshotComparison> comparison) { comparison_ = std::move(comparison); }
    const std::shared_ptr<const SnapshotComparison>& comparison() const { return comparison_; }
    // Loads a directory row's children when they are not loaded yet (childrenLoaded follows).
    void loadChildren(ExplorerTableRowModel* row);

    const SortOrder& order() const { return order_; }
    // A new order runs a filter pass at once.
    void setOrder(SortOrder order);
    // A header click: that column's key first, or its direction reversed when it is first.
    void sortBy(KeyPathComparator::Key key);

    const QString& filterText() const { return filterText_; }
    // Repeated values are dropped; a pass starts 200 ms after the last change.
    void setFilterText(const QString& text);
    // A pass waits for the typing to pause.
    bool debouncing() const { return debounce_.pending(); }
    // The pass itself: shows the indicator, filters and sorts every loaded open row.
    void filterAndSortRows();

    const std::optional<ItemUrl>& selectedPath() const { return selectedPath_; }
    // Why folders without figures have none; empty knowledge reads every one as unreadable.
    void setUnmeasuredFolders(std::shared_ptr<const UnmeasuredFolders> folders) { unmeasured_ = std::move(folders); }
    const UnmeasuredFolders* unmeasuredFolders() const { return unmeasured_.get(); }
    // Feeds the details: absent and the "Other files" row empty them.
    void setSelectedPath(std::optional<ItemUrl> url);

    // "Set as current directory" and the primary action: pushes a screen for a directory.
    void setAsCurrentDirectory(const ItemUrl& url);
    void primaryAction();

    static constexpr int debounceMilliseconds = 200;

Q_SIGNALS:
    void rowsAboutToBeReset();
    void rowsReset();
    // The reader has the rows of `row`; it adopts them between the two signals.
    void childrenAboutToBeAdopted(ExplorerTableRowModel* row, int count);
    void childrenAdopted(ExplorerTableRowModel* row);
    // Rows are about to be reordered and re-filtered, and have been.
    void rowsAboutToBeReordered();
    void rowsReordered();
    void filteringAndSortingChanged();
    // The text the names' highlights follow.
    void filterTextChanged();
    // After a refresh: the row the screen was opened to show.
    void selectionRequested(const ItemUrl& url);

private:
    void applyRefresh(std::optional<VistrelFile> rootFile, std::vector<VistrelFile> children,
                      std::optional<SnapshotComparison::Children> changes, std::optional<std::string> error);
    void runFilterPass();

    std::shared_ptr<SnapshotReader> reader_;
    ExplorerModel* explorerModel_;
    NavigationModel* navigationModel_;
    std::unique_ptr<ExplorerTableRowModel> rootRow_;
    ExplorerTableRowModel::Children noFiles_;
    // Raised by every refresh: loads started for older rows are dropped.
    std::uint64_t generation_ = 0;
    std::vector<ExplorerTableRowModel*> loading_;
    bool filteringAndSorting_ = false;
    SortOrder order_{KeyPathComparator{KeyPathComparator::Key::allocatedSize, false}};
    QString filterText_;
    QString lastSentFilterText_;
    Debounce debounce_{debounceMilliseconds, this, [this] { filterAndSortRows(); }};
    std::optional<ItemUrl> selectedPath_;
    std::shared_ptr<const UnmeasuredFolders> unmeasured_;
    std::shared_ptr<const SnapshotComparison> comparison_;
    // Shared with reader jobs, which must not touch a model that is gone.
    LifetimeToken lifetime_;
};

} // namespace vistrel
