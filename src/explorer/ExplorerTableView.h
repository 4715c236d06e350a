#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>

class QMenu;
class QProgressBar;
class QTreeView;

namespace vistrel {

class EmptyStateView;
class ExplorerTableItemModel;
class ExplorerTableRowModel;
class ExplorerTableViewModel;
class Preferences;

// The outline table of one directory: a tree view over the view model's rows with its
// sort headers, filter overlay, context menu and primary action. It holds no logic.
class ExplorerTableView : public QWidget {
    Q_OBJECT
public:
    ExplorerTableView(ExplorerTableViewModel* viewModel, Preferences* preferences, QWidget* parent = nullptr);
    // Adds more to every item's context menu (the window's cleanup actions).
    void setMenuExtension(std::function<void(QMenu*, const std::string&)> extend) { extendMenu_ = std::move(extend); }
    // The snapshot items of the selected rows (Shift and Ctrl extend the selection).
    std::vector<std::string> selectedItemPaths() const;
    // Their size on disk and file count added up (a file counts as one).
    std::pair<std::int64_t, std::int64_t> selectedItemFigures() const;

    QTreeView* tree() const { return tree_; }
    ExplorerTableItemModel* itemModel() const { return itemModel_; }
    // The menu the table would offer for a row (empty for "Other files"); the caller owns it.
    QMenu* makeContextMenu(const QModelIndex& index);
    // Show and hide the figure columns (the header's context menu, View > Columns); the
    // choice is kept with the header's layout. The caller owns the menu.
    QMenu* makeColumnsMenu(QWidget* parent = nullptr);
    void addColumnActions(QMenu* menu);
    // Takes the columns shown from the saved layout: another screen may have changed them.
    void syncColumnsWithPreferences();
    // Shows the Change column while the screen compares with an earlier snapshot.
    void setComparing(bool comparing);
    bool comparing() const;
    bool showsProgress() const;
    bool showsNoResults() const;

Q_SIGNALS:
    // Space on a row: a quick look at the selected file.
    void previewRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyVisibility(ExplorerTableRowModel* row);
    void updateOverlay();
    void updateSortIndicator();
    void select(const QModelIndex& index);
    void saveLayout();
    // Whether the saved header layout has this table's columns (not one saved by an older version).
    bool savedLayoutFits() const;

    ExplorerTableViewModel* viewModel_;
    Preferences* preferences_;
    ExplorerTableItemModel* itemModel_;
    QTreeView* tree_;
    QProgressBar* progress_;
    EmptyStateView* noResults_;
    std::function<void(QMenu*, const std::string&)> extendMenu_;
};

} // namespace vistrel
