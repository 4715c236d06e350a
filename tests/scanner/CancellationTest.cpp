#include "WalkerTestSupport.h"

#include "objectstore/StoreError.h"
#include "scanner/FileSystemWalkerError.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>

namespace vistrel {
namespace {

using namespace testing;

std::vector<VistrelFile> savedFiles(StoreContainer& container)
{
    std::vector<VistrelFile> files;
    auto context = container.makeContext();
    for (StoredObject& object : context->fetch(StoreFetchDescriptor{}))
        files.push_back(VistrelFile::fromStored(std::move(object), container.storeIdentity()));
    return files;
}

// Six top directories of five of four, two files in each leaf: enough directories for the
// chunk tasks of several levels to run at once.
void makeWideTree(TemporaryTree& tree)
{
    for (int top = 0; top < 6; ++top)
        for (int middle = 0; middle < 5; ++middle)
            for (int leaf = 0; leaf < 4; ++leaf)
                for (int file = 0; file < 2; ++file)
                    tree.writeFile("t" + std::to_string(top) + "/m" + std::to_string(middle) + "/l"
                                       + std::to_string(leaf) + "/f" + std::to_string(file),
                                   file + 1);
}

FileSystemWalker::Options busyOptions()
{
    FileSystemWalker::Options options;
    options.batchSize = 7;
    options.threadCount = 4;
    options.maxConcurrentTasks = 64;
    return options;
}

// Whatever ends a walk early (a failed save, a stop), every directory that reached the store
// carries the totals of its whole subtree.
TEST(FileSystemWalkerCancellation, NoSavedDirectoryHasPartialTotals)
{
    TemporaryTree tree;
    makeWideTree(tree);
    const auto whole = scanTree(tree.root(), busyOptions());
    ASSERT_EQ(whole.statistics.rootFileCount, 240);

    std::mt19937 random(20261207);
    const auto total = static_cast<int>(whole.files.size());
    for (int round = 0; round < 60; ++round) {
        const bool byFailure = round % 2 == 0;
        const int failAt = std::uniform_int_distribution<int>(0, total - 1)(random);
        auto container = VistrelModelContainer::shared().makeContainer(true);
        std::stop_source stop;
        std::atomic<int> inserted{0};
        auto encoder = [&](const FileSystemRecord& record, StoreContext& context) {
            if (++inserted == failAt) {
                if (byFailure)
                    throw StoreError(StoreError::Code::full, "database or disk is full");
                stop.request_stop();
            }
            VistrelFile::insert(record, context);
        };
        FileSystemWalker walker(FileUrl(tree.root()), nullptr, container, encoder, {}, stop.get_token(), busyOptions());
        try {
            walker.walk();
        } catch (const StoreError&) {
        } catch (const FileSystemWalkerError&) {
        }
        for (const VistrelFile& file : savedFiles(*container)) {
            const VistrelFile& truth = whole.at(file.id);
            EXPECT_EQ(file.fileCount, truth.fileCount) << "round " << round << ": " << file.id;
            EXPECT_EQ(file.totalSize, truth.totalSize) << "round " << round << ": " << file.id;
        }
    }
}

TEST(FileSystemWalkerCancellation, AStopBeforeTheWalkThrowsAndSavesNothing)
{
    TemporaryTree tree;
    makeWideTree(tree);
    for (const std::int64_t budget : {std::int64_t{0}, std::int64_t{64}}) {
        auto container = VistrelModelContainer::shared().makeContainer(true);
        std::stop_source stop;
        stop.request_stop();
        std::atomic<int> inserted{0};
        auto encoder = [&](const FileSystemRecord& record, StoreContext& context) {
            ++inserted;
            VistrelFile::insert(record, context);
        };
        FileSystemWalker::Options options = busyOptions();
        options.maxConcurrentTasks = budget;
        FileSystemWalker walker(FileUrl(tree.root()), nullptr, container, encoder, {}, stop.get_token(), options);
        EXPECT_THROW(walker.walk(), FileSystemWalkerError) << "budget " << budget;
        EXPECT_EQ(inserted, 0) << "budget " << budget;
        EXPECT_TRUE(savedFiles(*container).empty()) << "budget " << budget;
    }
}

// A directory's entries, once listed, always reach the store: the batch their step fills is
// saved even when the stop comes just before it.
TEST(FileSystemWalkerCancellation, TheEntriesStepSavesItsBatchDespiteAStop)
{
    TemporaryTree tree;
    for (int index = 0; index < 6; ++index)
        tree.writeFile("f" + std::to_string(index), 1);
    auto container = VistrelModelContainer::shared().makeContainer(true);
    std::stop_source stop;
    FileSystemWalker::Options options;
    options.batchSize = 6; // the root's six files fill one batch in its entries step
    options.beforeBatchSave = [&stop](std::size_t) { stop.request_stop(); };
    FileSystemWalker walker(FileUrl(tree.root()), nullptr, container, &VistrelFile::insert, {}, stop.get_token(),
                            options);
    try {
        walker.walk(); // no check of the stop comes after the root's only step
    } catch (const FileSystemWalkerError&) {
    }
    EXPECT_EQ(savedFiles(*container).size(), 6u);
}

} // namespace
} // namespace vistrel
