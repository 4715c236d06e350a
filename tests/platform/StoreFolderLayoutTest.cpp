// The folder layout must answer every query exactly as the flat layout does: the same rows,
// in the same order, with the same counts, before and after edits.
#include "objectstore/SqliteConnection.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreCursor.h"
#include "objectstore/StoreError.h"
#include "objectstore/StoreFolderSql.h"
#include "objectstore/StorePathTable.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sys/stat.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

StoreConfiguration inMemory()
{
    StoreConfiguration configuration;
    configuration.inMemoryOnly = true;
    return configuration;
}

StoreConfiguration onDisk(const std::string& location)
{
    StoreConfiguration configuration;
    configuration.fileLocation = location;
    return configuration;
}

StoreSchema flatSchema(std::string version = "1.0.0")
{
    using Type = StoreSchema::AttributeType;
    return StoreSchema{std::move(version),
                       "Item",
                       {{"path", Type::text, false},
                        {"name", Type::text, false},
                        {"depth", Type::integer, false},
                        {"size", Type::integer, true}},
                       "path",
                       {"depth", "path"},
                       std::nullopt,
                       {}};
}

// `rootDepth`: the depth of "/" (the app's levels count it as one).
StoreSchema folderSchema(std::int64_t rootDepth = 0)
{
    StoreSchema schema = flatSchema("2.0.0");
    schema.hierarchy = StoreSchema::Hierarchy{"depth", "name", rootDepth};
    schema.flatVersions = {"1.0.0"};
    return schema;
}

std::int64_t depthOf(const std::string& path)
{
    std::int64_t slashes = 0;
    for (std::size_t index = 0; index + 1 < path.size(); ++index)
        slashes += path[index] == '/';
    return slashes;
}

StoredObject item(const std::string& path, StoreValue size, std::string name = {})
{
    if (name.empty()) {
        const auto leaf = StoreFolderSql::split(path).second;
        name = std::string(StoreFolderSql::leafName(leaf));
    }
    return StoredObject{{path, std::move(name), depthOf(path), std::move(size)}};
}

// Names chosen so that joined paths and (folder, leaf) pairs would order differently if the
// layout compared them carelessly: '-' and '0' sort either side of '/'.
std::vector<StoredObject> sampleTree(std::int64_t rootDepth = 0)
{
    const std::vector<std::string> names = {"a", "a-x", "a0", "b", "\xff\xfe", "caf\xc3\xa9", "Z z"};
    std::vector<StoredObject> items = {item("/", std::int64_t{0}, "/")};
    std::mt19937 random(11);
    std::vector<std::string> folders = {"/"};
    for (std::size_t round = 0; round < 3; ++round) {
        std::vector<std::string> next;
        for (const std::string& folder : folders) {
            for (const std::string& name : names) {
                const bool isFolder = name == "a" || random() % 3 == 0;
                const std::string path = folder + name + (isFolder ? "/" : "");
                const StoreValue size = random() % 7 == 0 ? StoreValue() : StoreValue(std::int64_t(random() % 5));
                items.push_back(item(path, size));
                if (isFolder)
                    next.push_back(path);
            }
        }
        folders = next;
    }
    items.push_back(item("/renamed", std::int64_t{3}, "shown otherwise"));
    for (StoredObject& object : items)
        std::get<std::int64_t>(object.values[2]) += rootDepth;
    return items;
}

std::vector<std::string> rowsOf(StoreContext& context, const StoreFetchDescriptor& descriptor)
{
    std::vector<std::string> rows;
    for (const StoredObject& object : context.fetch(descriptor)) {
        std::string row;
        for (const StoreValue& value : object.values) {
            if (const auto* text = std::get_if<std::string>(&value))
                row += "t:" + *text + "|";
            else if (const auto* number = std::get_if<std::int64_t>(&value))
                row += "i:" + std::to_string(*number) + "|";
            else
                row += "-|";
        }
        rows.push_back(row);
    }
    return rows;
}

// Each case with folders kept whole, and with most or all of them kept by name; with "/" at
// depth 0 and at depth 1.
class FolderLayout : public ::testing::TestWithParam<std::pair<std::size_t, std::int64_t>> {
protected:
    static StoreConfiguration limited()
    {
        StoreConfiguration configuration = inMemory();
        configuration.folderPathLimit = GetParam().first;
        return configuration;
    }

