#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>

class QLabel;
class QMenu;
class QProgressBar;
class QTreeView;

namespace vistrel {

class ExplorerSearchItemModel;
class ExplorerSearchViewModel;
class Preferences;

// The search results of one screen: a flat table in the query's order, the status line below,
// an indicator while a query runs, and the results' menu and primary action.
class ExplorerSearchView : public QWidget {
    Q_OBJECT
public:
    ExplorerSearchView(ExplorerSearchViewModel* viewModel, const std::string& rootPath, Preferences* preferences,
                       QWidget* parent = nullptr);
    // Adds more to every item's context menu (the window's cleanup actions).
    void setMenuExtension(std::function<void(QMenu*, const std::string&)> extend) { extendMenu_ = std::move(extend); }
    // The results of the selected rows (Shift and Ctrl extend the selection).
    std::vector<std::string> selectedItemPaths() const;
    // Their size on disk and file count added up (a file counts as one).
    std::pair<std::int64_t, std::int64_t> selectedItemFigures() const;

    QTreeView* table() const { return table_; }
    ExplorerSearchItemModel* itemModel() const { return itemModel_; }
    QString statusText() const;
    bool showsProgress() const;
    QMenu* makeContextMenu(const QModelIndex& index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void update();
    void openSelected();

    ExplorerSearchViewModel* viewModel_;
    Preferences* preferences_;
    ExplorerSearchItemModel* itemModel_;
    QTreeView* table_;
    QLabel* status_;
    QProgressBar* progress_;
    std::function<void(QMenu*, const std::string&)> extendMenu_;
};

} // namespace vistrel
