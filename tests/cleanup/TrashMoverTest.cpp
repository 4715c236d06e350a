// The trash: items go to the volume's trash with a record, come back on undo, and nothing
// is ever replaced or mistaken for another item.
#include "cleanup/TrashMover.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>


#include <cstdlib>
#include <filesystem>

namespace vistrel {
namespace {

using testing::TemporaryTree;

class TrashMoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The home trash lives in the data folder, on the same volume as the tree.
        previous_ = std::getenv("XDG_DATA_HOME") ? std::optional<std::string>(std::getenv("XDG_DATA_HOME")) : std::nullopt;
        ::setenv("XDG_DATA_HOME", tree_.path("data").c_str(), 1);
        tree_.makeDirectory("data");
    }
    void TearDown() override
    {
        if (previous_)
            ::setenv("XDG_DATA_HOME", previous_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    TemporaryTree tree_;
    std::optional<std::string> previous_;
};

TEST_F(TrashMoverTest, AFolderGoesToTheTrashWithItsRecordAndComesBack)
{
    tree_.writeFile("work/folder/inside", 100);
    const auto outcome = TrashMover::moveToTrash(tree_.path("work/folder/"));
    ASSERT_TRUE(outcome.trashed) << outcome.failure;
    EXPECT_FALSE(std::filesystem::exists(tree_.path("work/folder")));
    EXPECT_TRUE(std::filesystem::exists(outcome.trashed->inTrash + "/inside"));
    EXPECT_EQ(outcome.trashed->original, tree_.path("work/folder"));
    const std::string info = tree_.path("data/Trash/info/folder.trashinfo");
    EXPECT_TRUE(std::filesystem::exists(info)) << "the record the desktop's trash shows";

    EXPECT_EQ(TrashMover::restore(*outcome.trashed), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(tree_.path("work/folder/inside")));
    EXPECT_FALSE(std::filesystem::exists(info));
    EXPECT_TRUE(TrashMover::restore(*outcome.trashed)) << "it is no longer in the trash";
}

TEST_F(TrashMoverTest, NothingIsReplacedAndOddNamesStayWhereTheyAre)
{
    tree_.writeFile("notes.txt", "first");
    const auto outcome = TrashMover::moveToTrash(tree_.path("notes.txt"));
    ASSERT_TRUE(outcome.trashed);
    tree_.writeFile("notes.txt", "a new one");
    EXPECT_EQ(TrashMover::restore(*outcome.trashed), "something else is there now");
    EXPECT_TRUE(std::filesystem::exists(outcome.trashed->inTrash)) << "the trashed one stays in the trash";

    tree_.writeFile("caf\xe9", 10);
    const auto odd = TrashMover::moveToTrash(tree_.path("caf\xe9"));
    EXPECT_FALSE(odd.trashed);
    EXPECT_FALSE(odd.noUsableTrash) << "the trash works; the name is what it cannot take";
    EXPECT_TRUE(std::filesystem::exists(tree_.path("caf\xe9")));
    EXPECT_FALSE(TrashMover::moveToTrash(tree_.path("never-there")).trashed);
}

} // namespace
} // namespace vistrel
