// The explorer's widget-free models against real in-memory snapshots.
#include "ExplorerTestSupport.h"

#include "details/FileThumbnailCache.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerPathBarView.h"
#include "explorer/ExplorerTableRowModel.h"
#include "explorer/ExplorerTableRowModelDataSourceFile.h"
#include "explorer/HighlightedText.h"
#include "explorer/NavigationModel.h"
#include "explorer/SearchScope.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using namespace testing;
using Key = KeyPathComparator::Key;

const SortOrder bySizeDescending = effectiveOrder({{Key::allocatedSize, false}});

std::unique_ptr<ExplorerTableRowModel> rowFor(StoreContext& context, const FileSystemRecord& record,
                                              std::optional<SortOrder> order = bySizeDescending)
{
    return std::make_unique<ExplorerTableRowModel>(
        &context, std::make_unique<ExplorerTableRowModelDataSourceFile>(VistrelFile(record)), std::move(order));
}

std::vector<std::string> names(const ExplorerTableRowModel::Children& rows)
{
    std::vector<std::string> result;
    for (const auto& row : rows)
        result.push_back(row->source().name());
    return result;
}

TEST(ExplorerTableRowModel, OtherFilesStandsForWhatTheStoreDidNotReturn)
{
    // 1500 files of 4096 bytes in /big/, and /mixed/ with 3 files and 2 directories of 10.
    std::vector<FileSystemRecord> records{item("/big/", 1500 * 4096 + 4096, 1500), item("/mixed/", 2000, 23),
                                          item("/mixed/a/", 500, 10), item("/mixed/b/", 400, 10), item("/unread/", 0)};
    for (int index = 0; index < 1500; ++index)
        records.push_back(item("/big/f" + std::to_string(index), 4096));
    for (const char* name : {"/mixed/x", "/mixed/y", "/mixed/z"})
        records.push_back(item(name, 100));
    records.push_back(item("/unread/stray", 1));
    auto container = snapshotOf(records);
    auto context = container->makeContext();

    auto big = rowFor(*context, records[0]);
    auto* rows = big->children();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1001u);
    const auto& others = rows->back()->source();
    EXPECT_EQ(others.name(), "Other files");
    EXPECT_EQ(others.url().scheme, "file-others");
    EXPECT_EQ(others.url().path, "/big/");
    EXPECT_EQ(others.fileCount(), 500);
    EXPECT_EQ(others.totalAllocatedSize(), 1500 * 4096 + 4096 - 1000 * 4096);
    EXPECT_FALSE(others.fileResourceType());
    EXPECT_FALSE(rows->back()->children()) << "the aggregate row never loads children";
    EXPECT_EQ(big->children(), rows) << "children load once";

    auto mixed = rowFor(*context, records[1]);
    EXPECT_EQ(names(*mixed->children()), (std::vector<std::string>{"a", "b", "x", "y", "z"}))
        << "directories first, largest first, and no aggregate row";
    auto unread = rowFor(*context, records[4]);
    EXPECT_EQ(unread->children()->size(), 1u) << "no file count: no aggregate row, whatever was fetched";
    EXPECT_FALSE(unread->isExpandable());
    EXPECT_FALSE(rowFor(*context, records[0], std::nullopt)->children()) << "no order: nothing loads";
}

TEST(ExplorerTableRowModel, FilterKeepsMatchesTheirAncestorsAndTheSubtreesOfMatchingOpenRows)
{
    const std::vector<FileSystemRecord> records{item("/home/", 0, 3),
                                                item("/home/Documents/", 300, 2),
                                                item("/home/Documents/a.txt", 100),
                                                item("/home/Documents/b.txt", 200),
                                                item("/home/Music/", 50, 1),
                                                item("/home/Music/documentary.mp3", 50)};
    auto container = snapshotOf(records);
    auto context = container->makeContext();
    auto home = rowFor(*context, records[0]);
    home->expanded = true;
    auto& top = *home->children();
    ExplorerTableRowModel* documents = top[0].get();
    ExplorerTableRowModel* music = top[1].get();
    documents->expanded = true;
    documents->children();

    EXPECT_TRUE(home->filterAndSort(bySizeDescending, "DOCU", false));
    EXPECT_TRUE(documents->show);
    for (const auto& child : *documents->loadedChildren())
        EXPECT_TRUE(child->show) << "an ancestor's match keeps " << child->source().name();
    EXPECT_FALSE(music->show) << "closed: only its own name counts";

    music->expanded = true;
    music->children();
    home->filterAndSort(bySizeDescending, "docu", false);
    EXPECT_TRUE(music->show) << "an open row stays for a matching child";
    EXPECT_TRUE((*music->loadedChildren())[0]->show);

    home->filterAndSort(bySizeDescending, "zzz", false);
    EXPECT_FALSE(documents->show);
    EXPECT_FALSE((*documents->loadedChildren())[0]->show);
    home->filterAndSort(bySizeDescending, "", false);
    EXPECT_TRUE(documents->show && music->show && (*documents->loadedChildren())[1]->show);
}

