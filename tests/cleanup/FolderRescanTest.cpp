// Rescanning one folder of a snapshot: the result is what a fresh scan of the whole tree
// says, after files were added, removed, grown and replaced.
#include "cleanup/FolderRescan.h"
#include "scanner/WalkerTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "store/StoreTestSupport.h"
#include "support/TemporaryTree.h"

#include "objectstore/StoreError.h"
#include "scanner/FileSystemWalkerError.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vistrel {
namespace {

using namespace testing;

void expectSameRows(StoreContainer& edited, const ScanResult& fresh)
{
    const auto after = storedFiles(edited);
    EXPECT_EQ(after.size(), fresh.files.size());
    for (const auto& [path, file] : fresh.files) {
        const auto found = after.find(path);
        ASSERT_NE(found, after.end()) << path;
        EXPECT_EQ(found->second.fileResourceType, file.fileResourceType) << path;
        EXPECT_EQ(found->second.fileCount, file.fileCount) << path;
        EXPECT_EQ(found->second.totalSize, file.totalSize) << path;
        EXPECT_EQ(found->second.totalAllocatedSize, file.totalAllocatedSize) << path;
    }
}

TEST(FolderRescan, AfterChangesTheSnapshotIsWhatAFreshScanSays)
{
    TemporaryTree tree;
    tree.writeFile("top/work/stays", 1000);
    tree.writeFile("top/work/goes", 2000);
    tree.writeFile("top/work/grows", 10);
    tree.writeFile("top/work/becomes-folder", 10);
    tree.writeFile("top/work/old/inside", 5000);
    tree.writeFile("top/work/linked-later/x", 10);
    tree.writeFile("top/beside", 300);
    ScanResult snapshot = scanTree(tree.root());
    SnapshotCompletion::recordScanRoot(*snapshot.container, tree.root());

    std::filesystem::remove(tree.path("top/work/goes"));
    tree.writeFile("top/work/grows", 900000);
    std::filesystem::remove(tree.path("top/work/becomes-folder"));
    tree.writeFile("top/work/becomes-folder/now", 7000);
    std::filesystem::remove_all(tree.path("top/work/linked-later"));
    tree.makeSymbolicLink(tree.path("top"), "top/work/linked-later");
    tree.writeFile("top/work/new/deep/file", 12345);

    const auto result = FolderRescan::run(FileUrl(tree.path("top/work/")), snapshot.container, {});
    EXPECT_GT(result.totalAllocatedSizeChange, 0);
    expectSameRows(*snapshot.container, scanTree(tree.root()));

    // Again with nothing changed: nothing moves.
    const auto again = FolderRescan::run(FileUrl(tree.path("top/work/")), snapshot.container, {});
    EXPECT_EQ(again.fileCountChange, 0);
    EXPECT_EQ(again.totalAllocatedSizeChange, 0);
    EXPECT_TRUE(SnapshotCompletion::modifiedAt(*snapshot.container));
}

TEST(FolderRescan, TheScanRootsKeptTotalsAndWhatIsRefused)
{
    TemporaryTree tree;
    tree.writeFile("a/file", 4096);
    ScanResult snapshot = scanTree(tree.root());
    SnapshotCompletion::recordScanRoot(*snapshot.container, tree.root());
    SnapshotCompletion::recordRootTotals(*snapshot.container,
                                         {snapshot.statistics.rootFileCount, snapshot.statistics.rootTotalSize,
                                          snapshot.statistics.rootTotalAllocatedSize});
    tree.writeFile("a/second", 8192);
    FolderRescan::run(FileUrl(tree.path("a/")), snapshot.container, {});
    const ScanResult fresh = scanTree(tree.root());
    const auto totals = SnapshotCompletion::rootTotals(*snapshot.container);
    ASSERT_TRUE(totals);
    EXPECT_EQ(totals->fileCount, fresh.statistics.rootFileCount);
    EXPECT_EQ(totals->totalAllocatedSize, fresh.statistics.rootTotalAllocatedSize);

    tree.writeFile("third", 100);
    FolderRescan::run(FileUrl(tree.root()), snapshot.container, {}); // the scan root itself
    EXPECT_EQ(SnapshotCompletion::rootTotals(*snapshot.container)->fileCount, 3);
    expectSameRows(*snapshot.container, scanTree(tree.root()));

    EXPECT_THROW(FolderRescan::run(FileUrl(tree.path("a/file")), snapshot.container, {}), FolderRescan::NotAFolder);
    EXPECT_THROW(FolderRescan::run(FileUrl(tree.path("nowhere/")), snapshot.container, {}), FolderRescan::NotAFolder);
    // Gone from disk: gone from the snapshot; a file in a folder's place is its parent's to rescan.
    tree.writeFile("b/x", 100);
    FolderRescan::run(FileUrl(tree.root()), snapshot.container, {});
    std::filesystem::remove_all(tree.path("b"));
    EXPECT_TRUE(FolderRescan::run(FileUrl(tree.path("b/")), snapshot.container, {}).gone);
    expectSameRows(*snapshot.container, scanTree(tree.root()));
    std::filesystem::remove_all(tree.path("a"));
    tree.writeFile("a", 10);
    EXPECT_THROW(FolderRescan::run(FileUrl(tree.path("a/")), snapshot.container, {}), FolderRescan::Refused);
    tree.writeFile("a2/y", 1);
    FolderRescan::run(FileUrl(tree.root()), snapshot.container, {});
    tree.writeFile("a2/z", 1);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_THROW(FolderRescan::run(FileUrl(tree.path("a2/")), snapshot.container, stopped.get_token()),
                 FileSystemWalkerError)
        << "a cancelled rescan changes nothing";
    EXPECT_FALSE(storedFiles(*snapshot.container).count(tree.path("a2/z")));
}

} // namespace
} // namespace vistrel
