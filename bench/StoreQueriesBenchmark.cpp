// Query times on a 1,000,000-row snapshot holding a directory with 100,000 direct entries:
// the children of that directory, and a search under "/" (count plus the first 1000).

#include "SyntheticSnapshot.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/VistrelFile.h"
#include "store/VistrelFileSearch.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

using namespace vistrel;

namespace {

constexpr const char* bigDirectory = "/big/";
constexpr const char* searchText = "img";

// Median of five runs, in milliseconds.
double medianMilliseconds(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

void printPlan(StoreContext& context, const std::string& title, const StoreFetchDescriptor& descriptor, bool count)
{
    std::printf("plan of %s:\n", title.c_str());
    for (const auto& line : context.queryPlan(descriptor, count))
        std::printf("  %s\n", line.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const std::string storePath = argc > 1 ? argv[1] : "store-queries-benchmark.store";
    auto records = bench::SyntheticSnapshot(900000).take();
    FileSystemRecord big;
    big.path = bigDirectory;
    big.level = 2;
    big.fileResourceType = 255;
    records.push_back(big);
    for (int index = 0; index < 100000; ++index) {
        FileSystemRecord entry;
        entry.path = std::string(bigDirectory) + "entry" + std::to_string(index) + ".bin";
        entry.level = 3;
        entry.fileResourceType = 50;
        entry.totalSize = entry.totalAllocatedSize = (index * 7919) % 100000;
        records.push_back(std::move(entry));
    }
    std::printf("records=%zu\n", records.size());

    auto memory = VistrelModelContainer::shared().makeContainer(true);
    bench::saveRecords(*memory, records);
    VistrelModelContainer::deleteStoreFile(storePath);
    auto disk = VistrelModelContainer::shared().makeContainer(storePath);
    bench::saveRecords(*disk, records);

    std::size_t childCount = 0;
    const double childrenMs = medianMilliseconds(
        [&] { childCount = VistrelFile::children(FileUrl(bigDirectory), disk->mainContext()).size(); });
    VistrelFileSearch::Result found;
    const double searchMemoryMs = medianMilliseconds(
        [&] { found = VistrelFileSearch::search(FileUrl("/"), searchText, memory->mainContext()); });
    const double searchDiskMs
        = medianMilliseconds([&] { found = VistrelFileSearch::search(FileUrl("/"), searchText, disk->mainContext()); });
    std::printf("children of %s: %zu rows; search \"%s\": %lld matches, %zu rows\n", bigDirectory, childCount,
                searchText, static_cast<long long>(found.total), found.files.size());

    // The same statements the queries run, for their plans.
    const StoreFetchDescriptor children{
        StorePredicate::conjunction(StorePredicate::conjunction(StorePredicate::equal("level", std::int64_t{3}),
                                                                StorePredicate::greaterThan("id", std::string("/big"))),
                                    StorePredicate::beginsWith("id", bigDirectory)),
        {{"fileResourceType", false}, {"totalAllocatedSize", false}},
        1000};
    printPlan(disk->mainContext(), "children", children, false);
    const StoreFetchDescriptor search{
        StorePredicate::conjunction(
            StorePredicate::conjunction(StorePredicate::greaterThan("level", std::int64_t{1}),
                                        StorePredicate::greaterThan("id", std::string("/"))),
            StorePredicate::conjunction(StorePredicate::beginsWith("id", "/"),
                                        StorePredicate::containsIgnoringCaseAndDiacritics("name", searchText))),
        {{"fileResourceType", false}, {"totalAllocatedSize", false}},
        1000};
    // The search counts and keeps its first 1000 rows itself, in one unordered pass.
    printPlan(disk->mainContext(), "search", StoreFetchDescriptor{search.predicate, {}, std::nullopt}, false);

    disk.reset();
    VistrelModelContainer::deleteStoreFile(storePath);
    std::printf("children_ms=%.0f search_memory_ms=%.0f search_disk_ms=%.0f\n", childrenMs, searchMemoryMs,
                searchDiskMs);
    return 0;
}
