#include "WalkerTestSupport.h"

#include "scanner/FileSystemWalkerError.h"
#include "scanner/RecordsManager.h"
#include "scanner/SyncronizationActor.h"
#include "services/ScanProgress.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using namespace testing;
using RecordsManager = FileSystemWalker::RecordsManager;

std::vector<FileSystemRecord> records(std::size_t count)
{
    std::vector<FileSystemRecord> result(count);
    for (std::size_t index = 0; index < count; ++index)
        result[index].path = "/r" + std::to_string(index);
    return result;
}

TEST(RecordsManager, HandsOutBatchesOfAtLeastTwentyThousand)
{
    RecordsManager manager;
    EXPECT_FALSE(manager.append(records(19999)));
    const auto batch = manager.append(records(1000));
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->size(), 20999u);
    EXPECT_EQ(batch->front().path, "/r0");
    EXPECT_EQ(batch->back().path, "/r999") << "records keep their order of arrival";
    EXPECT_TRUE(manager.takePending().empty());

    const auto whole = manager.append(records(20000));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), 20000u);
    EXPECT_FALSE(manager.append(records(10)));
    EXPECT_EQ(manager.takePending().size(), 10u);
    EXPECT_TRUE(manager.takePending().empty());
}

TEST(FileSystemWalker, SmallScansAreSavedOnceAtTheEnd)
{
    TemporaryTree tree;
    for (int index = 0; index < 30; ++index)
        tree.writeFile("d" + std::to_string(index % 3) + "/f" + std::to_string(index), 1);
    const auto result = scanTree(tree.root());
    EXPECT_EQ(result.statistics.batchesSavedDuringWalk, 0);
    EXPECT_EQ(result.statistics.batchesSavedAtEnd, 1);
    EXPECT_EQ(result.statistics.savedRecords, 33);
}

TEST(FileSystemWalker, AFullBatchInOneSubmissionIsSavedDuringTheWalkAndNothingAtTheEnd)
{
    TemporaryTree tree;
    for (int index = 0; index < 8; ++index)
        tree.writeFile("f" + std::to_string(index), 1);
    FileSystemWalker::Options options;
    options.batchSize = 8; // the root's eight files arrive in one submission
    const auto result = scanTree(tree.root(), options);
    EXPECT_EQ(result.statistics.batchesSavedDuringWalk, 1);
    EXPECT_EQ(result.statistics.batchesSavedAtEnd, 0);
    EXPECT_EQ(result.files.size(), 8u);
}

TEST(FileSystemWalker, AHugeDirectoryReachesTheWriterABatchAtATime)
{
    TemporaryTree tree;
    for (int index = 0; index < 12; ++index)
        tree.writeFile("f" + std::to_string(index), 1);
    FileSystemWalker::Options options;
    options.batchSize = 5;
    std::vector<std::size_t> saved;
    options.beforeBatchSave = [&saved](std::size_t number) { saved.push_back(number); };
    const auto result = scanTree(tree.root(), options);
    EXPECT_EQ(result.statistics.batchesSavedDuringWalk, 2) << "two full pieces of five";
    EXPECT_EQ(result.statistics.batchesSavedAtEnd, 1) << "the last two files";
    EXPECT_EQ(result.files.size(), 12u);
    EXPECT_EQ(saved.size(), 3u);
}

TEST(FileSystemWalker, CancellingDuringABatchSaveKeepsEarlierBatchesOnly)
{
    TemporaryTree tree;
    for (int index = 0; index < 10; ++index)
        tree.writeFile("s" + std::to_string(index) + "/file", 1);
    // Sequentially, each directory's entries step submits one file (two batches of five,
    // saved by the steps); the root's own task then submits the ten directories as a third.
    auto container = VistrelModelContainer::shared().makeContainer(true);
    std::stop_source stop;
    FileSystemWalker::Options options;
    options.maxConcurrentTasks = 0;
    options.batchSize = 5;
    options.beforeBatchSave = [&stop](std::size_t number) {
        if (number == 2)
            stop.request_stop();
    };
    FileSystemWalker walker(FileUrl(tree.root()), nullptr, container, &VistrelFile::insert, {}, stop.get_token(),
                            options);
    EXPECT_THROW(walker.walk(), FileSystemWalkerError);
    auto context = container->makeContext();
    EXPECT_EQ(context->count(std::nullopt), 10) << "the two earlier batches stay";
    EXPECT_EQ(context->count(StorePredicate::equal("fileResourceType", std::int64_t{255})), 0)
        << "nothing of the cancelled batch is saved";
}

TEST(SyncronizationActor, ProgressIsSilentUpToTenThousandAndNeverGoesBack)
{
    ScanProgress progress;
    std::vector<std::function<void()>> jobs;
    FileSystemWalker::SyncronizationActor actor(
        &progress, [&jobs](std::function<void()> job) { jobs.push_back(job); }, 24);
    actor.advance(5000);
    actor.advance(5000);
    EXPECT_TRUE(jobs.empty()) << "exactly 10,000 is not more than 10,000";
    actor.advance(1);
    ASSERT_EQ(jobs.size(), 1u);
    actor.advance(10001);
    ASSERT_EQ(jobs.size(), 2u);
    actor.advance(3);
    EXPECT_EQ(jobs.size(), 2u);
    // The user-interface thread runs the later job first: the count must not fall back.
    jobs[1]();
    EXPECT_EQ(progress.completedUnitCount(), 20002);
    jobs[0]();
    EXPECT_EQ(progress.completedUnitCount(), 20002);
    EXPECT_EQ(actor.value(), 20005);
}

TEST(SyncronizationActor, TheBudgetGrantsWhatIsLeftAndLoosensPerSubdirectory)
{
    FileSystemWalker::SyncronizationActor actor(nullptr, {}, 3);
    EXPECT_EQ(actor.reserveTasks(10), 3);
    EXPECT_EQ(actor.reserveTasks(5), 0);
    for (int index = 0; index < 10; ++index)
        actor.releaseTask(); // once per subdirectory walked, not once per task
    EXPECT_EQ(actor.taskCount(), -7);
    EXPECT_EQ(actor.reserveTasks(20), 10);
}

} // namespace
} // namespace vistrel