    void SetUp() override
    {
        ASSERT_EQ(folders->layout(), StoreContainer::Layout::folders);
        ASSERT_EQ(flat->layout(), StoreContainer::Layout::flat);
        for (auto* container : {flat.get(), folders.get()}) {
            auto context = container->makeContext();
            context->setAutosaveEnabled(false);
            for (const StoredObject& object : sampleTree(GetParam().second))
                context->insert(object);
            context->save();
        }
    }

    // Every row of both, the same descriptor on each.
    void expectSame(const StoreFetchDescriptor& descriptor, const std::string& what)
    {
        EXPECT_EQ(rowsOf(folders->mainContext(), descriptor), rowsOf(flat->mainContext(), descriptor)) << what;
        EXPECT_EQ(folders->mainContext().count(descriptor.predicate), flat->mainContext().count(descriptor.predicate))
            << what;
    }

    std::shared_ptr<StoreContainer> flat = StoreContainer::open(flatSchema(), inMemory());
    std::shared_ptr<StoreContainer> folders = StoreContainer::open(folderSchema(GetParam().second), limited());
};

INSTANTIATE_TEST_SUITE_P(PathLimits, FolderLayout,
                         ::testing::Values(std::pair<std::size_t, std::int64_t>{512, 0},
                                           std::pair<std::size_t, std::int64_t>{8, 0},
                                           std::pair<std::size_t, std::int64_t>{1, 0},
                                           std::pair<std::size_t, std::int64_t>{512, 1},
                                           std::pair<std::size_t, std::int64_t>{1, 1}));

TEST(StoreFolderSql, SplitsAPathIntoFolderAndLeaf)
{
    using Parts = std::pair<std::string_view, std::string_view>;
    EXPECT_EQ(StoreFolderSql::split("/"), Parts("", "/"));
    EXPECT_EQ(StoreFolderSql::split("/a"), Parts("/", "a"));
    EXPECT_EQ(StoreFolderSql::split("/a/"), Parts("/", "a/"));
    EXPECT_EQ(StoreFolderSql::split("/a/b\xff/c"), Parts("/a/b\xff/", "c"));
    EXPECT_EQ(StoreFolderSql::split("relative"), Parts("", "relative"));
    EXPECT_EQ(StoreFolderSql::leafName("b/"), "b");
    EXPECT_EQ(StoreFolderSql::leafName("/"), "/");
    EXPECT_EQ(StoreFolderSql::leafName("b"), "b");
}

// Each path one number, whatever came before it: the table reuses the numbers of the last
// path's beginnings, which must never leak into another path.
TEST(StorePathTable, NumbersEachPathOnceWhateverTheOrder)
{
    StorePathTable table;
    EXPECT_EQ(table.number(""), 0u);
    std::vector<std::string> paths = {"/", "/a/", "/ab/", "/a/b/", "/a/b\xff/", "/ab/b/", "rel/", "rel/a/", "/a//"};
    for (int index = 0; index < 3000; ++index) // past the first growth of the table
        paths.push_back("/many/" + std::to_string(index % 50) + "/" + std::to_string(index) + "/");
    std::map<std::string, std::uint32_t> first;
    std::mt19937 random(3);
    for (int round = 0; round < 3; ++round) {
        for (const std::string& path : paths) {
            const std::uint32_t number = table.number(path);
            const auto [known, added] = first.emplace(path, number);
            EXPECT_EQ(known->second, number) << path;
        }
        std::shuffle(paths.begin(), paths.end(), random);
    }
    std::map<std::uint32_t, std::string> byNumber;
    for (const auto& [path, number] : first)
        EXPECT_TRUE(byNumber.emplace(number, path).second) << path << " shares a number with " << byNumber[number];
    EXPECT_EQ(table.number(""), 0u);
}

