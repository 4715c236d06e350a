// Folders anyone can make again carry a "Cache" badge in the table, and say why.
#include "ExplorerTestSupport.h"

#include "explorer/ExplorerTableItemModel.h"
#include "explorer/ExplorerTableView.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "store/SnapshotReader.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QTreeView>

namespace vistrel {
namespace {

using namespace testing;

TEST(CacheBadge, ByNameWithAReasonAndReadOut)
{
    ensureApplication();
    auto container = snapshotOf({item("/p/", 0, 3), item("/p/node_modules/", 300, 1), item("/p/node_modules/x.js", 300),
                                 item("/p/src/", 200, 1), item("/p/src/main.c", 200), item("/p/__pycache__", 5)});
    NavigationModel navigation;
    ExplorerEnvironment environment;
    environment.reader = std::make_shared<SnapshotReader>(container);
    environment.navigationModel = &navigation;
    ExplorerView view(environment, FileUrl("/p/"), std::nullopt);
    view.resize(900, 500);
    view.show();
    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return view.tableViewModel()->files().size() == 3; }));
    QAbstractItemModel* model = view.table()->tree()->model();
    std::map<QString, QModelIndex> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows[model->index(row, 0).data().toString()] = model->index(row, 0);
    ASSERT_TRUE(rows.count(QStringLiteral("node_modules")));
    const QModelIndex cache = rows[QStringLiteral("node_modules")];
    EXPECT_EQ(cache.data(ExplorerTableItemModel::badgeRole).toString(), QStringLiteral("Cache"));
    EXPECT_TRUE(cache.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("Cache: ")));
    EXPECT_EQ(cache.data(Qt::AccessibleTextRole).toString(), QStringLiteral("node_modules, cache"));
    EXPECT_TRUE(rows[QStringLiteral("src")].data(ExplorerTableItemModel::badgeRole).toString().isEmpty());
    EXPECT_TRUE(rows[QStringLiteral("__pycache__")].data(ExplorerTableItemModel::badgeRole).toString().isEmpty())
        << "a file of that name is no cache folder";
}

} // namespace
} // namespace vistrel
