#include "CliTestSupport.h"
#include "support/TemporaryTree.h"

#include "history/SnapshotDiff.h"
#include "history/SnapshotHistory.h"
#include "objectstore/SqliteConnection.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/SchemaV1_0_0.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::contains;
using testing::exists;
using testing::fileBytes;
using testing::lines;
using testing::parse;
using testing::TemporaryTree;

std::shared_ptr<StoreContainer> openStore(const std::string& location)
{
    return VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
}

// Every row of a snapshot: id to (Size column, file count).
std::map<std::string, std::pair<std::int64_t, std::optional<std::int64_t>>> allRows(const std::string& location)
{
    std::map<std::string, std::pair<std::int64_t, std::optional<std::int64_t>>> rows;
    auto container = openStore(location);
    auto context = container->makeContext();
    for (const StoredObject& object : context->fetch({})) {
        VistrelFile file = VistrelFile::fromStored(StoredObject(object), {});
        rows[file.id] = {file.totalAllocatedSize.value_or(0), file.fileCount};
    }
    return rows;
}

std::int64_t allocated(const std::string& path)
{
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return static_cast<std::int64_t>(status.st_blocks) * 512;
}

class HistoryCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.writeFile("data/grows", 10000);
        tree_.writeFile("data/shrinks", 200000);
        tree_.writeFile("data/goes", 50000);
        tree_.writeFile("data/same", 7000);
        tree_.writeFile("data/replaced/inner", 30000);
        tree_.writeFile("data/caf\xe9\xff/old", 40000);
        root_ = tree_.path("data/");
        store_ = stores_.path("snapshot.store");
    }

    void scan()
    {
        const CommandResult result = cli({"scan", root_, "--store", store_});
        ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    }

    TemporaryTree tree_;
    TemporaryTree stores_; // apart, so that the stores are not in the scanned tree
    std::string root_;
    std::string store_;
};

TEST_F(HistoryCommands, EachScanKeepsThePreviousSnapshotAndTheHistoryKeepsFive)
{
    for (int scanNumber = 0; scanNumber < 7; ++scanNumber) {
        tree_.writeFile("data/scan-" + std::to_string(scanNumber), 100);
        scan();
    }
    const auto earlier = SnapshotHistory::earlier(store_);
    ASSERT_EQ(earlier.size(), 5u) << "the oldest two were dropped";
    // Newest first: each kept snapshot has one file fewer than the one after it.
    std::int64_t previousCount = allRows(store_).size();
    for (const auto& snapshot : earlier) {
        const auto count = static_cast<std::int64_t>(allRows(snapshot.location).size());
        EXPECT_EQ(count, previousCount - 1) << snapshot.location;
        previousCount = count;
        ASSERT_TRUE(snapshot.facts);
        EXPECT_EQ(snapshot.facts->entryCount, count);
        EXPECT_EQ(snapshot.root, root_);
    }
    EXPECT_FALSE(exists(SnapshotHistory::partialLocation(store_)));

    const CommandResult history = cli({"history", "--store", store_, "--json"});
    ASSERT_EQ(history.exitStatus, 0) << history.standardError;
    const auto listed = lines(history.standardOutput);
    ASSERT_EQ(listed.size(), 6u);
    EXPECT_TRUE(parse(listed[0])["current"].toBool());
    EXPECT_EQ(parse(listed[0])["location"].toString().toStdString(), store_);
    for (std::size_t index = 1; index < listed.size(); ++index) {
        const QJsonObject line = parse(listed[index]);
        EXPECT_FALSE(line["current"].toBool());
        EXPECT_EQ(line["location"].toString().toStdString(), earlier[index - 1].location);
        EXPECT_GT(line["bytesOnDisk"].toInteger(), 0);
        EXPECT_LE(line["endedAt"].toInteger(), parse(listed[index - 1])["endedAt"].toInteger());
    }
    const CommandResult text = cli({"history", "--store", store_});
    EXPECT_EQ(lines(text.standardOutput).size(), 6u);
    EXPECT_TRUE(contains(lines(text.standardOutput)[0], "current"));
    EXPECT_EQ(cli({"history", "--store", stores_.path("none.store")}).exitStatus, 1);
    // A folder or a text file is no store: said, with exit 1, and left as it is.
    const CommandResult folder = cli({"history", "--store", stores_.root()});
    EXPECT_EQ(folder.exitStatus, 1);
    EXPECT_TRUE(contains(folder.standardError, "is a folder, not a snapshot store")) << folder.standardError;
    const std::string notes = stores_.path("notes.txt");
    std::ofstream(notes) << "just some notes\n";
    const CommandResult textFile = cli({"history", "--store", notes});
    EXPECT_EQ(textFile.exitStatus, 1);
    EXPECT_TRUE(contains(textFile.standardError, "not a snapshot store")) << textFile.standardError;
    EXPECT_EQ(fileBytes(notes), "just some notes\n");
}

