// The largest files under a directory: files only, at any depth, largest first, all counted.
#include "store/StoreTestSupport.h"
#include "store/VistrelFileSearch.h"
#include "store/VistrelModelContainer.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using namespace testing;

TEST(LargestFiles, FilesOnlyAtAnyDepthLargestFirstAndAllCounted)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    std::vector<FileSystemRecord> records{recordFor("/a/", 999999),    recordFor("/a/b/", 99999),
                                          recordFor("/a/small", 10),   recordFor("/a/b/deep", 500),
                                          recordFor("/a/b/big", 9000), recordFor("/other/huge", 100000)};
    for (int index = 0; index < 1200; ++index)
        records.push_back(recordFor("/a/b/many" + std::to_string(index), 1));
    save(*container, records);
    auto context = container->makeContext();

    const auto result = VistrelFileSearch::largestFiles(FileUrl("/a/"), *context);
    EXPECT_EQ(result.total, 1203) << "every file below, beyond the ones returned";
    ASSERT_EQ(result.files.size(), static_cast<std::size_t>(VistrelFileSearch::resultLimit));
    EXPECT_EQ(result.files[0].id, "/a/b/big") << "no directory, however large";
    EXPECT_EQ(result.files[1].id, "/a/b/deep");
    EXPECT_EQ(result.files[2].id, "/a/small");
    for (const VistrelFile& file : result.files)
        EXPECT_EQ(file.id.rfind("/a/", 0), 0u) << file.id << " is not under /a/";

    const auto everything = VistrelFileSearch::largestFiles(FileUrl("/"), *context);
    EXPECT_EQ(everything.files.front().id, "/other/huge");
    EXPECT_EQ(everything.total, 1204);
    EXPECT_EQ(VistrelFileSearch::largestFiles(FileUrl("/a/b/many1/"), *context).total, 0) << "a file is no root";
}

} // namespace
} // namespace vistrel
