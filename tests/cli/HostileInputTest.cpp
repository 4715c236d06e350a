// vistrel-cli against names, paths, stores and outputs chosen to break it.
#include "CliTestSupport.h"
#include "filesystem/FileUrl.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"
#include "support/ScopedMount.h"
#include "support/TemporaryTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::contains;
using testing::lines;
using testing::parse;
using testing::TemporaryTree;

// Sparse files of exabytes: the totals that cannot hold their sum are held at the largest
// value, with a note, and never wrap negative.
TEST(HostileInput, TotalsThatDoNotFitAreHeldAtTheLargestValue)
{
    TemporaryTree tree;
    TemporaryTree stores;
    tree.makeDirectory("huge");
    const auto mount = testing::ScopedMount::tmpfs(tree.path("huge"));
    if (!mount.mounted())
        GTEST_SKIP() << mount.why();
    for (const char* name : {"a", "b", "c"}) {
        const int fd = ::open(tree.path(std::string("huge/") + name).c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const bool grown = ::ftruncate(fd, std::int64_t{1} << 62) == 0;
        ::close(fd);
        if (!grown)
            GTEST_SKIP() << "this tmpfs does not take files of 2^62 bytes";
    }
    const CommandResult scan = cli({"scan", tree.path("huge"), "--store", stores.path("s.store")});
    ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
    EXPECT_TRUE(contains(scan.standardOutput, " size=9223372036854775807 ")) << scan.standardOutput;
    EXPECT_TRUE(contains(scan.standardError, "held at that value")) << scan.standardError;
}

TEST(HostileInput, NamesCannotControlTheTerminal)
{
    TemporaryTree tree;
    tree.writeFile("d/\x1b]0;pwned\x07", 1);
    tree.writeFile("d/\x1b[2J", 2);
    tree.writeFile("d/two\nlines", 3);
    tree.writeFile("d/caf\xc3\xa9\xff", 4);
    tree.writeFile("d/ctl\x1f\x7f", 5);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("d"), "--store", store}).exitStatus, 0);

    const CommandResult table = cli({"ls", "--store", store, tree.path("d")});
    ASSERT_EQ(table.exitStatus, 0) << table.standardError;
    EXPECT_EQ(lines(table.standardOutput).size(), 6u) << "one line per item, and the header";
    EXPECT_FALSE(contains(table.standardOutput, "\x1b")) << "no escape character reaches the terminal";
    EXPECT_FALSE(contains(table.standardOutput, "\x07"));
    for (const char* shown : {"\\e]0;pwned\\x07", "\\e[2J", "two\\nlines", "caf\xc3\xa9\\xff", "ctl\\x1f\\x7f"})
        EXPECT_TRUE(contains(table.standardOutput, shown)) << shown;

    const CommandResult search = cli({"search", "--store", store, "pwned"});
    EXPECT_TRUE(contains(search.standardOutput, "\\e]0;pwned\\x07"));

    // JSON keeps the bytes, escaped for JSON only, and a strict parser reads them back.
    const CommandResult json = cli({"ls", "--store", store, "--json", tree.path("d")});
    bool found = false;
    for (const auto& line : lines(json.standardOutput)) {
        if (contains(line, "\xff"))
            continue; // raw bytes that are not UTF-8 stay raw, by design
        if (parse(line)["name"].toString() == QStringLiteral("ctl\x1f\x7f"))
            found = true;
    }
    EXPECT_TRUE(found) << json.standardOutput;
}

// A name can neither reorder a row (U+202E) nor push its columns out of line (wide characters).
TEST(HostileInput, NamesThatReorderOrWidenTextStayReadableAndAligned)
{
    TemporaryTree tree;
    tree.writeFile("d/rtl\xe2\x80\xaetxt.exe", 1);
    tree.writeFile("d/\xe6\x96\x87\xe4\xbb\xb6\xe2\x98\x95", 1); // 文件☕: 9 bytes, 6 columns
    tree.writeFile("d/plain", 1);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("d"), "--store", store}).exitStatus, 0);
    const CommandResult table = cli({"ls", "--store", store, tree.path("d")});
    ASSERT_EQ(table.exitStatus, 0) << table.standardError;
    EXPECT_FALSE(contains(table.standardOutput, "\xe2\x80\xae")) << "the override never reaches the terminal";
    EXPECT_TRUE(contains(table.standardOutput, "rtl\\u202etxt.exe")) << table.standardOutput;
    // Each row's figures start in the same terminal column: wide characters and emoji take two.
    std::vector<std::size_t> columns;
    for (const std::string& line : lines(table.standardOutput)) {
        if (contains(line, "plain"))
            columns.push_back(line.find(" -") - line.find("plain"));
        else if (contains(line, "\xe2\x98\x95"))
            columns.push_back(line.find(" -") - 9 + 6);
    }
    ASSERT_EQ(columns.size(), 2u) << table.standardOutput;
    EXPECT_EQ(columns[0], columns[1]) << table.standardOutput;
}

