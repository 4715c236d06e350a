#include "WalkerTestSupport.h"

#include "scanner/FileSystemWalkerError.h"
#include "support/CapturingLogSink.h"
#include "support/TemporaryTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include "filesystem/DirectoryHandle.h"
#include "filesystem/DirectoryListing.h"
#include <climits>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using namespace testing;

TEST(FileSystemWalker, RollsUpTheWorkedExample)
{
    TemporaryTree tree;
    tree.writeFile("a", 100);
    tree.writeFile("d/b", 10);
    tree.makeHardLink("a", "d/c");
    const auto result = scanTree(tree.root());
    const auto [aSize, aAllocated] = sizesOf(tree.path("a"));
    const auto [bSize, bAllocated] = sizesOf(tree.path("d/b"));
    const auto [dSize, dAllocated] = sizesOf(tree.path("d"));

    ASSERT_EQ(result.files.size(), 4u) << "the root itself gets no record";
    EXPECT_EQ(result.at(tree.path("a")).totalSize, 100);
    EXPECT_FALSE(result.at(tree.path("a")).fileCount);
    EXPECT_EQ(result.at(tree.path("d/c")).totalSize, 100) << "each link keeps its own record and size";
    const VistrelFile& d = result.at(tree.path("d/"));
    EXPECT_EQ(d.fileCount, 2);
    EXPECT_EQ(d.totalSize, dSize + bSize + aSize);
    EXPECT_EQ(d.totalAllocatedSize, dAllocated + bAllocated + aAllocated);
    EXPECT_EQ(d.fileResourceType, 255);
    EXPECT_EQ(d.level, FileUrl(tree.path("d/")).pathComponentCount());
    // The root's sum holds A, B and D once each, and every link in its file count.
    EXPECT_EQ(result.statistics.rootFileCount, 3);
    EXPECT_EQ(result.statistics.rootTotalSize, aSize + bSize + dSize);
    EXPECT_EQ(result.statistics.rootTotalAllocatedSize, aAllocated + bAllocated + dAllocated);
}

TEST(FileSystemWalker, HardLinksInSiblingsCountInEachButOnceInTheirParent)
{
    TemporaryTree tree;
    tree.writeFile("p/x/f", 5000);
    tree.makeDirectory("p/y");
    tree.makeHardLink("p/x/f", "p/y/g");
    const auto result = scanTree(tree.root());
    const auto [fSize, fAllocated] = sizesOf(tree.path("p/x/f"));
    const auto [xSize, xAllocated] = sizesOf(tree.path("p/x"));
    const auto [ySize, yAllocated] = sizesOf(tree.path("p/y"));
    const auto [pSize, pAllocated] = sizesOf(tree.path("p"));
    EXPECT_EQ(result.at(tree.path("p/x/")).totalSize, xSize + fSize);
    EXPECT_EQ(result.at(tree.path("p/y/")).totalSize, ySize + fSize);
    EXPECT_EQ(result.at(tree.path("p/")).totalSize, pSize + xSize + ySize + fSize);
    EXPECT_EQ(result.at(tree.path("p/")).totalAllocatedSize, pAllocated + xAllocated + yAllocated + fAllocated);
    EXPECT_EQ(result.at(tree.path("p/")).fileCount, 2);
}

TEST(FileSystemWalker, EmptyDirectoriesAndLinksToDirectoriesAreNotEntered)
{
    TemporaryTree tree;
    tree.makeDirectory("empty");
    tree.writeFile("full/one", 10);
    tree.makeSymbolicLink("full", "link");
    const auto result = scanTree(tree.root());
    const VistrelFile& empty = result.at(tree.path("empty/"));
    EXPECT_EQ(empty.fileResourceType, 255);
    EXPECT_FALSE(empty.fileCount);
    EXPECT_FALSE(empty.totalSize);
    EXPECT_FALSE(empty.totalAllocatedSize);
    EXPECT_FALSE(empty.isPurgeable);
    const VistrelFile& link = result.at(tree.path("link"));
    EXPECT_EQ(link.fileResourceType, 6);
    EXPECT_EQ(link.totalSize, 4) << "the link's own size: the length of \"full\"";
    EXPECT_FALSE(result.files.count(tree.path("link/one")));
    // Nothing of the empty directory counts, not even its own size.
    const auto [fullSize, fullAllocated] = sizesOf(tree.path("full"));
    EXPECT_EQ(result.statistics.rootTotalSize, fullSize + 10 + 4);
    EXPECT_EQ(result.statistics.rootFileCount, 2);
}

