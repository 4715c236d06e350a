// vistrel-cli export and import: ncdu's JSON export format both ways, on real trees.
#include "CliTestSupport.h"
#include "support/TemporaryTree.h"

#include "history/SnapshotHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::contains;
using testing::exists;
using testing::fileBytes;
using testing::lines;
using testing::TemporaryTree;

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every row of a store, sorted: two snapshots are the same when these are.
std::vector<std::string> rows(const std::string& store)
{
    const CommandResult dump = cli({"dump", "--store", store});
    EXPECT_EQ(dump.exitStatus, 0) << dump.standardError;
    auto all = lines(dump.standardOutput);
    std::sort(all.begin(), all.end());
    return all;
}

CommandResult shell(const std::string& script)
{
    return testing::runCommand({"/bin/bash", "-c", "set -o pipefail; " + script});
}

bool ncduInstalled()
{
    return ::access("/usr/bin/ncdu", X_OK) == 0;
}

class NcduCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Names a file system allows and a JSON reader must take as bytes.
        tree_.writeFile("data/plain.txt", 5000);
        tree_.writeFile("data/caf\xe9\xff", 3000);
        tree_.writeFile("data/quote\"back\\slash", 100);
        tree_.writeFile("data/new\nline\ttab\x01", 200);
        tree_.writeFile("data/\xe2\x80\xae"
                        "rtl",
                        10);
        tree_.writeFile("data/deep/a/b/c/d/e/f/file", 70000);
        tree_.makeDirectory("data/empty");
        tree_.writeFile("data/skipped/inside", 1000);
        tree_.makeSymbolicLink("plain.txt", "data/link");
        root_ = tree_.path("data/");
        store_ = stores_.path("snapshot.store");
    }

    TemporaryTree tree_;
    TemporaryTree stores_; // apart from the tree
    std::string root_;
    std::string store_;
};

TEST_F(NcduCommands, AScanExportedAndImportedAgainHoldsTheSameRows)
{
    ASSERT_EQ(cli({"scan", root_, "--store", store_, "--exclude", "skipped"}).exitStatus, 0);
    const std::string json = stores_.path("export.json");
    const CommandResult exported = cli({"export", "--store", store_, "-o", json});
    ASSERT_EQ(exported.exitStatus, 0) << exported.standardError;
    const std::string text = fileBytes(json);
    EXPECT_TRUE(text.starts_with("[1,2,{\"progname\":\"vistrel\"")) << text.substr(0, 80);
    EXPECT_TRUE(contains(text, "\"name\":\"caf\xe9\xff\"")) << "names stay their bytes";
    EXPECT_TRUE(contains(text, "\"name\":\"quote\\\"back\\\\slash\""));
    EXPECT_TRUE(contains(text, "\"name\":\"new\\u000aline\\u0009tab\\u0001\""));
    EXPECT_TRUE(contains(text, "{\"name\":\"skipped\",\"asize\":0,\"dsize\":0,\"excluded\":\"pattern\"}"));
    EXPECT_TRUE(contains(text, "\"notreg\":true,\"mode\":40960}")) << "a symbolic link says what it is";

    const std::string imported = stores_.path("imported.store");
    const CommandResult import = cli({"import", json, "--store", imported});
    ASSERT_EQ(import.exitStatus, 0) << import.standardError;
    EXPECT_TRUE(contains(import.standardOutput, "root=" + root_)) << import.standardOutput;
    EXPECT_EQ(rows(imported), rows(store_));
    for (const char* command : {"ls", "types"}) {
        const CommandResult before = cli({command, "--store", store_, "--json", root_});
        const CommandResult after = cli({command, "--store", imported, "--json", root_});
        EXPECT_EQ(after.standardOutput, before.standardOutput) << command << " shows the same figures";
    }

    // From standard input, and only the part under a folder.
    const std::string part = stores_.path("part.store");
    const CommandResult piped = shell(std::string(VISTREL_CLI_PATH) + " export --store " + store_ + " --under " + root_
                                      + "deep | " + VISTREL_CLI_PATH + " import - --store " + part);
    ASSERT_EQ(piped.exitStatus, 0) << piped.standardError;
    EXPECT_EQ(rows(part).size(), 7u) << "deep/'s a/ to f/ and the file";
    EXPECT_EQ(cli({"export", "--store", store_, "--under", root_ + "nothing"}).exitStatus, 1);
}

