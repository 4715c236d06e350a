// A folder's changes between two snapshots, each child once with its figures on either side.
#include "history/SnapshotDiff.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "scanner/ResourceTypeCode.h"
#include "store/SchemaV2_0_0.h"
#include "store/VistrelFile.h"

#include <gtest/gtest.h>

#include <map>

namespace vistrel {
namespace {

FileSystemRecord record(const std::string& path, std::optional<std::int64_t> size,
                        std::optional<std::int64_t> files = {})
{
    FileSystemRecord made;
    made.path = path;
    made.level = FileUrl::pathComponentCount(path);
    made.fileResourceType = path.back() == '/' ? ResourceTypeCode::directory : ResourceTypeCode::regular;
    made.fileCount = files;
    made.totalSize = size;
    made.totalAllocatedSize = size;
    return made;
}

std::shared_ptr<StoreContainer> snapshot(const std::vector<FileSystemRecord>& records)
{
    StoreConfiguration configuration;
    configuration.inMemoryOnly = true;
    auto container = StoreContainer::open(SchemaV2_0_0::schema(), configuration);
    auto context = container->makeContext();
    context->setAutosaveEnabled(false);
    for (const FileSystemRecord& made : records)
        VistrelFile::insert(made, *context);
    context->save();
    return container;
}

TEST(SnapshotDiff, AFoldersChildrenComeOnceEachInPathOrderWithBothSidesFigures)
{
    std::vector<FileSystemRecord> earlier
        = {record("/d/", 60, 4),     record("/d/gone", 10),     record("/d/same", 20),    record("/d/grew", 5),
           record("/d/sub/", 25, 1), record("/d/sub/deep", 25), record("/d/\xff-raw", 0), record("/other", 7)};
    std::vector<FileSystemRecord> later = {record("/d/", 95, 5),     record("/d/same", 20),
                                           record("/d/grew", 40),    record("/d/new", 1),
                                           record("/d/sub/", 25, 1), record("/d/sub/deep", 25),
                                           record("/d/\xff-raw", 9), record("/d/unmeasured", std::nullopt)};
    // A folder large enough that each side is read in more than one go.
    for (int index = 0; index < 3000; ++index)
        earlier.push_back(record("/d/many" + std::to_string(index), index));
    for (int index = 1; index < 3001; ++index)
        later.push_back(record("/d/many" + std::to_string(index), index));
    auto before = snapshot(earlier);
    auto after = snapshot(later);
    const auto changes
        = SnapshotDiff::children(FileUrl::directory("/d/"), *before->makeContext(), *after->makeContext());

    std::map<std::string, SnapshotDiff::Change> byId;
    std::string previous;
    for (const SnapshotDiff::Change& change : changes) {
        EXPECT_LT(previous, change.id) << "path order, each once";
        previous = change.id;
        byId.emplace(change.id, change);
    }
    EXPECT_EQ(changes.size(), 3001u + 7u);
    EXPECT_FALSE(byId.count("/other")) << "outside the folder";
    EXPECT_FALSE(byId.count("/d/sub/deep")) << "below a child";
    const auto& gone = byId.at("/d/gone");
    EXPECT_EQ(gone.before, 10);
    EXPECT_FALSE(gone.after);
    const auto& added = byId.at("/d/new");
    EXPECT_FALSE(added.before);
    EXPECT_EQ(added.after, 1);
    EXPECT_EQ(byId.at("/d/grew").change(), 35);
    EXPECT_FALSE(byId.at("/d/same").changed());
    EXPECT_EQ(byId.at("/d/sub/").fileCountBefore, 1);
    EXPECT_EQ(byId.at("/d/sub/").name, "sub");
    EXPECT_EQ(byId.at("/d/\xff-raw").name, "\xff-raw") << "names stay their bytes";
    EXPECT_EQ(byId.at("/d/\xff-raw").after, 9);
    EXPECT_EQ(byId.at("/d/unmeasured").after, 0) << "an item without figures is there, with none";
    EXPECT_EQ(byId.at("/d/many0").before, 0);
    EXPECT_FALSE(byId.at("/d/many0").after);
    EXPECT_FALSE(byId.at("/d/many3000").before);
    EXPECT_EQ(byId.at("/d/many1234").before, 1234);
    EXPECT_EQ(byId.at("/d/many1234").after, 1234);
}

} // namespace
} // namespace vistrel
