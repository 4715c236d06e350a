#include "explorer/ExplorerNotice.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

std::shared_ptr<const UnmeasuredFolders> unmeasured(std::vector<std::string> patterns,
                                                    std::vector<UnmeasuredFolders::Unreadable> unreadable)
{
    return std::make_shared<UnmeasuredFolders>(patterns, std::vector<std::string>{}, std::move(unreadable));
}

TEST(ExplorerNotice, ACompleteSnapshotWithNothingLeftOutHasNoNotice)
{
    ExplorerEnvironment environment;
    environment.unreadableDirectories = 0;
    environment.unmeasuredFolders = unmeasured({}, {});
    EXPECT_TRUE(ExplorerNotice::compose(environment, true).text.isEmpty());
}

// The first few unreadable folders are named; the rest wait behind Show All, with reasons.
TEST(ExplorerNotice, UnreadableFoldersAreCountedNamedAndListedWithReasons)
{
    ExplorerEnvironment environment;
    environment.unreadableDirectories = 3;
    environment.unmeasuredFolders = unmeasured({}, {{"/a/", "Permission denied"}, {"/b/", ""}, {"/c/", ""}});
    const ExplorerNotice three = ExplorerNotice::compose(environment, false);
    EXPECT_EQ(three.text,
              QStringLiteral("3 folders could not be read during the scan and are left out of the totals. "
                             "/a/, /b/, /c/."));
    EXPECT_FALSE(three.namesOnlySome) << "three are all named: nothing more to show";
    EXPECT_EQ(three.unreadableFolders, (QStringList{"/a/ — Permission denied", "/b/", "/c/"}));

    environment.unreadableDirectories = 4;
    environment.unmeasuredFolders
        = unmeasured({}, {{"/a/", ""}, {"/b/", ""}, {"/c/", ""}, {"/d/\xff", "Input/output error"}});
    const ExplorerNotice four = ExplorerNotice::compose(environment, false);
    EXPECT_TRUE(four.text.endsWith(QStringLiteral("/a/, /b/, /c/, …"))) << four.text.toStdString();
    EXPECT_TRUE(four.namesOnlySome);
    ASSERT_EQ(four.unreadableFolders.size(), 4);
    EXPECT_TRUE(four.unreadableFolders[3].endsWith(QStringLiteral(" — Input/output error")));
    EXPECT_FALSE(four.unreadableFolders[3].contains(QChar(0xfffd))) << "a name that is not UTF-8 is shown escaped";
}

// An unfinished scan says so instead of counting what it could not read.
TEST(ExplorerNotice, AnIncompleteSnapshotSaysSoFirst)
{
    ExplorerEnvironment environment;
    environment.scanFinished = false;
    environment.unreadableDirectories = 2;
    environment.unmeasuredFolders = unmeasured({}, {{"/a/", ""}, {"/b/", ""}});
    const ExplorerNotice notice = ExplorerNotice::compose(environment, true);
    EXPECT_EQ(notice.text, QStringLiteral("This snapshot is incomplete: its scan did not finish."));
    EXPECT_TRUE(notice.unreadableFolders.isEmpty());
}

// What the whole scan left out, and what it could not do, are said where it started only;
// an earlier or imported snapshot is said everywhere, before the rest.
TEST(ExplorerNotice, WhatConcernsTheWholeScanIsSaidAtItsRootOnly)
{
    ExplorerEnvironment environment;
    environment.unmeasuredFolders = unmeasured({"node_modules", "*.tmp"}, {});
    environment.scanNote = QStringLiteral("The previous snapshot was kept.");
    const QString atRoot = ExplorerNotice::compose(environment, true).text;
    EXPECT_EQ(atRoot,
              QStringLiteral("The previous snapshot was kept. Folders matching node_modules, *.tmp were left "
                             "out of this scan."));
    EXPECT_TRUE(ExplorerNotice::compose(environment, false).text.isEmpty());

    environment.importedFrom = QStringLiteral("ncdu 1.18");
    environment.earlierSnapshotDate = QStringLiteral("1 March 2026");
    const QString below = ExplorerNotice::compose(environment, false).text;
    EXPECT_TRUE(below.startsWith(QStringLiteral("This is an earlier snapshot, of 1 March 2026")))
        << below.toStdString();
    EXPECT_TRUE(below.contains(QStringLiteral("export made by ncdu 1.18")));
    EXPECT_FALSE(below.contains(QStringLiteral("node_modules")));
    EXPECT_LT(below.indexOf(QStringLiteral("earlier snapshot")), below.indexOf(QStringLiteral("export made")));
}

} // namespace
} // namespace vistrel
