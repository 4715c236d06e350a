#include "CliTestSupport.h"
#include "support/ScopedMount.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::lines;
using testing::parse;
using testing::TemporaryTree;

class SnapshotCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.writeFile("data/big", 100000);
        tree_.writeFile("data/small", 10);
        tree_.writeFile("data/caf\xe9\xff \"q\"", 3);
        tree_.writeFile("notes.txt", 5);
        store_ = tree_.path("snapshot.store");
        root_ = tree_.path("data/");
        const CommandResult scan = cli({"scan", root_, "--store", store_});
        ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
        summary_ = scan.standardOutput;
    }

    TemporaryTree tree_;
    std::string store_;
    std::string root_;
    std::string summary_;
};

TEST_F(SnapshotCommands, ScanPrintsOneSummaryLine)
{
    ASSERT_EQ(lines(summary_).size(), 1u);
    EXPECT_NE(summary_.find("records=3 files=3 size=100013 "), std::string::npos) << summary_;
}

TEST_F(SnapshotCommands, DumpWritesEveryEntityWithOddNamesIntact)
{
    const CommandResult dump = cli({"dump", "--store", store_});
    ASSERT_EQ(dump.exitStatus, 0) << dump.standardError;
    const auto output = lines(dump.standardOutput);
    ASSERT_EQ(output.size(), 3u);
    const std::string odd = root_ + "caf\xe9\xff \\\"q\\\"";
    bool found = false;
    for (const auto& line : output) {
        EXPECT_EQ(line.rfind("{\"id\": \"", 0), 0u);
        if (line.find(odd) != std::string::npos) {
            found = true;
            EXPECT_NE(line.find("\"name\": \"caf\xe9\xff \\\"q\\\"\", \"level\": "), std::string::npos) << line;
            EXPECT_NE(line.find("\"fileCount\": null, \"totalSize\": 3, "), std::string::npos) << line;
            EXPECT_NE(line.find("\"isPurgeable\": null}"), std::string::npos) << line;
        }
    }
    EXPECT_TRUE(found) << "the raw bytes of the name, escaped only for JSON";
}

TEST_F(SnapshotCommands, ListShowsChildrenLargestFirst)
{
    const CommandResult json = cli({"ls", "--store", store_, "--json", root_});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto rows = lines(json.standardOutput);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(parse(rows[0])["name"].toString(), QStringLiteral("big"));
    EXPECT_EQ(parse(rows[0])["totalSize"].toInt(), 100000);

    const CommandResult table = cli({"ls", "--store", store_, root_});
    ASSERT_EQ(table.exitStatus, 0);
    const auto tableRows = lines(table.standardOutput);
    ASSERT_EQ(tableRows.size(), 4u);
    EXPECT_EQ(tableRows[0].rfind("Name", 0), 0u);
    EXPECT_EQ(tableRows[1].rfind("big", 0), 0u);
    EXPECT_NE(tableRows[1].find(" KB"), std::string::npos) << tableRows[1];
}

TEST_F(SnapshotCommands, SearchCountsAndShowsTheStatusLine)
{
    const CommandResult json = cli({"search", "--store", store_, "--json", "--under", root_, "SMALL"});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto rows = lines(json.standardOutput);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "{\"total\": 1}");
    EXPECT_EQ(parse(rows[1])["name"].toString(), QStringLiteral("small"));

    const CommandResult people = cli({"search", "--store", store_, "a"});
    ASSERT_EQ(people.exitStatus, 0);
    EXPECT_EQ(lines(people.standardOutput).back(), "Matched 2 results");
}

TEST_F(SnapshotCommands, RuntimeFailuresExitWithOne)
{
    const CommandResult missingStore = cli({"ls", "--store", tree_.path("nothing.store")});
    EXPECT_EQ(missingStore.exitStatus, 1);
    EXPECT_NE(missingStore.standardError.find("no snapshot store at"), std::string::npos);

    tree_.writeFile("foreign.store", std::string(8192, 'z'));
    for (const auto& command :
         std::vector<std::vector<std::string>>{{"dump", "--store", tree_.path("foreign.store")},
                                               {"scan", root_, "--store", tree_.path("foreign.store")}}) {
        const CommandResult refused = cli(command);
        EXPECT_EQ(refused.exitStatus, 1) << command[0];
        EXPECT_NE(refused.standardError.find("Could not create ModelContainer: "), std::string::npos);
        EXPECT_EQ(lines(refused.standardError).size(), 1u);
    }
    EXPECT_EQ(cli({"dump", "--store", tree_.path("foreign.store")}).standardOutput, "");

    const CommandResult missingRoot = cli({"scan", tree_.path("absent"), "--in-memory"});
    EXPECT_EQ(missingRoot.exitStatus, 1);
    EXPECT_NE(missingRoot.standardError.find("No such file or directory"), std::string::npos);

    EXPECT_EQ(cli({"scan", "--store"}).exitStatus, 2);
    EXPECT_EQ(cli({"scan", "--in-memory", "--store", store_}).exitStatus, 2);
    EXPECT_EQ(cli({"search", "--store", store_}).exitStatus, 2);
}

