// Reaching an item below a scanned root: never through a link, never onto another mount, and
// only when it is still what the snapshot describes.
#include "filesystem/ResolvedItem.h"
#include "support/ScopedMount.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>

namespace vistrel {
namespace {

using testing::ScopedMount;
using testing::TemporaryTree;

TEST(ResolvedItem, ReachesFilesAndFoldersAsTheSnapshotDescribesThem)
{
    TemporaryTree tree;
    tree.writeFile("a/b/file", 10);
    tree.makeSymbolicLink(tree.path("a"), "link");

    const auto folder = ResolvedItem::resolve(tree.root(), tree.path("a/b/"));
    ASSERT_TRUE(folder.item) << folder.refusal;
    EXPECT_EQ(folder.item->name(), "b");
    EXPECT_TRUE(folder.item->isDirectory());
    EXPECT_TRUE(folder.item->openFolder().isValid());
    ASSERT_TRUE(ResolvedItem::resolve(tree.root(), tree.path("a/b/file")).item);
    ASSERT_TRUE(ResolvedItem::resolve(tree.root(), tree.path("link")).item) << "a link is an item of its own";
    EXPECT_TRUE(ResolvedItem::resolve(tree.root(), tree.root()).item->isRoot());

    EXPECT_EQ(ResolvedItem::resolve(tree.root(), tree.path("a/b")).refusal, "it is a folder now, not the item scanned");
    EXPECT_EQ(ResolvedItem::resolve(tree.root(), tree.path("a/b/file/")).refusal, "it is no longer a folder");
    EXPECT_EQ(ResolvedItem::resolve(tree.root(), tree.path("link/")).refusal,
              "it has been replaced by a symbolic link");
    const auto gone = ResolvedItem::resolve(tree.root(), tree.path("a/never/there"));
    EXPECT_FALSE(gone.item);
    EXPECT_TRUE(gone.gone);
    EXPECT_EQ(ResolvedItem::resolve(tree.root(), "/etc/passwd").refusal, "it is not in this snapshot");
    EXPECT_FALSE(ResolvedItem::resolve(tree.root(), tree.path("a/../a/b/")).item);

    const std::string deep = tree.makeDeepChain("deep", "a-rather-long-folder-name", PATH_MAX + 100);
    EXPECT_TRUE(ResolvedItem::resolve(tree.root(), tree.path(deep)).item) << "beyond PATH_MAX";
}

TEST(ResolvedItem, AFolderOnTheWaySwappedForALinkIsRefusedAndARecheckSeesAReplacement)
{
    TemporaryTree tree;
    tree.writeFile("R/a/victim", 10);
    tree.writeFile("elsewhere/victim", 10);
    const auto before = ResolvedItem::resolve(tree.path("R/"), tree.path("R/a/victim"));
    ASSERT_TRUE(before.item);
    std::filesystem::rename(tree.path("R/a"), tree.path("R/a.old"));
    tree.makeSymbolicLink(tree.path("elsewhere"), "R/a");

    const auto after = ResolvedItem::resolve(tree.path("R/"), tree.path("R/a/victim"));
    EXPECT_FALSE(after.item);
    EXPECT_NE(after.refusal.find("replaced by a symbolic link"), std::string::npos) << after.refusal;
    EXPECT_EQ(before.item->recheck(), std::nullopt) << "the handle still holds the chosen item, now in a.old";

    tree.writeFile("R/a.old/new", 10);
    std::filesystem::rename(tree.path("R/a.old/new"), tree.path("R/a.old/victim"));
    EXPECT_EQ(before.item->recheck(), "it was replaced after it was chosen");
}

TEST(ResolvedItem, MountPointsBindMountsAndWhatLiesBelowThemAreRefused)
{
    TemporaryTree tree;
    tree.writeFile("R/tmp/x", 1);
    tree.writeFile("R/bound/y", 1);
    tree.writeFile("outside/precious", 1);
    const auto tmpfs = ScopedMount::tmpfs(tree.path("R/tmp"));
    if (!tmpfs.mounted())
        GTEST_SKIP() << tmpfs.why();
    const auto bind = ScopedMount::bind(tree.path("outside"), tree.path("R/bound"));
    ASSERT_TRUE(bind.mounted()) << bind.why();
    tree.writeFile("R/tmp/inside", 1);

    for (const char* target : {"R/tmp/", "R/bound/"}) {
        const auto refused = ResolvedItem::resolve(tree.path("R/"), tree.path(target));
        EXPECT_FALSE(refused.item) << target;
        EXPECT_NE(refused.refusal.find("mounted there"), std::string::npos) << refused.refusal;
    }
    const auto below = ResolvedItem::resolve(tree.path("R/"), tree.path("R/bound/precious"));
    EXPECT_FALSE(below.item);
    EXPECT_NE(below.refusal.find("another file system is mounted on the folder"), std::string::npos) << below.refusal;
    EXPECT_FALSE(ResolvedItem::resolve(tree.path("R/"), tree.path("R/tmp/inside")).item);
}

} // namespace
} // namespace vistrel
