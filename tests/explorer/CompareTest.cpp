// Comparing the snapshot shown with an earlier one of the same folder: the model that picks
// it, and the table's Change column on Qt's offscreen platform.
#include "ExplorerTestSupport.h"

#include "details/ExplorerDetailsContentView.h"
#include "explorer/ChangeText.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerPathBarView.h"
#include "explorer/ExplorerSearchItemModel.h"
#include "explorer/ExplorerSearchView.h"
#include "explorer/ExplorerSearchViewModel.h"
#include "explorer/ExplorerTableItemModel.h"
#include "explorer/ExplorerTableView.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "history/ComparisonModel.h"
#include "history/SnapshotHistory.h"
#include "mapview/MapModel.h"
#include "services/Formats.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotReader.h"

#include "support/EventLoop.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>

namespace vistrel {
namespace {

using namespace testing;

// A snapshot of /data/ on disk, saying when its scan ended.
void writeSnapshot(const std::string& location, const std::vector<FileSystemRecord>& records, std::int64_t endedAt,
                   const std::string& root = "/data/")
{
    ::mkdir(location.substr(0, location.rfind('/')).c_str(), 0700);
    auto container = VistrelModelContainer::shared().makeContainer(location);
    save(*container, records);
    SnapshotCompletion::recordScanRoot(*container, root);
    SnapshotCompletion::ScanFacts facts;
    facts.startedAt = endedAt - 5;
    facts.endedAt = endedAt;
    facts.entryCount = static_cast<std::int64_t>(records.size());
    SnapshotCompletion::recordScanFacts(*container, facts);
}

class Comparing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        current_ = tree_.path("s.store");
        earlier_ = SnapshotHistory::historyFolder(current_) + "/s-20261201-100000.store";
        writeSnapshot(earlier_,
                      {item("/data/grew", 100000), item("/data/gone", 50000), item("/data/same", 10000),
                       item("/data/sub/", 20000, 1), item("/data/sub/old", 20000)},
                      1764583200);
        writeSnapshot(current_,
                      {item("/data/grew", 900000), item("/data/same", 10000), item("/data/new", 70000),
                       item("/data/sub/", 5000, 1), item("/data/sub/old", 5000)},
                      1765188000);
        container_ = VistrelModelContainer::shared().makeContainer(current_, VistrelModelContainer::Access::readOnly);
        environment_.reader = std::make_shared<SnapshotReader>(container_);
        environment_.navigationModel = &navigation_;
        environment_.scanRoot = FileUrl("/data/");
    }

    TemporaryTree tree_;
    std::string current_;
    std::string earlier_;
    std::shared_ptr<StoreContainer> container_;
    NavigationModel navigation_;
    ExplorerEnvironment environment_;
};

TEST_F(Comparing, TheModelOffersEarlierSnapshotsOfTheSameFolderOnly)
{
    const std::string other = SnapshotHistory::historyFolder(current_) + "/s-20261202-100000.store";
    writeSnapshot(other, {item("/elsewhere/file", 1)}, 1764669600, "/elsewhere/");
    ComparisonModel model(current_, "/data/");
    ASSERT_TRUE(waitUntil([&] { return !model.candidates().empty(); }));
    ASSERT_EQ(model.candidates().size(), 1u) << "the snapshot of another folder is left out";
    EXPECT_EQ(model.candidates()[0].location, earlier_);
    EXPECT_FALSE(model.candidates()[0].current);
    EXPECT_FALSE(model.candidates()[0].label.isEmpty());

    int changes = 0;
    QObject::connect(&model, &ComparisonModel::comparisonChanged, [&] { ++changes; });
    EXPECT_FALSE(model.compareWith(other));
    EXPECT_TRUE(model.error().contains(QStringLiteral("another folder"))) << model.error().toStdString();
    EXPECT_FALSE(model.compareWith(tree_.path("missing.store")));
    EXPECT_FALSE(model.comparing());
    EXPECT_EQ(changes, 0) << "a refused snapshot changes nothing";
    ASSERT_TRUE(model.compareWith(earlier_));
    EXPECT_TRUE(model.comparing());
    EXPECT_EQ(model.comparedLocation(), earlier_);
    model.stop();
    EXPECT_FALSE(model.comparing());
    EXPECT_EQ(changes, 2);

    // Shown an earlier snapshot, the root's current one is offered with the rest.
    EXPECT_EQ(ComparisonModel::historyBase(earlier_, "/data/"), VistrelModelContainer::onDiskStoreLocation("/data/"));
    EXPECT_EQ(ComparisonModel::historyBase("", "/data/"), VistrelModelContainer::onDiskStoreLocation("/data/"));
}

