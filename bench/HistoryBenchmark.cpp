// Comparing two snapshots of the 1,000,000-row benchmark tree, about 5% of it changed
// between them: a directory's children in both ("/" and the 100,000-entry "/big/") and the
// biggest changes under "/". Writes the two stores (kept for vistrel-cli diff) and ends with:
// children_root_ms=N children_big_ms=N biggest_root_ms=N changed=N
//
//   HistoryBenchmark OLD.store NEW.store

#include "SyntheticSnapshot.h"

#include "history/SnapshotDiff.h"

#include <chrono>
#include <cstdio>
#include <exception>

using namespace vistrel;

namespace {

double millisecondsOf(const std::function<void()>& work)
{
    double best = 1e18;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best,
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void writeStore(const std::string& path, const std::vector<FileSystemRecord>& records)
{
    VistrelModelContainer::deleteStoreFile(path);
    auto writer = VistrelModelContainer::shared().makeContainer(path);
    bench::saveRecords(*writer, records);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: HistoryBenchmark OLD.store NEW.store\n");
        return 2;
    }
    try {
        auto records = bench::SyntheticSnapshot(900000).take();
        bench::addBigDirectory(records);
        writeStore(argv[1], records);
        // About 5%: one file in 25 grows or shrinks, one in 200 goes and one in 200 is new.
        std::vector<FileSystemRecord> changed;
        changed.reserve(records.size() + records.size() / 200);
        std::mt19937_64 random(20261208);
        for (FileSystemRecord& record : records) {
            const bool file = record.fileResourceType != 255;
            const auto draw = random() % 200;
            if (file && draw == 0)
                continue;
            if (file && draw < 8)
                record.totalAllocatedSize = static_cast<std::int64_t>(random() % 2000000);
            if (file && draw == 9) {
                FileSystemRecord added = record;
                added.path += ".new";
                changed.push_back(std::move(added));
            }
            changed.push_back(std::move(record));
        }
        writeStore(argv[2], changed);
        std::printf("records_old=%zu records_new=%zu\n", records.size(), changed.size());

        auto before = VistrelModelContainer::shared().makeContainer(argv[1], VistrelModelContainer::Access::readOnly);
        auto after = VistrelModelContainer::shared().makeContainer(argv[2], VistrelModelContainer::Access::readOnly);
        auto beforeContext = before->makeContext();
        auto afterContext = after->makeContext();
        std::size_t rootChildren = 0, bigChildren = 0;
        std::int64_t total = 0;
        const double root = millisecondsOf([&] {
            rootChildren = SnapshotDiff::children(FileUrl::directory("/"), *beforeContext, *afterContext).size();
        });
        const double big = millisecondsOf([&] {
            bigChildren = SnapshotDiff::children(FileUrl::directory("/big/"), *beforeContext, *afterContext).size();
        });
        const double biggest = millisecondsOf(
            [&] { total = SnapshotDiff::biggest(FileUrl::directory("/"), *beforeContext, *afterContext).total; });
        std::printf("root_children=%zu big_children=%zu\n", rootChildren, bigChildren);
        std::printf("children_root_ms=%.0f children_big_ms=%.0f biggest_root_ms=%.0f changed=%lld\n", root, big,
                    biggest, static_cast<long long>(total));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "HistoryBenchmark: %s\n", error.what());
        return 1;
    }
    return 0;
}