TEST(HostileInput, AnEmptyScanRootListsNothingAndAForeignStoreFolderIsRefused)
{
    TemporaryTree tree;
    tree.makeDirectory("empty");
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("empty"), "--store", store}).exitStatus, 0);
    const CommandResult empty = cli({"ls", "--store", store, tree.path("empty")});
    EXPECT_EQ(empty.exitStatus, 0) << empty.standardError;
    EXPECT_EQ(lines(empty.standardOutput).size(), 1u) << "the header alone";
    EXPECT_EQ(cli({"ls", "--store", store, tree.path("elsewhere")}).exitStatus, 1);

    // The per-user store's folder, taken over by another user: read commands refuse it too.
    const std::vector<std::string> environment{"XDG_DATA_HOME=" + tree.path("data")};
    const auto run = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), VISTREL_CLI_PATH);
        return testing::runCommand(arguments, {}, environment);
    };
    ASSERT_EQ(run({"scan", tree.path("empty")}).exitStatus, 0);
    const std::string folder = tree.path("data/org.vistrel.Vistrel");
    if (::geteuid() != 0 || ::chown(folder.c_str(), 4242, 4242) != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    const CommandResult list = run({"ls", tree.path("empty")});
    EXPECT_EQ(list.exitStatus, 1);
    EXPECT_TRUE(contains(list.standardError, "is not a folder of this user's")) << list.standardError;
    ::chown(folder.c_str(), 0, 0);
}

TEST(HostileInput, PathsAreNormalizedAndUnknownDirectoriesAreErrors)
{
    TemporaryTree tree;
    tree.writeFile("x/y/file", 1);
    const std::string store = tree.path("s.store");
    char previous[PATH_MAX];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir(tree.root().c_str()), 0);
    const CommandResult scan = cli({"scan", "./x/../x//", "--store", store});
    const CommandResult list = cli({"ls", "--store", store, "--json", "x/./y/.."});
    const CommandResult missing = cli({"ls", "--store", store, "x/nowhere"});
    ::chdir(previous);

    ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
    ASSERT_EQ(list.exitStatus, 0) << list.standardError;
    const auto rows = lines(list.standardOutput);
    ASSERT_EQ(rows.size(), 1u);
    const QJsonObject y = parse(rows[0]);
    EXPECT_EQ(y["id"].toString().toStdString(), tree.path("x/y/"));
    EXPECT_EQ(y["level"].toInt(), FileUrl(tree.path("x/y/")).pathComponentCount());
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_TRUE(contains(missing.standardError, "is not in the snapshot")) << missing.standardError;
}

TEST(HostileInput, LongListingsEndWithTheOtherFilesRow)
{
    TemporaryTree tree;
    for (int index = 0; index < 1004; ++index)
        tree.writeFile("big/f" + std::to_string(index), 1);
    tree.writeFile("big/sub/a", 1);
    tree.writeFile("big/sub/b", 1);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);

    const CommandResult json = cli({"ls", "--store", store, "--json", tree.path("big")});
    const auto rows = lines(json.standardOutput);
    ASSERT_EQ(rows.size(), 1001u);
    const QJsonObject others = parse(rows.back());
    EXPECT_TRUE(others["id"].isNull());
    EXPECT_EQ(others["name"].toString(), QStringLiteral("Other files"));
    // 1006 files; the directory row stands for 2 and each of 999 file rows for one.
    EXPECT_EQ(others["fileCount"].toInt(), 5);
    EXPECT_GT(others["totalAllocatedSize"].toInteger(), 0);

    const CommandResult table = cli({"ls", "--store", store, tree.path("big")});
    EXPECT_EQ(lines(table.standardOutput).back().rfind("Other files", 0), 0u);
    EXPECT_EQ(lines(table.standardOutput).size(), 1002u);
    // The scan root has no row of its own, but its totals are kept: it ends the same way.
    const std::string bigStore = tree.path("big.store");
    ASSERT_EQ(cli({"scan", tree.path("big"), "--store", bigStore}).exitStatus, 0);
    const auto rootRows = lines(cli({"ls", "--store", bigStore, "--json", tree.path("big")}).standardOutput);
    ASSERT_EQ(rootRows.size(), 1001u);
    EXPECT_EQ(parse(rootRows.back())["name"].toString(), QStringLiteral("Other files"));
    EXPECT_EQ(parse(rootRows.back())["fileCount"].toInt(), 5);
}

