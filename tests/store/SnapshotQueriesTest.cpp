#include "StoreTestSupport.h"

#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace vistrel {
namespace {

using namespace testing;

class SnapshotQueries : public ::testing::TestWithParam<bool> {
protected:
    std::shared_ptr<StoreContainer> container() { return kinds_.make(GetParam()); }
    StoreKinds kinds_;
};

TEST_P(SnapshotQueries, ChildrenOfARootAndOfANestedDirectory)
{
    auto store = container();
    save(*store,
         {recordFor("/a/", 10), recordFor("/top.txt", 500), recordFor("/a/b/", 300), recordFor("/a/bc/", 5),
          recordFor("/a/bc/x", 5), recordFor("/a/b/c", 100), recordFor("/a/b/d/", 200), recordFor("/a/b/d/e", 7),
          recordFor("/z/", 1)});
    StoreContext& context = store->mainContext();
    // Directories first, each group by allocated size, largest first.
    EXPECT_EQ(ids(VistrelFile::children(FileUrl("/"), context)), (std::vector<std::string>{"/a/", "/z/", "/top.txt"}));
    EXPECT_EQ(ids(VistrelFile::children(FileUrl("/a/b/"), context)), (std::vector<std::string>{"/a/b/d/", "/a/b/c"}));
    EXPECT_EQ(ids(VistrelFile::children(FileUrl("/a/"), context)), (std::vector<std::string>{"/a/b/", "/a/bc/"}));
    EXPECT_TRUE(VistrelFile::children(FileUrl("/a/b/c"), context).empty());

    const auto found = VistrelFile::file(FileUrl("/a/b/c"), context);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "c");
    EXPECT_EQ(found->totalAllocatedSize, 100);
    EXPECT_FALSE(found->fileCount);
    EXPECT_FALSE(VistrelFile::file(FileUrl("/a/b/missing"), context));
    EXPECT_TRUE(VistrelFile::snapshotExists(context));
}

TEST_P(SnapshotQueries, AThousandOfFifteenHundredChildrenInOrder)
{
    auto store = container();
    std::vector<FileSystemRecord> records;
    for (int index = 0; index < 1500; ++index)
        records.push_back(recordFor("/big/f" + std::to_string(index), index));
    records.push_back(recordFor("/big/sub/", 1));
    save(*store, records);
    const auto children = VistrelFile::children(FileUrl("/big/"), store->mainContext());
    ASSERT_EQ(children.size(), 1000u);
    EXPECT_EQ(children[0].id, "/big/sub/");
    EXPECT_EQ(children[1].totalAllocatedSize, 1499);
    EXPECT_EQ(children[999].totalAllocatedSize, 501);
}

TEST_P(SnapshotQueries, OddPathsAreStoredAndFoundUnchanged)
{
    auto store = container();
    const std::string odd = "/odd/caf\xe9\xff\x01name";
    std::string deep = "/deep/";
    while (deep.size() <= PATH_MAX + 100)
        deep += std::string(200, 'd') + "/";
    const std::string deepFile = deep + "leaf";
    save(*store, {recordFor("/odd/"), recordFor(odd, 3), recordFor(deepFile, 9)});
    StoreContext& context = store->mainContext();
    const auto oddFile = VistrelFile::file(FileUrl(odd), context);
    ASSERT_TRUE(oddFile);
    EXPECT_EQ(oddFile->id, odd);
    EXPECT_EQ(oddFile->name, "caf\xe9\xff\x01name");
    EXPECT_EQ(ids(VistrelFile::children(FileUrl("/odd/"), context)), std::vector<std::string>{odd});
    const auto deepFound = VistrelFile::file(FileUrl(deepFile), context);
    ASSERT_TRUE(deepFound);
    EXPECT_EQ(deepFound->id, deepFile);
    EXPECT_EQ(ids(VistrelFile::children(FileUrl(deep), context)), std::vector<std::string>{deepFile});
}

TEST_P(SnapshotQueries, ConcurrentSavesFromTwoContextsAreBothKept)
{
    auto store = container();
    auto save = [&store](int part) {
        auto context = store->makeContext();
        context->setAutosaveEnabled(false);
        for (int index = 0; index < 20000; ++index)
            context->insert(
                VistrelFile(recordFor("/p" + std::to_string(part) + "/" + std::to_string(index))).toStored());
        context->save();
    };
    std::thread first(save, 1), second(save, 2);
    first.join();
    second.join();
    EXPECT_EQ(store->mainContext().count(std::nullopt), 40000);
}

TEST_P(SnapshotQueries, AFailedSaveLeavesNothingOfItsBatchAndEraseEmptiesTheStore)
{
    auto store = container();
    save(*store, {recordFor("/kept"), recordFor("/a-many/zz")});
    auto context = store->makeContext();
    context->setAutosaveEnabled(false);
    // In arrival order (memory) and in key order (disk) alike, "/a-new" is written before
    // the duplicate fails the save.
    context->insert(VistrelFile(recordFor("/a-new")).toStored());
    context->insert(VistrelFile(recordFor("/kept")).toStored()); // the same path twice cannot be stored
    EXPECT_THROW(context->save(), StoreError);
    EXPECT_EQ(store->mainContext().count(std::nullopt), 2);
    EXPECT_FALSE(VistrelFile::file(FileUrl("/a-new"), store->mainContext()));

    // The same when the duplicate comes after rows written many to a statement, in arrival
    // order and in key order ("zz" sorts after the digits).
    for (int index = 0; index < 600; ++index) {
        context->insert(VistrelFile(recordFor("/a-many/" + std::to_string(index))).toStored());
        if (index == 400)
            context->insert(VistrelFile(recordFor("/a-many/zz")).toStored());
    }
    EXPECT_THROW(context->save(), StoreError);
    EXPECT_EQ(store->mainContext().count(std::nullopt), 2);

    store->erase();
    EXPECT_FALSE(VistrelFile::snapshotExists(store->mainContext()));
    save(*store, {recordFor("/after")});
    EXPECT_TRUE(VistrelFile::file(FileUrl("/after"), store->mainContext()));
}

INSTANTIATE_TEST_SUITE_P(InMemoryAndOnDisk, SnapshotQueries, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InMemory" : "OnDisk"; });

} // namespace
} // namespace vistrel