TEST_P(FolderLayout, QueriesReadWhatTheFlatLayoutReads)
{
    const std::vector<StoreSortKey> byPath = {{"depth", true}, {"path", true}};
    expectSame({std::nullopt, byPath, std::nullopt}, "everything");
    std::vector<std::string> prefixes = {"", "/", "/a", "/a-", "/a/", "/a0/", "/\xff", "/b/a-x/", "/zz"};
    for (const StoredObject& object : sampleTree())
        prefixes.push_back(std::get<std::string>(object.values[0]));
    std::string deep; // more folders than a comparison names one by one
    for (int level = 0; level < 70; ++level)
        deep += "/a";
    prefixes.push_back(deep);
    for (const std::string& prefix : prefixes) {
        const auto under = StorePredicate::beginsWith("path", prefix);
        expectSame({under, byPath, std::nullopt}, "under " + prefix);
        expectSame({under, {{"path", false}}, std::nullopt}, "under " + prefix + ", by path alone");
        expectSame({StorePredicate::equal("path", prefix), {}, std::nullopt}, "at " + prefix);
        expectSame({StorePredicate::greaterThan("path", prefix), byPath, std::nullopt}, "after " + prefix);
        expectSame({StorePredicate::lessThan("path", prefix), byPath, std::nullopt}, "before " + prefix);
        for (std::int64_t depth = 0; depth <= 5; ++depth) {
            const auto level = StorePredicate::conjunction(StorePredicate::equal("depth", depth), under);
            expectSame({level, {{"path", true}}, std::nullopt}, "depth " + std::to_string(depth) + " under " + prefix);
            expectSame({level, {{"size", false}, {"path", false}}, 3, {"name", "size", "path"}},
                       "largest at depth " + std::to_string(depth) + " under " + prefix);
        }
    }
    expectSame({StorePredicate::containsIgnoringCaseAndDiacritics("name", "CAFE"), byPath, std::nullopt}, "search");
    expectSame({StorePredicate::containsIgnoringCaseAndDiacritics("name", "otherwise"), byPath, std::nullopt},
               "a name its leaf does not imply");
    expectSame({StorePredicate::greaterThan("depth", std::int64_t{1}), {{"depth", false}}, 1, {"depth"}}, "deepest");
    expectSame({StorePredicate::equal("size", StoreValue()), byPath, std::nullopt}, "absent sizes");
}

