#include "duplicates/DuplicateFinder.h"
#include "objectstore/StoreContext.h"
#include "scanner/WalkerTestSupport.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

// Contents that differ from file to file unless made from the same seed.
std::string contents(std::size_t size, unsigned seed)
{
    std::string text(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& byte : text) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return text;
}

std::string changedAt(std::string text, std::size_t at)
{
    text[at] = static_cast<char>(text[at] ^ 0x5a);
    return text;
}

std::vector<DuplicateFinder::Group> groupsUnder(const TemporaryTree& tree, std::int64_t minimumSize = 1)
{
    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    return DuplicateFinder::find(DuplicateCandidates::read(FileUrl::directory(tree.root()), minimumSize, *context));
}

using Paths = std::vector<std::string>;

// Copies anywhere are found; files of one size that differ anywhere, empty files and second
// names of one file are not copies; the groups come largest waste first, with their figures.
TEST(DuplicateFinder, CopiesAreToldFromLookalikesByTheirWholeContent)
{
    TemporaryTree tree;
    const std::string photo = contents(10000, 1);
    tree.writeFile("Pictures/2019/beach.jpg", photo);
    tree.writeFile("Backup/beach.jpg", photo);
    tree.writeFile("Downloads/report (1).pdf", contents(3000, 2));
    tree.writeFile("Downloads/report.pdf", contents(3000, 2));
    tree.writeFile("Downloads/report (2).pdf", contents(3000, 2));
    // Same sizes, other contents: the first byte, the last byte, the middle of a large file.
    const std::string base = contents(5000, 3);
    tree.writeFile("near/first", changedAt(base, 0));
    tree.writeFile("near/last", changedAt(base, base.size() - 1));
    tree.writeFile("near/base", base);
    const std::string large = contents(3 * 1024 * 1024, 4);
    tree.writeFile("near/large-a", large);
    tree.writeFile("near/large-b", changedAt(large, large.size() / 2));
    tree.writeFile("empty-1", std::string());
    tree.writeFile("empty-2", std::string());
    // Two names of one file and a true copy of it: one copy, not three.
    tree.writeFile("linked", contents(7000, 5));
    tree.makeHardLink("linked", "linked-again");
    tree.writeFile("z-copy", contents(7000, 5));

    const auto groups = groupsUnder(tree);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].paths, (Paths{tree.path("Backup/beach.jpg"), tree.path("Pictures/2019/beach.jpg")}));
    EXPECT_EQ(groups[0].size, 10000);
    EXPECT_EQ(groups[0].wasted(), 10000);
    ASSERT_EQ(groups[1].paths.size(), 2u) << "the hard link is the same file";
    EXPECT_TRUE(groups[1].paths[0] == tree.path("linked") || groups[1].paths[0] == tree.path("linked-again"));
    EXPECT_EQ(groups[1].paths[1], tree.path("z-copy"));
    EXPECT_EQ(groups[2].paths,
              (Paths{tree.path("Downloads/report (1).pdf"), tree.path("Downloads/report (2).pdf"),
                     tree.path("Downloads/report.pdf")}));
    EXPECT_EQ(groups[2].wasted(), 6000) << "three copies waste two";
}

// What a snapshot says and what the disk holds can part: a file that grew, vanished or was
// swapped for a link since the scan is left out; a sparse file equals a dense one of the same
// bytes; names need not be text; the minimum size leaves the small ones out.
TEST(DuplicateFinder, TheDiskAsItIsNowDecidesAndNamesStayBytes)
{
    TemporaryTree tree;
    const std::string odd = "caf\xe9\xff";
    tree.writeFile(odd, contents(2000, 6));
    tree.writeFile("cafe", contents(2000, 6));
    const std::string zeros(1 << 20, '\0');
    tree.writeFile("dense", zeros);
    const int fd = ::open(tree.path("sparse").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1 << 20), 0);
    ::close(fd);
    tree.writeFile("grows-a", contents(4000, 7));
    tree.writeFile("grows-b", contents(4000, 7));
    tree.writeFile("swapped-a", contents(4500, 8));
    tree.writeFile("swapped-b", contents(4500, 8));
    tree.writeFile("target", contents(4500, 8));

    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    const FileUrl root = FileUrl::directory(tree.root());
    const auto candidates = DuplicateCandidates::read(root, 1, *context);
    tree.writeFile("grows-b", contents(4001, 7));
    ASSERT_EQ(::unlink(tree.path("swapped-b").c_str()), 0);
    tree.makeSymbolicLink(tree.path("target"), "swapped-b");

    DuplicateFinder::Progress progress;
    const auto groups = DuplicateFinder::find(candidates, &progress);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].paths, (Paths{tree.path("dense"), tree.path("sparse")}));
    EXPECT_EQ(groups[1].paths, (Paths{tree.path("swapped-a"), tree.path("target")})) << "the link is not followed";
    EXPECT_EQ(groups[2].paths, (Paths{tree.path("cafe"), tree.path(odd)}));
    EXPECT_EQ(progress.bytesRead.load(), progress.bytesToRead.load());
    EXPECT_GE(progress.bytesRead.load(), 2 * (1 << 20)) << "the megabyte files were read whole";

    const auto large = DuplicateFinder::find(DuplicateCandidates::read(root, 5000, *context));
    ASSERT_EQ(large.size(), 1u);
    EXPECT_EQ(large[0].size, 1 << 20);
}

// A cancelled search stops before it reads anything more, and says nothing of what it left.
TEST(DuplicateFinder, ACancelledSearchReadsNoMore)
{
    TemporaryTree tree;
    tree.writeFile("a", contents(9000, 9));
    tree.writeFile("b", contents(9000, 9));
    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    const auto candidates = DuplicateCandidates::read(FileUrl::directory(tree.root()), 1, *context);
    ASSERT_EQ(candidates.size(), 1u);
    DuplicateFinder::Progress progress;
    const std::atomic<bool> cancelled{true};
    EXPECT_TRUE(DuplicateFinder::find(candidates, &progress, &cancelled).empty());
    EXPECT_EQ(progress.bytesRead.load(), 0);
    EXPECT_EQ(DuplicateFinder::find(candidates).size(), 1u) << "the same candidates, not cancelled";
}

// Candidates are the snapshot's files of one size below the folder asked about, largest first.
TEST(DuplicateCandidates, SizesSharedBelowTheFolderOnly)
{
    TemporaryTree tree;
    tree.writeFile("in/a", 300);
    tree.writeFile("in/deeper/b", 300);
    tree.writeFile("in/c", 200);
    tree.writeFile("in/d", 200);
    tree.writeFile("in/alone", 100);
    tree.writeFile("out/e", 300);
    tree.writeFile("in/empty-1", 0);
    tree.writeFile("in/empty-2", 0);
    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    const auto groups = DuplicateCandidates::read(FileUrl::directory(tree.path("in/")), 0, *context);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].size, 300);
    EXPECT_EQ(groups[0].paths, (Paths{tree.path("in/a"), tree.path("in/deeper/b")}));
    EXPECT_EQ(groups[1].size, 200);
    EXPECT_TRUE(DuplicateCandidates::read(FileUrl::directory(tree.path("in/")), 250, *context).size() == 1);
}

} // namespace
} // namespace vistrel
