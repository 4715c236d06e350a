// What a cleanup may touch, and which folders are caches.
#include "cleanup/CacheFolders.h"
#include "cleanup/CleanupTargets.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(CleanupTargets, TheRootTheScanRootTheHomeFolderAndOutsideAreRefused)
{
    const std::string root = "/home/";
    EXPECT_FALSE(CleanupTargets::refusal("/home/ann/Videos/", root, "/home/ann"));
    EXPECT_FALSE(CleanupTargets::refusal("/home/ann/notes.txt", root, "/home/ann"));
    EXPECT_FALSE(CleanupTargets::refusal("/home/anne/", root, "/home/ann")) << "a name that only starts alike";
    EXPECT_EQ(CleanupTargets::refusal("/home/ann/", root, "/home/ann"), "it is your home folder");
    EXPECT_EQ(CleanupTargets::refusal("/home/ann", root, "/home/ann/"), "it is your home folder");
    EXPECT_EQ(CleanupTargets::refusal("/home/", root, ""), "it is the scanned folder itself");
    EXPECT_EQ(CleanupTargets::refusal("/home", root, ""), "it is the scanned folder itself");
    EXPECT_EQ(CleanupTargets::refusal("/", "/", ""), "it is the root of every folder");
    EXPECT_EQ(CleanupTargets::refusal("/homework/x", root, ""), "it is not in this snapshot");
    EXPECT_EQ(CleanupTargets::refusal("/etc/passwd", root, ""), "it is not in this snapshot");
    EXPECT_TRUE(CleanupTargets::refusal("/home/ann/../../etc/", root, ""));
    EXPECT_TRUE(CleanupTargets::refusal("home/ann/x", root, ""));
    EXPECT_TRUE(CleanupTargets::refusal("", root, ""));
}

TEST(CacheFolders, ByNameByTagAndBesideACargoProject)
{
    testing::TemporaryTree tree;
    tree.writeFile("web/node_modules/x.js", 1);
    tree.writeFile("tagged/CACHEDIR.TAG", std::string(CacheFolders::tagSignature) + "\n# made by a tool\n");
    tree.writeFile("fake/CACHEDIR.TAG", "Signature: not the one\n");
    tree.writeFile("rusty/Cargo.toml", "[package]\n");
    tree.makeDirectory("rusty/target");
    tree.makeDirectory("plain/target");
    tree.makeDirectory("linked");
    tree.makeSymbolicLink(tree.path("tagged/CACHEDIR.TAG"), "linked/CACHEDIR.TAG");
    const std::string cache = tree.path("home-cache/");

    EXPECT_TRUE(CacheFolders::reason(tree.path("web/node_modules/"), cache));
    EXPECT_TRUE(CacheFolders::reason(tree.path("tagged/"), cache));
    EXPECT_FALSE(CacheFolders::reason(tree.path("fake/"), cache)) << "the tag must carry its signature";
    EXPECT_FALSE(CacheFolders::reason(tree.path("linked/"), cache)) << "a link to a tag is no tag";
    EXPECT_TRUE(CacheFolders::reason(tree.path("rusty/target/"), cache));
    EXPECT_FALSE(CacheFolders::reason(tree.path("plain/target/"), cache)) << "a target without a Cargo project";
    EXPECT_TRUE(CacheFolders::reason(cache, cache)) << "the user's cache folder";
    EXPECT_TRUE(CacheFolders::byPath("/var/cache/apt/archives/", cache));
    EXPECT_TRUE(CacheFolders::byPath("/src/app/__pycache__/", cache));
    EXPECT_FALSE(CacheFolders::byPath("/src/app/pycache/", cache));
    EXPECT_FALSE(CacheFolders::reason(tree.path("missing/"), cache));
}

} // namespace
} // namespace vistrel