TEST_F(SnapshotCommands, AFullDiskIsReportedNotHidden)
{
    tree_.makeDirectory("small");
    const std::string small = tree_.path("small");
    if (::geteuid() != 0 || ::mount("vistrel-full", small.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root and a mount namespace that allows it";
    for (int index = 0; index < 3000; ++index)
        tree_.writeFile("many/file-with-a-long-enough-name-" + std::to_string(index), 1);
    // A previous snapshot that fits, which the scan that does not fit must leave current.
    ASSERT_EQ(cli({"scan", root_, "--store", small + "/full.store"}).exitStatus, 0);
    const CommandResult previous = cli({"dump", "--store", small + "/full.store"});
    const CommandResult scan = cli({"scan", tree_.path("many"), "--store", small + "/full.store"});
    const CommandResult kept = cli({"dump", "--store", small + "/full.store"});
    struct stat partial { };
    const bool partialLeft = ::stat((small + "/full.store.partial").c_str(), &partial) == 0;
    // Nearly full: not even a new store's schema fits.
    ::unlink((small + "/full.store").c_str());
    tree_.writeFile("small/filler", 252 * 1024);
    const CommandResult nearly = cli({"scan", root_, "--store", small + "/nearly.store"});
    ::umount(small.c_str());
    EXPECT_EQ(scan.exitStatus, 1);
    EXPECT_NE(scan.standardError.find("database or disk is full"), std::string::npos) << scan.standardError;
    EXPECT_NE(scan.standardError.find("the previous snapshot is kept"), std::string::npos) << scan.standardError;
    EXPECT_EQ(scan.standardOutput, "") << "no summary for a snapshot that was not saved";
    EXPECT_EQ(kept.exitStatus, 0) << kept.standardError;
    EXPECT_EQ(kept.standardOutput, previous.standardOutput);
    EXPECT_FALSE(partialLeft) << "the scan's own file is removed, freeing the space";
    EXPECT_EQ(nearly.exitStatus, 1);
    EXPECT_NE(nearly.standardError.find("database or disk is full"), std::string::npos) << nearly.standardError;
    for (const CommandResult* result : {&scan, &nearly}) {
        EXPECT_EQ(result->standardError.find("delete that file"), std::string::npos) << "deleting would not help";
        EXPECT_EQ(result->standardError.find("cannot rollback"), std::string::npos);
    }
}

// Holds the database write lock of the file a scan writes beside the store, so that the scan
// stops at a known point: it has taken the store's writer lock and waits to begin its file.
class HeldStore {
public:
    explicit HeldStore(const std::string& path)
        : path_(path)
    {
        sqlite3_open((path + ".partial").c_str(), &database_);
        sqlite3_exec(database_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~HeldStore() { release(); }

    void release()
    {
        if (!database_)
            return;
        sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(database_);
        database_ = nullptr;
    }

    // Waits (at most ten seconds) until a scan holds the store's writer lock.
    bool waitForScanner() const
    {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const int fd = ::open((path_ + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
            const bool held = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) != 0;
            if (fd >= 0)
                ::close(fd);
            if (held)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    std::string path_;
    sqlite3* database_ = nullptr;
};

TEST_F(SnapshotCommands, ASecondScanAndReadersAreRefusedWhileAScanWritesTheStore)
{
    HeldStore held(store_);
    CommandResult second, reader;
    const CommandResult first = cli({"scan", root_, "--store", store_}, [&](pid_t) {
        if (!held.waitForScanner())
            return;
        second = cli({"scan", root_, "--store", store_});
        reader = cli({"ls", "--store", store_, root_});
        held.release();
    });
    EXPECT_EQ(first.exitStatus, 0) << first.standardError;
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_NE(second.standardError.find("another scan is writing the snapshot store"), std::string::npos)
        << second.standardError;
    EXPECT_EQ(second.standardError.find("delete that file"), std::string::npos);
    EXPECT_EQ(reader.exitStatus, 1);
    EXPECT_NE(reader.standardError.find("a scan is writing the snapshot store"), std::string::npos)
        << reader.standardError;
    EXPECT_EQ(reader.standardOutput, "") << "no half snapshot is listed";
    const CommandResult after = cli({"ls", "--store", store_, "--json", root_});
    EXPECT_EQ(after.exitStatus, 0);
    EXPECT_EQ(lines(after.standardOutput).size(), 3u) << "the first scan's snapshot is whole";
    EXPECT_EQ(after.standardError, "");
}

TEST_F(SnapshotCommands, SignalsCancelTheScanAndKeepThePreviousSnapshot)
{
    const CommandResult before = cli({"dump", "--store", store_});
    ASSERT_EQ(before.exitStatus, 0);
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        HeldStore held(store_);
        const CommandResult scan = cli({"scan", root_, "--store", store_}, [&](pid_t child) {
            if (!held.waitForScanner())
                return;
            ::kill(child, signal);
            // The tool notices signals between events, within a tenth of a second.
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            held.release();
        });
        EXPECT_EQ(scan.exitStatus, status) << scan.standardError;
        EXPECT_NE(scan.standardError.find("scan cancelled"), std::string::npos);
        EXPECT_EQ(scan.standardOutput, "");
        const CommandResult dump = cli({"dump", "--store", store_});
        EXPECT_EQ(dump.exitStatus, 0) << dump.standardError;
        EXPECT_EQ(dump.standardOutput, before.standardOutput) << "the previous snapshot is still current";
        EXPECT_EQ(dump.standardError, "") << "and whole";
        struct stat status { };
        EXPECT_NE(::stat((store_ + ".partial").c_str(), &status), 0) << "the cancelled scan's file is gone";
    }
}

// vistrel-cli top: the largest files of a real tree, in order, with their count.
TEST(TopCommand, ListsTheLargestFilesOfATree)
{
    testing::TemporaryTree tree;
    testing::TemporaryTree stores; // apart, so that the store is not among the files
    tree.writeFile("a/big", 300000);
    tree.writeFile("a/b/middle", 100000);
    tree.writeFile("small", 10);
    const std::string store = stores.path("s.store");
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);

    const CommandResult json = cli({"top", "--store", store, "--under", tree.root(), "-n", "2", "--json"});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto rows = lines(json.standardOutput);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(parse(rows[0])["total"].toInt(), 3);
    EXPECT_EQ(parse(rows[1])["id"].toString().toStdString(), tree.path("a/big"));
    EXPECT_EQ(parse(rows[2])["id"].toString().toStdString(), tree.path("a/b/middle"));

    const CommandResult table = cli({"top", "--store", store, "--under", tree.path("a")});
    ASSERT_EQ(table.exitStatus, 0) << table.standardError;
    EXPECT_EQ(lines(table.standardOutput).back(), "The 2 largest of 2 files under " + tree.path("a/"));
    EXPECT_EQ(cli({"top", "--store", store, "-n", "0"}).exitStatus, 2);
}

// vistrel-cli rescan: after a cleanup, one folder walked again gives what a fresh scan gives.
TEST(RescanCommand, AFolderWalkedAgainMatchesAFreshScan)
{
    testing::TemporaryTree tree;
    testing::TemporaryTree stores;
    tree.writeFile("work/old", 300000);
    tree.writeFile("work/deep/keep", 1000);
    tree.writeFile("other", 10);
    const std::string store = stores.path("s.store");
    const std::string fresh = stores.path("fresh.store");
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);
    std::filesystem::remove(tree.path("work/old"));
    tree.writeFile("work/deep/new", 70000);

    const CommandResult rescan = cli({"rescan", tree.path("work"), "--store", store});
    ASSERT_EQ(rescan.exitStatus, 0) << rescan.standardError;
    EXPECT_EQ(rescan.standardOutput.rfind("records=3 files=2 ", 0), 0u) << rescan.standardOutput;
    EXPECT_NE(rescan.standardOutput.find("change=-"), std::string::npos) << "300 KB went, 70 KB came";
    ASSERT_EQ(cli({"scan", tree.root(), "--store", fresh}).exitStatus, 0);
    EXPECT_EQ(cli({"dump", "--store", store}).standardOutput, cli({"dump", "--store", fresh}).standardOutput);
    EXPECT_EQ(cli({"ls", "--store", store, tree.root()}).standardOutput,
              cli({"ls", "--store", fresh, tree.root()}).standardOutput)
        << "the scan root's totals moved too";

    const CommandResult notFolder = cli({"rescan", tree.path("other"), "--store", store});
    EXPECT_EQ(notFolder.exitStatus, 1);
    EXPECT_NE(notFolder.standardError.find("not a folder of this snapshot"), std::string::npos)
        << notFolder.standardError;
    const CommandResult noStore = cli({"rescan", tree.path("work"), "--store", stores.path("none.store")});
    EXPECT_EQ(noStore.exitStatus, 1);
    EXPECT_NE(noStore.standardError.find("there is no snapshot"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(stores.path("none.store"))) << "no store is made for it";
    EXPECT_EQ(cli({"rescan", "--store", store}).exitStatus, 2);
}

// A rescan reaches its folder below the scanned root: never through a folder swapped for a
// link, never onto another file system mounted inside the tree.
TEST(RescanCommand, ALinkedAncestorOrAMountPointIsRefusedAndTheSnapshotStays)
{
    testing::TemporaryTree tree;
    testing::TemporaryTree stores;
    tree.writeFile("R/a/b/mine", 100);
    tree.makeDirectory("R/mnt");
    tree.writeFile("elsewhere/b/foreign", 5000);
    const std::string store = stores.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("R"), "--store", store}).exitStatus, 0);
    const std::string before = cli({"dump", "--store", store}).standardOutput;

    std::filesystem::rename(tree.path("R/a"), tree.path("R/a.old"));
    std::filesystem::create_directory_symlink(tree.path("elsewhere"), tree.path("R/a"));
    const CommandResult linked = cli({"rescan", tree.path("R/a/b"), "--store", store});
    EXPECT_EQ(linked.exitStatus, 1);
    EXPECT_NE(linked.standardError.find("replaced by a symbolic link"), std::string::npos) << linked.standardError;
    EXPECT_EQ(cli({"dump", "--store", store}).standardOutput, before) << "nothing from outside came in";

    const auto mount = testing::ScopedMount::tmpfs(tree.path("R/mnt"));
    if (!mount.mounted())
        GTEST_SKIP() << mount.why();
    tree.writeFile("R/mnt/on-the-other-disk", 100000);
    const CommandResult mounted = cli({"rescan", tree.path("R/mnt"), "--store", store});
    EXPECT_EQ(mounted.exitStatus, 1);
    EXPECT_NE(mounted.standardError.find("mounted there"), std::string::npos) << mounted.standardError;
    EXPECT_EQ(cli({"dump", "--store", store}).standardOutput, before) << "the scan stays on one file system";
}

std::int64_t allocated(const std::string& path)
{
    struct stat status { };
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return static_cast<std::int64_t>(status.st_blocks) * 512;
}

// vistrel-cli types: a real tree's files split by type, each figure as the file system has it.
TEST(TypesCommand, SplitsATreesFilesByType)
{
    testing::TemporaryTree tree;
    testing::TemporaryTree stores;
    tree.writeFile("a/movie.MKV", 300000);
    tree.writeFile("a/b/photo.jpg", 100000);
    tree.writeFile("a/b/shot.png", 50000);
    tree.writeFile("lib/libx.so.1.2", 20000);
    tree.writeFile("README", 10);
    const std::string store = stores.path("s.store");
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);

    const CommandResult json = cli({"types", "--store", store, "--under", tree.root(), "--json"});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto rows = lines(json.standardOutput);
    ASSERT_EQ(rows.size(), 4u) << json.standardOutput;
    const std::int64_t video = allocated(tree.path("a/movie.MKV"));
    const std::int64_t images = allocated(tree.path("a/b/photo.jpg")) + allocated(tree.path("a/b/shot.png"));
    const std::int64_t all = video + images + allocated(tree.path("lib/libx.so.1.2")) + allocated(tree.path("README"));
    const QJsonObject first = parse(rows[0]);
    EXPECT_EQ(first["category"].toString(), "video") << "largest first";
    EXPECT_EQ(first["size"].toInteger(), video);
    EXPECT_EQ(first["fileCount"].toInteger(), 1);
    EXPECT_NEAR(first["share"].toDouble(), static_cast<double>(video) / static_cast<double>(all), 1e-4);
    const QJsonObject second = parse(rows[1]);
    EXPECT_EQ(second["category"].toString(), "images");
    EXPECT_EQ(second["size"].toInteger(), images);
    EXPECT_EQ(second["fileCount"].toInteger(), 2);
    EXPECT_EQ(parse(rows[2])["category"].toString(), "executables") << "a versioned library";

    // Under a folder only its files count; the last line sums them.
    const CommandResult table = cli({"types", "--store", store, "--under", tree.path("a/b")});
    ASSERT_EQ(table.exitStatus, 0) << table.standardError;
    const auto tableRows = lines(table.standardOutput);
    ASSERT_EQ(tableRows.size(), 2u) << table.standardOutput;
    EXPECT_NE(tableRows[0].find("100.0 %"), std::string::npos) << tableRows[0];
    EXPECT_NE(tableRows[1].find("in 2 files under " + tree.path("a/b/")), std::string::npos) << tableRows[1];
    EXPECT_EQ(cli({"types", "--store", store, "--bogus"}).exitStatus, 2);
}

} // namespace
} // namespace vistrel
