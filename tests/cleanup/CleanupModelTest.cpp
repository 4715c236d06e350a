// Cleanup as the window drives it: trash, undo, delete and rescan on a real tree, each
// followed by the snapshot's edit, in memory and on disk.
#include "cleanup/CleanupModel.h"
#include "scanner/WalkerTestSupport.h"
#include "store/StoreTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"

#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>

namespace vistrel {
namespace {

using namespace testing;

void ensureCoreApplication()
{
    static int argc = 1;
    static char name[] = "vistrel-cleanup-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

std::map<std::string, std::int64_t> sizes(StoreContainer& container)
{
    std::map<std::string, std::int64_t> all;
    for (const auto& [path, file] : storedFiles(container))
        all[path] = file.totalAllocatedSize.value_or(-1);
    return all;
}

std::map<std::string, std::int64_t> sizes(const ScanResult& scan)
{
    std::map<std::string, std::int64_t> all;
    for (const auto& [path, file] : scan.files)
        all[path] = file.totalAllocatedSize.value_or(-1);
    return all;
}

class CleanupModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ::setenv("XDG_DATA_HOME", tree_.path("data").c_str(), 1);
        tree_.makeDirectory("data");
        tree_.writeFile("root/big/one", 400000);
        tree_.writeFile("root/big/deeper/two", 100000);
        tree_.writeFile("root/keep/small", 10);
        tree_.writeFile("root/keep/also", 20000);
        root_ = tree_.path("root/");
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    // The snapshot of root_ as a scan leaves it: its rows, root and totals.
    void record(StoreContainer& container, const ScanResult& scan)
    {
        SnapshotCompletion::recordScanRoot(container, root_);
        SnapshotCompletion::recordRootTotals(container, {scan.statistics.rootFileCount, scan.statistics.rootTotalSize,
                                                         scan.statistics.rootTotalAllocatedSize});
    }

    bool run(CleanupModel& model, const std::function<bool()>& start)
    {
        if (!start())
            return false;
        return waitUntil([&] { return !model.busy(); });
    }

    TemporaryTree tree_;
    std::string root_;
};

TEST_F(CleanupModelTest, TrashUndoDeleteAndRescanKeepTheSnapshotTrue)
{
    ScanResult scan = scanTree(root_);
    record(*scan.container, scan);
    const auto original = sizes(*scan.container);
    CleanupModel model(scan.container, tree_.path("root/keep"));
    EXPECT_TRUE(model.refusal(root_)) << "the scanned folder itself";
    EXPECT_TRUE(model.refusal(tree_.path("root/keep/"))) << "the home folder";
    EXPECT_FALSE(model.moveToTrash({root_}));

    ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path("root/big/")}); }));
    ASSERT_TRUE(model.lastReport());
    EXPECT_EQ(model.lastReport()->done, std::vector<std::string>{tree_.path("root/big/")});
    EXPECT_FALSE(model.lastReport()->snapshotFailure);
    EXPECT_FALSE(std::filesystem::exists(tree_.path("root/big")));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("data/Trash/files/big/one")));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_))) << "as a fresh scan says";
    EXPECT_LT(SnapshotCompletion::rootTotals(*scan.container)->totalAllocatedSize, scan.statistics.rootTotalAllocatedSize);

    ASSERT_TRUE(model.canUndo());
    ASSERT_TRUE(run(model, [&] { return model.undoMoveToTrash(); }));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("root/big/deeper/two")));
    EXPECT_EQ(sizes(*scan.container), original) << "every row back as it was";
    EXPECT_EQ(SnapshotCompletion::rootTotals(*scan.container)->totalAllocatedSize, scan.statistics.rootTotalAllocatedSize);
    EXPECT_FALSE(model.canUndo());

    ASSERT_TRUE(run(model, [&] { return model.deletePermanently({tree_.path("root/big/deeper/")}); }));
    EXPECT_FALSE(std::filesystem::exists(tree_.path("root/big/deeper")));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_)));

    tree_.writeFile("root/big/new", 123456);
    ASSERT_TRUE(run(model, [&] { return model.rescanFolder(tree_.path("root/big")); }));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_)));
    EXPECT_EQ(model.lastReport()->changedFolders.front(), tree_.path("root/big/"));
}

TEST_F(CleanupModelTest, AStoreOnDiskIsEditedThroughAWriterAndStillReadsAfterwards)
{
    const ScanResult scan = scanTree(root_);
    const std::string location = tree_.path("s.store");
    {
        auto writer = VistrelModelContainer::shared().makeContainer(location);
        auto context = writer->makeContext();
        context->setAutosaveEnabled(false);
        for (const auto& [path, file] : scan.files) {
            FileSystemRecord record{file.id, file.level, file.fileResourceType, file.fileCount,
                                    file.totalSize, file.totalAllocatedSize, file.isPurgeable};
            VistrelFile::insert(record, *context);
        }
        context->save();
        record(*writer, scan);
    }
    auto reader = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
    CleanupModel model(reader, "");
    ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path("root/keep/also")}); }));
    EXPECT_FALSE(model.lastReport()->snapshotFailure) << *model.lastReport()->snapshotFailure;
    EXPECT_NO_THROW(sizes(*reader)) << "the window's container takes its own program's change";
    EXPECT_EQ(sizes(*reader), sizes(scanTree(root_)));

    // While another scan writes the store, nothing is touched on disk.
    auto scanning = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::scanning);
    ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path("root/keep/small")}); }));
    EXPECT_TRUE(model.lastReport()->snapshotFailure);
    EXPECT_TRUE(model.lastReport()->done.empty());
    EXPECT_TRUE(std::filesystem::exists(tree_.path("root/keep/small")));
    ASSERT_TRUE(run(model, [&] { return model.undoMoveToTrash(); }));
    EXPECT_TRUE(model.canUndo()) << "an undo that could not run stays possible";
    scanning.reset();
    ASSERT_TRUE(run(model, [&] { return model.undoMoveToTrash(); }));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("root/keep/also")));
    EXPECT_EQ(sizes(*reader), sizes(scanTree(root_)));
}

} // namespace
} // namespace vistrel
