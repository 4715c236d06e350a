// The Edit menu's cleanup in the window: Delete moves the selected folder to the trash and
// its row goes; Ctrl+Z brings both back; Shift+Delete asks first, with Cancel as default.
#include "app/CleanupActions.h"
#include "app/AppNavigationSplitView.h"
#include "app/VistrelMainWindow.h"
#include "app/VistrelView.h"
#include "cleanup/CleanupModel.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerTableRowModel.h"
#include "explorer/ExplorerTableRowModelDataSource.h"
#include "explorer/ExplorerTableView.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "mapview/MapModel.h"
#include "mapview/MapView.h"
#include "scanner/WalkerTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

namespace vistrel {
namespace {

using namespace testing;

std::set<std::string> rowPaths(ExplorerView* screen)
{
    std::set<std::string> paths;
    for (const auto& row : screen->tableViewModel()->files())
        paths.insert(row->source().url().fileUrl().path());
    return paths;
}

// A scan of `root` as the window opens it: its rows, root and totals recorded.
ScanResult scannedSnapshot(const std::string& root)
{
    ScanResult scan = scanTree(root);
    SnapshotCompletion::recordScanRoot(*scan.container, root);
    SnapshotCompletion::recordRootTotals(
        *scan.container,
        {scan.statistics.rootFileCount, scan.statistics.rootTotalSize, scan.statistics.rootTotalAllocatedSize});
    return scan;
}

TEST(CleanupActions, TrashUndoAndAConfirmedDeleteFromTheWindow)
{
    ensureApplication();
    TemporaryTree tree;
    ::setenv("XDG_DATA_HOME", tree.path("data").c_str(), 1);
    tree.makeDirectory("data");
    tree.writeFile("root/big/archive", 300000);
    tree.writeFile("root/small/note", 100);
    const std::string root = tree.path("root/");
    ScanResult scan = scannedSnapshot(root);
    VistrelMainWindow window(nullptr, scan.container, root);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.shell() && window.shell()->currentScreen(); }));
    ExplorerView* screen = window.shell()->currentScreen();
    ASSERT_TRUE(waitUntil([&] { return rowPaths(screen).size() == 2; }));
    CleanupActions* actions = window.cleanupActions();
    CleanupModel* cleanup = window.rootView()->cleanup();
    ASSERT_TRUE(cleanup);

    screen->model()->setSelectedDetailsFile(scan.at(tree.path("root/big/")));
    actions->update();
    ASSERT_TRUE(actions->moveToTrashAction()->isEnabled());
    actions->moveToTrashAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 1; }))
        << "the row goes once the snapshot has changed";
    EXPECT_TRUE(std::filesystem::exists(tree.path("data/Trash/files/big/archive")));
    ASSERT_TRUE(waitUntil([&] {
        const auto selected = screen->table()->tree()->selectionModel()->selectedRows();
        return selected.size() == 1 && selected.front().data().toString() == QStringLiteral("small");
    })) << "the selection moves to the neighbour";
    EXPECT_EQ(actions->moveToTrashAction()->shortcut(), QKeySequence(QKeySequence::Delete));

    ASSERT_TRUE(actions->undoAction()->isEnabled());
    actions->undoAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 2; }));
    EXPECT_TRUE(std::filesystem::exists(tree.path("root/big/archive")));

    // The context menu's actions work on the item clicked, whatever is selected.
    QTreeView* table = screen->table()->tree();
    const QModelIndex bigRow = table->model()->index(0, 0);
    ASSERT_EQ(bigRow.data().toString(), QStringLiteral("big"));
    std::unique_ptr<QMenu> menu(screen->table()->makeContextMenu(bigRow));
    ASSERT_TRUE(menu);
    QAction* trashIt = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("Move “big” to &Trash"))
            trashIt = action;
    ASSERT_TRUE(trashIt);
    screen->model()->setSelectedDetailsFile(scan.at(tree.path("root/small/")));
    trashIt->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 1; }));
    EXPECT_EQ(rowPaths(screen), std::set<std::string>{tree.path("root/small/")}) << "big went, not the selection";
    actions->undoAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 2; }));

    // Several rows at once (Shift and Ctrl extend the selection), and one undo for them all.
    table->selectAll();
    EXPECT_EQ(screen->selectedItemPaths().size(), 2u);
    actions->moveToTrashAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).empty(); }));
    actions->undoAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 2; }));
    EXPECT_TRUE(std::filesystem::exists(tree.path("root/big/archive")));
    EXPECT_TRUE(std::filesystem::exists(tree.path("root/small/note")));

    // Shift+Delete asks; Return takes the default, Cancel, and nothing goes.
    table->clearSelection();
    screen->model()->setSelectedDetailsFile(scan.at(tree.path("root/small/")));
    actions->deletePermanentlyAction()->trigger();
    auto* asked = qobject_cast<QMessageBox*>(actions->confirmation());
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->defaultButton(), asked->button(QMessageBox::Cancel));
    EXPECT_NE(asked->text().indexOf(QStringLiteral("“small”")), -1) << asked->text().toStdString();
    EXPECT_NE(asked->text().indexOf(QStringLiteral(" in 1 file)")), -1) << "its size and file count";
    asked->button(QMessageBox::Cancel)->click();
    EXPECT_FALSE(cleanup->busy()) << "Cancel starts nothing";
    EXPECT_TRUE(std::filesystem::exists(tree.path("root/small/note")));

    actions->deletePermanentlyAction()->trigger();
    asked = qobject_cast<QMessageBox*>(actions->confirmation());
    ASSERT_TRUE(asked);
    for (QAbstractButton* button : asked->buttons())
        if (asked->buttonRole(button) == QMessageBox::DestructiveRole)
            button->click();
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && rowPaths(screen).size() == 1; }));
    EXPECT_FALSE(std::filesystem::exists(tree.path("root/small")));
    ::unsetenv("XDG_DATA_HOME");
}