TEST(HostileInput, OptionsEndAtDoubleDash)
{
    TemporaryTree tree;
    tree.writeFile("d/-dash-name", 1);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", "--store", store, "--", tree.path("d")}).exitStatus, 0);
    const CommandResult search = cli({"search", "--store", store, "--json", "--", "-dash"});
    ASSERT_EQ(search.exitStatus, 0) << search.standardError;
    EXPECT_EQ(lines(search.standardOutput).front(), "{\"total\": 1}");
    EXPECT_EQ(cli({"search", "--store", store, "-dash"}).exitStatus, 2) << "without --, it is an unknown option";
    EXPECT_EQ(cli({"stat", "--", tree.path("d/-dash-name")}).exitStatus, 0);
}

TEST(HostileInput, FailedOutputAndOddStoresAreReportedAndChangeNothing)
{
    TemporaryTree tree;
    tree.writeFile("d/f", 1);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("d"), "--store", store}).exitStatus, 0);

    const CommandResult full = testing::runCommand(
        {"/bin/sh", "-c", std::string("exec ") + VISTREL_CLI_PATH + " dump --store " + store + " >/dev/full"});
    EXPECT_EQ(full.exitStatus, 1);
    EXPECT_TRUE(contains(full.standardError, "cannot write the output")) << full.standardError;

    tree.writeFile("empty.store", std::string());
    const CommandResult empty = cli({"ls", "--store", tree.path("empty.store")});
    EXPECT_EQ(empty.exitStatus, 1);
    struct stat status { };
    ASSERT_EQ(::stat(tree.path("empty.store").c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 0) << "a read command made a snapshot of an empty file";

    ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0600), 0);
    const CommandResult fifo = cli({"scan", tree.path("d"), "--store", tree.path("fifo")});
    EXPECT_EQ(fifo.exitStatus, 1);
    EXPECT_TRUE(contains(fifo.standardError, "is not a regular file")) << fifo.standardError;
    EXPECT_FALSE(contains(fifo.standardError, "delete that file")) << "deleting would not help";
    EXPECT_NE(::stat(tree.path("fifo-journal").c_str(), &status), 0);

    tree.writeFile("foreign.store", std::string(8192, 'z'));
    const CommandResult foreign = cli({"scan", tree.path("d"), "--store", tree.path("foreign.store")});
    EXPECT_TRUE(contains(foreign.standardError, "delete that file to scan anew")) << foreign.standardError;
}

TEST(HostileInput, UnfinishedSnapshotsWarnAndUnreadableDirectoriesAreCounted)
{
    TemporaryTree tree;
    tree.writeFile("d/open/f", 1);
    tree.writeFile("d/locked/secret", 1);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.path("d"), "--store", store}).exitStatus, 0);
    {
        auto container = VistrelModelContainer::shared().makeContainer(store);
        SnapshotCompletion::markUnfinished(*container);
    }
    const CommandResult list = cli({"ls", "--store", store, tree.path("d")});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.standardError, "vistrel-cli: incomplete snapshot: its scan did not finish\n");
    EXPECT_EQ(lines(list.standardOutput).size(), 3u) << "what there is is still listed";

    ASSERT_EQ(::chmod(tree.root().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(tree.path("d").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("d/locked").c_str(), 0), 0);
    const std::string unprivilegedStore = tree.path("nobody.store");
    const auto verdict = testing::runUnprivileged([&] {
        const CommandResult scan = cli({"scan", tree.path("d"), "--store", unprivilegedStore});
        return scan.exitStatus == 0 && contains(scan.standardOutput, " unreadable=1\n")
            && contains(scan.standardError,
                        "cannot read directory '" + tree.path("d/locked/") + "': Permission denied");
    });
    ::chmod(tree.path("d/locked").c_str(), 0755);
    if (!verdict)
        GTEST_SKIP() << "could not drop root privileges";
    EXPECT_TRUE(*verdict);
}

// The walk holds a descriptor per level; what it cannot open for want of descriptors is
// reported and counted, not silently cut off.
TEST(HostileInput, ATreeDeeperThanTheOpenFileLimitIsReported)
{
    TemporaryTree tree;
    std::string chain = "deep";
    for (int level = 0; level < 150; ++level)
        chain += "/n";
    tree.writeFile(chain + "/file", 1);
    const std::string command
        = std::string("ulimit -n 40 && exec ") + VISTREL_CLI_PATH + " scan " + tree.path("deep") + " --in-memory";
    const CommandResult scan = testing::runCommand({"/bin/sh", "-c", command});
    ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
    EXPECT_TRUE(contains(scan.standardError, "Too many open files")) << scan.standardError;
    EXPECT_TRUE(contains(scan.standardOutput, " unreadable=1\n")) << scan.standardOutput;
}

} // namespace
} // namespace vistrel
