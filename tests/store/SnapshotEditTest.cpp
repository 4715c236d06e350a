// Editing a snapshot in place after a cleanup: the rows that go, every ancestor's figures,
// the scan root's kept totals, and a store that may not be written.
#include "store/SnapshotEdit.h"
#include "scanner/WalkerTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "store/StoreTestSupport.h"
#include "support/TemporaryTree.h"

#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace vistrel {
namespace {

using namespace testing;

FileSystemRecord folder(const std::string& path, std::int64_t files, std::int64_t size)
{
    FileSystemRecord record = recordFor(path, size);
    record.fileCount = files;
    return record;
}

TEST(SnapshotEdit, ARemovedFolderTakesItsRowsAndItsFiguresFromEveryAncestor)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    save(*container,
         {folder("/r/a/", 4, 4300), folder("/r/a/b/", 2, 2100), recordFor("/r/a/b/x", 1000),
          recordFor("/r/a/b/y", 1000), folder("/r/a/b2/", 1, 1100), recordFor("/r/a/b2/keep", 1000),
          recordFor("/r/a/z", 100), recordFor("/r/top", 50)});
    SnapshotCompletion::recordScanRoot(*container, "/r/");
    SnapshotCompletion::recordRootTotals(*container, {5, 4350, 4350});
    auto context = container->makeContext();

    const auto removed = SnapshotEdit::removeItem(FileUrl("/r/a/b/"), *context);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->totalAllocatedSize, 2100);
    auto after = storedFiles(*container);
    EXPECT_FALSE(after.count("/r/a/b/") || after.count("/r/a/b/x") || after.count("/r/a/b/y"));
    EXPECT_TRUE(after.count("/r/a/b2/") && after.count("/r/a/b2/keep")) << "a sibling sharing the name's start stays";
    EXPECT_EQ(after.at("/r/a/").fileCount, 2);
    EXPECT_EQ(after.at("/r/a/").totalAllocatedSize, 2200);
    EXPECT_EQ(after.at("/r/a/").totalSize, 2200);
    auto root = SnapshotCompletion::rootTotals(*container);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->fileCount, 3);
    EXPECT_EQ(root->totalAllocatedSize, 2250);
    EXPECT_TRUE(SnapshotCompletion::modifiedAt(*container)) << "the store says it was changed";

    // A file counts as one file; an item the snapshot does not hold changes nothing.
    ASSERT_TRUE(SnapshotEdit::removeItem(FileUrl("/r/a/z"), *context));
    EXPECT_FALSE(SnapshotEdit::removeItem(FileUrl("/r/a/gone"), *context));
    after = storedFiles(*container);
    EXPECT_EQ(after.at("/r/a/").fileCount, 1);
    EXPECT_EQ(after.at("/r/a/").totalAllocatedSize, 2100);
    EXPECT_EQ(SnapshotCompletion::rootTotals(*container)->totalSize, 2150);
    EXPECT_EQ(after.size(), 4u);
}

TEST(SnapshotEdit, AnUndoPutsBackEveryRowAndFigureAsItWas)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    save(*container,
         {folder("/r/a/", 3, 3100), folder("/r/a/b/", 2, 2100), folder("/r/a/b/c/", 1, 1050),
          recordFor("/r/a/b/c/x", 1000), recordFor("/r/a/b/y", 1000), recordFor("/r/a/z", 1000)});
    SnapshotCompletion::recordScanRoot(*container, "/r/");
    SnapshotCompletion::recordRootTotals(*container, {3, 3100, 3100});
    const auto before = storedFiles(*container);
    auto context = container->makeContext();

    const auto removal = SnapshotEdit::takeItem(FileUrl("/r/a/b/"), *context);
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->rows.size(), 4u) << "the folder, c/, x and y";
    EXPECT_EQ(storedFiles(*container).size(), 2u);
    SnapshotEdit::putBack(*removal, *context);
    const auto after = storedFiles(*container);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [path, file] : before) {
        EXPECT_EQ(after.at(path).fileCount, file.fileCount) << path;
        EXPECT_EQ(after.at(path).totalAllocatedSize, file.totalAllocatedSize) << path;
        EXPECT_EQ(after.at(path).fileResourceType, file.fileResourceType) << path;
    }
    EXPECT_EQ(SnapshotCompletion::rootTotals(*container)->totalAllocatedSize, 3100);
    EXPECT_FALSE(SnapshotEdit::takeItem(FileUrl("/r/none"), *context));
}

TEST(SnapshotEdit, AfterDeletingOnDiskTheSnapshotMatchesAFreshScan)
{
    TemporaryTree tree;
    tree.writeFile("keep/one", 5000);
    tree.writeFile("doomed/a", 70000);
    tree.writeFile("doomed/deeper/b", 9000);
    tree.writeFile("doomed/deeper/c", 1);
    tree.writeFile("loose", 300);
    ScanResult before = scanTree(tree.root());
    std::filesystem::remove_all(tree.path("doomed"));
    std::filesystem::remove(tree.path("loose"));
    auto context = before.container->makeContext();
    ASSERT_TRUE(SnapshotEdit::removeItem(FileUrl(tree.path("doomed/")), *context));
    ASSERT_TRUE(SnapshotEdit::removeItem(FileUrl(tree.path("loose")), *context));

    const ScanResult fresh = scanTree(tree.root());
    const auto edited = storedFiles(*before.container);
    ASSERT_EQ(edited.size(), fresh.files.size());
    for (const auto& [path, file] : fresh.files) {
        ASSERT_TRUE(edited.count(path)) << path;
        EXPECT_EQ(edited.at(path).fileCount, file.fileCount) << path;
        EXPECT_EQ(edited.at(path).totalAllocatedSize, file.totalAllocatedSize) << path;
    }
}

TEST(SnapshotEdit, AStoreOpenedForReadingIsNotChanged)
{
    TemporaryTree folder;
    const std::string path = folder.path("s.store");
    {
        auto writer = VistrelModelContainer::shared().makeContainer(path);
        save(*writer, {recordFor("/d/"), recordFor("/d/f", 10)});
    }
    auto reader = VistrelModelContainer::shared().makeContainer(path, VistrelModelContainer::Access::readOnly);
    auto context = reader->makeContext();
    EXPECT_THROW(SnapshotEdit::removeItem(FileUrl("/d/f"), *context), StoreError);
    EXPECT_EQ(storedFiles(*reader).size(), 2u) << "nothing of the edit was written";
}

} // namespace
} // namespace vistrel
