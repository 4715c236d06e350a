#include "store/OtherFiles.h"
#include "store/StoreTestSupport.h"
#include "store/VistrelFile.h"

#include <gtest/gtest.h>

#include <climits>

namespace vistrel {
namespace {

using Row = OtherFiles::Row;

std::vector<Row> files(int count, std::int64_t size)
{
    return std::vector<Row>(static_cast<std::size_t>(count), Row{false, std::nullopt, size});
}

TEST(OtherFiles, StandsForTheFilesNoLoadedRowAccountsFor)
{
    // 1500 files, 1000 loaded.
    const auto thousand = OtherFiles::aggregate(1500, 1500 * 4096, files(1000, 4096));
    ASSERT_TRUE(thousand);
    EXPECT_EQ(thousand->fileCount, 500);
    EXPECT_EQ(thousand->totalAllocatedSize, 500 * 4096);

    // 3 files and 2 directories of 10 files each: everything is loaded.
    std::vector<Row> mixed = files(3, 10);
    mixed.push_back(Row{true, 10, 100});
    mixed.push_back(Row{true, 10, 100});
    EXPECT_FALSE(OtherFiles::aggregate(23, 230, mixed));

    // Directory rows account for their subtrees only: 2 directories of 10 files loaded with
    // 998 of 1500 files leave 502 files, not 500.
    std::vector<Row> truncated{Row{true, 10, 1000}, Row{true, 10, 1000}};
    const auto rest = files(998, 1);
    truncated.insert(truncated.end(), rest.begin(), rest.end());
    const auto others = OtherFiles::aggregate(1520, 5000, truncated);
    ASSERT_TRUE(others);
    EXPECT_EQ(others->fileCount, 502);
    EXPECT_EQ(others->totalAllocatedSize, 5000 - 2000 - 998);
}

TEST(OtherFiles, AbsentCountsAndExtremesMakeNoRowOrWrapSafely)
{
    EXPECT_FALSE(OtherFiles::aggregate(std::nullopt, 100, {}));
    EXPECT_FALSE(OtherFiles::aggregate(0, 100, {}));
    // An unvisited directory row (no totals) accounts for nothing.
    const auto unvisited = OtherFiles::aggregate(2, std::nullopt, {Row{true, std::nullopt, std::nullopt}});
    ASSERT_TRUE(unvisited);
    EXPECT_EQ(unvisited->fileCount, 2);
    EXPECT_EQ(unvisited->totalAllocatedSize, 0);
    // Corrupt figures must not overflow: the arithmetic wraps as signed 64-bit does.
    const auto extreme = OtherFiles::aggregate(INT64_MAX, INT64_MIN, {Row{false, std::nullopt, 1}});
    ASSERT_TRUE(extreme);
    EXPECT_EQ(extreme->totalAllocatedSize, INT64_MAX);
    EXPECT_EQ(OtherFiles::url("/Users/"), "file-others:///Users/");
}

// The apparent size of the rest, for the table's optional column: the directory's less its rows'.
TEST(OtherFiles, TheApparentSizeIsWhatTheRowsLeaveOfTheDirectorys)
{
    auto directory = testing::recordFor("/d/", 9000);
    directory.fileCount = 3;
    directory.totalSize = 7000;
    auto shown = testing::recordFor("/d/a", 4096);
    shown.totalSize = 1000;
    const auto others = OtherFiles::aggregate(VistrelFile(directory), {VistrelFile(shown)});
    ASSERT_TRUE(others);
    EXPECT_EQ(others->fileCount, 2);
    EXPECT_EQ(others->totalAllocatedSize, 9000 - 4096);
    EXPECT_EQ(others->totalSize, 6000);
    directory.totalSize.reset();
    EXPECT_FALSE(OtherFiles::aggregate(VistrelFile(directory), {VistrelFile(shown)})->totalSize)
        << "unknown when the directory's is";
}

} // namespace
} // namespace vistrel
