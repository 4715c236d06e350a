// What a cleanup may touch, and which folders are caches.
#include "cleanup/CleanupTargets.h"
#include "cleanup/CacheFolders.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(CleanupTargets, TheRootTheScanRootTheHomeFolderAndOutsideAreRefused)
{
    const auto refusal = [](const std::string& path, const std::string& root, const std::string& home) {
        return CleanupTargets::refusal(path, {root, home, {}, {}});
    };
    const std::string root = "/home/";
    EXPECT_FALSE(refusal("/home/ann/Videos/", root, "/home/ann"));
    EXPECT_FALSE(refusal("/home/ann/notes.txt", root, "/home/ann"));
    EXPECT_FALSE(refusal("/home/anne/", root, "/home/ann")) << "a name that only starts alike";
    EXPECT_EQ(refusal("/home/ann/", root, "/home/ann"), "it is your home folder");
    EXPECT_EQ(refusal("/home/ann", root, "/home/ann/"), "it is your home folder");
    EXPECT_EQ(refusal("/home/", root, ""), "it is the scanned folder itself");
    EXPECT_EQ(refusal("/home", root, ""), "it is the scanned folder itself");
    EXPECT_EQ(refusal("/", "/", ""), "it is the root of every folder");
    EXPECT_EQ(refusal("/homework/x", root, ""), "it is not in this snapshot");
    EXPECT_EQ(refusal("/etc/passwd", root, ""), "it is not in this snapshot");
    EXPECT_TRUE(refusal("/home/ann/../../etc/", root, ""));
    EXPECT_TRUE(refusal("/home//ann/", root, ""));
    EXPECT_TRUE(refusal("home/ann/x", root, ""));
    EXPECT_TRUE(refusal("", root, ""));
}

TEST(CleanupTargets, EveryFolderAboveTheHomeFolderAndTheStoresAreRefused)
{
    const CleanupTargets::Guards guards{
        "/", "/srv/users/ann", {"/srv/users/ann/.local/share/vistrel/"}, {"/data/scans/big.store"}};
    EXPECT_EQ(CleanupTargets::refusal("/srv/", guards), "it holds your home folder");
    EXPECT_EQ(CleanupTargets::refusal("/srv/users/", guards), "it holds your home folder");
    EXPECT_FALSE(CleanupTargets::refusal("/srv/usersx/", guards));
    EXPECT_FALSE(CleanupTargets::refusal("/srv/other/", guards));
    EXPECT_FALSE(CleanupTargets::refusal("/srv/users/ann/.cache/", guards));
    EXPECT_EQ(CleanupTargets::refusal("/srv/users/ann/.local/share/vistrel/default.store", guards),
              "it is part of Vistrel's snapshot store");
    EXPECT_EQ(CleanupTargets::refusal("/srv/users/ann/.local/share/vistrel/", guards),
              "it is part of Vistrel's snapshot store");
    EXPECT_EQ(CleanupTargets::refusal("/srv/users/ann/.local/", guards), "it holds Vistrel's snapshot store");
    EXPECT_FALSE(CleanupTargets::refusal("/srv/users/ann/.local/share/other/", guards));

    EXPECT_EQ(CleanupTargets::refusal("/data/scans/big.store", guards), "it is Vistrel's snapshot store");
    EXPECT_EQ(CleanupTargets::refusal("/data/scans/big.store-wal", guards), "it is Vistrel's snapshot store");
    EXPECT_EQ(CleanupTargets::refusal("/data/scans/history/", guards), "it is part of Vistrel's snapshot history");
    EXPECT_EQ(CleanupTargets::refusal("/data/scans/history/1.store", guards),
              "it is part of Vistrel's snapshot history");
    EXPECT_EQ(CleanupTargets::refusal("/data/", guards), "it holds Vistrel's snapshot store");
    EXPECT_FALSE(CleanupTargets::refusal("/data/scans/notes.txt", guards)) << "beside the store, not of it";
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