// Folder by folder, in path order: what an export walking the tree depth first reads.
TEST_P(FolderLayout, AFolderCursorReadsEachFolderInPathOrder)
{
    const auto read = [](StoreContainer& container, const std::string& folder) {
        std::vector<std::string> paths;
        auto cursor = container.mainContext().openFolderCursor(folder, {"path", "size"});
        while (cursor->next())
            paths.emplace_back(std::get<std::string_view>(cursor->values()[0]));
        return paths;
    };
    for (const std::string folder : {"/", "/a/", "/a/a/", "/b/", "/\xff\xfe/", "/none/"}) {
        std::vector<std::pair<std::string, std::string>> expected; // parent, path
        for (const StoredObject& object : sampleTree()) {
            const auto& path = std::get<std::string>(object.values[0]);
            if (path != folder && path.starts_with(folder))
                expected.emplace_back(StoreFolderSql::split(path).first, path);
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> paths;
        for (const auto& entry : expected)
            paths.push_back(entry.second);
        EXPECT_EQ(read(*folders, folder), paths) << folder;
        EXPECT_EQ(read(*flat, folder), paths) << folder;
    }
    EXPECT_THROW(folders->mainContext().openFolderCursor("/a", {"path"}), StoreError);
}

TEST_P(FolderLayout, EditsChangeTheSameRows)
{
    for (auto* container : {flat.get(), folders.get()}) {
        StoreContext& context = container->mainContext();
        context.setAutosaveEnabled(false);
        context.removeWhere(StorePredicate::conjunction(StorePredicate::equal("depth", std::int64_t{2}),
                                                        StorePredicate::beginsWith("path", "/a/")));
        context.removeWhere(StorePredicate::equal("path", "/b"));
        context.adjustWhere(StorePredicate::beginsWith("path", "/a"), {{"size", 100}});
        StoredObject again = item("/a/again", std::int64_t{9});
        std::get<std::int64_t>(again.values[2]) += GetParam().second;
        context.insert(again);
        context.save();
    }
    expectSame({std::nullopt, {{"depth", true}, {"path", true}}, std::nullopt}, "after the edits");
    EXPECT_EQ(folders->mainContext().count(StorePredicate::equal("path", "/a/again")), 1);
}

// A save that fails must not leave the container believing in folders it never wrote: the
// rows of a later save would point at nothing and vanish from every query.
TEST_P(FolderLayout, AFailedSaveForgetsTheFoldersItAdded)
{
    StoreContext& context = folders->mainContext();
    context.setAutosaveEnabled(false);
    context.insert(item("/new/one", std::int64_t{1}));
    context.insert(item("/new/one", std::int64_t{2})); // the same key twice
    EXPECT_THROW(context.save(), StoreError);
    EXPECT_EQ(context.count(StorePredicate::beginsWith("path", "/new/")), 0);
    context.insert(item("/new/two", std::int64_t{2}));
    context.save();
    EXPECT_EQ(rowsOf(context, {StorePredicate::beginsWith("path", "/new/"), {}, std::nullopt, {"path"}}),
              std::vector<std::string>{"t:/new/two|"});
}

// A writer that keeps only a few folder numbers forgets them between saves; meeting such a
// folder again must find its row, not add a second one (which the folder index refuses), on
// a store it made alone as on one it shares.
TEST(FolderLayoutFiles, FoldersForgottenBetweenSavesAreFoundAgain)
{
    for (const std::size_t limit : {std::size_t{512}, std::size_t{4}})
        for (const bool alone : {true, false}) {
            TemporaryTree tree;
            StoreConfiguration configuration = alone ? inMemory() : onDisk(tree.path("shared.store"));
            configuration.rememberedFolders = 3;
            configuration.folderPathLimit = limit;
            if (!alone)
                StoreContainer::open(folderSchema(), configuration)
                    ->mainContext()
                    .insert(item("/f0/first", std::int64_t{7}));
            auto container = StoreContainer::open(folderSchema(), configuration);
            StoreContext& context = container->mainContext();
            context.setAutosaveEnabled(false);
            std::vector<std::string> expected
                = alone ? std::vector<std::string>{} : std::vector<std::string>{"t:/f0/first|"};
            for (int round = 0; round < 3; ++round) {
                for (int folder = 0; folder < 8; ++folder) {
                    const std::string path = "/f" + std::to_string(folder) + "/deeper/r" + std::to_string(round);
                    context.insert(item(path, std::int64_t{round}));
                    expected.push_back("t:" + path + "|");
                    context.save();
                }
            }
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(rowsOf(context, {std::nullopt, {{"path", true}}, std::nullopt, {"path"}}), expected)
                << alone << limit;
            EXPECT_EQ(context.count(StorePredicate::beginsWith("path", "/f3/")), 3) << alone << limit;
            container.reset();
            if (!alone) {
                SqliteConnection raw("file:" + configuration.fileLocation);
                EXPECT_EQ(std::get<std::int64_t>(raw.queryValue("SELECT COUNT(*) FROM ItemFolder WHERE depth = 3")), 8)
                    << "one row per folder" << limit;
            }
        }
}

// The save that brings a store its first folder kept by name fails: the store must not be
// left holding such folders later without knowing it, or a reader would miss them.
TEST(FolderLayoutFiles, AFailedFirstSaveOfANamedFolderIsNotForgottenLater)
{
    TemporaryTree tree;
    const std::string location = tree.path("named.store");
    StoreConfiguration configuration = onDisk(location);
    configuration.folderPathLimit = 4;
    {
        auto container = StoreContainer::open(folderSchema(), configuration);
        StoreContext& context = container->mainContext();
        context.setAutosaveEnabled(false);
        context.insert(item("/longer/one", std::int64_t{1}));
        context.insert(item("/longer/one", std::int64_t{2})); // the same key twice
        EXPECT_THROW(context.save(), StoreError);
        context.insert(item("/longer/two", std::int64_t{2}));
        context.save();
    }
    auto reopened = StoreContainer::open(folderSchema(), configuration);
    EXPECT_EQ(rowsOf(reopened->mainContext(), {StorePredicate::beginsWith("path", "/"), {}, std::nullopt, {"path"}}),
              std::vector<std::string>{"t:/longer/two|"});
}

// A tree hundreds of levels deep costs its names: its folders' whole paths would take 18 MB.
// A second container reads it as the first wrote it.
TEST(FolderLayoutFiles, ADeepTreeCostsItsNamesNotItsDepthSquared)
{
    TemporaryTree tree;
    const std::string location = tree.path("deep.store");
    const std::string name(200, 'n');
    std::vector<std::string> paths = {"/"};
    {
        auto container = StoreContainer::open(folderSchema(), onDisk(location));
        StoreContext& context = container->mainContext();
        context.setAutosaveEnabled(false);
        context.insert(item("/", std::int64_t{1}, "/"));
        std::string folder = "/";
        for (int level = 0; level < 300; ++level) {
            paths.push_back(folder + "file");
            context.insert(item(paths.back(), std::int64_t{level}));
            folder += name + (level % 2 ? "-" : "") + "/";
            paths.push_back(folder);
            context.insert(item(folder, std::int64_t{level}));
        }
        context.save();
    }
    std::sort(paths.begin(), paths.end());
    struct stat status { };
    ASSERT_EQ(::stat(location.c_str(), &status), 0);
    EXPECT_LT(status.st_size, 1 << 20);
    {
        SqliteConnection raw("file:" + location);
        EXPECT_GT(std::get<std::int64_t>(
                      raw.queryValue("SELECT COUNT(*) FROM ItemFolder WHERE path >= X'00' AND path < X'01'")),
                  290)
            << "folders below the limit are kept by name";
    }
    auto container = StoreContainer::open(folderSchema(), onDisk(location));
    StoreContext& context = container->mainContext();
    std::vector<std::string> expected;
    for (const std::string& path : paths)
        expected.push_back("t:" + path + "|");
    EXPECT_EQ(rowsOf(context, {std::nullopt, {{"path", true}}, std::nullopt, {"path"}}), expected);
    const auto longest = [&](bool folder) {
        std::string found;
        for (const std::string& path : paths) {
            if ((path.back() == '/') == folder && path.size() > found.size())
                found = path;
        }
        return found;
    };
    const std::string deepestFile = longest(false);
    EXPECT_EQ(rowsOf(context, {StorePredicate::equal("path", deepestFile), {}, std::nullopt, {"path", "size"}}),
              std::vector<std::string>{"t:" + deepestFile + "|i:299|"});
    EXPECT_EQ(context.count(StorePredicate::equal("path", longest(true) + "file")), 0);
    const std::string middle = paths[300]; // about 150 levels down
    const auto under = context.count(StorePredicate::beginsWith("path", middle));
    EXPECT_EQ(under, std::count_if(paths.begin(), paths.end(), [&](const std::string& path) {
                  return path.starts_with(middle);
              }));
    EXPECT_EQ(context.count(StorePredicate::equal("path", middle)), 1);
    context.setAutosaveEnabled(false);
    context.removeWhere(StorePredicate::beginsWith("path", middle));
    context.save();
    EXPECT_EQ(context.count(std::nullopt), static_cast<std::int64_t>(paths.size()) - under);
}

TEST(FolderLayoutFiles, AnEarlierFlatStoreIsReadAsItIsAndANewerOneIsRefused)
{
    TemporaryTree tree;
    const std::string earlier = tree.path("earlier.store");
    {
        auto container = StoreContainer::open(flatSchema(), onDisk(earlier));
        container->mainContext().insert(item("/kept", std::int64_t{4}));
    }
    auto reopened = StoreContainer::open(folderSchema(), onDisk(earlier));
    EXPECT_EQ(reopened->layout(), StoreContainer::Layout::flat);
    EXPECT_EQ(reopened->storedVersion(), "1.0.0");
    reopened->mainContext().insert(item("/added", std::int64_t{5}));
    EXPECT_EQ(rowsOf(reopened->mainContext(), {std::nullopt, {{"path", true}}, std::nullopt, {"path"}}),
              (std::vector<std::string>{"t:/added|", "t:/kept|"}));
    reopened.reset();

    const std::string newer = tree.path("newer.store");
    StoreContainer::open(flatSchema("3.0.0"), onDisk(newer)).reset();
    try {
        StoreContainer::open(folderSchema(), onDisk(newer));
        ADD_FAILURE() << "a store of a newer version was opened";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.code(), StoreError::Code::incompatibleVersion);
        EXPECT_NE(std::string(error.what()).find("3.0.0"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("2.0.0"), std::string::npos) << error.what();
    }
}

// A store written in the folder layout and opened again finds its folders in the file.
TEST(FolderLayoutFiles, ASecondContainerAddsToTheFoldersItFinds)
{
    TemporaryTree tree;
    const std::string location = tree.path("folders.store");
    StoreContainer::open(folderSchema(), onDisk(location))->mainContext().insert(item("/d/one", std::int64_t{1}));
    auto again = StoreContainer::open(folderSchema(), onDisk(location));
    again->mainContext().insert(item("/d/two", std::int64_t{2}));
    again->mainContext().insert(item("/e/three", std::int64_t{3}));
    EXPECT_EQ(rowsOf(again->mainContext(), {std::nullopt, {{"depth", true}, {"path", true}}, std::nullopt, {"path"}}),
              (std::vector<std::string>{"t:/d/one|", "t:/d/two|", "t:/e/three|"}));
    SqliteConnection raw("file:" + location);
    EXPECT_EQ(std::get<std::int64_t>(raw.queryValue("SELECT COUNT(*) FROM ItemFolder")), 2) << "one row per folder";
}

} // namespace
} // namespace vistrel
