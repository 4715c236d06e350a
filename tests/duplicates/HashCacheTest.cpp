#include "duplicates/HashCache.h"
#include "duplicates/DuplicateFinder.h"
#include "objectstore/StoreContext.h"
#include "scanner/WalkerTestSupport.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

// A second search reads only what changed since the first; a cache file that is damaged or
// foreign is not trusted, and one written is read back whole.
TEST(HashCache, ASecondSearchReadsOnlyWhatChanged)
{
    TemporaryTree tree;
    const std::string big(100000, 'b');
    tree.writeFile("one/big", big);
    tree.writeFile("two/big", big);
    tree.writeFile("one/small", std::string(3000, 's'));
    tree.writeFile("two/small", std::string(3000, 's'));
    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    const auto candidates = DuplicateCandidates::read(FileUrl::directory(tree.root()), 1, *context);

    HashCache cache;
    DuplicateFinder::Progress first;
    ASSERT_EQ(DuplicateFinder::find(candidates, &first, nullptr, &cache).size(), 2u);
    EXPECT_EQ(first.bytesRead.load(), 2 * 100000 + 2 * 4096 + 2 * 3000) << "heads of the big ones, then all";
    const std::string file = tree.path("cache.hashes");
    ASSERT_TRUE(cache.save(file));

    HashCache again;
    again.load(file);
    EXPECT_EQ(again.size(), cache.size());
    DuplicateFinder::Progress second;
    EXPECT_EQ(DuplicateFinder::find(candidates, &second, nullptr, &again).size(), 2u);
    EXPECT_EQ(second.bytesRead.load(), 0) << "nothing changed, nothing read";
    EXPECT_EQ(second.bytesToRead.load(), 0);

    // The same size, another content and another time: read again, and no longer a copy.
    std::string changed = big;
    changed[50000] = 'c';
    tree.writeFile("two/big", changed);
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("two/big").c_str(), times, 0), 0);
    DuplicateFinder::Progress third;
    const auto groups = DuplicateFinder::find(candidates, &third, nullptr, &again);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size, 3000);
    EXPECT_EQ(third.bytesRead.load(), 4096 + 100000) << "the changed file's head, then its whole";

    for (const std::string& garbage : {std::string("VSTHASH1") + std::string(63, '\x01'), std::string("not a cache")}) {
        tree.writeFile("cache.hashes", garbage);
        HashCache damaged;
        damaged.load(file);
        EXPECT_EQ(damaged.size(), 0u);
    }
    HashCache missing;
    missing.load(tree.path("absent.hashes"));
    EXPECT_EQ(missing.size(), 0u);
}

} // namespace
} // namespace vistrel
