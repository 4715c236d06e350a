// The Edit menu's actions that change nothing: Copy Path puts the selected item on the
// clipboard as text and as a file URL; Open Terminal Here starts in the selected folder, else
// in the one on screen.
#include "app/ItemActions.h"
#include "app/AppNavigationSplitView.h"
#include "app/VistrelMainWindow.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "scanner/WalkerTestSupport.h"
#include "store/SnapshotCompletion.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace vistrel {
namespace {

using namespace testing;

TEST(ItemActions, CopyPathAndTheTerminalsFolderFollowTheSelection)
{
    ensureApplication();
    TemporaryTree tree;
    tree.writeFile("root/folder/note", 100);
    tree.writeFile("root/file", 10);
    const std::string root = tree.path("root/");
    ScanResult scan = scanTree(root);
    SnapshotCompletion::recordScanRoot(*scan.container, root);
    VistrelMainWindow window(nullptr, scan.container, root);
    ItemActions* actions = window.itemActions();
    ASSERT_TRUE(actions);
    EXPECT_FALSE(actions->copyPathAction()->isEnabled()) << "no screen yet";
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.shell() && window.shell()->currentScreen(); }));
    ExplorerView* screen = window.shell()->currentScreen();
    ASSERT_TRUE(waitUntil([&] { return screen->model()->selectedDetailsFile().has_value(); }));
    actions->update();
    EXPECT_TRUE(actions->copyPathAction()->isEnabled());

    screen->model()->setSelectedDetailsFile(scan.at(tree.path("root/file")));
    EXPECT_EQ(actions->terminalFolder(), root) << "a file: the folder on screen";
    actions->copyPathAction()->trigger();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->text(), QString::fromStdString(tree.path("root/file")));
    ASSERT_EQ(copied->urls().size(), 1);
    EXPECT_EQ(copied->urls()[0].toLocalFile(), QString::fromStdString(tree.path("root/file")));

    screen->model()->setSelectedDetailsFile(scan.at(tree.path("root/folder/")));
    EXPECT_EQ(actions->terminalFolder(), tree.path("root/folder/")) << "a folder: that folder";
}

} // namespace
} // namespace vistrel