// One selection: a click on a deep tile of the map selects that item's own row (its folder
// opens), and Delete acts on it, never on the top-level folder that holds it; the window then
// says what went where, and Undo selects it again.
TEST(CleanupActions, ATileClickAndTheDeleteKeyActOnOneItemAndTheWindowSaysWhatHappened)
{
    ensureApplication();
    TemporaryTree tree;
    ::setenv("XDG_DATA_HOME", tree.path("data").c_str(), 1);
    tree.makeDirectory("data");
    tree.writeFile("root/.local/share/someapp/logs/debug.log", 200000);
    tree.writeFile("root/.local/share/someapp/keep.db", 300000);
    tree.writeFile("root/other", 1000);
    const std::string root = tree.path("root/");
    const std::string log = tree.path("root/.local/share/someapp/logs/debug.log");
    ScanResult scan = scannedSnapshot(root);
    VistrelMainWindow window(nullptr, scan.container, root);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.shell() && window.shell()->currentScreen(); }));
    ExplorerView* top = window.shell()->currentScreen();
    ASSERT_TRUE(waitUntil([&] { return rowPaths(top).size() == 2; }));
    CleanupActions* actions = window.cleanupActions();
    CleanupModel* cleanup = window.rootView()->cleanup();

    top->setMapShown(true);
    ASSERT_TRUE(waitUntil([&] { return !top->mapView()->model()->busy(); }));
    Q_EMIT top->mapView()->itemClicked(log);
    ASSERT_TRUE(waitUntil([&] { return window.shell()->currentScreen() != top; })) << "its folder opens";
    ExplorerView* screen = window.shell()->currentScreen();
    ASSERT_TRUE(waitUntil([&] {
        const auto selected = screen->table()->tree()->selectionModel()->selectedRows();
        return selected.size() == 1 && selected.front().data().toString() == QStringLiteral("debug.log")
            && screen->model()->selectedDetailsFile() && screen->model()->selectedDetailsFile()->id == log;
    })) << "the row, the details and the map name the clicked item";
    actions->update();
    EXPECT_EQ(actions->moveToTrashAction()->text(), QStringLiteral("Move “debug.log” to &Trash"));
    EXPECT_EQ(actions->deletePermanentlyAction()->text(), QStringLiteral("&Delete “debug.log” Permanently…"));

    QTest::keyClick(screen->table()->tree(), Qt::Key_Delete);
    ASSERT_TRUE(waitUntil([&] { return !cleanup->busy() && cleanup->lastReport(); }));
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_TRUE(std::filesystem::exists(tree.path("root/.local/share/someapp/keep.db"))) << "only what was chosen";
    EXPECT_TRUE(std::filesystem::exists(tree.path("data/Trash/files/debug.log")));
    ASSERT_TRUE(actions->summary());
    const QString said = actions->summary()->text();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Moved “debug.log” ("))
                && said.contains(QStringLiteral("to the Trash in")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("freed when the trash is emptied"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Free space:"))) << said.toStdString();
    ASSERT_TRUE(actions->summaryUndo()->isVisible());

    actions->summaryUndo()->click();
    ASSERT_TRUE(waitUntil(
        [&] { return !cleanup->busy() && cleanup->lastReport()->action == CleanupModel::Action::undoMoveToTrash; }));
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_TRUE(actions->summary()->text().startsWith(QStringLiteral("Put “debug.log” (")));
    EXPECT_FALSE(actions->summaryUndo()->isVisible());
    ASSERT_TRUE(waitUntil([&] {
        const auto selected = screen->table()->tree()->selectionModel()->selectedRows();
        return selected.size() == 1 && selected.front().data().toString() == QStringLiteral("debug.log");
    })) << "the item put back is selected again";
    ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace vistrel