// Without --store the export's root picks the per-user snapshot it replaces; what a killed
// import left there is cleared away.
TEST_F(NcduCommands, AnImportWithoutAStoreBecomesTheRootsOwnSnapshot)
{
    ASSERT_EQ(cli({"scan", root_, "--store", store_}).exitStatus, 0);
    const std::string json = stores_.path("export.json");
    ASSERT_EQ(cli({"export", "--store", store_, "-o", json}).exitStatus, 0);
    const std::string data = stores_.path("xdg");
    const std::string folder = data + "/org.vistrel.Vistrel";
    ASSERT_EQ(::mkdir(data.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    writeBytes(folder + "/import-999999999.partial", "left by a killed import");
    const std::vector<std::string> environment{"XDG_DATA_HOME=" + data};
    const CommandResult import = testing::runCommand({VISTREL_CLI_PATH, "import", json}, {}, environment);
    ASSERT_EQ(import.exitStatus, 0) << import.standardError;
    EXPECT_FALSE(exists(folder + "/import-999999999.partial"));
    const CommandResult listed = testing::runCommand({VISTREL_CLI_PATH, "ls", "--json", root_}, {}, environment);
    EXPECT_EQ(listed.exitStatus, 0) << listed.standardError;
    EXPECT_EQ(listed.standardOutput, cli({"ls", "--store", store_, "--json", root_}).standardOutput);
}

// What ncdu makes of our export is what we hold, and what we make of ncdu's export of a
// tree is what a scan of that tree holds, hard links counted once.
TEST_F(NcduCommands, NcduReadsOurExportAndWeReadItsOwn)
{
    if (!ncduInstalled())
        GTEST_SKIP() << "ncdu is not installed";
    ::rmdir((root_ + "empty").c_str()); // ncdu counts an empty folder's block; a scan does not
    tree_.makeHardLink("data/deep/a/b/c/d/e/f/file", "data/deep/a/twin");
    tree_.makeHardLink("data/deep/a/b/c/d/e/f/file", "data/other-twin");
    ASSERT_EQ(cli({"scan", root_, "--store", store_}).exitStatus, 0);

    const std::string ours = stores_.path("ncdu.json");
    const CommandResult made = testing::runCommand({"/usr/bin/ncdu", "-e", "-x", "-o", ours, root_});
    ASSERT_EQ(made.exitStatus, 0) << made.standardError;
    const std::string imported = stores_.path("from-ncdu.store");
    const CommandResult import = cli({"import", ours, "--store", imported});
    ASSERT_EQ(import.exitStatus, 0) << import.standardError;
    EXPECT_EQ(rows(imported), rows(store_));

    // ncdu re-exports ours; read back, the figures are ours again (the links are one file
    // to both, so only trees without them can come back whole this way).
    ::unlink((root_ + "deep/a/twin").c_str());
    ::unlink((root_ + "other-twin").c_str());
    ASSERT_EQ(cli({"scan", root_, "--store", store_}).exitStatus, 0);
    const std::string back = stores_.path("back.store");
    const CommandResult again
        = shell(std::string(VISTREL_CLI_PATH) + " export --store " + store_ + " | /usr/bin/ncdu -e -f - -o - | "
                + VISTREL_CLI_PATH + " import - --store " + back);
    ASSERT_EQ(again.exitStatus, 0) << again.standardError;
    EXPECT_EQ(rows(back), rows(store_));
}

TEST_F(NcduCommands, BadExportsSayWhereAndLeaveTheStoreAsItWas)
{
    ASSERT_EQ(cli({"scan", root_, "--store", store_}).exitStatus, 0);
    const std::string before = fileBytes(store_);
    const std::string json = stores_.path("export.json");
    ASSERT_EQ(cli({"export", "--store", store_, "-o", json}).exitStatus, 0);
    const std::string good = fileBytes(json);
    const std::string head = "[1,2,{\"progname\":\"x\"},\n[{\"name\":\"/x\"},";
    struct Case {
        std::string name;
        std::string bytes;
        std::string says;
    };
    std::string nested = head;
    for (int level = 0; level < 1000000; ++level)
        nested += "[{\"name\":\"a\"},";
    const std::vector<Case> cases{
        {"truncated", good.substr(0, good.size() / 2), "the file ends"},
        {"another version", "[2,0,{},[{\"name\":\"/x\"}]]", "format version 2.0 is not supported"},
        {"a million levels", nested, "nested deeper than 8192 levels"},
        {"out of range", head + "{\"name\":\"f\",\"asize\":99999999999999999999}]]", "asize is out of range"},
        {"negative", head + "{\"name\":\"f\",\"dsize\":-5}]]", "dsize is negative"},
        {"empty name", head + "{\"name\":\"\"}]]", "an empty name"},
        {"slash", head + "{\"name\":\"a/b\"}]]", "which no folder can hold"},
        {"twice", head + "{\"name\":\"f\"},{\"name\":\"f\"}]]", "the name \"f\" twice in /x/"},
        {"lone surrogate", head + "{\"name\":\"\\ud800x\"}]]", "invalid \\u escape"},
        {"bad escape", head + "{\"name\":\"\\uZZ00\"}]]", "invalid \\u escape"},
        {"sizes that wrap",
         head
             + "{\"name\":\"f\",\"asize\":9223372036854775807},"
               "{\"name\":\"g\",\"asize\":9223372036854775807}]]",
         "add up to more than 9223372036854775807 bytes"},
        {"NUL in a name", head + "{\"name\":\"precious\\u0000junk\"}]]", "a NUL byte"},
        {"NUL in the root", "[1,2,{},[{\"name\":\"/precious\\u0000junk\"}]]", "a NUL byte"},
        {"root that climbs", "[1,2,{},[{\"name\":\"/x/../../..\"}]]", "a plain absolute path"},
        {"not an export", "hello", "not an ncdu export"},
        {"empty", "", "the file is empty"},
        {"trailing", good + "[]", "more data after the end"},
    };
    for (const Case& bad : cases) {
        const std::string input = stores_.path("bad.json");
        writeBytes(input, bad.bytes);
        const CommandResult refused = cli({"import", input, "--store", store_});
        EXPECT_EQ(refused.exitStatus, 1) << bad.name;
        EXPECT_TRUE(contains(refused.standardError, bad.says)) << bad.name << ": " << refused.standardError;
        EXPECT_TRUE(contains(refused.standardError, " at byte ")) << bad.name << ": " << refused.standardError;
        EXPECT_EQ(fileBytes(store_), before) << bad.name << ": the store is left as it was";
        EXPECT_FALSE(exists(SnapshotHistory::partialLocation(store_))) << bad.name;
    }
    // A 2 GB name, streamed: the reader stops at the longest name it takes.
    const CommandResult huge = shell("{ printf '" + std::string("[1,2,{},[{\"name\":\"/x\"},{\"name\":\"")
                                     + "'; head -c 2147483648 /dev/zero | tr '\\0' a; } | " + VISTREL_CLI_PATH
                                     + " import - --store " + store_);
    EXPECT_NE(huge.exitStatus, 0);
    EXPECT_TRUE(contains(huge.standardError, "a name longer than 4096 bytes at byte ")) << huge.standardError;
    EXPECT_EQ(fileBytes(store_), before);
    EXPECT_EQ(cli({"import", stores_.path("missing.json"), "--store", store_}).exitStatus, 1);
}

} // namespace
} // namespace vistrel
