// The search scope against a real snapshot, on Qt's offscreen platform.
#include "ExplorerTestSupport.h"

#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerSearchItemModel.h"
#include "explorer/ExplorerSearchView.h"
#include "explorer/ExplorerSearchViewModel.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "store/SnapshotReader.h"

#include "support/EventLoop.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QTreeView>

namespace vistrel {
namespace {

using namespace testing;

TEST(ExplorerSearch, PathColumnShowsTheDirectoriesBelowTheRoot)
{
    EXPECT_EQ(ExplorerSearchViewModel::pathColumn("/Users/a/file", "/Users/a/"), QStringLiteral("…/"));
    EXPECT_EQ(ExplorerSearchViewModel::pathColumn("/Users/a/b/c/file", "/Users/a/"), QStringLiteral("…/b/c"));
    EXPECT_EQ(ExplorerSearchViewModel::pathColumn("/Users/a/b/dir/", "/Users/a"), QStringLiteral("…/b"));
    EXPECT_EQ(ExplorerSearchViewModel::pathColumn("/x/file", "/"), QStringLiteral("…/x"));
}

class ExplorerSearchScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        std::vector<FileSystemRecord> records{item("/Users/", 0, 1502), item("/Users/deep/", 10, 1),
                                              item("/Users/deep/Report.txt", 10), item("/Usersbis/", 1, 1),
                                              item("/Usersbis/report", 1)};
        for (int index = 0; index < 1500; ++index)
            records.push_back(item("/Users/match" + std::to_string(index), index));
        records.push_back(item("/Users/other", 5));
        container_ = snapshotOf(records);
        environment_.reader = std::make_shared<SnapshotReader>(container_);
        environment_.searchReader = std::make_shared<SnapshotReader>(container_);
        environment_.navigationModel = &navigation_;
        view_ = std::make_unique<ExplorerView>(environment_, FileUrl("/Users/"), std::nullopt);
        view_->resize(1000, 600);
        view_->show();
        view_->setSearchScope(SearchScope::search);
    }

    // Once no search waits for the typing to pause and both readers have delivered what
    // they were asked before.
    bool settled()
    {
        const auto* search = view_->searchViewModel();
        return waitUntil([&] { return !search || !search->debouncing(); }) && settle(*environment_.reader)
            && settle(*environment_.searchReader);
    }

    std::shared_ptr<StoreContainer> container_;
    NavigationModel navigation_;
    ExplorerEnvironment environment_;
    std::unique_ptr<ExplorerView> view_;
};

TEST_F(ExplorerSearchScreen, ShowsAThousandOfAllMatchesAndTheirCount)
{
    ExplorerSearchView* search = view_->searchView();
    ASSERT_TRUE(search);
    EXPECT_EQ(search->statusText(), QStringLiteral("Matched 0 results")) << "before the first search";
    EXPECT_EQ(search->itemModel()
                  ->headerData(ExplorerSearchItemModel::sizeColumn, Qt::Horizontal, Qt::TextAlignmentRole)
                  .value<Qt::Alignment>(),
              Qt::AlignTrailing | Qt::AlignVCenter)
        << "the size's title over its figures";
    QTest::keyClicks(view_->searchField(), QStringLiteral("MATCH"));
    ASSERT_TRUE(waitUntil([&] { return view_->searchViewModel()->totalResults() > 0; }));
    EXPECT_EQ(view_->searchViewModel()->totalResults(), 1500);
    EXPECT_EQ(search->itemModel()->rowCount(), 1000);
    EXPECT_EQ(search->statusText(), QStringLiteral("Showing 1000 out of 1500"));
    EXPECT_EQ(search->itemModel()->index(0, ExplorerSearchItemModel::nameColumn).data().toString(),
              QStringLiteral("match1499"))
        << "largest first";

    view_->searchField()->clear();
    ASSERT_TRUE(settled());
    EXPECT_FALSE(view_->searchViewModel()->searching()) << "an emptied field starts nothing";
    EXPECT_EQ(search->itemModel()->rowCount(), 1000) << "an emptied field keeps the last results";

    QTest::keyClicks(view_->searchField(), QStringLiteral("report"));
    ASSERT_TRUE(waitUntil([&] { return view_->searchViewModel()->totalResults() == 1; }));
    EXPECT_EQ(search->statusText(), QStringLiteral("Matched 1 result"))
        << "the sibling /Usersbis/ is not under the root";
    const QModelIndex result = search->itemModel()->index(0, ExplorerSearchItemModel::pathColumn);
    EXPECT_EQ(result.data().toString(), QStringLiteral("…/deep"));
    QStringList texts;
    QMenu* menu = search->makeContextMenu(result);
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    delete menu;
    EXPECT_EQ(texts, (QStringList{"Open in File Manager", "Copy path"}));

    search->table()->setCurrentIndex(result);
    QTest::keyClick(search->table(), Qt::Key_Return);
    ASSERT_EQ(navigation_.navigationPath().size(), 1u);
    EXPECT_EQ(navigation_.navigationPath().back().root.path(), "/Users/deep/");
    EXPECT_EQ(navigation_.navigationPath().back().selection->path(), "/Users/deep/Report.txt");
}

