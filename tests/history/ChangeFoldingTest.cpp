// Biggest Changes folded as a person reads them: one row per change, removals by folder.
#include "history/ChangeFolding.h"

#include <gtest/gtest.h>

#include <map>

namespace vistrel {
namespace {

SnapshotDiff::Change change(const std::string& id, std::optional<std::int64_t> before,
                            std::optional<std::int64_t> after)
{
    SnapshotDiff::Change made;
    made.id = id;
    made.level = 0;
    for (std::size_t at = 1; at < id.size(); ++at)
        made.level += id[at - 1] == '/' ? 1 : 0;
    const std::string bare = id.back() == '/' ? id.substr(0, id.size() - 1) : id;
    made.name = bare.substr(bare.rfind('/') + 1);
    made.before = before;
    made.after = after;
    return made;
}

std::map<std::string, ChangeFolding::Row> byId(const std::vector<ChangeFolding::Row>& rows)
{
    std::map<std::string, ChangeFolding::Row> found;
    for (const auto& row : rows)
        found.emplace(row.change.id, row);
    return found;
}

TEST(ChangeFolding, OneGrowthIsOneRowNotOnePerFolderAboveIt)
{
    const std::int64_t mb = 1000000;
    const std::vector<SnapshotDiff::Change> changes{
        change("/h/.local/", 10 * mb, 219 * mb),
        change("/h/.local/share/", 9 * mb, 218 * mb),
        change("/h/.local/share/someapp/", 1 * mb, 210 * mb),
        change("/h/.local/share/someapp/logs/", 0, 209 * mb),
        change("/h/.local/share/someapp/logs/debug.log", 0, 209 * mb),
        change("/h/src/", 50 * mb, 80 * mb), // two files grew, and the folder more than they explain
        change("/h/src/a.o", 1 * mb, 11 * mb),
        change("/h/src/b.o", 1 * mb, 6 * mb),
    };
    const auto rows = ChangeFolding::fold(changes, 100);
    const auto found = byId(rows);
    EXPECT_TRUE(found.count("/h/.local/share/someapp/logs/debug.log"));
    for (const char* explained :
         {"/h/.local/", "/h/.local/share/", "/h/.local/share/someapp/", "/h/.local/share/someapp/logs/"})
        EXPECT_FALSE(found.count(explained)) << explained << " adds nothing the log does not say";
    EXPECT_TRUE(found.count("/h/src/a.o"));
    EXPECT_TRUE(found.count("/h/src/")) << "30 MB grew, 15 MB of it explained: the folder says the rest";
    EXPECT_EQ(rows.front().change.id, "/h/.local/share/someapp/logs/debug.log") << "largest first";
    EXPECT_EQ(ChangeFolding::fold(changes, 2).size(), 2u);
}

TEST(ChangeFolding, ManyRemovalsOfOneFolderAreThatFoldersRow)
{
    std::vector<SnapshotDiff::Change> changes{change("/h/Pictures/", 600, 0 + 100)};
    for (int photo = 0; photo < 60; ++photo)
        changes.push_back(change("/h/Pictures/p" + std::to_string(photo) + ".jpg", 10, std::nullopt));
    changes.push_back(change("/h/Pictures/new.jpg", std::nullopt, 100));
    changes.push_back(change("/h/old.txt", 7, std::nullopt)); // alone in its folder: stays a row
    const auto rows = ChangeFolding::fold(changes, 100);
    const auto found = byId(rows);
    ASSERT_TRUE(found.count("/h/Pictures/"));
    EXPECT_EQ(found.at("/h/Pictures/").removedItems, 60);
    EXPECT_FALSE(found.count("/h/Pictures/p0.jpg")) << "folded into the folder";
    EXPECT_TRUE(found.count("/h/Pictures/new.jpg")) << "what is new stays a row of its own";
    EXPECT_TRUE(found.count("/h/old.txt"));
    EXPECT_EQ(found.at("/h/old.txt").removedItems, 0);
    EXPECT_EQ(rows.size(), 3u);
}

} // namespace
} // namespace vistrel
