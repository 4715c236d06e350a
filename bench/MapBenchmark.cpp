// The map on a 1,000,000-row snapshot, in memory and on disk, at 1200 by 400 pixels: how long
// until the map of "/" and of a directory with 100,000 entries is drawn, the types of "/" and
// the largest files under it are listed, the longest the main thread was busy meanwhile, and
// how much the peak memory rose while the maps were made. The map's own data is the rise
// in memory, where the snapshot's pages are resident already; on disk the rise also holds
// the page caches SQLite fills for every read (the table's and the search's too).

#include "EventLoopTiming.h"
#include "SyntheticSnapshot.h"

#include "map/FileTypeTotals.h"
#include "mapview/MapModel.h"
#include "objectstore/StoreContainer.h"
#include "store/SnapshotReader.h"
#include "store/VistrelFileSearch.h"
#include "store/VistrelModelContainer.h"

#include <QApplication>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

using namespace vistrel;
using bench::StallMonitor;
using bench::timeUntil;

namespace {

const QSize mapSize(1200, 400);

// A line of /proc/self/status in kB, as megabytes.
double statusMegabytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
    return 0;
}

// From here on the peak resident size starts again at the current one.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Figures {
    double root = 0, big = 0, types = 0, largest = 0, peak = 0;
};

double drawMap(const std::shared_ptr<SnapshotReader>& reader, const char* directory, std::size_t* tiles)
{
    MapModel map(reader, FileUrl(directory));
    const double ms = timeUntil([&] {
        map.setSize(mapSize, false); // as a pane's resizes would, again and again
        return !map.busy() && !map.image().isNull();
    });
    if (!map.failure().isEmpty())
        std::printf("map of %s failed: %s\n", directory, map.failure().toUtf8().constData());
    *tiles = map.layout().tiles().size();
    map.suspend(); // the types it asked for too: they are timed on their own
    timeUntil([&] { return true; });
    return ms;
}

// A job on the reader, timed from posting to its end as the window would see it.
double onReader(const std::shared_ptr<SnapshotReader>& reader, const std::function<void(StoreContext&)>& job)
{
    std::atomic<bool> done{false};
    reader->post([&](StoreContext& context) {
        job(context);
        done = true;
    });
    return timeUntil([&] { return done.load(); });
}

Figures measure(const std::shared_ptr<StoreContainer>& container, const char* name)
{
    auto reader = std::make_shared<SnapshotReader>(container);
    Figures figures;
    const double before = statusMegabytes("VmRSS");
    resetPeak();
    std::size_t rootTiles = 0;
    std::size_t bigTiles = 0;
    figures.root = drawMap(reader, "/", &rootTiles);
    figures.big = drawMap(reader, "/big/", &bigTiles);
    std::size_t categories = 0;
    figures.types = onReader(
        reader, [&](StoreContext& context) { categories = FileTypeTotals::read(FileUrl("/"), context).rows().size(); });
    figures.peak = statusMegabytes("VmHWM") - before;
    std::int64_t files = 0;
    figures.largest = onReader(
        reader, [&](StoreContext& context) { files = VistrelFileSearch::largestFiles(FileUrl("/"), context).total; });
    std::printf("%s: map of / %.1f ms (%zu tiles), of /big/ %.1f ms (%zu tiles), types %.1f ms (%zu categories), "
                "largest files %.1f ms (of %lld), peak rose %.1f MB\n",
                name, figures.root, rootTiles, figures.big, bigTiles, figures.types, categories, figures.largest,
                static_cast<long long>(files), figures.peak);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string storePath = argc > 1 ? argv[1] : "map-benchmark.store";

    auto [memory, disk] = bench::makeBenchmarkSnapshots(storePath);

    StallMonitor stalls;
    const Figures onDisk = measure(disk, "on disk");
    const Figures inMemory = measure(memory, "in memory");
    disk.reset();
    VistrelModelContainer::deleteStoreFile(storePath);
    std::printf(
        "map_root_ms=%.0f map_big_dir_ms=%.0f types_ms=%.0f largest_ms=%.0f max_stall_ms=%.0f map_peak_mb=%.0f\n",
        std::max(inMemory.root, onDisk.root), std::max(inMemory.big, onDisk.big),
        std::max(inMemory.types, onDisk.types), std::max(inMemory.largest, onDisk.largest), stalls.longest(),
        inMemory.peak);
    return 0;
}
