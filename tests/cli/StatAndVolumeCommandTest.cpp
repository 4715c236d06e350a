#include "CliTestSupport.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::lines;
using testing::parse;
using testing::TemporaryTree;

TEST(StatCommand, PrintsRecordsOfSpecialItemsAndOddNames)
{
    TemporaryTree tree;
    ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0644), 0);
    tree.makeDirectory("dir");
    tree.makeSymbolicLink("dir", "link");
    tree.writeFile("quote\"back\\slash\nline", 7);
    const std::string odd = "caf\xe9\xff";
    tree.writeFile(odd, 3);

    const CommandResult result = cli({"stat", tree.path("fifo"), tree.path("link"), tree.path("dir"),
                                      tree.path("quote\"back\\slash\nline"), tree.path(odd)});
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    const auto output = lines(result.standardOutput);
    ASSERT_EQ(output.size(), 5u);

    const QJsonObject fifo = parse(output[0]);
    EXPECT_EQ(fifo["fileResourceType"].toInt(), 1);
    EXPECT_TRUE(fifo["isPurgeable"].isNull());
    EXPECT_EQ(fifo["live"].toObject()["contentType"].toString(), QStringLiteral("inode/fifo"));
    for (const char* name : {"contentAccessDate", "totalFileAllocatedSize", "posixPermissions", "ownerAccountName",
                             "linkCount", "parentDirectoryURL"})
        EXPECT_TRUE(fifo["live"].toObject().contains(QLatin1String(name))) << name;
    EXPECT_EQ(result.standardOutput.find("NS"), std::string::npos) << "no key of the other platform's";
    // In the order the details read them: the name first, the access date before the sizes.
    const std::string& first = output[0];
    EXPECT_LT(first.find("\"localizedName\""), first.find("\"contentAccessDate\""));
    EXPECT_LT(first.find("\"contentAccessDate\""), first.find("\"totalFileAllocatedSize\""));
    const QJsonObject link = parse(output[1]);
    EXPECT_EQ(link["fileResourceType"].toInt(), 6);
    EXPECT_EQ(link["totalSize"].toInt(), 3) << "the link's own size, not its target's";
    const QJsonObject dir = parse(output[2]);
    EXPECT_EQ(dir["path"].toString().toStdString(), tree.path("dir/")) << "directories end with a separator";
    EXPECT_EQ(dir["fileResourceType"].toInt(), 255);
    const QJsonObject quoted = parse(output[3]);
    EXPECT_EQ(quoted["path"].toString().toStdString(), tree.path("quote\"back\\slash\nline"));
    EXPECT_EQ(quoted["totalSize"].toInt(), 7);

    // The raw bytes, unchanged: no replacement character, no \u escape.
    const std::string expectedStart = "{\"path\": \"" + tree.path(odd) + "\", \"level\": ";
    EXPECT_EQ(output[4].compare(0, expectedStart.size(), expectedStart), 0) << output[4];
    EXPECT_NE(output[4].find("\"localizedName\": \"" + odd + "\""), std::string::npos);
}

TEST(StatCommand, ExitStatusesForMissingPathsAndUsageErrors)
{
    TemporaryTree tree;
    tree.writeFile("present", 1);
    const CommandResult partial = cli({"stat", tree.path("missing"), tree.path("present")});
    EXPECT_EQ(partial.exitStatus, 1);
    EXPECT_EQ(lines(partial.standardOutput).size(), 1u) << "the readable path is still printed";
    EXPECT_EQ(lines(partial.standardError).size(), 1u);
    EXPECT_NE(partial.standardError.find(tree.path("missing")), std::string::npos);
    EXPECT_NE(partial.standardError.find("No such file or directory"), std::string::npos);

    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"stat"}, {"frobnicate"}, {"volume", "x"}, {"volumes", "--xml"}}) {
        const CommandResult usage = cli(arguments);
        EXPECT_EQ(usage.exitStatus, 2);
        EXPECT_NE(usage.standardError.find("usage: vistrel-cli"), std::string::npos);
        EXPECT_TRUE(usage.standardOutput.empty());
    }
}

