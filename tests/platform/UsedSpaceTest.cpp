// Where a volume's used space went: the parts measured from outside the scan.
#include "filesystem/UsedSpace.h"

#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vistrel {
namespace {

using testing::TemporaryTree;

TEST(UsedSpace, AFileDeletedWhileOpenHoldsItsSpaceUntilClosed)
{
    TemporaryTree tree;
    const std::string path = tree.path("held");
    const int fd = ::open(path.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(1 << 20, 'x');
    ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
    ::fsync(fd);
    struct stat status { };
    ASSERT_EQ(::fstat(fd, &status), 0);
    const std::int64_t allocated = static_cast<std::int64_t>(status.st_blocks) * 512;
    ASSERT_EQ(::unlink(path.c_str()), 0);
    // Open twice: still held once.
    const int again = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY);

    const auto held = UsedSpace::deletedOpenFiles(status.st_dev);
    ASSERT_TRUE(held) << "this process's own descriptors can always be read";
    EXPECT_GE(*held, allocated);

    const UsedSpace space = UsedSpace::measure(tree.root(), 4096);
    EXPECT_EQ(space.scanned, 4096);
    EXPECT_GE(space.used, space.reserved);
    EXPECT_GE(space.reserved, 0);
    ASSERT_TRUE(space.deletedOpen);
    EXPECT_GE(*space.deletedOpen, allocated);
    EXPECT_EQ(space.rest(), space.used - 4096 - space.reserved - *space.deletedOpen);

    ::close(again);
    ::close(fd);
    const auto released = UsedSpace::deletedOpenFiles(status.st_dev);
    ASSERT_TRUE(released);
    // Other processes may hold deleted files of their own meanwhile; ours is gone.
    EXPECT_LT(*released, *held);
}

TEST(UsedSpace, AVolumeThatCannotBeExaminedIsAnError)
{
    EXPECT_ANY_THROW(UsedSpace::measure("/nonexistent-vistrel-volume/", 0));
}

} // namespace
} // namespace vistrel