// A snapshot an earlier version kept, in its flat layout, compares with a new one exactly as
// the same snapshot in the new layout does.
TEST_F(HistoryCommands, ASnapshotOfTheEarlierLayoutComparesLikeANewOne)
{
    scan();
    const std::string copy = stores_.path("copy.store");
    std::filesystem::copy_file(store_, copy);
    const std::string earlier = stores_.path("earlier.store");
    {
        StoreConfiguration configuration;
        configuration.fileLocation = earlier;
        auto flat = StoreContainer::open(SchemaV1_0_0::schema(), configuration);
        ASSERT_EQ(flat->layout(), StoreContainer::Layout::flat);
        auto context = flat->makeContext();
        context->setAutosaveEnabled(false);
        auto source = openStore(copy);
        for (const StoredObject& object : source->makeContext()->fetch({}))
            context->insert(object);
        context->save();
    }
    {
        SqliteConnection raw("file:" + earlier);
        raw.execute("ATTACH DATABASE '" + copy + "' AS newer");
        raw.execute("INSERT OR REPLACE INTO vistrel_store_metadata SELECT * FROM newer.vistrel_store_metadata"
                    " WHERE key <> 'schemaVersion'");
    }
    tree_.writeFile("data/grows", 90000);
    std::filesystem::remove(tree_.path("data/goes"));
    scan();
    const CommandResult fromCopy = cli({"diff", copy, store_});
    ASSERT_EQ(fromCopy.exitStatus, 0) << fromCopy.standardError;
    EXPECT_TRUE(contains(fromCopy.standardOutput, "goes")) << fromCopy.standardOutput;
    const CommandResult fromEarlier = cli({"diff", earlier, store_});
    EXPECT_EQ(fromEarlier.exitStatus, 0) << fromEarlier.standardError;
    EXPECT_EQ(fromEarlier.standardOutput, fromCopy.standardOutput);
    EXPECT_EQ(allRows(earlier), allRows(copy));
}