TEST_F(Comparing, TheTableShowsTheChangeOfEachRowAndTheRowsThatWent)
{
    ComparisonModel comparison(current_, "/data/");
    environment_.comparison = &comparison;
    ExplorerView view(environment_, FileUrl("/data/"), std::nullopt);
    view.resize(1000, 600);
    view.show();
    view.refresh();
    QTreeView* tree = view.table()->tree();
    ExplorerTableItemModel* model = view.table()->itemModel();
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() == 4; }));
    EXPECT_TRUE(tree->header()->isSectionHidden(ExplorerTableItemModel::changeColumn));
    EXPECT_FALSE(view.comparisonNotice()->isVisibleTo(&view));

    ASSERT_TRUE(comparison.compareWith(earlier_));
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() == 5; })) << "the gone file comes back, greyed";
    EXPECT_FALSE(tree->header()->isSectionHidden(ExplorerTableItemModel::changeColumn));
    EXPECT_TRUE(view.comparisonNotice()->isVisibleTo(&view));
    std::map<QString, int> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows[model->index(row, 0).data().toString()] = row;
    const auto change = [&](const char* name, int role = Qt::DisplayRole) {
        return model->index(rows.at(QString::fromLatin1(name)), ExplorerTableItemModel::changeColumn).data(role);
    };
    EXPECT_EQ(change("grew").toString(), ChangeText::signedBytes(800000));
    EXPECT_EQ(change("grew", textToneRole).toInt(), static_cast<int>(TextTone::growth));
    EXPECT_EQ(change("sub", textToneRole).toInt(), static_cast<int>(TextTone::shrink));
    EXPECT_EQ(change("sub").toString(), ChangeText::signedBytes(-15000));
    EXPECT_TRUE(change("sub").toString().startsWith(QChar(0x2212)));
    EXPECT_EQ(change("new").toString(), QStringLiteral("New"));
    EXPECT_EQ(change("same").toString(), QString());
    EXPECT_EQ(change("same", Qt::AccessibleTextRole).toString(), QStringLiteral("No change"));
    EXPECT_EQ(change("gone").toString(), QStringLiteral("Removed"));
    const QModelIndex gone = model->index(rows.at(QStringLiteral("gone")), ExplorerTableItemModel::sizeColumn);
    EXPECT_EQ(gone.data(textToneRole).toInt(), static_cast<int>(TextTone::removed));
    EXPECT_EQ(gone.data().toString(), Formats::byteCount(50000)) << "with its old size";

    // The selected item then and now, in the path bar and above the details.
    view.table()->tree()->setCurrentIndex(model->index(rows.at(QStringLiteral("grew")), 0));
    ASSERT_TRUE(waitUntil([&] { return view.model()->selectedComparison().has_value(); }));
    EXPECT_EQ(view.model()->selectedComparison()->before, 100000);
    EXPECT_EQ(view.model()->selectedComparison()->after, 900000);
    EXPECT_TRUE(view.findChild<ExplorerPathBarView*>()->figures()->text().startsWith(QStringLiteral("Then ")
                                                                                     + Formats::byteCount(100000)));
    EXPECT_TRUE(view.details()->comparisonLine()->text().contains(ChangeText::signedBytes(800000)));
    view.table()->tree()->setCurrentIndex(model->index(rows.at(QStringLiteral("gone")), 0));
    ASSERT_TRUE(
        waitUntil([&] { return view.model()->selectedComparison() && view.model()->selectedComparison()->removed(); }));
    EXPECT_TRUE(view.details()->comparisonLine()->text().startsWith(QStringLiteral("Gone since ")));

    // Sorted by the size of the change, growth and shrinking alike; folders first as always.
    QTest::mouseClick(tree->header()->viewport(), Qt::LeftButton, {},
                      QPoint(tree->header()->sectionViewportPosition(ExplorerTableItemModel::changeColumn) + 10, 5));
    ASSERT_TRUE(waitUntil([&] { return !view.tableViewModel()->filteringAndSorting(); }));
    QStringList order;
    for (int row = 0; row < model->rowCount(); ++row)
        order << model->index(row, 0).data().toString();
    EXPECT_EQ(order,
              (QStringList{QStringLiteral("sub"), QStringLiteral("grew"), QStringLiteral("new"), QStringLiteral("gone"),
                           QStringLiteral("same")}));
    // A gone item is not the window's to clean up.
    tree->selectionModel()->select(model->index(static_cast<int>(order.indexOf(QStringLiteral("gone"))), 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_TRUE(view.table()->selectedItemPaths().empty());

    comparison.stop();
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() == 4; }));
    EXPECT_TRUE(view.details()->comparisonLine()->isHidden());
    EXPECT_TRUE(tree->header()->isSectionHidden(ExplorerTableItemModel::changeColumn));
    EXPECT_NE(view.tableViewModel()->order().front().key, KeyPathComparator::Key::change);
}

