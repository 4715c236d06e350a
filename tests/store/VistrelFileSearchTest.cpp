#include "StoreTestSupport.h"

#include "services/TextFolding.h"
#include "store/SchemaV1_0_0.h"
#include "store/VistrelFileSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vistrel {
namespace {

using namespace testing;

class Search : public ::testing::TestWithParam<bool> {
protected:
    StoreKinds kinds_;
};

TEST_P(Search, IgnoresCaseAndDiacriticsUnderTheRootOnly)
{
    auto store = kinds_.make(GetParam());
    save(*store,
         {recordFor("/Users/"), recordFor("/Users/ann/"), recordFor("/Users/ann/Résumé.pdf", 30),
          recordFor("/Users/ann/RESUME-old.txt", 50), recordFor("/Users/ann/deep/resume/", 10),
          recordFor("/Users/ann/unrelated", 1), recordFor("/Usersresume", 1), recordFor("/Users2/resume", 1),
          recordFor("/Users/ann/caf\xe9\xffresume", 2)});
    const auto result = VistrelFileSearch::search(FileUrl("/Users/"), "RÉSUMÉ", store->mainContext());
    EXPECT_EQ(result.total, 4);
    // Directories first, then files, each by allocated size.
    EXPECT_EQ(ids(result.files),
              (std::vector<std::string>{"/Users/ann/deep/resume/", "/Users/ann/RESUME-old.txt", "/Users/ann/Résumé.pdf",
                                        "/Users/ann/caf\xe9\xffresume"}));
}

// Bytes that are not UTF-8 match only themselves: not other invalid bytes, not a lone
// surrogate's encoding, not a real U+FFFD.
TEST_P(Search, InvalidBytesMatchOnlyTheSameBytes)
{
    auto store = kinds_.make(GetParam());
    save(*store,
         {recordFor("/d/"), recordFor("/d/bad\xff\xfename"), recordFor("/d/swapped\xfe\xffname"),
          recordFor("/d/lone\xed\xa0\x80"), recordFor("/d/replacement\xef\xbf\xbd\xef\xbf\xbd")});
    EXPECT_EQ(ids(VistrelFileSearch::search(FileUrl("/d/"), "\xff\xfe", store->mainContext()).files),
              std::vector<std::string>{"/d/bad\xff\xfename"});
    EXPECT_EQ(ids(VistrelFileSearch::search(FileUrl("/d/"), "\xed\xa0\x80", store->mainContext()).files),
              std::vector<std::string>{"/d/lone\xed\xa0\x80"});
    EXPECT_EQ(ids(VistrelFileSearch::search(FileUrl("/d/"), "\xef\xbf\xbd", store->mainContext()).files),
              std::vector<std::string>{"/d/replacement\xef\xbf\xbd\xef\xbf\xbd"});
    EXPECT_EQ(VistrelFileSearch::search(FileUrl("/d/"), "NAME", store->mainContext()).total, 2)
        << "the valid part still folds case";
}

TEST_P(Search, TheRootItselfAndASiblingWithItsNameAreNeverListed)
{
    auto store = kinds_.make(GetParam());
    save(*store,
         {recordFor("/a/"), recordFor("/a/b/"), recordFor("/a/b/b-inside"), recordFor("/a/bc/"),
          recordFor("/a/bc/b-outside")});
    const auto result = VistrelFileSearch::search(FileUrl("/a/b/"), "b", store->mainContext());
    EXPECT_EQ(ids(result.files), std::vector<std::string>{"/a/b/b-inside"});
    EXPECT_EQ(result.total, 1);
    EXPECT_EQ(VistrelFileSearch::search(FileUrl("/"), "b", store->mainContext()).total, 4);
}

TEST_P(Search, AThousandRowsOfFifteenHundredMatchesWithTheirTotal)
{
    auto store = kinds_.make(GetParam());
    std::vector<FileSystemRecord> records;
    for (int index = 0; index < 1500; ++index)
        records.push_back(recordFor("/Users/m/match" + std::to_string(index), index));
    for (int index = 0; index < 300; ++index)
        records.push_back(recordFor("/Users/m/other" + std::to_string(index), 100000));
    save(*store, records);
    const auto result = VistrelFileSearch::search(FileUrl("/Users/"), "MATCH", store->mainContext());
    EXPECT_EQ(result.total, 1500);
    ASSERT_EQ(result.files.size(), 1000u);
    EXPECT_EQ(result.files.front().totalAllocatedSize, 1499);
    EXPECT_TRUE(std::all_of(result.files.begin(), result.files.end(),
                            [](const VistrelFile& file) { return file.name.rfind("match", 0) == 0; }));
}

TEST_P(Search, TheBestRowsOfEveryLevelMergeInOneOrder)
{
    auto store = kinds_.make(GetParam());
    std::vector<FileSystemRecord> records;
    for (int index = 0; index < 1200; ++index)
        records.push_back(recordFor("/Users/a/match" + std::to_string(index), index));
    for (int index = 0; index < 600; ++index)
        records.push_back(recordFor("/Users/a/b/match" + std::to_string(index), 2000 + index));
    // Equal keys on two levels: the shallower comes first, as in the store's key order.
    records.push_back(recordFor("/Users/a/y/match-tie", 5000));
    records.push_back(recordFor("/Users/z/match-tie", 5000));
    save(*store, records);
    const auto result = VistrelFileSearch::search(FileUrl("/Users/"), "match", store->mainContext());
    EXPECT_EQ(result.total, 1802);
    ASSERT_EQ(result.files.size(), 1000u);
    EXPECT_EQ(result.files[0].id, "/Users/z/match-tie");
    EXPECT_EQ(result.files[1].id, "/Users/a/y/match-tie");
    EXPECT_EQ(result.files[2].totalAllocatedSize, 2599);
    EXPECT_EQ(result.files[601].totalAllocatedSize, 2000);
    EXPECT_EQ(result.files[602].totalAllocatedSize, 1199);
    EXPECT_EQ(result.files.back().totalAllocatedSize, 802);
}

TEST_P(Search, AnInterruptedContextRefusesTheRestOfASearch)
{
    auto store = kinds_.make(GetParam());
    save(*store, {recordFor("/a/"), recordFor("/a/b/"), recordFor("/a/b/c")});
    auto context = store->makeContext();
    context->interrupt(); // between statements, where SQLite itself would forget it
    EXPECT_THROW(VistrelFileSearch::search(FileUrl("/"), "c", *context), StoreError);
    EXPECT_EQ(VistrelFileSearch::search(FileUrl("/"), "c", store->mainContext()).total, 1)
        << "another context still answers";
}

INSTANTIATE_TEST_SUITE_P(InMemoryAndOnDisk, Search, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InMemory" : "OnDisk"; });

TEST(TextFolding, AsciiFastPathAgreesWithFullFolding)
{
    const TextFolding::Needle ascii("ReSu");
    EXPECT_TRUE(TextFolding::contains("my RESUME", ascii));
    EXPECT_TRUE(TextFolding::contains("Résumé", ascii));
    EXPECT_FALSE(TextFolding::contains("rsum", ascii));
    const TextFolding::Needle accented("ÉTÉ");
    EXPECT_TRUE(accented.isAscii()) << "diacritics fold away";
    EXPECT_TRUE(TextFolding::contains("summer-ete.jpg", accented));
    const TextFolding::Needle sharp("STRASSE");
    EXPECT_TRUE(TextFolding::contains("Straße", sharp));
    EXPECT_TRUE(TextFolding::contains("anything", TextFolding::Needle("")));
    EXPECT_FALSE(TextFolding::contains("\xff\xfe", TextFolding::Needle("a")));
}

// Snapshots of the earlier, flat layout are still read. Both layouts must find the same rows in
// the same order, ties and the limit included, whether the search reads level by level or in
// one pass.
TEST(SearchLayouts, BothLayoutsFindTheSameRowsInTheSameOrder)
{
    StoreConfiguration memory;
    memory.inMemoryOnly = true;
    auto flat = StoreContainer::open(SchemaV1_0_0::schema(), memory);
    auto folders = VistrelModelContainer::shared().makeContainer(true);
    ASSERT_EQ(flat->layout(), StoreContainer::Layout::flat);
    ASSERT_EQ(folders->layout(), StoreContainer::Layout::folders);
    std::mt19937 random(5);
    std::vector<FileSystemRecord> records = {recordFor("/top/"), recordFor("/top/a-b/"), recordFor("/top/a/")};
    const std::vector<std::string> parents = {"/top/", "/top/a-b/", "/top/a/", "/other/x/"};
    for (int index = 0; index < 4000; ++index) {
        const std::string& parent = parents[random() % parents.size()];
        const bool folder = random() % 5 == 0;
        // Few distinct sizes: most rows tie with many others.
        FileSystemRecord record = recordFor(parent + "m" + std::to_string(random() % 1000) + "-" + std::to_string(index)
                                                + (folder ? "/" : ""),
                                            static_cast<std::int64_t>(random() % 4) * 4096);
        records.push_back(record);
    }
    save(*flat, records);
    save(*folders, records);
    for (const char* root : {"/", "/top/", "/top/a/", "/nowhere/"}) {
        for (const char* text : {"m", "m1"}) {
            const auto expected = VistrelFileSearch::search(FileUrl(root), text, flat->mainContext());
            const auto found = VistrelFileSearch::search(FileUrl(root), text, folders->mainContext());
            EXPECT_EQ(found.total, expected.total) << root << " " << text;
            EXPECT_EQ(ids(found.files), ids(expected.files)) << root << " " << text;
        }
        const auto largest = VistrelFileSearch::largestFiles(FileUrl(root), folders->mainContext());
        EXPECT_EQ(ids(largest.files), ids(VistrelFileSearch::largestFiles(FileUrl(root), flat->mainContext()).files))
            << root;
    }
    EXPECT_GT(VistrelFileSearch::search(FileUrl("/"), "m", flat->mainContext()).total, 1000) << "the limit is reached";
}

} // namespace
} // namespace vistrel
