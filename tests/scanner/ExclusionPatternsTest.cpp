// Which folders a scan leaves out, and that the rest adds up as if they were not there.
#include "WalkerTestSupport.h"

#include "scanner/ExclusionPatterns.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vistrel {
namespace {

using namespace testing;

TEST(ExclusionPatterns, NamesAbsolutePathsAndPatternsAtAnyDepth)
{
    const ExclusionPatterns patterns({"node_modules", "*.old/", "/home/*/.cache", "build/tmp"});
    EXPECT_TRUE(patterns.excludes("/src/app/node_modules/"));
    EXPECT_FALSE(patterns.excludes("/src/app/node_modules2/"));
    EXPECT_TRUE(patterns.excludes("/var/x.old/")) << "a trailing / in the pattern is ignored";
    EXPECT_TRUE(patterns.excludes("/home/me/.cache/"));
    EXPECT_FALSE(patterns.excludes("/home/me/deep/.cache/")) << "an absolute pattern's * stays in one folder";
    EXPECT_FALSE(patterns.excludes("/home/me/.cache-old/"));
    EXPECT_TRUE(patterns.excludes("/w/project/build/tmp/"));
    EXPECT_TRUE(patterns.excludes("/build/tmp/"));
    EXPECT_FALSE(patterns.excludes("/w/project/rebuild/tmp/")) << "whole folder names only";
    EXPECT_FALSE(ExclusionPatterns().excludes("/anything/"));
    EXPECT_TRUE(ExclusionPatterns({"[Tt]emp"}).excludes("/x/Temp/"));
}

// Patterns without wildcards are looked up rather than matched one by one: among many of
// them, each still matches exactly what it matched as a glob.
TEST(ExclusionPatterns, ManyLiteralPatternsMatchAsTheirGlobsWould)
{
    std::vector<std::string> many;
    for (int index = 0; index < 100000; ++index)
        many.push_back("name" + std::to_string(index));
    many.push_back("/srv/data/cache");
    many.push_back("out/tmp/");
    many.push_back("back\\slash");
    const ExclusionPatterns patterns(many);
    EXPECT_TRUE(patterns.excludes("/x/name99999/"));
    EXPECT_TRUE(patterns.excludes("/name0/"));
    EXPECT_FALSE(patterns.excludes("/x/name100000/"));
    EXPECT_FALSE(patterns.excludes("/x/name99999/inside/")) << "the folder itself, not what it holds";
    EXPECT_TRUE(patterns.excludes("/srv/data/cache/"));
    EXPECT_FALSE(patterns.excludes("/other/srv/data/cache/")) << "an absolute path from the root only";
    EXPECT_TRUE(patterns.excludes("/out/tmp/"));
    EXPECT_TRUE(patterns.excludes("/a/b/out/tmp/"));
    EXPECT_FALSE(patterns.excludes("/a/bout/tmp/"));
    EXPECT_TRUE(patterns.excludes("/a/backslash/")) << "an escaped character is still a glob's business";
    EXPECT_EQ(patterns.patterns().size(), many.size()) << "all are kept with the snapshot";
}

TEST(ExclusionPatterns, UnusablePatternsAreRefusedByName)
{
    for (const std::string bad : {"", "/", "[abc", "a\nb"}) {
        try {
            ExclusionPatterns patterns({"fine", bad});
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const ExclusionPatterns::Error& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + bad + "\""), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(ExclusionPatterns::problemWith("[]x]").empty()) << "a ] first is a member of the set";
    EXPECT_TRUE(ExclusionPatterns::problemWith("a\\[b").empty()) << "an escaped [ opens nothing";
}

// The totals of a scan with exclusions are those of the tree without the excluded folders;
// the excluded folders stay as rows without figures.
TEST(ExclusionPatterns, ATreeScannedWithExclusionsAddsUpWithoutThem)
{
    TemporaryTree tree;
    tree.writeFile("app/main.c", 3000);
    tree.writeFile("app/node_modules/lib/index.js", 90000);
    tree.writeFile("app/node_modules/other.js", 5000);
    tree.writeFile("docs/guide.txt", 7000);
    tree.writeFile("docs/.cache/blob", 40000);
    tree.writeFile("docs/.cache/more", 100);

    FileSystemWalker::Options options;
    options.exclusions = ExclusionPatterns({"node_modules", tree.root() + "*/.cache"});
    const ScanResult excluded = scanTree(tree.root(), options);
    EXPECT_EQ(excluded.statistics.excludedDirectories, 2);
    const VistrelFile& modules = excluded.at(tree.path("app/node_modules/"));
    EXPECT_FALSE(modules.totalAllocatedSize) << "a row without figures";
    EXPECT_FALSE(modules.fileCount);
    EXPECT_FALSE(excluded.files.count(tree.path("app/node_modules/other.js"))) << "not walked";

    std::filesystem::remove_all(tree.path("app/node_modules"));
    std::filesystem::remove_all(tree.path("docs/.cache"));
    const ScanResult without = scanTree(tree.root());
    EXPECT_EQ(excluded.statistics.rootFileCount, without.statistics.rootFileCount);
    EXPECT_EQ(excluded.statistics.rootTotalSize, without.statistics.rootTotalSize);
    EXPECT_EQ(excluded.statistics.rootTotalAllocatedSize, without.statistics.rootTotalAllocatedSize);
    EXPECT_EQ(excluded.at(tree.path("docs/")).totalAllocatedSize, without.at(tree.path("docs/")).totalAllocatedSize);
}

} // namespace
} // namespace vistrel
