// A snapshot whose pages are damaged after it was opened: every failed read is shown as a
// failure (a notice, the search's status) and every indicator stops; nothing looks empty.
#include "ExplorerTestSupport.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerSearchViewModel.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "store/SnapshotReader.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include <fstream>
#include <sys/stat.h>

namespace vistrel {
namespace {

using namespace testing;

TEST(ExplorerReadFailure, DamagedPagesAreShownAsAFailureNotAsEmptiness)
{
    ensureApplication();
    TemporaryTree tree;
    const std::string store = tree.path("damaged.store");
    {
        auto writer = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readWrite);
        std::vector<FileSystemRecord> records{item("/d/", 0, 20000)};
        for (int index = 0; index < 20000; ++index)
            records.push_back(item("/d/item" + std::to_string(index), index));
        save(*writer, records);
    }
    auto container = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readOnly);
    // The second half of the file, where the rows of /d/ lie, is overwritten.
    struct stat status { };
    ASSERT_EQ(::stat(store.c_str(), &status), 0);
    {
        std::fstream file(store, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(status.st_size / 2);
        file << std::string(static_cast<std::size_t>(status.st_size / 2), '\xa5');
    }

    NavigationModel navigation;
    ExplorerEnvironment environment;
    environment.reader = std::make_shared<SnapshotReader>(container);
    environment.searchReader = std::make_shared<SnapshotReader>(container);
    environment.navigationModel = &navigation;
    int reopened = 0;
    environment.reopenSnapshot = [&] { ++reopened; };
    ExplorerView view(environment, FileUrl("/d/"), std::nullopt);
    view.resize(900, 500);
    view.show();
    EXPECT_TRUE(view.readFailureNotice()->isHidden()) << "no failure yet";

    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return view.model()->readFailure().has_value(); })) << "the table's read failed";
    EXPECT_FALSE(view.readFailureNotice()->isHidden());
    EXPECT_TRUE(view.readFailureText().contains(QStringLiteral("malformed"))) << view.readFailureText().toStdString();
    auto* reopen = view.readFailureNotice()->findChild<QPushButton*>();
    ASSERT_TRUE(reopen);
    EXPECT_EQ(reopen->text(), QStringLiteral("Reopen Snapshot"));
    reopen->click();
    EXPECT_EQ(reopened, 1);

    view.setSearchScope(SearchScope::search);
    ExplorerSearchViewModel* search = view.searchViewModel();
    search->setSearchText(QStringLiteral("item"));
    search->search(QStringLiteral("item"));
    ASSERT_TRUE(waitUntil([&] { return !search->searching(); })) << "the indicator stops";
    EXPECT_TRUE(search->statusText().startsWith(QStringLiteral("The search failed: ")))
        << search->statusText().toStdString();
    EXPECT_EQ(search->totalResults(), 0);
}

// A scan rewrites the store while the window has it open: the next read says so.
TEST(ExplorerReadFailure, AStoreRewrittenByAnotherScanIsReportedOnTheNextRead)
{
    ensureApplication();
    TemporaryTree tree;
    const std::string store = tree.path("shared.store");
    {
        auto writer = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readWrite);
        save(*writer, {item("/d/", 0, 1), item("/d/old", 5)});
    }
    auto container = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readOnly);
    NavigationModel navigation;
    ExplorerEnvironment environment;
    environment.reader = std::make_shared<SnapshotReader>(container);
    environment.searchReader = std::make_shared<SnapshotReader>(container);
    environment.navigationModel = &navigation;
    ExplorerView view(environment, FileUrl("/d/"), std::nullopt);
    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return !view.tableViewModel()->files().empty(); }));
    EXPECT_FALSE(view.model()->readFailure());

    {
        auto scan = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::scanning);
        scan->erase();
        save(*scan, {item("/d/", 0, 1), item("/d/new", 7)});
    }
    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return view.model()->readFailure().has_value(); }));
    EXPECT_TRUE(view.readFailureText().contains(QStringLiteral("changed by another program")))
        << view.readFailureText().toStdString();
}

} // namespace
} // namespace vistrel