TEST_F(HistoryCommands, AKilledScanLeavesThePreviousSnapshotCurrent)
{
    scan();
    const std::string before = fileBytes(store_);
    // Large enough that the scan is still writing when it is killed.
    for (int directory = 0; directory < 200; ++directory)
        for (int file = 0; file < 100; ++file)
            tree_.writeFile("data/many/d" + std::to_string(directory) + "/file-" + std::to_string(file), 1);
    const std::string partial = SnapshotHistory::partialLocation(store_);
    bool killedWhileWriting = false;
    const CommandResult killed = cli({"scan", root_, "--store", store_}, [&](pid_t child) {
        for (int attempt = 0; attempt < 20000 && !killedWhileWriting; ++attempt) {
            struct stat status { };
            if (::stat(partial.c_str(), &status) == 0 && status.st_size > 64 * 1024) {
                ::kill(child, SIGKILL);
                killedWhileWriting = true;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    });
    ASSERT_TRUE(killedWhileWriting) << "the scan ended before it could be killed: " << killed.standardOutput;
    EXPECT_EQ(killed.exitStatus, 128 + SIGKILL);
    EXPECT_EQ(fileBytes(store_), before) << "the current snapshot is untouched";
    EXPECT_TRUE(SnapshotHistory::earlier(store_).empty());
    const CommandResult dump = cli({"dump", "--store", store_});
    EXPECT_EQ(dump.exitStatus, 0);
    EXPECT_EQ(dump.standardError, "") << "and whole";

    scan(); // the next scan takes over what the killed one left
    EXPECT_FALSE(exists(partial));
    EXPECT_EQ(SnapshotHistory::earlier(store_).size(), 1u);
    EXPECT_EQ(allRows(store_).size(), 8u + 1 + 200 + 200 * 100);
}

// Someone else's folder where the history belongs: refused, as the store folder is, and the
// current snapshot stays.
TEST_F(HistoryCommands, AHistoryFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder away needs root";
    scan();
    const std::string before = fileBytes(store_);
    const std::string folder = SnapshotHistory::historyFolder(store_);
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    const CommandResult refused = cli({"scan", root_, "--store", store_});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(contains(refused.standardError, "is not a folder of this user's")) << refused.standardError;
    EXPECT_TRUE(contains(refused.standardError, "the previous snapshot is kept")) << refused.standardError;
    EXPECT_EQ(fileBytes(store_), before);
    EXPECT_FALSE(exists(SnapshotHistory::partialLocation(store_)));
}

// Another file system mounted on the history folder holds no link to the store: the finished
// scan replaces the store all the same, and says why nothing was kept.
TEST_F(HistoryCommands, AHistoryThatCannotHoldTheSnapshotDoesNotCostTheScan)
{
    const std::string folder = SnapshotHistory::historyFolder(store_);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    if (::geteuid() != 0 || ::mount("vistrel-history", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root and a mount namespace that allows it";
    scan();
    tree_.writeFile("data/later", 100);
    const CommandResult second = cli({"scan", root_, "--store", store_});
    const auto kept = SnapshotHistory::earlier(store_);
    ::umount(folder.c_str());
    EXPECT_EQ(second.exitStatus, 0) << second.standardError;
    EXPECT_TRUE(kept.empty());
    EXPECT_TRUE(contains(second.standardError, "note: the previous snapshot could not be kept in " + folder))
        << "said, not dropped without a word: " << second.standardError;
    EXPECT_EQ(allRows(store_).count(root_ + "later"), 1u) << "the new snapshot is current";
}

TEST_F(HistoryCommands, AnImmutableHistoryFolderIsSaid)
{
    const std::string folder = SnapshotHistory::historyFolder(store_);
    scan();
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    if (::geteuid() != 0 || testing::runCommand({"/usr/bin/chattr", "+i", folder}).exitStatus != 0)
        GTEST_SKIP() << "chattr +i needs root and a file system that keeps the flag";
    tree_.writeFile("data/later", 100);
    const CommandResult second = cli({"scan", root_, "--store", store_});
    testing::runCommand({"/usr/bin/chattr", "-i", folder});
    EXPECT_EQ(second.exitStatus, 0) << second.standardError;
    EXPECT_TRUE(contains(second.standardError, "the previous snapshot could not be kept")) << second.standardError;
    EXPECT_EQ(allRows(store_).count(root_ + "later"), 1u);
}

TEST_F(HistoryCommands, DiffFindsWhatChangedBetweenTwoScansOfARealTree)
{
    scan();
    const std::int64_t growsBefore = allocated(root_ + "grows");
    const std::int64_t shrinksBefore = allocated(root_ + "shrinks");
    tree_.writeFile("data/grows", 900000);
    tree_.writeFile("data/shrinks", 3000);
    ::unlink((root_ + "goes").c_str());
    std::filesystem::remove_all(root_ + "replaced");
    tree_.writeFile("data/replaced", 60000); // a directory became a file
    tree_.writeFile("data/caf\xe9\xff/new\xfe", 5000);
    tree_.writeFile("data/added/deep/er/file", 70000);
    scan();
    const auto kept = SnapshotHistory::earlier(store_);
    ASSERT_EQ(kept.size(), 1u);
    const std::string old = kept[0].location;

    // The figures every changed item should show, from both snapshots read whole.
    const auto beforeRows = allRows(old);
    const auto afterRows = allRows(store_);
    std::vector<SnapshotDiff::Change> expected;
    std::map<std::string, int> ids;
    for (const auto& [id, row] : beforeRows)
        ids[id] = 0;
    for (const auto& [id, row] : afterRows)
        ids[id] = 0;
    for (const auto& [id, unused] : ids) {
        SnapshotDiff::Change change;
        change.id = id;
        if (auto found = beforeRows.find(id); found != beforeRows.end())
            change.before = found->second.first;
        if (auto found = afterRows.find(id); found != afterRows.end())
            change.after = found->second.first;
        if (change.changed())
            expected.push_back(change);
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return a.magnitude() != b.magnitude() ? a.magnitude() > b.magnitude() : a.id < b.id;
    });

    auto beforeStore = openStore(old);
    auto afterStore = openStore(store_);
    auto beforeContext = beforeStore->makeContext();
    auto afterContext = afterStore->makeContext();
    const auto biggest = SnapshotDiff::biggest(FileUrl::directory(root_), *beforeContext, *afterContext);
    EXPECT_EQ(biggest.total, static_cast<std::int64_t>(expected.size()));
    ASSERT_EQ(biggest.changes.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(biggest.changes[index].id, expected[index].id) << index;
        EXPECT_EQ(biggest.changes[index].before, expected[index].before) << expected[index].id;
        EXPECT_EQ(biggest.changes[index].after, expected[index].after) << expected[index].id;
    }
    const auto find = [&](const std::string& id) {
        return std::find_if(biggest.changes.begin(), biggest.changes.end(), [&](const auto& c) { return c.id == id; });
    };
    // Checked against the file system itself, not only against the stores.
    ASSERT_NE(find(root_ + "grows"), biggest.changes.end());
    EXPECT_EQ(find(root_ + "grows")->change(), allocated(root_ + "grows") - growsBefore);
    EXPECT_EQ(find(root_ + "shrinks")->change(), allocated(root_ + "shrinks") - shrinksBefore);
    EXPECT_FALSE(find(root_ + "goes")->after);
    EXPECT_FALSE(find(root_ + "replaced/")->after) << "the directory is gone";
    EXPECT_FALSE(find(root_ + "replaced")->before) << "and a file of its name is new";
    EXPECT_FALSE(find(root_ + "replaced/inner")->after);
    EXPECT_NE(find(root_ + "caf\xe9\xff/new\xfe"), biggest.changes.end());
    EXPECT_EQ(find(root_ + "same"), biggest.changes.end()) << "unchanged items are not listed";
    const auto top3 = SnapshotDiff::biggest(FileUrl::directory(root_), *beforeContext, *afterContext, 3);
    EXPECT_EQ(top3.total, biggest.total);
    ASSERT_EQ(top3.changes.size(), 3u);
    EXPECT_EQ(top3.changes[2].id, expected[2].id);
    const auto under = SnapshotDiff::biggest(FileUrl::directory(root_ + "caf\xe9\xff/"), *beforeContext, *afterContext);
    EXPECT_EQ(under.total, 1) << "only the new file, the old one beside it is as it was";

    // A directory's children of both snapshots, in path order.
    const auto children = SnapshotDiff::children(FileUrl::directory(root_), *beforeContext, *afterContext);
    std::vector<std::string> names;
    for (const auto& child : children)
        names.push_back(child.name);
    EXPECT_EQ(
        names,
        (std::vector<std::string>{"added", "caf\xe9\xff", "goes", "grows", "replaced", "replaced", "same", "shrinks"}));

    const CommandResult diff = cli({"diff", old, store_, "-n", "4", "--json"});
    ASSERT_EQ(diff.exitStatus, 0) << diff.standardError;
    const auto output = lines(diff.standardOutput);
    ASSERT_EQ(output.size(), 5u);
    EXPECT_EQ(parse(output[0])["total"].toInteger(), biggest.total);
    for (std::size_t index = 1; index < output.size(); ++index) {
        const QJsonObject line = parse(output[index]);
        const auto& change = biggest.changes[index - 1];
        EXPECT_EQ(line["id"].toString().toStdString(), change.id);
        EXPECT_EQ(line["change"].toInteger(), change.change());
        EXPECT_EQ(line["before"].isNull(), !change.before);
        EXPECT_EQ(line["after"].isNull(), !change.after);
    }
    const CommandResult text = cli({"diff", old, store_, "--under", root_ + "added"});
    EXPECT_TRUE(contains(text.standardOutput, "The 3 biggest of 3 changes under " + root_ + "added/"))
        << text.standardOutput;

    // -n 0: every change, streamed shallowest first, the count last.
    const CommandResult all = cli({"diff", old, store_, "-n", "0", "--json"});
    ASSERT_EQ(all.exitStatus, 0) << all.standardError;
    const auto every = lines(all.standardOutput);
    ASSERT_EQ(every.size(), static_cast<std::size_t>(biggest.total) + 1);
    EXPECT_EQ(parse(every.back())["total"].toInteger(), biggest.total);
    // Names need not be UTF-8, and the lines keep their bytes: read the level from the text.
    std::int64_t lastLevel = 0;
    for (std::size_t index = 0; index + 1 < every.size(); ++index) {
        const std::size_t at = every[index].find("\"level\": ");
        ASSERT_NE(at, std::string::npos) << every[index];
        const std::int64_t level = std::stoll(every[index].substr(at + 9));
        EXPECT_GE(level, lastLevel) << "level by level";
        lastLevel = level;
    }
    EXPECT_EQ(cli({"diff", old, store_, "-n", "-1"}).exitStatus, 2);
}

TEST_F(HistoryCommands, DiffRefusesSnapshotsOfOtherFoldersAndDamagedStores)
{
    scan();
    const std::string other = stores_.path("other.store");
    ASSERT_EQ(cli({"scan", tree_.path("data/caf\xe9\xff"), "--store", other}).exitStatus, 0);
    const std::string before = fileBytes(store_);
    const CommandResult refused = cli({"diff", other, store_});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(contains(refused.standardError, "different folders")) << refused.standardError;
    const std::string damaged = stores_.path("damaged.store");
    std::ofstream(damaged) << std::string(8192, 'z');
    const CommandResult foreign = cli({"diff", damaged, store_});
    EXPECT_EQ(foreign.exitStatus, 1);
    EXPECT_TRUE(contains(foreign.standardError, "Could not create ModelContainer")) << foreign.standardError;
    EXPECT_EQ(fileBytes(damaged), std::string(8192, 'z'));
    EXPECT_EQ(fileBytes(store_), before);
    EXPECT_EQ(cli({"diff", store_}).exitStatus, 2);
}

} // namespace
} // namespace vistrel
