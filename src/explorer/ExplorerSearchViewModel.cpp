#include "ExplorerSearchViewModel.h"

#include "ExplorerModel.h"
#include "NavigationModel.h"

#include "history/ChangeFolding.h"
#include "objectstore/StoreError.h"
#include "services/DisplayName.h"
#include "services/Formats.h"
#include "services/Log.h"
#include "services/MainThread.h"
#include "services/Translations.h"
#include "store/SnapshotReader.h"
#include "store/VistrelFileSearch.h"

#include <QCoreApplication>

namespace vistrel {

ExplorerSearchViewModel::ExplorerSearchViewModel(std::shared_ptr<SnapshotReader> reader, ExplorerModel* explorerModel,
                                                 NavigationModel* navigationModel, QObject* parent)
    : QObject(parent)
    , reader_(std::move(reader))
    , explorerModel_(explorerModel)
    , navigationModel_(navigationModel)
{
}

ExplorerSearchViewModel::~ExplorerSearchViewModel()
{
    if (cancelRunning_)
        *cancelRunning_ = true;
}

void ExplorerSearchViewModel::setSearchText(const QString& text)
{
    searchText_ = text;
    if (text == lastSent_)
        return;
    lastSent_ = text;
    // An emptied field starts nothing and keeps the last results.
    if (text.isEmpty()) {
        debounce_.cancel();
        return;
    }
    debounce_.request();
}

void ExplorerSearchViewModel::startDebounced()
{
    search(lastSent_);
}

void ExplorerSearchViewModel::search(const QString& text)
{
    if (text.isEmpty()) {
        if (cancelRunning_) {
            *cancelRunning_ = true;
            cancelRunning_.reset();
        }
        return;
    }
    const std::string query = text.toLower().toStdString();
    start(text, [query](const FileUrl& root, StoreContext& context) {
        return Found{VistrelFileSearch::search(root, query, context), {}};
    });
}

void ExplorerSearchViewModel::listLargestFiles()
{
    largest_ = true;
    start(QString(), [](const FileUrl& root, StoreContext& context) {
        return Found{VistrelFileSearch::largestFiles(root, context), {}};
    });
}

void ExplorerSearchViewModel::listBiggestChanges(std::shared_ptr<const SnapshotComparison> comparison)
{
    changes_ = true;
    if (!comparison)
        return;
    start(QString(), [comparison](const FileUrl& root, StoreContext& context) {
        const SnapshotDiff::Biggest biggest
            = comparison->biggest(root, context, static_cast<std::size_t>(VistrelFileSearch::resultLimit));
        Found found;
        // One row for a change, not one per folder above it; many removals as their folder.
        const auto rows = ChangeFolding::fold(biggest.changes, biggest.changes.size());
        // Every change was read: the rows are all there is to say.
        const bool whole = static_cast<std::int64_t>(biggest.changes.size()) >= biggest.total;
        found.result.total = whole ? static_cast<std::int64_t>(rows.size()) : biggest.total;
        for (const ChangeFolding::Row& row : rows) {
            const SnapshotDiff::Change& change = row.change;
            found.result.files.push_back(change.item());
            found.comparisons.push_back({change.before, change.after, change.fileCountBefore, row.removedItems});
        }
        return found;
    });
}

void ExplorerSearchViewModel::start(const QString& text, Query query)
{
    if (cancelRunning_) {
        *cancelRunning_ = true;
        cancelRunning_.reset();
    }
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    cancelRunning_ = cancelled;
    searching_ = true;
    Q_EMIT searchingChanged();
    const FileUrl root = explorerModel_->currentPath();
    reader_->post(
        [owner = lifetime_.watch(), cancelled, root, query = std::move(query), text, this](StoreContext& context) {
            if (*cancelled)
                return; // a newer search took its place before it began
            std::optional<Found> result;
            std::optional<std::string> error;
            try {
                result = query(root, context);
            } catch (const std::exception& failure) { // store errors, and anything a damaged store provokes
                error = failure.what();
            }
            onMainThread(owner, [text, this, result = std::move(result), error = std::move(error)]() mutable {
                if (text != searchText_)
                    return; // made for a text the field no longer holds
                cancelRunning_.reset();
                searching_ = false;
                if (error) {
                    // No results is not what the store said: the failure is shown instead.
                    failure_ = QString::fromUtf8(error->data(), static_cast<qsizetype>(error->size()));
                    totalResults_ = 0;
                    results_.clear();
                    comparisons_.clear();
                    explorerModel_->reportReadFailure(*error);
                    Q_EMIT resultsChanged();
                    Q_EMIT searchingChanged();
                    return;
                }
                failure_.reset();
                totalResults_ = result->result.total;
                results_ = std::move(result->result.files);
                comparisons_ = std::move(result->comparisons);
                Q_EMIT resultsChanged();
                Q_EMIT searchingChanged();
            });
        });
}

QString ExplorerSearchViewModel::statusText() const
{
    if (failure_)
        return QCoreApplication::translate("Search", "The search failed: %1").arg(*failure_);
    const auto shown = static_cast<std::int64_t>(results_.size());
    if (changes_) {
        if (shown < totalResults_)
            return QCoreApplication::translate("Search", "The %1 biggest of %2 changes")
                .arg(Formats::messageCount(shown), Formats::messageCount(totalResults_));
        return QCoreApplication::translate("Search", "%n changes", nullptr, Translations::count(totalResults_));
    }
    if (largest_) {
        if (shown < totalResults_)
            return QCoreApplication::translate("Search", "The %1 largest of %2 files")
                .arg(Formats::messageCount(shown), Formats::messageCount(totalResults_));
        return QCoreApplication::translate("Search", "%n files", nullptr, Translations::count(totalResults_));
    }
    if (shown < totalResults_)
        return QCoreApplication::translate("Search", "Showing %1 out of %2")
            .arg(Formats::messageCount(shown), Formats::messageCount(totalResults_));
    return QCoreApplication::translate("Search", "Matched %n results", nullptr, Translations::count(totalResults_));
}

QString ExplorerSearchViewModel::pathColumn(const std::string& itemPath, const std::string& rootPath)
{
    // Both as directories; the result's parent loses the components it shares with the root.
    const FileUrl parent = FileUrl(itemPath).parentDirectory();
    const std::string& directory = parent.path();
    const std::string root = FileUrl::directory(rootPath).path();
    std::string rest = directory.rfind(root, 0) == 0 ? directory.substr(root.size()) : directory;
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    QString text = QStringLiteral("…/");
    text += DisplayName::of(rest);
    return text;
}

void ExplorerSearchViewModel::openParentSelecting(const ItemUrl& url)
{
    if (!url.isFile())
        return;
    navigationModel_->push(ExplorerNavigationDestination::explorer(url.fileUrl().parentDirectory(), url.fileUrl()));
}

} // namespace vistrel
