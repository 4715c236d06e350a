#pragma once

#include "ExplorerTableRowModelDataSource.h"
#include "KeyPathComparator.h"

#include "history/SnapshotComparison.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class StoreContext;
class TextFolding;
class VistrelFile;

// One row of the explorer's outline: an item, its children loaded once on first use (at
// most the store's 1000, then an "Other files" row for the rest), and the flags the table
// shows it by. Rows are owned by their parent; main thread only.
class ExplorerTableRowModel {
public:
    using Children = std::vector<std::unique_ptr<ExplorerTableRowModel>>;

    ExplorerTableRowModel(StoreContext* context, std::unique_ptr<ExplorerTableRowModelDataSource> source,
                          std::optional<SortOrder> order, ExplorerTableRowModel* parent = nullptr);

    const ExplorerTableRowModelDataSource& source() const { return *source_; }
    ExplorerTableRowModel* parent() const { return parent_; }
    // The row's position among its parent's children, kept up to date by every sort.
    int index() const { return index_; }
    const std::optional<SortOrder>& order() const { return order_; }

    // Whether this row can ever have children: a snapshot directory with a context and an order.
    bool canLoadChildren() const;
    // Loads from the context on first read; absent when the row cannot have children.
    Children* children();
    // The children if they are loaded, without loading them.
    Children* loadedChildren() { return children_ ? &*children_ : nullptr; }
    const Children* loadedChildren() const { return children_ ? &*children_ : nullptr; }
    // Builds the children from fetched entities (also when they were fetched elsewhere, on a
    // thread of their own): one row each, sorted, then the "Other files" row when one is due.
    void adoptChildren(std::vector<VistrelFile> files);
    // The same in two steps, for a table that announces the rows before they appear. While
    // the table compares, each row takes its earlier figures from `changes`, and the items
    // only the earlier snapshot has get rows of their own (the largest, up to the store's limit).
    Children makeChildren(std::vector<VistrelFile> files, const SnapshotComparison::Children* changes = nullptr);
    void setChildren(Children children);
    // A failed fetch: logged, and the row stays empty for good.
    void adoptFailedChildren(const std::string& description);

    bool expanded = false;
    bool show = true;

    // The table's disclosure rule: a snapshot directory that holds files (and still exists).
    bool isExpandable() const;

    // Recomputes `show` for this row and, if it is loaded and open, its subtree, and sorts
    // the children it visits by `order`. Never loads children. Returns the new `show`.
    bool filterAndSort(const SortOrder& order, const std::string& filterText, bool parentMatched);

    // Sorts rows by `order` and renumbers them.
    static void sort(Children& rows, const SortOrder& order);

private:
    struct Filter;
    bool filterAndSort(const SortOrder& order, const Filter& filter, bool parentMatched);

    StoreContext* context_;
    std::unique_ptr<ExplorerTableRowModelDataSource> source_;
    std::optional<SortOrder> order_;
    ExplorerTableRowModel* parent_;
    int index_ = 0;
    std::optional<Children> children_;
};

} // namespace vistrel