TEST_F(ExplorerSearchScreen, ResultsForAnOutdatedTextAreDropped)
{
    ExplorerSearchViewModel* search = view_->searchViewModel();
    view_->searchField()->setText(QStringLiteral("other"));
    ASSERT_TRUE(settled());
    ASSERT_EQ(search->totalResults(), 1) << "the field's own search";
    // Two searches back to back: the first is cancelled, the field holds the second's text.
    search->search(QStringLiteral("match"));
    search->search(QStringLiteral("other"));
    ASSERT_TRUE(settled()) << "the cancelled search's delivery too, had it made one";
    EXPECT_FALSE(search->searching());
    EXPECT_EQ(search->totalResults(), 1);
    ASSERT_EQ(search->results().size(), 1u);
    EXPECT_EQ(search->results()[0].name, "other");

    // A search whose text the field no longer holds when it ends is dropped, and its
    // indicator stays until the next search.
    search->search(QStringLiteral("match"));
    ASSERT_TRUE(settled());
    EXPECT_EQ(search->totalResults(), 1) << "results for \"match\" were applied though the field says \"other\"";
    EXPECT_TRUE(search->searching());
}

TEST_F(ExplorerSearchScreen, SwitchingBackToTheTableKeepsTheText)
{
    QTest::keyClicks(view_->searchField(), QStringLiteral("deep"));
    view_->setSearchScope(SearchScope::filter);
    EXPECT_FALSE(view_->searchView()) << "the search is discarded with its scope";
    ASSERT_TRUE(waitUntil([&] {
        const auto& rows = view_->tableViewModel()->files();
        return !rows.empty() && !view_->tableViewModel()->filteringAndSorting()
            && std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row->show; }) == 1;
    })) << "the table applies the same text as its filter";
    EXPECT_EQ(ExplorerView::searchScopeLabel(FileUrl("/")), QStringLiteral("Search All Under <b>/</b>"));
}

TEST_F(ExplorerSearchScreen, TheLargestFilesAnywhereBelowWhateverTheText)
{
    QTest::keyClicks(view_->searchField(), QStringLiteral("report"));
    view_->setSearchScope(SearchScope::largest);
    ExplorerSearchViewModel* largest = view_->searchViewModel();
    ASSERT_TRUE(largest && largest->listsLargestFiles());
    ASSERT_TRUE(waitUntil([&] { return !largest->searching(); }));
    EXPECT_EQ(largest->totalResults(), 1502) << "every file at any depth, no directory; the text plays no part";
    ASSERT_EQ(largest->results().size(), 1000u);
    EXPECT_EQ(largest->results()[0].name, "match1499");
    EXPECT_EQ(largest->results()[999].name, "match500");
    EXPECT_EQ(largest->statusText(), QStringLiteral("The 1000 largest of 1502 files"));
    QTest::keyClicks(view_->searchField(), QStringLiteral("x"));
    ASSERT_TRUE(settled());
    EXPECT_FALSE(largest->searching()) << "typing starts nothing here";
    EXPECT_EQ(largest->totalResults(), 1502);

    view_->setSearchScope(SearchScope::search);
    ASSERT_TRUE(view_->searchViewModel() && !view_->searchViewModel()->listsLargestFiles());
    bool named = false;
    for (QWidget* widget : view_->findChildren<QWidget*>())
        named = named || widget->accessibleName() == QStringLiteral("Largest Files Under Users");
    EXPECT_TRUE(named) << "the scope's button says what it lists";
}

} // namespace
} // namespace vistrel
