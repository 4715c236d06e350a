#include "duplicates/DuplicateFolders.h"
#include "objectstore/StoreContext.h"
#include "scanner/WalkerTestSupport.h"
#include "store/VistrelFileSubtree.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;
using Paths = std::vector<std::string>;

std::string bytes(std::size_t size, char fill)
{
    std::string text(size, fill);
    text.front() = static_cast<char>(size % 251);
    return text;
}

std::vector<DuplicateFinder::Group> groupsUnder(const TemporaryTree& tree)
{
    const auto scanned = testing::scanTree(tree.root());
    auto context = scanned.container->makeContext();
    const FileUrl root = FileUrl::directory(tree.root());
    auto files = DuplicateFinder::find(DuplicateCandidates::read(root, 1, *context));
    std::vector<std::string> items;
    for (auto& item : VistrelFileSubtree::read(root, *context))
        items.push_back(item.id);
    return DuplicateFolders::fold(std::move(files), items);
}

// A copied photo folder is one group, not one for each photo; a file copied elsewhere as well
// still pairs with the folder's first copy; a folder copy with one file changed is no copy.
TEST(DuplicateFolders, ACopiedFolderIsOneGroupAndItsFilesAreNotListedAgain)
{
    TemporaryTree tree;
    for (const std::string top : {"Pictures/", "Backup/Pictures/"}) {
        tree.writeFile(top + "2019/a.jpg", bytes(3000, 'a'));
        tree.writeFile(top + "2019/b.jpg", bytes(4000, 'b'));
        tree.writeFile(top + "2019/trip/c.jpg", bytes(5000, 'c'));
    }
    tree.writeFile("Pictures/own.jpg", bytes(3500, 'o')); // Pictures itself is no copy
    tree.writeFile("Desktop/a.jpg", bytes(3000, 'a'));
    tree.writeFile("Work/v1/x", bytes(2000, 'x'));
    tree.writeFile("Work/v1/y", bytes(2100, 'y'));
    tree.writeFile("Work/v2/x", bytes(2000, 'x'));
    tree.writeFile("Work/v2/y", bytes(2100, 'z'));

    const auto groups = groupsUnder(tree);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_TRUE(groups[0].folders);
    EXPECT_EQ(groups[0].paths, (Paths{tree.path("Backup/Pictures/2019/"), tree.path("Pictures/2019/")}));
    EXPECT_EQ(groups[0].size, 12000);
    EXPECT_EQ(groups[0].wasted(), 12000);
    EXPECT_FALSE(groups[1].folders);
    EXPECT_EQ(groups[1].paths, (Paths{tree.path("Backup/Pictures/2019/a.jpg"), tree.path("Desktop/a.jpg")}));
    EXPECT_EQ(groups[2].paths, (Paths{tree.path("Work/v1/x"), tree.path("Work/v2/x")}));
}

// Where the folders above are copies too, only the largest are listed; a link, a file of its
// own or an empty file inside makes a folder no copy.
TEST(DuplicateFolders, OnlyTheLargestCopiesAndNothingThatHoldsAnythingElse)
{
    TemporaryTree tree;
    for (const std::string top : {"one/", "two/"}) {
        tree.writeFile(top + "music/album/song.ogg", bytes(6000, 's'));
        tree.writeFile(top + "music/cover.png", bytes(1500, 'p'));
    }
    for (const std::string top : {"linked/", "plain/"})
        tree.writeFile(top + "doc.txt", bytes(1200, 'd'));
    tree.makeSymbolicLink("/etc/hostname", "linked/link");
    for (const std::string top : {"with-empty/", "without-empty/"})
        tree.writeFile(top + "data.bin", bytes(1300, 'e'));
    tree.writeFile("with-empty/empty", std::string());

    const auto groups = groupsUnder(tree);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].paths, (Paths{tree.path("one/"), tree.path("two/")})) << "not one/music/ and two/music/ too";
    EXPECT_EQ(groups[0].size, 7500);
    EXPECT_EQ(groups[1].paths, (Paths{tree.path("with-empty/data.bin"), tree.path("without-empty/data.bin")}));
    EXPECT_EQ(groups[2].paths, (Paths{tree.path("linked/doc.txt"), tree.path("plain/doc.txt")}));
}

} // namespace
} // namespace vistrel
