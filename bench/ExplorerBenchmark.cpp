// The explorer on a 1,000,000-row snapshot, in memory and on disk, offscreen: how long until
// the rows of "/" and of a directory with 100,000 entries are shown, one filter pass over
// 5,000 loaded rows, a 3-letter search under "/", and the longest the main thread was busy
// between two ticks of a 1 ms timer (a stall a person would feel) during all of it.

#include "EventLoopTiming.h"
#include "SyntheticSnapshot.h"

#include "details/FileIcons.h"
#include "explorer/ExplorerSearchViewModel.h"
#include "explorer/ExplorerTableRowModel.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/SnapshotReader.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace vistrel;
using bench::StallMonitor;
using bench::timeUntil;

namespace {

StallMonitor* monitor = nullptr;
void phase(const char* name)
{
    if (std::getenv("VISTREL_BENCH_PHASES"))
        std::printf("  after %s: longest stall %.1f ms\n", name, monitor->longest());
}

struct Figures {
    double rootRows = 0, bigRows = 0, filter = 0, search = 0;
};

Figures measure(const std::shared_ptr<StoreContainer>& container, bool withFilter)
{
    NavigationModel navigation;
    ExplorerEnvironment environment;
    environment.reader = std::make_shared<SnapshotReader>(container);
    environment.searchReader = std::make_shared<SnapshotReader>(container);
    environment.navigationModel = &navigation;
    Figures figures;

    ExplorerView root(environment, FileUrl("/"), std::nullopt);
    root.resize(1100, 700);
    root.show();
    root.refresh();
    figures.rootRows = timeUntil([&] { return !root.tableViewModel()->files().empty(); });
    phase("root rows");

    ExplorerView big(environment, FileUrl("/big/"), std::nullopt);
    big.resize(1100, 700);
    big.show();
    big.refresh();
    figures.bigRows = timeUntil([&] { return !big.tableViewModel()->files().empty(); });
    phase("big rows");

    if (withFilter) {
        // Open directories until 5,000 rows are loaded, then one pass with a text.
        ExplorerTableViewModel* table = root.tableViewModel();
        std::size_t loaded = table->files().size();
        std::vector<ExplorerTableRowModel*> open;
        for (auto& row : table->files())
            open.push_back(row.get());
        for (std::size_t next = 0; next < open.size() && loaded < 5000; ++next) {
            ExplorerTableRowModel* row = open[next];
            if (!row->isExpandable())
                continue;
            row->expanded = true;
            table->loadChildren(row);
            timeUntil([&] { return row->loadedChildren() != nullptr; });
            loaded += row->loadedChildren()->size();
            for (auto& child : *row->loadedChildren())
                open.push_back(child.get());
        }
        std::printf("rows loaded for the filter pass: %zu\n", loaded);
        table->setFilterText(QStringLiteral("img"));
        QElapsedTimer pass;
        pass.start();
        table->filterAndSortRows();
        timeUntil([&] { return !table->filteringAndSorting(); });
        figures.filter = static_cast<double>(pass.nsecsElapsed()) / 1e6;
        phase("filter");
    }

    // Searches as a person types them: the first one, then four more texts; the median.
    root.setSearchScope(SearchScope::search);
    ExplorerSearchViewModel* search = root.searchViewModel();
    std::vector<double> times;
    for (const char* text : {"img", "rep", "lib", "mod", "pic"}) {
        QElapsedTimer searching;
        searching.start();
        search->setSearchText(QString::fromLatin1(text));
        search->search(QString::fromLatin1(text));
        timeUntil([&] { return !search->searching(); });
        times.push_back(static_cast<double>(searching.nsecsElapsed()) / 1e6);
        std::printf("search \"%s\": %lld matches, %zu rows, %.1f ms\n", text,
                    static_cast<long long>(search->totalResults()), search->results().size(), times.back());
        // Let the debounced copy of the same search pass before the next text.
        timeUntil([&] {
            static QElapsedTimer pause;
            if (!pause.isValid() || pause.elapsed() > 400)
                pause.start();
            return pause.elapsed() > 300 && !search->searching();
        });
    }
    std::sort(times.begin(), times.end());
    figures.search = times[times.size() / 2];
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    FileIcons::prepareTheme(); // as the application does: icons come from the desktop theme
    const std::string storePath = argc > 1 ? argv[1] : "explorer-benchmark.store";

    auto [memory, disk] = bench::makeBenchmarkSnapshots(storePath);

    StallMonitor stalls;
    monitor = &stalls;
    const Figures inMemory = measure(memory, true);
    const Figures onDisk = measure(disk, false);
    std::printf("in memory: root %.1f ms, big directory %.1f ms, filter %.1f ms, search %.1f ms\n", inMemory.rootRows,
                inMemory.bigRows, inMemory.filter, inMemory.search);
    std::printf("on disk:   root %.1f ms, big directory %.1f ms, search %.1f ms\n", onDisk.rootRows, onDisk.bigRows,
                onDisk.search);
    disk.reset();
    VistrelModelContainer::deleteStoreFile(storePath);
    std::printf("root_rows_ms=%.0f big_dir_rows_ms=%.0f filter_ms=%.0f search_memory_ms=%.0f search_disk_ms=%.0f "
                "max_stall_ms=%.0f\n",
                std::max(inMemory.rootRows, onDisk.rootRows), std::max(inMemory.bigRows, onDisk.bigRows),
                inMemory.filter, inMemory.search, onDisk.search, stalls.longest());
    return 0;
}
