// Cleanup as the window drives it: trash, undo, delete and rescan on a real tree, each
// followed by the snapshot's edit, in memory and on disk.
#include "cleanup/CleanupModel.h"
#include "scanner/WalkerTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "store/StoreTestSupport.h"
#include "support/EventLoop.h"
#include "support/ScopedMount.h"
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
        SnapshotCompletion::recordRootTotals(
            container,
            {scan.statistics.rootFileCount, scan.statistics.rootTotalSize, scan.statistics.rootTotalAllocatedSize});
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
    EXPECT_EQ(model.lastReport()->trashFolder, tree_.path("data/Trash"));
    EXPECT_EQ(model.lastReport()->bytes, original.at(tree_.path("root/big/"))) << "what it took, as the snapshot said";
    EXPECT_TRUE(model.lastReport()->freeBefore && model.lastReport()->freeAfter);
    EXPECT_FALSE(std::filesystem::exists(tree_.path("root/big")));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("data/Trash/files/big/one")));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_))) << "as a fresh scan says";
    EXPECT_LT(SnapshotCompletion::rootTotals(*scan.container)->totalAllocatedSize,
              scan.statistics.rootTotalAllocatedSize);

    ASSERT_TRUE(model.canUndo());
    ASSERT_TRUE(run(model, [&] { return model.undoMoveToTrash(); }));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("root/big/deeper/two")));
    EXPECT_EQ(sizes(*scan.container), original) << "every row back as it was";
    EXPECT_EQ(SnapshotCompletion::rootTotals(*scan.container)->totalAllocatedSize,
              scan.statistics.rootTotalAllocatedSize);
    EXPECT_FALSE(model.canUndo());

    ASSERT_TRUE(run(model, [&] { return model.deletePermanently({tree_.path("root/big/deeper/")}); }));
    EXPECT_FALSE(std::filesystem::exists(tree_.path("root/big/deeper")));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_)));

    tree_.writeFile("root/big/new", 123456);
    ASSERT_TRUE(run(model, [&] { return model.rescanFolder(tree_.path("root/big")); }));
    EXPECT_EQ(sizes(*scan.container), sizes(scanTree(root_)));
    EXPECT_EQ(model.lastReport()->changedFolders.front(), tree_.path("root/big/"));
}

// Each action reaches its target below the scanned root: a folder on the way swapped for a
// link, or a target that is a mount point, is refused with its reason and nothing outside moves.
TEST_F(CleanupModelTest, ALinkedAncestorIsRefusedForEveryAction)
{
    tree_.writeFile("root/a/victim", 1000);
    tree_.writeFile("root/a/sub/x", 10);
    tree_.writeFile("elsewhere/victim", 5000);
    tree_.writeFile("elsewhere/sub/x", 50);
    ScanResult scan = scanTree(root_);
    record(*scan.container, scan);
    CleanupModel model(scan.container, "");
    ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path("root/a/sub/x")}); }));
    ASSERT_TRUE(model.canUndo());

    std::filesystem::rename(tree_.path("root/a"), tree_.path("root/a.old"));
    std::filesystem::create_directory_symlink(tree_.path("elsewhere"), tree_.path("root/a"));
    const auto refusedWithLink = [&] {
        const auto& report = model.lastReport();
        return report && report->done.empty() && report->failures.size() == 1
            && report->failures[0].reason.find("symbolic link") != std::string::npos;
    };
    ASSERT_TRUE(run(model, [&] { return model.deletePermanently({tree_.path("root/a/victim")}); }));
    EXPECT_TRUE(refusedWithLink());
    ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path("root/a/victim")}); }));
    EXPECT_TRUE(refusedWithLink());
    ASSERT_TRUE(run(model, [&] { return model.undoMoveToTrash(); }));
    EXPECT_TRUE(refusedWithLink()) << "the undo does not put it back through the link";
    ASSERT_TRUE(run(model, [&] { return model.rescanFolder(tree_.path("root/a/sub/")); }));
    EXPECT_TRUE(refusedWithLink());
    EXPECT_TRUE(std::filesystem::exists(tree_.path("elsewhere/victim")));
    EXPECT_EQ(std::filesystem::file_size(tree_.path("elsewhere/sub/x")), 50u) << "nothing came back into the outside";
    EXPECT_FALSE(std::filesystem::exists(tree_.path("data/Trash/files/victim")));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("data/Trash/files/x"))) << "the trashed item stays in the trash";
    EXPECT_FALSE(storedFiles(*scan.container).count(tree_.path("root/a/sub/x"))) << "the snapshot stays as it was";
}

TEST_F(CleanupModelTest, AMountPointOrBindMountIsNeverATarget)
{
    tree_.makeDirectory("root/mnt");
    tree_.makeDirectory("root/bound");
    tree_.writeFile("elsewhere/precious", 100);
    ScanResult scan = scanTree(root_);
    record(*scan.container, scan);
    const auto tmpfs = ScopedMount::tmpfs(tree_.path("root/mnt"));
    if (!tmpfs.mounted())
        GTEST_SKIP() << tmpfs.why();
    const auto bind = ScopedMount::bind(tree_.path("elsewhere"), tree_.path("root/bound"));
    ASSERT_TRUE(bind.mounted()) << bind.why();
    tree_.writeFile("root/mnt/on-the-other-disk", 100);

    CleanupModel model(scan.container, "");
    for (const char* target : {"root/mnt/", "root/bound/"}) {
        ASSERT_TRUE(run(model, [&] { return model.deletePermanently({tree_.path(target)}); }));
        ASSERT_EQ(model.lastReport()->failures.size(), 1u) << target;
        EXPECT_NE(model.lastReport()->failures[0].reason.find("mounted there"), std::string::npos);
        ASSERT_TRUE(run(model, [&] { return model.moveToTrash({tree_.path(target)}); }));
        EXPECT_TRUE(model.lastReport()->done.empty()) << target;
        ASSERT_TRUE(run(model, [&] { return model.rescanFolder(tree_.path(target)); }));
        EXPECT_TRUE(model.lastReport()->done.empty()) << target;
    }
    EXPECT_TRUE(std::filesystem::exists(tree_.path("root/mnt/on-the-other-disk")));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("elsewhere/precious")));
    EXPECT_EQ(sizes(*scan.container), sizes(scan)) << "the snapshot stays as it was";
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
            FileSystemRecord record{file.id,         file.level,     file.fileResourceType,
                                    file.fileCount,  file.totalSize, file.totalAllocatedSize,
                                    file.isPurgeable};
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
