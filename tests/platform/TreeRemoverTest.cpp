// Removing what is on disk: whole trees by name, links removed but never followed, other
// file systems left alone, failures reported while the rest goes, and a cancel between items.
#include "filesystem/TreeRemover.h"
#include "filesystem/ResolvedItem.h"
#include "support/TemporaryTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

bool exists(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0;
}

// Removes `path` of the tree as cleanup does: resolved below the tree's root first.
TreeRemover::Result removeIn(const TemporaryTree& tree, const std::string& path,
                             const std::function<bool()>& cancelled = {},
                             const std::function<void(std::int64_t)>& progress = {})
{
    const auto resolution = ResolvedItem::resolve(tree.root(), path);
    if (!resolution.item)
        return TreeRemover::Result{0, {{path, resolution.refusal}}, false};
    return TreeRemover::remove(*resolution.item, cancelled, progress);
}

TEST(TreeRemover, RemovesAWholeTreeAndOnlyTheLinksNotWhatTheyPointTo)
{
    TemporaryTree tree;
    tree.writeFile("outside/keep", 100);
    tree.writeFile("doomed/a", 10);
    tree.writeFile("doomed/sub/b", 10);
    tree.makeSymbolicLink(tree.path("outside"), "doomed/sub/folderLink");
    tree.makeSymbolicLink(tree.path("outside/keep"), "doomed/fileLink");
    tree.makeSymbolicLink(tree.path("outside"), "topLink");

    const auto result = removeIn(tree, tree.path("doomed/"));
    EXPECT_TRUE(result.complete());
    EXPECT_EQ(result.removed, 6) << "a, b, both links, sub and the folder itself";
    EXPECT_FALSE(exists(tree.path("doomed")));
    EXPECT_TRUE(exists(tree.path("outside/keep"))) << "a link's target is not touched";

    EXPECT_TRUE(removeIn(tree, tree.path("topLink")).complete());
    EXPECT_FALSE(exists(tree.path("topLink")));
    EXPECT_TRUE(exists(tree.path("outside/keep")));

    const auto missing = removeIn(tree, tree.path("never-there"));
    ASSERT_EQ(missing.failures.size(), 1u);
    EXPECT_EQ(missing.failures[0].path, tree.path("never-there"));
    EXPECT_FALSE(removeIn(tree, tree.root()).complete()) << "the root itself is no item to remove";
    EXPECT_TRUE(exists(tree.root()));
}

TEST(TreeRemover, ATreeDeeperThanPathMaxGoesToo)
{
    TemporaryTree tree;
    tree.makeDeepChain("chain", "a-rather-long-folder-name", PATH_MAX + 100);
    tree.writeFile("chain/top-file", 1);
    const auto result = removeIn(tree, tree.path("chain/"));
    EXPECT_TRUE(result.complete()) << (result.failures.empty() ? "" : result.failures[0].reason);
    EXPECT_FALSE(exists(tree.path("chain")));
}

TEST(TreeRemover, ACancelStopsBetweenItemsAndIsNoFailure)
{
    TemporaryTree tree;
    for (int index = 0; index < 50; ++index)
        tree.writeFile("many/f" + std::to_string(index), 1);
    std::int64_t heard = 0;
    const auto result = removeIn(
        tree, tree.path("many/"), [&heard] { return heard >= 10; },
        [&heard](std::int64_t removed) { heard = removed; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.removed, 10);
    EXPECT_TRUE(result.failures.empty()) << result.failures[0].path << ": " << result.failures[0].reason;
    EXPECT_TRUE(exists(tree.path("many"))) << "what was left stays";
}

TEST(TreeRemover, AMountInsideIsNotEntered)
{
    TemporaryTree tree;
    tree.writeFile("elsewhere/precious", 10);
    tree.writeFile("doomed/plain", 10);
    tree.makeDirectory("doomed/bound");
    const std::string bound = tree.path("doomed/bound");
    if (::geteuid() != 0 || ::mount(tree.path("elsewhere").c_str(), bound.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "a bind mount needs root and a mount namespace that allows it";
    const auto result = removeIn(tree, tree.path("doomed/"));
    ::umount(bound.c_str());
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].path, bound);
    EXPECT_TRUE(exists(tree.path("elsewhere/precious"))) << "nothing through the bind mount is removed";
    EXPECT_FALSE(exists(tree.path("doomed/plain"))) << "the rest goes";
    EXPECT_TRUE(exists(tree.path("doomed/bound")));
}

// Root may remove anything, so the removal runs in a child that gave up root.
TEST(TreeRemover, WhatCannotBeRemovedIsReportedAndTheRestGoes)
{
    TemporaryTree tree;
    tree.writeFile("doomed/mine", 10);
    tree.writeFile("doomed/sub/mine-too", 10);
    tree.writeFile("doomed/locked/theirs", 10);
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user nobody";
    ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
    for (const char* owned : {"doomed", "doomed/mine", "doomed/sub", "doomed/sub/mine-too"})
        ASSERT_EQ(::chown(tree.path(owned).c_str(), nobody->pw_uid, nobody->pw_gid), 0) << owned;
    const auto verdict = testing::runUnprivileged([&tree] {
        const auto result = removeIn(tree, tree.path("doomed/"));
        return result.failures.size() == 1 && result.failures[0].path == tree.path("doomed/locked/theirs")
            && result.failures[0].reason == std::strerror(EACCES) && result.removed == 3;
    });
    if (!verdict)
        GTEST_SKIP() << "could not drop root privileges";
    EXPECT_TRUE(*verdict) << "one failure, for the file in the folder it may not change";
    EXPECT_TRUE(exists(tree.path("doomed/locked/theirs")));
    EXPECT_FALSE(exists(tree.path("doomed/sub")));
    EXPECT_FALSE(exists(tree.path("doomed/mine")));
}

} // namespace
} // namespace vistrel
