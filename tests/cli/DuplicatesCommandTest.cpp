#include "CliTestSupport.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

namespace vistrel {
namespace {

using testing::cli;
using testing::CommandResult;
using testing::lines;
using testing::parse;
using testing::TemporaryTree;

// One group a line, the largest waste first, then the totals; paths keep their bytes; folders
// that hold nothing but copies are one group.
TEST(DuplicatesCommand, GroupsAsJsonAndAsTextWithTheirTotals)
{
    TemporaryTree tree;
    tree.makeDirectory("data");
    tree.writeFile("data/one/photo.jpg", std::string(9000, 'p'));
    tree.writeFile("data/two/photo.jpg", std::string(9000, 'p'));
    tree.writeFile("data/three/photo.jpg", std::string(9000, 'p'));
    tree.writeFile("data/notes.txt", "same words\n");
    tree.writeFile("data/notes \xff.txt", "same words\n");
    tree.writeFile("data/other.txt", "else words\n");
    const std::string store = tree.path("snapshot.store");
    ASSERT_EQ(cli({"scan", tree.path("data"), "--store", store}).exitStatus, 0);

    const CommandResult json = cli({"duplicates", "--store", store, "--under", tree.path("data"), "--json"});
    ASSERT_EQ(json.exitStatus, 0) << json.standardError;
    const auto output = lines(json.standardOutput);
    ASSERT_EQ(output.size(), 3u) << json.standardOutput;
    const QJsonObject photos = parse(output[0]);
    EXPECT_EQ(photos["size"].toInt(), 9000);
    EXPECT_EQ(photos["count"].toInt(), 3);
    EXPECT_EQ(photos["wasted"].toInt(), 18000);
    EXPECT_EQ(photos["kind"].toString(), QStringLiteral("folders")) << "each folder holds nothing but the copy";
    ASSERT_EQ(photos["paths"].toArray().size(), 3);
    EXPECT_EQ(photos["paths"].toArray()[0].toString().toStdString(), tree.path("data/one/"));
    EXPECT_NE(output[1].find("\"kind\": \"files\""), std::string::npos) << output[1];
    EXPECT_NE(output[1].find(tree.path("data/notes \xff.txt")), std::string::npos) << "the raw bytes: " << output[1];
    const QJsonObject totals = parse(output[2]);
    EXPECT_EQ(totals["groups"].toInt(), 2);
    EXPECT_EQ(totals["wasted"].toInt(), 18011);

    const CommandResult small = cli({"duplicates", "--store", store, "--min-size", "100"});
    ASSERT_EQ(small.exitStatus, 0) << small.standardError;
    const auto text = lines(small.standardOutput);
    ASSERT_EQ(text.size(), 2u) << small.standardOutput;
    EXPECT_NE(text[0].find("3 folder copies"), std::string::npos) << text[0];
    EXPECT_NE(text[1].find("Groups of copies: 1,"), std::string::npos) << text[1];

    EXPECT_EQ(cli({"duplicates", "--store", store, "--min-size", "-3"}).exitStatus, 2);
    EXPECT_EQ(cli({"duplicates", "--store", tree.path("none.store")}).exitStatus, 1);
}

} // namespace
} // namespace vistrel
