#pragma once

#include "ExplorerEnvironment.h"
#include "SearchScope.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace vistrel {

class ExplorerDetailsContentView;
class ExplorerSearchView;
class ExplorerSearchViewModel;
class ExplorerModel;
class ExplorerPathBarView;
class ExplorerTableView;
class ExplorerTableViewModel;

// One explorer screen: the search field with its two scopes, and either the filtered table
// beside the details with the path bar below, or the search over everything under the
// current directory.
class ExplorerView : public QWidget {
    Q_OBJECT
public:
    ExplorerView(const ExplorerEnvironment& environment, FileUrl root, std::optional<FileUrl> selection,
                 QWidget* parent = nullptr);
    ~ExplorerView() override;

    ExplorerModel* model() const { return model_; }
    ExplorerTableViewModel* tableViewModel() const { return tableViewModel_; }
    ExplorerTableView* table() const { return table_; }
    ExplorerDetailsContentView* details() const { return details_; }
    ExplorerSearchView* searchView() const { return searchView_; }
    ExplorerSearchViewModel* searchViewModel() const { return searchViewModel_; }
    QLineEdit* searchField() const { return searchField_; }
    // The current folder's total above the table: its size, files and share of its volume.
    QLabel* totalLine() const { return totalLine_; }
    // "Explorer: " and the current directory's path.
    QString subtitle() const;
    // The label of the scopes below the directory: "Search All Under **name**" with the name
    // in bold, "Largest Files Under **name**".
    static QString searchScopeLabel(const FileUrl& currentPath, SearchScope scope = SearchScope::search);

    SearchScope searchScope() const { return scope_; }
    void setSearchScope(SearchScope scope);

    // The items selected in the table or the search results, whichever is shown; else the
    // item the details show (a click on the map).
    std::vector<std::string> selectedItemPaths() const;
    // What they take on disk and how many files they hold, when they are the shown selection.
    std::optional<std::pair<std::int64_t, std::int64_t>> selectedItemFigures(
        const std::vector<std::string>& paths) const;
    // Loads the rows; done each time the screen comes to the front.
    void refresh();
    // After the snapshot changed in place (a cleanup): the rows, the details and the map
    // anew, the selection on a neighbour of the first removed item (when it was in the table),
    // or on `select` (an item put back).
    void reloadAfterChange(const std::vector<std::string>& removed = {},
                           const std::optional<std::string>& select = std::nullopt);

    // The bar that says a read of the snapshot failed, with what to do; hidden until one does.
    QWidget* readFailureNotice() const { return readFailureNotice_; }
    QString readFailureText() const;
    // The map below the table (View > Show Map): made when first shown.
    // The details beside the table, hidden and shown as the preferences keep it.
    bool detailsShown() const;
    void setDetailsShown(bool shown);
    bool mapShown() const;
    void setMapShown(bool shown);
    class MapView* mapView() const { return mapView_; }
    // The full list of unreadable folders, while it is open (from the notice's Show All).
    QDialog* unreadableFoldersDialog() const { return unreadableDialog_; }
    // The line that says what the screen compares with; hidden while it does not.
    QWidget* comparisonNotice() const { return comparisonNotice_; }
    // Beside the map while comparing: colour its tiles by growth instead of type.
    QCheckBox* growthColours() const;

protected:
    // A screen that comes into view takes the keyboard focus for its table.
    void showEvent(QShowEvent* event) override;
    // Escape in the search field clears it; in an empty field it returns to the rows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeScopeButton(SearchScope scope);
    QLabel* makeNotice(const ExplorerEnvironment& environment);
    // At the root of a whole volume's snapshot: where the used space went, measured off the
    // main thread; nothing elsewhere.
    QLabel* makeUsedSpaceLine(const ExplorerEnvironment& environment);
    void selectFromMap(const std::string& path);
    QWidget* makeReadFailureNotice();
    // "Changes since the snapshot of …" with Stop Comparing, while the window compares.
    QWidget* makeComparisonNotice();
    void applyComparison();

    ExplorerModel* model_;
    ExplorerTableViewModel* tableViewModel_;
    QLineEdit* searchField_;
    QButtonGroup* scopes_;
    SearchScope scope_ = SearchScope::filter;
    QStackedWidget* content_;
    ExplorerTableView* table_;
    ExplorerDetailsContentView* details_;
    ExplorerPathBarView* pathBar_;
    QWidget* searchPage_;
    ExplorerEnvironment environment_;
    QWidget* readFailureNotice_ = nullptr;
    QPointer<QDialog> unreadableDialog_;
    QSplitter* mapSplit_ = nullptr;
    QSplitter* detailsSplit_ = nullptr;
    class MapPane* mapPane_ = nullptr;
    int changesSeen_ = 0; // of environment_.snapshotChanges
    class MapView* mapView_ = nullptr;
    QLabel* readFailureLabel_ = nullptr;
    QLabel* totalLine_ = nullptr;
    QWidget* comparisonNotice_ = nullptr;
    QLabel* comparisonLabel_ = nullptr;
    // Made each time the search scope is chosen, dropped when it is left.
    ExplorerSearchViewModel* searchViewModel_ = nullptr;
    ExplorerSearchView* searchView_ = nullptr;
};

} // namespace vistrel