// Past the 1000 rows a directory shows, "Other files" has its change too: what the earlier
// snapshot had beyond the rows shown now.
TEST_F(Comparing, OtherFilesShowsTheChangeOfWhatItHolds)
{
    std::vector<FileSystemRecord> before, after;
    for (int index = 0; index < 1003; ++index) {
        const std::string path = "/wide/f" + std::to_string(index);
        before.push_back(item(path, 100));
        after.push_back(item(path, index < 1000 ? 200 : 50));
    }
    const std::string earlier = SnapshotHistory::historyFolder(tree_.path("w.store")) + "/w-20261201-100000.store";
    writeSnapshot(earlier, before, 1764583200, "/wide/");
    writeSnapshot(tree_.path("w.store"), after, 1765188000, "/wide/");
    // The scan root's totals, from which the rest of its listing is made.
    SnapshotCompletion::recordRootTotals(*VistrelModelContainer::shared().makeContainer(tree_.path("w.store")),
                                         {1003, 200150, 200150});
    auto container
        = VistrelModelContainer::shared().makeContainer(tree_.path("w.store"), VistrelModelContainer::Access::readOnly);
    environment_.reader = std::make_shared<SnapshotReader>(container);
    environment_.scanRoot = FileUrl("/wide/");
    ComparisonModel comparison(tree_.path("w.store"), "/wide/");
    environment_.comparison = &comparison;
    ExplorerView view(environment_, FileUrl("/wide/"), std::nullopt);
    view.show();
    view.refresh();
    ASSERT_TRUE(comparison.compareWith(earlier));
    ExplorerTableItemModel* model = view.table()->itemModel();
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() == 1001; }));
    const QModelIndex others = model->index(1000, ExplorerTableItemModel::changeColumn);
    ASSERT_TRUE(model->index(1000, 0).data(ExplorerTableItemModel::isOthersRole).toBool());
    EXPECT_EQ(others.data().toString(), ChangeText::signedBytes(3 * 50 - 3 * 100));
    EXPECT_EQ(model->index(0, ExplorerTableItemModel::changeColumn).data().toString(), ChangeText::signedBytes(100));
}

