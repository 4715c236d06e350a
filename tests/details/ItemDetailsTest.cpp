// The details panel's rows on real files, and its reads while the selection moves.
#include "details/ItemDetails.h"
#include "details/ExplorerDetailsContentView.h"
#include "details/ExplorerDetailsView.h"
#include "details/ItemDetailsBoolRowView.h"
#include "details/ItemDetailsRowView.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QTabWidget>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

// The snapshot's entity of a path, as a scan would store it.
VistrelFile entity(const std::string& path)
{
    auto made = FileSystemWalker::makeRecord(FileUrl(path), nullptr);
    EXPECT_TRUE(made) << path;
    return VistrelFile(made->record);
}

// The shown rows, by title: their value's text, or "yes"/"no".
std::map<QString, QString> rows(const ItemDetails& details)
{
    std::map<QString, QString> shown;
    for (const auto& section : details.general)
        for (const auto& row : section)
            if (row.present())
                shown[row.title] = row.flag ? (*row.flag ? QStringLiteral("yes") : QStringLiteral("no"))
                                            : row.text.value_or(QStringLiteral("date"));
    return shown;
}

TEST(ItemDetails, GeneralRowsOfRealFiles)
{
    TemporaryTree tree;
    tree.writeFile("empty", 0);
    tree.writeFile("dir/a", 10);
    tree.makeSymbolicLink("empty", "link");
    ASSERT_EQ(::chmod(tree.path("empty").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(tree.path("dir").c_str(), 0755), 0);

    const auto empty = rows(ItemDetails::make(entity(tree.path("empty"))));
    EXPECT_EQ(empty.at(QStringLiteral("Size")), QStringLiteral("Zero KB"));
    EXPECT_FALSE(empty.count(QStringLiteral("Files"))) << "only directories have a file count row";
    EXPECT_EQ(empty.at(QStringLiteral("Posix Permissions")), QStringLiteral("0644"));
    EXPECT_EQ(empty.at(QStringLiteral("Is Symbolic Link")), QStringLiteral("no"));
    EXPECT_TRUE(empty.count(QStringLiteral("Content Modified")));
    EXPECT_FALSE(empty.count(QStringLiteral("Package"))) << "what Linux cannot tell is absent, not false";

    VistrelFile directory = entity(tree.path("dir/"));
    directory.fileCount = 3;
    const auto dir = rows(ItemDetails::make(directory));
    EXPECT_EQ(dir.at(QStringLiteral("Files")), QStringLiteral("3"));
    EXPECT_EQ(dir.at(QStringLiteral("Posix Permissions")), QStringLiteral("0755"));

    EXPECT_EQ(rows(ItemDetails::make(entity(tree.path("link")))).at(QStringLiteral("Is Symbolic Link")),
              QStringLiteral("yes"));

    // The account ID 4294967294 reads as the signed 32-bit number it is: -2.
    if (::geteuid() == 0 && ::lchown(tree.path("empty").c_str(), 4294967294u, static_cast<gid_t>(-1)) == 0) {
        EXPECT_EQ(rows(ItemDetails::make(entity(tree.path("empty")))).at(QStringLiteral("Owner Account ID")),
                  QStringLiteral("-2"));
    }
}

TEST(ItemDetails, AFileGoneSinceTheScanShowsOnlyTheSnapshotsRows)
{
    TemporaryTree tree;
    tree.writeFile("gone", 100);
    VistrelFile file = entity(tree.path("gone"));
    ASSERT_EQ(::unlink(tree.path("gone").c_str()), 0);
    const ItemDetails details = ItemDetails::make(file);
    const auto shown = rows(details);
    for (const auto& [title, value] : shown)
        EXPECT_TRUE(title == QStringLiteral("Size") || title == QStringLiteral("Size on Disk")
                    || title == QStringLiteral("Is Symbolic Link"))
            << title.toStdString() << " came from the vanished file";
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(details.typeDescription.isEmpty());
    EXPECT_TRUE(details.extendedAttributes.isEmpty());
}

TEST(ExplorerDetailsContentView, ReadsOnlyWhereAMovingSelectionSettles)
{
    testing::ensureApplication();
    TemporaryTree tree;
    std::vector<VistrelFile> files;
    for (int index = 0; index < 200; ++index) {
        tree.writeFile("f" + std::to_string(index), index);
        files.push_back(entity(tree.path("f" + std::to_string(index))));
    }
    ExplorerDetailsContentView pane;
    EXPECT_TRUE(pane.showsEmptyState());
    for (const VistrelFile& file : files)
        pane.setFile(file); // as holding the Down arrow through a list
    ASSERT_TRUE(testing::waitUntil([&] { return pane.detailsView() && pane.detailsView()->details().name == "f199"; }));
    EXPECT_LE(pane.readsStarted(), 2) << "one read for the first row, one where the selection settled";
    EXPECT_FALSE(pane.showsEmptyState());
    EXPECT_EQ(pane.detailsView()->tabs()->tabText(0), QStringLiteral("General"));
    pane.setFile(std::nullopt);
    EXPECT_TRUE(pane.showsEmptyState());
}

} // namespace
} // namespace vistrel