// The filter ignores case, not accents: "café" is not "cafe" (the search is the one that
// folds accents).
TEST(ExplorerTableRowModel, FilterIgnoresCaseButNotAccents)
{
    const std::vector<FileSystemRecord> records{item("/d/", 0, 3), item("/d/Café menu", 3), item("/d/CAFÉ.txt", 2),
                                                item("/d/cafe-plain", 1)};
    auto container = snapshotOf(records);
    auto context = container->makeContext();
    auto directory = rowFor(*context, records[0]);
    directory->expanded = true;
    directory->children();
    directory->filterAndSort(bySizeDescending, "café", false);
    std::vector<std::string> shown;
    for (const auto& row : *directory->loadedChildren())
        if (row->show)
            shown.push_back(row->source().name());
    EXPECT_EQ(shown, (std::vector<std::string>{"Café menu", "CAFÉ.txt"}));

    const HighlightedText upper = HighlightedText::make(QStringLiteral("CAFÉ.txt"), QStringLiteral("café"));
    EXPECT_EQ(upper.match, QStringLiteral("CAFÉ")) << "the highlight follows the same rule";
    EXPECT_TRUE(HighlightedText::make(QStringLiteral("cafe-plain"), QStringLiteral("café")).match.isEmpty());
}

TEST(ExplorerTableRowModel, NameOrderStillListsDirectoriesFirstAndOtherFilesLast)
{
    std::vector<FileSystemRecord> records{item("/d/", 0, 1003), item("/d/zeta/", 10, 1), item("/d/Alpha/", 5, 1),
                                          item("/d/zeta/in", 10), item("/d/Alpha/in", 5)};
    for (int index = 0; index < 1001; ++index)
        records.push_back(item("/d/file" + std::to_string(index), 1));
    auto container = snapshotOf(records);
    auto context = container->makeContext();
    auto directory = rowFor(*context, records[0]);
    directory->expanded = true;
    directory->children();
    directory->filterAndSort(effectiveOrder({{Key::name, true}, {Key::allocatedSize, false}}), "", false);
    const auto& rows = *directory->loadedChildren();
    EXPECT_EQ(rows[0]->source().name(), "Alpha") << "names ignore case";
    EXPECT_EQ(rows[1]->source().name(), "zeta");
    EXPECT_EQ(rows[2]->source().name(), "file0");
    EXPECT_EQ(rows[3]->source().name(), "file1");
    EXPECT_EQ(rows[4]->source().name(), "file2") << "digit runs compare by value: file2 before file10";
    EXPECT_EQ(rows.back()->source().name(), "Other files");
    for (std::size_t index = 0; index < rows.size(); ++index)
        ASSERT_EQ(rows[index]->index(), static_cast<int>(index));
    EXPECT_EQ(effectiveOrder({{Key::name, true}, {Key::fileCount, true}}),
              (SortOrder{{Key::resourceType, false}, {Key::name, true}}))
        << "only the first comparator of the order is used";
    EXPECT_LT(compareNames("file2", "File10"), 0);
}

TEST(ExplorerModel, CanSetAsCurrentOnlyForOtherDirectoriesOfTheSnapshot)
{
    ExplorerModel model(FileUrl("/usr/"), FileUrl("/usr/bin/"));
    EXPECT_EQ(model.currentPath().path(), "/usr/");
    EXPECT_EQ(model.selection()->path(), "/usr/bin/");
    EXPECT_TRUE(model.canSetAsCurrent(ItemUrl{"file", "/usr/lib/"}));
    EXPECT_FALSE(model.canSetAsCurrent(ItemUrl{"file", "/usr/lib"})) << "a file";
    EXPECT_FALSE(model.canSetAsCurrent(ItemUrl{"file", "/usr/"})) << "the current directory";
    EXPECT_FALSE(model.canSetAsCurrent(ItemUrl{"file-others", "/usr/lib/"})) << "the aggregate row";
    EXPECT_FALSE(model.canSetAsCurrent(ItemUrl{"", "/usr/lib/"}));
}