TEST(VolumeCommand, PrintsTheFiguresOfTheRoot)
{
    const CommandResult result = cli({"volume"});
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    const QJsonObject volume = parse(result.standardOutput);
    EXPECT_GT(volume["totalCapacity"].toDouble(), 0);
    EXPECT_LE(volume["availableCapacity"].toDouble(), volume["totalCapacity"].toDouble());
    EXPECT_FALSE(volume["localizedFormatDescription"].toString().isEmpty());
}

// The volumes the scan screen offers, the root's first, as a table and as JSON lines.
TEST(VolumeCommand, VolumesListsTheRootsVolumeFirst)
{
    const CommandResult table = cli({"volumes"});
    ASSERT_EQ(table.exitStatus, 0) << table.standardError;
    const auto rows = QString::fromStdString(table.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Name"))) << rows[0].toStdString();
    EXPECT_EQ(rows[1].section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).section(QLatin1Char(' '), 0, 0),
              QStringLiteral("/"))
        << "the mount point column of the first volume: " << rows[1].toStdString();

    const CommandResult json = cli({"volumes", "--json"});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto lines = QString::fromStdString(json.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), rows.size() - 1) << "one object per volume";
    const QJsonObject root = parse(lines[0].toStdString());
    EXPECT_EQ(root["mountPoint"].toString(), QStringLiteral("/"));
    EXPECT_FALSE(root["type"].toString().isEmpty());
    EXPECT_GT(root["totalCapacity"].toDouble(), 0);
    EXPECT_EQ(root["usedCapacity"].toDouble(), root["totalCapacity"].toDouble() - root["availableCapacity"].toDouble());
    EXPECT_TRUE(root["error"].isNull());
}

// The split of the used space against a snapshot: scanned is the snapshot's allocated total.
TEST(VolumeCommand, SplitsTheUsedSpaceAgainstASnapshot)
{
    TemporaryTree tree;
    tree.writeFile("data/file", 50000);
    const std::string store = tree.path("s.store");
    const CommandResult scan = cli({"scan", tree.path("data"), "--store", store});
    ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
    const std::string allocated = scan.standardOutput.substr(scan.standardOutput.find("allocated=") + 10);

    const CommandResult result = cli({"volume", "--store", store});
    ASSERT_EQ(result.exitStatus, 0) << result.standardError;
    const QJsonObject split = parse(result.standardOutput)["usedSpace"].toObject();
    EXPECT_EQ(split["scanRoot"].toString().toStdString(), tree.path("data/"));
    EXPECT_EQ(split["scanned"].toInteger(), std::stoll(allocated));
    EXPECT_GE(split["reserved"].toInteger(), 0);
    EXPECT_EQ(split["rest"].toInteger(),
              split["used"].toInteger() - split["scanned"].toInteger() - split["reserved"].toInteger()
                  - split["deletedOpen"].toInteger());
    EXPECT_TRUE(split["mountedInside"].isArray());

    // Before any scan: what needs no snapshot, and nothing made up for the rest.
    const CommandResult before = cli({"volume", "--store", tree.path("missing.store")});
    ASSERT_EQ(before.exitStatus, 0) << before.standardError;
    const QJsonObject unscanned = parse(before.standardOutput)["usedSpace"].toObject();
    EXPECT_GE(unscanned["reserved"].toInteger(-1), 0);
    EXPECT_GT(unscanned["used"].toInteger(), 0);
    EXPECT_TRUE(unscanned["scanned"].isNull());
    EXPECT_TRUE(unscanned["rest"].isNull());
    EXPECT_TRUE(unscanned["mountedInside"].isArray());
}

} // namespace
} // namespace vistrel