TEST(FileSystemWalker, ADirectoryArrivesAfterItsWholeSubtree)
{
    TemporaryTree tree;
    for (int top = 0; top < 6; ++top)
        for (int inner = 0; inner < 4; ++inner)
            tree.writeFile("t" + std::to_string(top) + "/i" + std::to_string(inner) + "/f", 1);
    FileSystemWalker::Options options;
    options.maxConcurrentTasks = 3;
    const auto result = scanTree(tree.root(), options);
    const auto& order = result.arrivalOrder;
    ASSERT_EQ(order.size(), 6u * 4u * 2u + 6u);
    for (std::size_t index = 0; index < order.size(); ++index) {
        if (order[index].back() != '/')
            continue;
        for (std::size_t later = index + 1; later < order.size(); ++later)
            EXPECT_NE(order[later].rfind(order[index], 0), 0u) << order[later] << " arrived after " << order[index];
    }
}

TEST(FileSystemWalker, BudgetChunksAndResultsThatDoNotDependOnIt)
{
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(FileSystemWalker::chunkRanges(10, 3), (Ranges{{0, 3}, {3, 6}, {6, 9}, {9, 10}}));
    EXPECT_EQ(FileSystemWalker::chunkRanges(5, 3), (Ranges{{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
    EXPECT_TRUE(FileSystemWalker::chunkRanges(4, 0).empty());

    TemporaryTree tree;
    for (int index = 0; index < 10; ++index) {
        tree.writeFile("s" + std::to_string(index) + "/file", 100 * index);
        tree.writeFile("s" + std::to_string(index) + "/deeper/file", 7);
    }
    tree.makeHardLink("s1/file", "s9/link");
    FileSystemWalker::Options sequential;
    sequential.maxConcurrentTasks = 0;
    FileSystemWalker::Options three;
    three.maxConcurrentTasks = 3;
    const auto one = scanTree(tree.root(), sequential);
    const auto other = scanTree(tree.root(), three);
    ASSERT_EQ(one.files.size(), other.files.size());
    for (const auto& [path, file] : one.files) {
        const VistrelFile& same = other.at(path);
        EXPECT_EQ(file.totalSize, same.totalSize) << path;
        EXPECT_EQ(file.fileCount, same.fileCount) << path;
    }
    EXPECT_EQ(one.statistics.rootTotalSize, other.statistics.rootTotalSize);
    EXPECT_EQ(one.statistics.rootFileCount, 21) << "two files in each of ten directories, and a link";
}

TEST(FileSystemWalker, OddNamesAndTreesDeeperThanPathMax)
{
    TemporaryTree tree;
    const std::string odd = "caf\xe9\xff";
    tree.writeFile(odd + "/inside", 3);
    const std::string deep = tree.makeDeepChain("deep", std::string(120, 'w'), PATH_MAX + 400);
    // A file at the bottom of the chain, made relative to the deepest directory.
    const DirectoryHandle bottom = DirectoryHandle::openPath(tree.path(deep));
    ASSERT_TRUE(bottom.isValid());
    const int fd = ::openat(bottom.fd(), "leaf", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "12345", 5), 5);
    ::close(fd);

    const auto result = scanTree(tree.root());
    EXPECT_EQ(result.at(tree.path(odd + "/")).fileCount, 1);
    EXPECT_EQ(result.at(tree.path(odd + "/inside")).totalSize, 3);
    const std::string leaf = tree.path(deep + "leaf");
    ASSERT_GT(leaf.size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_EQ(result.at(leaf).totalSize, 5);
    EXPECT_EQ(result.at(tree.path("deep/")).fileCount, 1);
}

TEST(FileSystemWalker, TreesDeeperThanTheMaximumAreLoggedNotOverflowed)
{
    TemporaryTree tree;
    const std::string deep = tree.makeDeepChain("chain", "n", 2 * 600); // 600 levels
    tree.writeFile("chain/n/file", 4);
    CapturingLogSink log;
    FileSystemWalker::Options options;
    options.maximumDepth = 300;
    const auto result = scanTree(tree.root(), options);
    EXPECT_TRUE(log.contains(LogLevel::error, "FileSystemWalker", "nested too deeply"));
    EXPECT_EQ(result.at(tree.path("chain/n/file")).totalSize, 4);
    EXPECT_FALSE(result.files.count(tree.path(deep))) << "nothing below the maximum depth is recorded";
    const auto full = scanTree(tree.root());
    EXPECT_TRUE(full.files.count(tree.path(deep)));
    EXPECT_EQ(full.at(tree.path("chain/")).fileCount, 1);
}

// Root reads every directory, so the walk runs in a child that gave up root.
TEST(FileSystemWalker, UnreadableDirectoriesAreLoggedAndLeftUnvisited)
{
    TemporaryTree tree;
    tree.writeFile("open/file", 10);
    tree.writeFile("locked/secret", 10);
    ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("locked").c_str(), 0), 0);
    const auto verdict = runUnprivileged([&tree] {
        CapturingLogSink log;
        const auto result = scanTree(tree.root());
        const VistrelFile& locked = result.at(tree.path("locked/"));
        const bool logged = log.contains(LogLevel::error, "FileSystemWalker",
                                         "error while getting the contents of directory " + tree.path("locked/")
                                             + ". Permission denied");
        const bool unvisited = locked.fileResourceType == 255 && !locked.totalSize && !locked.fileCount;
        std::vector<std::string> reported;
        FileSystemWalker::Options options;
        options.unreadableDirectory
            = [&reported](const std::string& path, const std::string&) { reported.push_back(path); };
        const auto counted = scanTree(tree.root(), options);
        return logged && unvisited && result.at(tree.path("open/")).fileCount == 1
            && counted.statistics.unreadableDirectories == 1 && reported == std::vector{tree.path("locked/")};
    });
    if (!verdict)
        GTEST_SKIP() << "could not drop root privileges to make a directory unreadable";
    EXPECT_TRUE(*verdict);
}

// A scan leaves no trace: listing a directory would set its access date (relatime does when
// it is older than the modification), which the details and Last Opened then show.
TEST(FileSystemWalker, AScanLeavesTheAccessDatesOfDirectoriesAsTheyWere)
{
    TemporaryTree tree;
    tree.writeFile("a/b/file", 10);
    tree.writeFile("a/other", 10);
    const timespec old[2] = {{978307200, 0}, {UTIME_OMIT, 0}}; // 2001, before every mtime
    const auto accessTime = [&](const std::string& path) {
        struct stat status { };
        ::stat(path.c_str(), &status);
        return status.st_atim.tv_sec;
    };
    const std::vector<std::string> directories{tree.root(), tree.path("a"), tree.path("a/b")};
    const auto age = [&] {
        for (const std::string& directory : directories)
            ASSERT_EQ(::utimensat(AT_FDCWD, directory.c_str(), old, 0), 0);
    };
    age();
    // A plain listing does change it here, or the file system keeps no access dates to test.
    {
        DirectoryHandle plain = DirectoryHandle::openPath(tree.path("a"));
        DirectoryListing listing;
        ASSERT_EQ(listing.read(plain.fd()), 0);
    }
    if (accessTime(tree.path("a")) == old[0].tv_sec)
        GTEST_SKIP() << "this file system does not update access dates (noatime)";
    age();

    const auto result = scanTree(tree.root());
    EXPECT_EQ(result.at(tree.path("a/")).fileCount, 2);
    for (const std::string& directory : directories)
        EXPECT_EQ(accessTime(directory), old[0].tv_sec) << directory;
}

TEST(FileSystemWalker, MountPointsAreRecordedButNotEntered)
{
    TemporaryTree tree;
    tree.writeFile("before", 1);
    tree.makeDirectory("mounted");
    if (::geteuid() != 0 || ::mount("vistrel-test", tree.path("mounted").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root and a mount namespace that allows it";
    tree.writeFile("mounted/hidden", 100);
    const auto result = scanTree(tree.root());
    ::umount(tree.path("mounted").c_str());
    const VistrelFile& mountPoint = result.at(tree.path("mounted/"));
    EXPECT_EQ(mountPoint.fileResourceType, 255);
    EXPECT_FALSE(mountPoint.totalSize);
    EXPECT_FALSE(result.files.count(tree.path("mounted/hidden")));
}

// A bind mount shows the same file system again: the device matches, the mount does not.
TEST(FileSystemWalker, BindMountsOfTheSameFileSystemAreRecordedButNotEntered)
{
    TemporaryTree tree;
    tree.writeFile("source/data", 1000);
    tree.makeDirectory("bound");
    if (::geteuid() != 0
        || ::mount(tree.path("source").c_str(), tree.path("bound").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "a bind mount needs root and a mount namespace that allows it";
    const auto result = scanTree(tree.root());
    ::umount(tree.path("bound").c_str());
    const VistrelFile& mountPoint = result.at(tree.path("bound/"));
    EXPECT_EQ(mountPoint.fileResourceType, 255);
    EXPECT_FALSE(mountPoint.totalSize);
    EXPECT_FALSE(result.files.count(tree.path("bound/data")));
    EXPECT_EQ(result.statistics.rootFileCount, 1) << "the data counts once, under its own path";
}

TEST(FileSystemWalker, ARootThatCannotBeReadScansNothing)
{
    TemporaryTree tree;
    const auto result = scanTree(tree.path("missing/"));
    EXPECT_TRUE(result.files.empty());
    const auto empty = scanTree(tree.root());
    EXPECT_TRUE(empty.files.empty());
    EXPECT_EQ(empty.statistics.batchesSavedAtEnd, 0);
}

} // namespace
} // namespace vistrel
