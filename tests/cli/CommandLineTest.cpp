#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;

// The same mistake is told the same way by every command, with the usage after it, and
// nothing is read or written.
TEST(CommandLine, TheSameMistakeGetsTheSameMessageInEveryCommand)
{
    for (const std::string command :
         {"scan", "rescan", "dump", "ls", "search", "top", "types", "history", "export", "import", "volume"}) {
        const CommandResult missing = cli({command, "--store"});
        EXPECT_EQ(missing.exitStatus, 2) << command;
        EXPECT_NE(missing.standardError.find("vistrel-cli: " + command + ": --store needs FILE\n"), std::string::npos)
            << missing.standardError;
        EXPECT_NE(missing.standardError.find("usage: vistrel-cli"), std::string::npos);
        EXPECT_TRUE(missing.standardOutput.empty());

        const CommandResult unknown = cli({command, "--frobnicate", "x"});
        EXPECT_EQ(unknown.exitStatus, 2) << command;
        EXPECT_NE(unknown.standardError.find(command + ": unknown option --frobnicate"), std::string::npos)
            << unknown.standardError;
    }
    const CommandResult extra = cli({"ls", "/a", "/b"});
    EXPECT_EQ(extra.exitStatus, 2);
    EXPECT_NE(extra.standardError.find("ls: unexpected argument /b"), std::string::npos) << extra.standardError;
    const CommandResult noText = cli({"search", "--json"});
    EXPECT_EQ(noText.exitStatus, 2);
    EXPECT_NE(noText.standardError.find("search needs TEXT"), std::string::npos) << noText.standardError;
    const CommandResult oneStore = cli({"diff", "/tmp/a.store"});
    EXPECT_EQ(oneStore.exitStatus, 2);
    EXPECT_NE(oneStore.standardError.find("diff needs NEW"), std::string::npos) << oneStore.standardError;

    // Where a scan would write is said once, one way.
    const CommandResult both = cli({"scan", "/tmp", "--store", "/tmp/x.store", "--in-memory"});
    EXPECT_EQ(both.exitStatus, 2);
    EXPECT_NE(both.standardError.find("scan: --store and --in-memory cannot go together"), std::string::npos)
        << both.standardError;
    const CommandResult twice = cli({"history", "--root", "/tmp", "--root", "/var"});
    EXPECT_EQ(twice.exitStatus, 2);
    EXPECT_NE(twice.standardError.find("history: --root is given twice"), std::string::npos) << twice.standardError;
    const CommandResult rootAndStore = cli({"history", "--root", "/tmp", "--store", "/tmp/x.store"});
    EXPECT_EQ(rootAndStore.exitStatus, 2);
}

// The usage lines of these commands come from their tables; "--" lets an operand begin with '-'.
TEST(CommandLine, TheUsageComesFromTheTablesAndDoubleDashEndsTheOptions)
{
    const CommandResult help = cli({"--help"});
    EXPECT_NE(help.standardOutput.find("vistrel-cli ls [--store FILE] [--json] [DIR]\n"), std::string::npos)
        << help.standardOutput;
    EXPECT_NE(help.standardOutput.find("vistrel-cli top [--store FILE] [--under DIR] [-n N] [--json]\n"),
              std::string::npos);
    EXPECT_NE(help.standardOutput.find("vistrel-cli search [--store FILE] [--under DIR] [--json] TEXT\n"),
              std::string::npos);
    EXPECT_NE(help.standardOutput.find("vistrel-cli scan [ROOT] [--store FILE | --in-memory] [--exclude PATTERN]... "
                                       "[--exclude-from FILE]\n"),
              std::string::npos)
        << "alternatives in one bracket, a repeatable option with dots, operands first";

    const CommandResult dashed = cli({"search", "--store", "/nonexistent/vistrel.store", "--", "-rf"});
    EXPECT_EQ(dashed.exitStatus, 1) << "read as a text, then the missing store fails: " << dashed.standardError;
    EXPECT_EQ(dashed.standardError.find("unknown option"), std::string::npos);
}

} // namespace
} // namespace vistrel
