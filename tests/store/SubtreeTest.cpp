// The map's read of everything below a directory.
#include "store/StoreTestSupport.h"
#include "store/VistrelFileSubtree.h"
#include "store/VistrelModelContainer.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <set>

namespace vistrel {
namespace {

using namespace testing;

TEST(Subtree, EverythingBelowAtEveryDepthAndNothingBeside)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    save(*container,
         {recordFor("/a/"), recordFor("/a/b/"), recordFor("/a/b/c/"), recordFor("/a/b/c/deep", 1),
          recordFor("/a/file", 2), recordFor("/ab/beside", 3), recordFor("/other/x", 4)});
    auto context = container->makeContext();
    const auto below = VistrelFileSubtree::read(FileUrl("/a/"), *context);
    std::vector<std::string> ids;
    for (const auto& item : below)
        ids.push_back(item.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"/a/b/", "/a/file", "/a/b/c/", "/a/b/c/deep"}))
        << "level by level, each in path order; /ab/ is not below /a/";
    EXPECT_EQ(VistrelFileSubtree::read(FileUrl("/"), *context).size(), 7u);
    EXPECT_TRUE(VistrelFileSubtree::read(FileUrl("/a/b/c/deep/"), *context).empty());

    EXPECT_EQ(below[3].allocatedSize, 1);

    // Below the children, what is smaller than the share of their total is left out.
    save(*container,
         {recordFor("/s/"), recordFor("/s/big", 10000), recordFor("/s/small", 1), recordFor("/s/d/"),
          recordFor("/s/d/tiny", 1), recordFor("/s/d/large", 9000)});
    std::set<std::string> kept;
    for (const auto& item : VistrelFileSubtree::read(FileUrl("/s/"), *context, 0.1))
        kept.insert(item.id);
    EXPECT_EQ(kept, (std::set<std::string>{"/s/big", "/s/small", "/s/d/", "/s/d/large"}))
        << "every child stays, whatever its size";

    context->interrupt(); // navigating elsewhere
    EXPECT_THROW(VistrelFileSubtree::read(FileUrl("/"), *context), StoreError);
}

} // namespace
} // namespace vistrel
