#include "scanner/SumSize.h"

#include <gtest/gtest.h>

#include <random>

namespace vistrel {
namespace {

using SumSize = FileSystemWalker::SumSize;

TEST(SumSize, FirstSizeOfAnIdentityWinsInAddAndMerge)
{
    SumSize sum;
    sum.add({7, 1}, {4096, 100});
    sum.add({7, 1}, {8192, 999}); // a second link reporting another size
    EXPECT_EQ(sum.sizes().size(), 1u);
    EXPECT_EQ(sum.totals(), std::make_pair(std::int64_t{4096}, std::int64_t{100}));
    EXPECT_EQ(sum.fileCount, 0) << "add must not count files";

    SumSize other;
    other.add({7, 1}, {1, 1});
    other.add({8, 1}, {10, 20});
    other.fileCount = 2;
    sum.merge(other);
    EXPECT_EQ(sum.sizes().at({7, 1}), (FileSize{4096, 100}));
    EXPECT_EQ(sum.totals(), std::make_pair(std::int64_t{4106}, std::int64_t{120}));
    EXPECT_EQ(sum.fileCount, 2);
}

// The fast merge against the plain rules on random maps with many clashes.
TEST(SumSize, FastMergeMatchesThePlainRules)
{
    std::mt19937 random(42);
    for (int round = 0; round < 200; ++round) {
        SumSize left, right;
        std::unordered_map<FileID, FileSize> expected;
        const int leftCount = static_cast<int>(random() % 20);
        const int rightCount = static_cast<int>(random() % 40);
        for (int i = 0; i < leftCount; ++i) {
            const FileID id{static_cast<std::int64_t>(random() % 30), 1};
            const FileSize size{static_cast<std::int64_t>(random() % 1000), static_cast<std::int64_t>(random() % 1000)};
            left.add(id, size);
            expected.try_emplace(id, size);
        }
        for (int i = 0; i < rightCount; ++i) {
            const FileID id{static_cast<std::int64_t>(random() % 30), 1};
            const FileSize size{static_cast<std::int64_t>(random() % 1000), static_cast<std::int64_t>(random() % 1000)};
            right.add(id, size);
        }
        for (const auto& [id, size] : right.sizes())
            expected.try_emplace(id, size);
        left.merge(std::move(right));
        std::int64_t allocated = 0, logical = 0;
        for (const auto& [id, size] : expected) {
            allocated += size.totalAllocatedSize;
            logical += size.totalSize;
        }
        ASSERT_EQ(left.sizes(), expected) << "round " << round;
        ASSERT_EQ(left.totals(), std::make_pair(allocated, logical)) << "round " << round;
    }
}

} // namespace
} // namespace vistrel
