#pragma once

#include "ItemUrl.h"
#include "SizeComparison.h"

#include "history/SnapshotComparison.h"

#include "services/Debounce.h"
#include "services/LifetimeToken.h"
#include "store/VistrelFile.h"
#include "store/VistrelFileSearch.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vistrel {

class ExplorerModel;
class NavigationModel;
class SnapshotReader;

// The search over everything under a screen's directory: the debounced text, one query at a
// time on the search reader's thread (a newer one cancels the one before it), and results
// applied only while the field still holds the text they were made for.
class ExplorerSearchViewModel : public QObject {
    Q_OBJECT
public:
    ExplorerSearchViewModel(std::shared_ptr<SnapshotReader> reader, ExplorerModel* explorerModel,
                            NavigationModel* navigationModel, QObject* parent = nullptr);
    ~ExplorerSearchViewModel() override;

    // Repeated and empty texts are dropped; a search starts 200 ms after the last change.
    void setSearchText(const QString& text);
    const QString& searchText() const { return searchText_; }
    // A search waits for the typing to pause.
    bool debouncing() const { return debounce_.pending(); }
    // Starts a search for `text` at once, cancelling the running one.
    void search(const QString& text);
    // Lists the largest files anywhere below the directory instead, with no text; from then
    // on the model stays a list of the largest files.
    void listLargestFiles();
    bool listsLargestFiles() const { return largest_; }
    // Lists the files and folders below whose size changed most since the earlier snapshot
    // (at most VistrelFileSearch::resultLimit, largest change first); from then on the model
    // stays such a list.
    void listBiggestChanges(std::shared_ptr<const SnapshotComparison> comparison);
    bool listsChanges() const { return changes_; }

    const std::vector<VistrelFile>& results() const { return results_; }
    // Each result's sizes in both snapshots, while the model lists changes (else empty). A
    // result only the earlier snapshot has holds its old figures.
    const std::vector<SizeComparison>& comparisons() const { return comparisons_; }
    std::int64_t totalResults() const { return totalResults_; }
    // A query is on its way (the indicator shows).
    bool searching() const { return searching_; }
    // "Showing N out of M" while results are cut short, else "Matched M results"; after a
    // failed read, "The search failed: " and why.
    QString statusText() const;

    // The Path column: "…/" and the result's parent directories below the search root.
    static QString pathColumn(const std::string& itemPath, const std::string& rootPath);

    // "Set as current directory" and the primary action: a screen of the result's parent
    // directory that selects the result.
    void openParentSelecting(const ItemUrl& url);

    static constexpr int debounceMilliseconds = 200;

Q_SIGNALS:
    void resultsChanged();
    void searchingChanged();

private:
    void startDebounced();
    struct Found {
        VistrelFileSearch::Result result;
        std::vector<SizeComparison> comparisons;
    };
    using Query = std::function<Found(const FileUrl& root, StoreContext& context)>;
    void start(const QString& text, Query query);

    std::shared_ptr<SnapshotReader> reader_;
    ExplorerModel* explorerModel_;
    NavigationModel* navigationModel_;
    QString searchText_;
    QString lastSent_;
    Debounce debounce_{debounceMilliseconds, this, [this] { startDebounced(); }};
    std::shared_ptr<std::atomic<bool>> cancelRunning_;
    bool searching_ = false;
    std::vector<VistrelFile> results_;
    std::int64_t totalResults_ = 0;
    std::optional<QString> failure_;
    bool largest_ = false;
    bool changes_ = false;
    std::vector<SizeComparison> comparisons_;
    LifetimeToken lifetime_;
};

} // namespace vistrel