TEST_F(Comparing, BiggestChangesListsWhatChangedBelowAndGoesWithTheComparison)
{
    ComparisonModel comparison(current_, "/data/");
    environment_.comparison = &comparison;
    ExplorerView view(environment_, FileUrl("/data/"), std::nullopt);
    view.show();
    view.refresh();
    QAbstractButton* scope = nullptr;
    for (auto* button : view.findChildren<QAbstractButton*>())
        if (button->accessibleName() == QStringLiteral("Biggest Changes Under data"))
            scope = button;
    ASSERT_TRUE(scope);
    EXPECT_FALSE(scope->isVisibleTo(&view)) << "offered only while comparing";
    ASSERT_TRUE(comparison.compareWith(earlier_));
    EXPECT_TRUE(scope->isVisibleTo(&view));

    view.setSearchScope(SearchScope::changes);
    ASSERT_TRUE(waitUntil([&] { return view.searchViewModel()->totalResults() > 0; }));
    ExplorerSearchViewModel* search = view.searchViewModel();
    // grew +800000, gone −50000, sub/ and sub/old −15000 each, new +70000; same is unchanged.
    // sub/ changed by what sub/old explains: one row says it.
    EXPECT_EQ(search->totalResults(), 4);
    std::vector<std::string> ids;
    for (const VistrelFile& file : search->results())
        ids.push_back(file.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"/data/grew", "/data/new", "/data/gone", "/data/sub/old"}));
    ASSERT_EQ(search->comparisons().size(), 4u);
    EXPECT_TRUE(search->comparisons()[2].removed());
    EXPECT_EQ(search->results()[2].totalAllocatedSize, 50000) << "a gone item keeps its old size";
    EXPECT_EQ(search->statusText(), QStringLiteral("4 changes"));
    QTreeView* table = view.searchView()->table();
    EXPECT_FALSE(table->header()->isSectionHidden(ExplorerSearchItemModel::changeColumn));
    EXPECT_EQ(table->model()->index(1, ExplorerSearchItemModel::changeColumn).data().toString(), QStringLiteral("New"));
    table->selectionModel()->select(table->model()->index(2, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_TRUE(view.searchView()->selectedItemPaths().empty()) << "a gone item is not the window's to clean up";

    comparison.stop();
    EXPECT_EQ(view.searchScope(), SearchScope::filter) << "the list went with the comparison";
    EXPECT_FALSE(scope->isVisibleTo(&view));
}

TEST_F(Comparing, TheMapCanColourItsTilesByGrowth)
{
    ComparisonModel comparison(current_, "/data/");
    ASSERT_TRUE(comparison.compareWith(earlier_));
    MapModel map(environment_.reader, FileUrl("/data/"));
    map.setSize(QSize(400, 200), false);
    ASSERT_TRUE(waitUntil([&] { return !map.busy() && !map.image().isNull(); }));
    const auto centreOf = [&](const std::string& path) {
        for (const MapLayout::Tile& tile : map.layout().tiles())
            if (tile.path == path)
                return map.image().pixel(static_cast<int>(tile.rect.x + tile.rect.width / 2),
                                         static_cast<int>(tile.rect.y + tile.rect.height / 2));
        ADD_FAILURE() << path << " has no tile";
        return QRgb{};
    };
    const QRgb byType = centreOf("/data/grew");

    map.setComparison(comparison.comparison());
    map.setColouredByGrowth(true);
    EXPECT_TRUE(map.colouredByGrowth());
    ASSERT_TRUE(waitUntil([&] { return !map.busy() && centreOf("/data/grew") != byType; }));
    const QRgb grew = centreOf("/data/grew");
    const QRgb same = centreOf("/data/same");
    const QRgb fresh = centreOf("/data/new");
    EXPECT_GT(qRed(grew), qGreen(grew) + 40) << "it grew ninefold";
    EXPECT_GT(qRed(fresh), qGreen(fresh) + 40);
    EXPECT_LT(std::abs(qRed(same) - qGreen(same)), 8) << "unchanged is grey";

    map.setComparison(nullptr); // the comparison stopped: the types' colours come back
    EXPECT_FALSE(map.colouredByGrowth());
    ASSERT_TRUE(waitUntil([&] { return !map.busy() && centreOf("/data/grew") == byType; }));
}

} // namespace
} // namespace vistrel
