// The trash: items go to the trash of their volume with a record, come back on undo, and
// nothing is ever replaced, mistaken for another item or written outside a trash.
#include "cleanup/TrashMover.h"
#include "filesystem/ResolvedItem.h"
#include "support/ScopedMount.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::ScopedMount;
using testing::TemporaryTree;

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Sets an environment variable for one test, or unsets it, and puts it back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            previous_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { previous_ ? ::setenv(name_, previous_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

class TrashMoverTest : public ::testing::Test {
protected:
    ResolvedItem resolved(const std::string& relative)
    {
        auto resolution = ResolvedItem::resolve(tree_.path("work/"), tree_.path(relative));
        EXPECT_TRUE(resolution.item) << relative << ": " << resolution.refusal;
        return std::move(*resolution.item);
    }

    TemporaryTree tree_;
    // The home trash lives in the data folder, on the same volume as the tree.
    ScopedVariable data_{"XDG_DATA_HOME", tree_.path("data").c_str()};
};

TEST_F(TrashMoverTest, AFolderGoesToTheTrashWithItsRecordAndComesBack)
{
    tree_.writeFile("work/folder/inside", 100);
    const auto outcome = TrashMover::moveToTrash(resolved("work/folder/"));
    ASSERT_TRUE(outcome.trashed) << outcome.failure;
    EXPECT_FALSE(std::filesystem::exists(tree_.path("work/folder")));
    EXPECT_EQ(outcome.trashed->trashFolder, tree_.path("data/Trash"));
    EXPECT_TRUE(std::filesystem::exists(outcome.trashed->inTrash() + "/inside"));
    EXPECT_EQ(outcome.trashed->original, tree_.path("work/folder"));
    const std::string info = tree_.path("data/Trash/info/folder.trashinfo");
    EXPECT_EQ(contents(info).rfind("[Trash Info]\nPath=" + tree_.path("work/folder") + "\nDeletionDate=", 0), 0u)
        << contents(info);
    struct stat status { };
    ASSERT_EQ(::stat(tree_.path("data/Trash").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    EXPECT_EQ(TrashMover::restore(*outcome.trashed, resolved("work/")), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(tree_.path("work/folder/inside")));
    EXPECT_FALSE(std::filesystem::exists(info));
    EXPECT_EQ(TrashMover::restore(*outcome.trashed, resolved("work/")), "it is no longer in the trash");
}

TEST_F(TrashMoverTest, NothingIsReplacedAndNamesThatAreNotTextKeepTheirBytes)
{
    tree_.writeFile("work/notes.txt", "first");
    const auto outcome = TrashMover::moveToTrash(resolved("work/notes.txt"));
    ASSERT_TRUE(outcome.trashed);
    tree_.writeFile("work/notes.txt", "a new one");
    EXPECT_EQ(TrashMover::restore(*outcome.trashed, resolved("work/")), "something else is there now");
    EXPECT_EQ(contents(outcome.trashed->inTrash()), "first") << "the trashed one stays in the trash";
    EXPECT_EQ(contents(tree_.path("work/notes.txt")), "a new one");

    const auto second = TrashMover::moveToTrash(resolved("work/notes.txt"));
    ASSERT_TRUE(second.trashed);
    EXPECT_EQ(second.trashed->trashName, "notes.txt.2") << "a name the trash holds already is not reused";

    tree_.writeFile("work/caf\xe9 100%", 10);
    const auto odd = TrashMover::moveToTrash(resolved("work/caf\xe9 100%"));
    ASSERT_TRUE(odd.trashed) << odd.failure;
    EXPECT_NE(contents(tree_.path("data/Trash/info/caf\xe9 100%.trashinfo")).find("/caf%E9%20100%25\n"),
              std::string::npos);
    EXPECT_EQ(TrashMover::restore(*odd.trashed, resolved("work/")), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(tree_.path("work/caf\xe9 100%")));
}

TEST_F(TrashMoverTest, AFreshHomeGetsItsTrashAndNothingLandsInTheWorkingFolder)
{
    ScopedVariable noData("XDG_DATA_HOME", nullptr);
    ScopedVariable home("HOME", tree_.path("fresh-home").c_str());
    tree_.makeDirectory("fresh-home");
    tree_.makeDirectory("cwd");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(tree_.path("cwd"));
    tree_.writeFile("work/victim.bin", 10);
    const auto outcome = TrashMover::moveToTrash(resolved("work/victim.bin"));
    std::filesystem::current_path(previous);
    ASSERT_TRUE(outcome.trashed) << outcome.failure;
    EXPECT_TRUE(std::filesystem::exists(tree_.path("fresh-home/.local/share/Trash/files/victim.bin")));
    EXPECT_TRUE(std::filesystem::exists(tree_.path("fresh-home/.local/share/Trash/info/victim.bin.trashinfo")));
    EXPECT_TRUE(std::filesystem::is_empty(tree_.path("cwd")));
}

TEST_F(TrashMoverTest, AnotherFileSystemUsesItsOwnTrashAtItsTop)
{
    tree_.makeDirectory("work/volume");
    const auto volume = ScopedMount::tmpfs(tree_.path("work/volume"));
    if (!volume.mounted())
        GTEST_SKIP() << volume.why();
    tree_.writeFile("work/volume/big.iso", 1000);
    const std::string uid = std::to_string(::geteuid());
    // Resolved from the volume's own top: the tree's root cannot reach across the mount.
    auto item = ResolvedItem::resolve(tree_.path("work/volume/"), tree_.path("work/volume/big.iso"));
    ASSERT_TRUE(item.item);
    const auto outcome = TrashMover::moveToTrash(*item.item);
    ASSERT_TRUE(outcome.trashed) << outcome.failure;
    EXPECT_EQ(outcome.trashed->trashFolder, tree_.path("work/volume/.Trash-" + uid));
    EXPECT_NE(contents(tree_.path("work/volume/.Trash-" + uid + "/info/big.iso.trashinfo")).find("\nPath=big.iso\n"),
              std::string::npos)
        << "a volume's trash records paths from its top";
    EXPECT_FALSE(std::filesystem::exists(tree_.path("data/Trash/files/big.iso")));

    // An administrator's sticky .Trash takes precedence; a plain one is ignored.
    tree_.makeDirectory("work/volume/.Trash");
    ASSERT_EQ(::chmod(tree_.path("work/volume/.Trash").c_str(), 01777), 0);
    tree_.writeFile("work/volume/second", 10);
    item = ResolvedItem::resolve(tree_.path("work/volume/"), tree_.path("work/volume/second"));
    const auto shared = TrashMover::moveToTrash(*item.item);
    ASSERT_TRUE(shared.trashed) << shared.failure;
    EXPECT_EQ(shared.trashed->trashFolder, tree_.path("work/volume/.Trash/" + uid));
}

} // namespace
} // namespace vistrel
