// Stores damaged or changed under a reader: each read ends with a clear message and exit 1,
// never a signal, a hang or an empty answer that looks like success.
#include "CliTestSupport.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::contains;
using testing::TemporaryTree;

// Runs vistrel-cli, killed after `seconds` (exit 137) so that a hang fails instead of blocking.
CommandResult bounded(std::vector<std::string> arguments, int seconds = 60)
{
    arguments.insert(arguments.begin(), {"/usr/bin/timeout", "-s", "KILL", std::to_string(seconds), VISTREL_CLI_PATH});
    return testing::runCommand(arguments);
}

void execute(const std::string& store, const std::string& sql)
{
    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &database), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(database);
}

class DamagedStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.writeFile("d/a/report.txt", 10);
        tree.writeFile("d/b/notes.txt", 20);
        ASSERT_EQ(cli({"scan", tree.path("d"), "--store", store}).exitStatus, 0);
    }

    TemporaryTree tree;
    const std::string store = tree.path("s.store");
};

TEST_F(DamagedStore, LevelsNoPathCanHaveAreReportedAsDamage)
{
    const CommandResult before = bounded({"search", "--store", store, "txt"});
    ASSERT_EQ(before.exitStatus, 0) << before.standardError;

    // A row's level is its folder's.
    const std::string folderOfReport = " WHERE number = (SELECT vistrel_folder FROM VistrelFile"
                                       " WHERE vistrel_leaf = CAST('report.txt' AS BLOB))";
    execute(store, "UPDATE VistrelFileFolder SET depth = 10000000" + folderOfReport);
    const CommandResult huge = bounded({"search", "--store", store, "txt"});
    EXPECT_EQ(huge.exitStatus, 1) << huge.standardError;
    EXPECT_TRUE(contains(huge.standardError, "damaged")) << huge.standardError;

    execute(store, "UPDATE VistrelFileFolder SET depth = 'deep'" + folderOfReport);
    const CommandResult text = bounded({"search", "--store", store, "txt"});
    EXPECT_EQ(text.exitStatus, 1) << "a text level is damage, not an empty search: " << text.standardOutput;
    EXPECT_TRUE(contains(text.standardError, "damaged")) << text.standardError;
}

// A pipe or a directory beside the store, where the lock or SQLite's journal belongs.
TEST_F(DamagedStore, ALockOrJournalThatIsNotAFileIsRefusedAtOnce)
{
    for (const char* companion : {".lock", "-journal"}) {
        const std::string path = store + companion;
        ::unlink(path.c_str()); // the lock file a scan leaves
        for (const bool pipe : {true, false}) {
            ASSERT_EQ(pipe ? ::mkfifo(path.c_str(), 0600) : ::mkdir(path.c_str(), 0700), 0);
            const CommandResult read = bounded({"ls", "--store", store});
            EXPECT_EQ(read.exitStatus, 1) << path;
            EXPECT_TRUE(contains(read.standardError, "is not a regular file")) << read.standardError;
            EXPECT_FALSE(contains(read.standardError, "incomplete")) << read.standardError;
            const CommandResult scan = bounded({"scan", tree.path("d"), "--store", store});
            EXPECT_EQ(scan.exitStatus, 1) << path;
            EXPECT_TRUE(contains(scan.standardError, "is not a regular file")) << scan.standardError;
            ASSERT_EQ(pipe ? ::unlink(path.c_str()) : ::rmdir(path.c_str()), 0);
        }
    }
    EXPECT_EQ(bounded({"ls", "--store", store, tree.path("d")}).exitStatus, 0) << "the snapshot was left as it was";
}

// Another program rewrites the store in place while dump reads it: the file shrinks under the
// reader, which must end with an error, never a signal.
TEST_F(DamagedStore, AStoreTruncatedUnderAReaderIsAnError)
{
    execute(store,
            "INSERT INTO VistrelFileFolder (depth, path) VALUES (2, CAST('/x/' AS BLOB)); "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
            "INSERT INTO VistrelFile SELECT last_insert_rowid(), CAST('file' || i AS BLOB), NULL, 0, "
            "NULL, 1, 4096, 0 FROM n");
    // Once head has its bytes, dump is reading: its rows outgrow the pipe, so it blocks there
    // until the store is cut.
    const std::string script = "set -o pipefail; \"" + std::string(VISTREL_CLI_PATH) + "\" dump --store \"" + store
        + "\" | { head -c 1000 >/dev/null; truncate -s 16384 \"" + store + "\"; cat >/dev/null; }";
    const CommandResult cut = testing::runCommand({"/usr/bin/timeout", "-s", "KILL", "60", "/bin/bash", "-c", script});
    EXPECT_EQ(cut.exitStatus, 1) << cut.standardError;
    EXPECT_TRUE(contains(cut.standardError, "cannot read the snapshot")) << cut.standardError;
}

// A program in the middle of a read holds SQLite's shared lock: a scan writes beside the
// store and replaces it by name, so the reader keeps the snapshot it opened and the scan
// does not wait for it.
TEST_F(DamagedStore, AScanDoesNotWaitForAProgramReadingTheStore)
{
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM VistrelFile;", nullptr, nullptr, nullptr), SQLITE_OK);
    tree.writeFile("d/added-later", 1);
    const CommandResult scan = bounded({"scan", tree.path("d"), "--store", store}, 30);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader,
                                 "SELECT COUNT(*) FROM VistrelFile WHERE vistrel_leaf = CAST('added-later' AS BLOB)",
                                 -1, &count, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 0) << "the reader still reads the snapshot it opened";
    sqlite3_finalize(count);
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_EQ(scan.exitStatus, 0) << scan.standardError;
    const CommandResult search = bounded({"search", "--store", store, "added-later"});
    EXPECT_EQ(search.exitStatus, 0) << search.standardError;
    EXPECT_TRUE(contains(search.standardOutput, "added-later")) << "the new snapshot is current";
}

} // namespace
} // namespace vistrel
