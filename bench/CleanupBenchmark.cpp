// Removing a folder from disk and from its snapshot, timed apart: the file system's own
// unlinks, then the snapshot's edit (its rows and every ancestor's figures).
//
//   CleanupBenchmark STORE FOLDER

#include "filesystem/ResolvedItem.h"
#include "filesystem/TreeRemover.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotEdit.h"
#include "store/VistrelModelContainer.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

using namespace vistrel;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: CleanupBenchmark STORE FOLDER\n");
        return 2;
    }
    const std::string folder = FileUrl::directory(argv[2]).path();
    try {
        auto snapshot = VistrelModelContainer::shared().makeContainer(argv[1], VistrelModelContainer::Access::scanning);
        auto context = snapshot->makeContext();
        const auto start = std::chrono::steady_clock::now();
        const auto target = ResolvedItem::resolve(SnapshotCompletion::scanRoot(*snapshot).value_or("/"), folder);
        if (!target.item) {
            std::fprintf(stderr, "CleanupBenchmark: %s\n", target.refusal.c_str());
            return 1;
        }
        const auto removal = TreeRemover::remove(*target.item);
        const auto unlinked = std::chrono::steady_clock::now();
        const auto removed = SnapshotEdit::removeItem(FileUrl(folder), *context);
        const auto edited = std::chrono::steady_clock::now();
        if (!removal.complete() || !removed) {
            std::fprintf(stderr, "the folder was not removed whole, or the snapshot did not hold it\n");
            return 1;
        }
        std::printf("remove_unlink_s=%.3f remove_snapshot_ms=%.0f removed_entries=%lld\n",
                    std::chrono::duration<double>(unlinked - start).count(),
                    std::chrono::duration<double, std::milli>(edited - unlinked).count(),
                    static_cast<long long>(removal.removed));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "CleanupBenchmark: %s\n", error.what());
        return 1;
    }
    return 0;
}
