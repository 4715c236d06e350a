#include "filesystem/FileUrl.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(FileUrl, LevelsCountTheRootAsOneComponent)
{
    EXPECT_EQ(FileUrl("/").pathComponentCount(), 1);
    EXPECT_EQ(FileUrl("/Users").pathComponentCount(), 2);
    EXPECT_EQ(FileUrl("/Users/a/").pathComponentCount(), 3);
    EXPECT_EQ(FileUrl("/Users/a/b.txt").pathComponentCount(), 4);
    EXPECT_EQ(FileUrl("/a//b/").pathComponentCount(), 3);
}

TEST(FileUrl, NamesAndParents)
{
    EXPECT_EQ(FileUrl("/x/a/").lastPathComponent(), "a");
    EXPECT_EQ(FileUrl("/x/a/b.txt").lastPathComponent(), "b.txt");
    EXPECT_EQ(FileUrl("/").lastPathComponent(), "/");
    EXPECT_EQ(FileUrl("/x/a/b").parentDirectory().path(), "/x/a/");
    EXPECT_EQ(FileUrl("/x/").parentDirectory().path(), "/");
    EXPECT_EQ(FileUrl("/").parentDirectory().path(), "/");
    EXPECT_TRUE(FileUrl::directory("/x").isDirectory());
    const std::string odd = "/x/caf\xe9\xff";
    EXPECT_EQ(FileUrl(odd).lastPathComponent(), "caf\xe9\xff");
}

TEST(FileUrl, PathsAreNormalizedLexicallyAgainstTheWorkingDirectory)
{
    EXPECT_EQ(FileUrl::lexicallyNormal("./x/../x//", "/home/u"), "/home/u/x/");
    EXPECT_EQ(FileUrl::lexicallyNormal("x", "/home/u/"), "/home/u/x");
    EXPECT_EQ(FileUrl::lexicallyNormal("/a/./b/../../..", "/ignored"), "/");
    EXPECT_EQ(FileUrl::lexicallyNormal("//a//b", "/"), "/a/b");
    EXPECT_EQ(FileUrl::lexicallyNormal("..", "/home/u"), "/home/");
    EXPECT_EQ(FileUrl::lexicallyNormal("", "/home/u"), "/home/u/");
    EXPECT_EQ(FileUrl::lexicallyNormal("...", "/"), "/...") << "only . and .. are special";
    EXPECT_EQ(FileUrl::lexicallyNormal("caf\xe9\xff/./", "/t"), "/t/caf\xe9\xff/");
}

} // namespace
} // namespace vistrel