TEST(NavigationModel, DestinationsPushAndPopExactlyOne)
{
    NavigationModel navigation;
    EXPECT_TRUE(navigation.navigationPath().empty());
    const auto plain = ExplorerNavigationDestination::explorer(FileUrl("/usr/"));
    const auto selecting = ExplorerNavigationDestination::explorer(FileUrl("/usr/"), FileUrl("/usr/bin/"));
    EXPECT_NE(plain, selecting);
    EXPECT_EQ(plain, ExplorerNavigationDestination::explorer(FileUrl("/usr/")));
    EXPECT_NE(std::hash<ExplorerNavigationDestination>()(plain), std::hash<ExplorerNavigationDestination>()(selecting));
    navigation.push(plain);
    navigation.push(selecting);
    navigation.pop();
    ASSERT_EQ(navigation.navigationPath().size(), 1u);
    EXPECT_EQ(navigation.navigationPath().front(), plain);
    navigation.pop();
    navigation.pop(); // nothing left: no harm
    EXPECT_TRUE(navigation.navigationPath().empty());
    EXPECT_EQ(searchScope(QStringLiteral("Search All Under")), SearchScope::search);
    EXPECT_EQ(searchScope(QStringLiteral("Filter Current")), SearchScope::filter);
    EXPECT_FALSE(searchScope(QStringLiteral("filter current")));
}

TEST(ExplorerHelpers, HighlightsPathBarComponentsAndThumbnailKeys)
{
    const HighlightedText report = HighlightedText::make(QStringLiteral("Report-2024"), QStringLiteral("rep"));
    EXPECT_EQ(report.before, QString());
    EXPECT_EQ(report.match, QStringLiteral("Rep"));
    EXPECT_EQ(report.after, QStringLiteral("ort-2024"));
    EXPECT_EQ(HighlightedText::make(QStringLiteral("abab"), QStringLiteral("B")).after, QStringLiteral("ab"))
        << "only the first occurrence";
    EXPECT_TRUE(HighlightedText::make(QStringLiteral("abc"), QString()).match.isEmpty());

    const auto components = ExplorerPathBarView::components(FileUrl("/Users/me/Documents/"));
    ASSERT_EQ(components.size(), 4u);
    EXPECT_EQ(components[0].name, "/");
    EXPECT_EQ(components[0].url.path(), "/");
    EXPECT_EQ(components[1].url.path(), "/Users/");
    EXPECT_EQ(components[3].url.path(), "/Users/me/Documents/");
    EXPECT_EQ(ExplorerPathBarView::components(FileUrl("/")).size(), 1u);
    // A snapshot of a folder offers nothing above it: its root opens an empty explorer.
    const auto rooted = ExplorerPathBarView::components(FileUrl("/Users/me/Documents/"), FileUrl("/Users/me/"));
    ASSERT_EQ(rooted.size(), 2u);
    EXPECT_EQ(rooted[0].name, "/Users/me");
    EXPECT_EQ(rooted[0].url.path(), "/Users/me/");
    EXPECT_EQ(rooted[1].name, "Documents");
    EXPECT_EQ(rooted[1].url.path(), "/Users/me/Documents/");
    EXPECT_EQ(ExplorerPathBarView::components(FileUrl("/Users/me/"), FileUrl("/Users/me/")).size(), 1u);
    EXPECT_EQ(ExplorerPathBarView::components(FileUrl("/elsewhere/"), FileUrl("/Users/me/")).size(), 2u)
        << "a path outside the root falls back to the whole path";

    EXPECT_EQ(FileThumbnailCache::key("file:///Users/a/b.txt", 16, 16),
              QStringLiteral("16.0x16.0-file:///Users/a/b.txt"));
    EXPECT_EQ(FileThumbnailCache::key("file:///Users/a/b.txt", 64, 64),
              QStringLiteral("64.0x64.0-file:///Users/a/b.txt"));
    EXPECT_EQ(FileThumbnailCache::key("file:///x", 12.5, 16), QStringLiteral("12.5x16.0-file:///x"));
    EXPECT_EQ(FileThumbnailCache::key("file:///Users/a/Documents/", 64, 64),
              QStringLiteral("file:///Users/a/Documents/"));
}

} // namespace
} // namespace vistrel
