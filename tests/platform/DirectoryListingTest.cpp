#include "filesystem/DirectoryListing.h"
#include "filesystem/DirectoryHandle.h"
#include "filesystem/FileSystemMetadata.h"
#include "support/TemporaryTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

std::vector<std::string> sortedNames(const DirectoryListing& listing)
{
    std::vector<std::string> names;
    for (const auto& entry : listing.entries())
        names.emplace_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DirectoryListing, ListsHiddenAndNonUtf8NamesWithTheirTypes)
{
    TemporaryTree tree;
    const std::string odd = "caf\xe9\xff";
    tree.writeFile(".hidden", 3);
    tree.writeFile(odd, 5);
    tree.makeDirectory("sub");
    tree.makeSymbolicLink("sub", "link");

    const DirectoryHandle handle = DirectoryHandle::openPath(tree.root());
    ASSERT_TRUE(handle.isValid());
    DirectoryListing listing;
    ASSERT_EQ(listing.read(handle.fd()), 0);
    EXPECT_EQ(sortedNames(listing), (std::vector<std::string>{".hidden", odd, "link", "sub"}));
    for (const auto& entry : listing.entries()) {
        if (entry.name == "sub")
            EXPECT_EQ(entry.type, DT_DIR);
        else if (entry.name == "link")
            EXPECT_EQ(entry.type, DT_LNK) << "links must not be followed";
        else
            EXPECT_EQ(entry.type, DT_REG);
    }
    // A second read on the same fd starts over instead of finding nothing.
    ASSERT_EQ(listing.read(handle.fd()), 0);
    EXPECT_EQ(listing.size(), 4u);

    const FileStatus status = FileSystemMetadata::status(tree.path(odd));
    EXPECT_EQ(status.size, 5);
    EXPECT_EQ(status.resourceType(), FileResourceType::regular);
}

TEST(DirectoryListing, ManyEntriesSurviveTheBufferGrowing)
{
    TemporaryTree tree;
    const std::string longPart(200, 'n');
    for (int i = 0; i < 2000; ++i)
        tree.writeFile(longPart + std::to_string(i));
    const DirectoryHandle handle = DirectoryHandle::openPath(tree.root());
    DirectoryListing listing;
    ASSERT_EQ(listing.read(handle.fd()), 0);
    const auto names = sortedNames(listing);
    ASSERT_EQ(names.size(), 2000u);
    for (const auto& name : names)
        ASSERT_EQ(name.compare(0, longPart.size(), longPart), 0) << "a name was overwritten: " << name;
}

TEST(DirectoryListing, PathsDeeperThanPathMaxAreReachedThroughFds)
{
    TemporaryTree tree;
    const std::string deep = tree.makeDeepChain("deep", std::string(100, 'd'), PATH_MAX + 500);
    const std::string deepPath = tree.path(deep);
    ASSERT_GT(deepPath.size(), static_cast<std::size_t>(PATH_MAX));

    const DirectoryHandle handle = DirectoryHandle::openPath(deepPath);
    ASSERT_TRUE(handle.isValid());
    ASSERT_EQ(::mkdirat(handle.fd(), "leafdir", 0755), 0);
    DirectoryListing listing;
    ASSERT_EQ(listing.read(handle.fd()), 0);
    EXPECT_EQ(sortedNames(listing), std::vector<std::string>{"leafdir"});

    const FileStatus status = FileSystemMetadata::status(deepPath + "leafdir/");
    EXPECT_TRUE(status.isDirectory());
}

// Root reads every directory, so the check runs in a child that gave up root.
TEST(DirectoryListing, UnreadableDirectoryGivesAnError)
{
    TemporaryTree tree;
    tree.makeDirectory("locked");
    ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("locked").c_str(), 0), 0);
    const auto verdict = testing::runUnprivileged([&tree] {
        int errorNumber = 0;
        const DirectoryHandle handle = DirectoryHandle::openPath(tree.path("locked"), &errorNumber);
        return !handle.isValid() && errorNumber == EACCES;
    });
    if (!verdict)
        GTEST_SKIP() << "could not drop root privileges to check permissions";
    EXPECT_TRUE(*verdict) << "a directory without permissions was opened";
}

} // namespace
} // namespace vistrel
