// vistrel-cli scan --exclude and --exclude-from: what is left out, what is said, what is kept.
#include "CliTestSupport.h"

#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"
#include "support/TemporaryTree.h"

#include <fstream>

namespace vistrel {
namespace {

using namespace testing;

TEST(ExclusionCommand, PatternsFromArgumentsAndAFileAreLeftOutAndKept)
{
    TemporaryTree tree;
    tree.writeFile("keep/file", 100);
    tree.writeFile("keep/node_modules/dep", 50000);
    tree.writeFile("backup/old", 80000);
    const std::string list = tree.path("exclusions.txt");
    std::ofstream(list) << "# kept out of every scan\n\n" << tree.path("backup") << "\n";
    const std::string store = tree.path("s.store");

    const CommandResult scan
        = cli({"scan", tree.root(), "--store", store, "--exclude", "node_modules", "--exclude-from", list});
    ASSERT_EQ(scan.exitStatus, 0) << scan.standardError;
    EXPECT_TRUE(contains(scan.standardOutput, " unreadable=0 excluded=2\n")) << scan.standardOutput;
    const CommandResult listing = cli({"ls", "--store", store, "--json", tree.path("keep")});
    ASSERT_EQ(listing.exitStatus, 0) << listing.standardError;
    bool sawModules = false;
    for (const std::string& line : lines(listing.standardOutput)) {
        const QJsonObject row = parse(line);
        if (row["name"].toString() == QStringLiteral("node_modules")) {
            sawModules = true;
            EXPECT_TRUE(row["totalAllocatedSize"].isNull()) << "an excluded folder has no figures";
        }
    }
    EXPECT_TRUE(sawModules) << "an excluded folder is still a row";

    auto container = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readOnly);
    EXPECT_EQ(SnapshotCompletion::exclusions(*container),
              (std::vector<std::string>{"node_modules", tree.path("backup")}))
        << "the snapshot keeps the patterns it was made with";
    container.reset();

    // A scan without patterns leaves none behind from the last one.
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);
    container = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readOnly);
    EXPECT_TRUE(SnapshotCompletion::exclusions(*container).empty());
}

TEST(ExclusionCommand, BadPatternsAndOnesThatMatchTheRootChangeNothing)
{
    TemporaryTree tree;
    tree.writeFile("data/file", 100);
    const std::string store = tree.path("s.store");
    ASSERT_EQ(cli({"scan", tree.root(), "--store", store}).exitStatus, 0);

    const CommandResult invalid = cli({"scan", tree.root(), "--store", store, "--exclude", "[oops"});
    EXPECT_EQ(invalid.exitStatus, 2);
    EXPECT_TRUE(contains(invalid.standardError, "invalid exclusion pattern \"[oops\"")) << invalid.standardError;

    const CommandResult everything = cli({"scan", tree.path("data"), "--store", store, "--exclude", "data"});
    EXPECT_EQ(everything.exitStatus, 1);
    EXPECT_TRUE(contains(everything.standardError, "leave out the scan root")) << everything.standardError;

    const CommandResult missing = cli({"scan", tree.root(), "--store", store, "--exclude-from", tree.path("none")});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_TRUE(contains(missing.standardError, "cannot read the exclusions")) << missing.standardError;

    // An endless file or an overlong line ends in a clear error, not in reading for ever.
    const CommandResult endless = cli({"scan", tree.root(), "--store", store, "--exclude-from", "/dev/zero"});
    EXPECT_EQ(endless.exitStatus, 1);
    EXPECT_TRUE(contains(endless.standardError, "line 1 is longer than 4096 bytes")) << endless.standardError;
    tree.writeFile("huge-list", std::string(70 << 20, '\n'));
    const CommandResult huge = cli({"scan", tree.root(), "--store", store, "--exclude-from", tree.path("huge-list")});
    EXPECT_EQ(huge.exitStatus, 1);
    EXPECT_TRUE(contains(huge.standardError, "larger than 64 MB")) << huge.standardError;

    const CommandResult after = cli({"ls", "--store", store, tree.root()});
    EXPECT_EQ(after.exitStatus, 0) << "the snapshot before is still there";
    EXPECT_TRUE(contains(after.standardOutput, "data/"));
}

} // namespace
} // namespace vistrel
