#include "objectstore/StoreContext.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "objectstore/StoreSql.h"

#include <gtest/gtest.h>

#include <random>

namespace vistrel {
namespace {

StoreConfiguration inMemory()
{
    StoreConfiguration configuration;
    configuration.inMemoryOnly = true;
    return configuration;
}

StoreSchema testSchema()
{
    using Type = StoreSchema::AttributeType;
    return StoreSchema{"2.0.0",
                       "Thing",
                       {{"key", Type::text, false}, {"rank", Type::integer, false}, {"weight", Type::integer, true}},
                       "key",
                       {"rank", "key"},
                       std::nullopt};
}

StoredObject thing(std::string key, std::int64_t rank, StoreValue weight)
{
    return StoredObject{{std::move(key), rank, std::move(weight)}};
}

std::vector<std::string> keysOf(const std::vector<StoredObject>& objects)
{
    std::vector<std::string> keys;
    for (const auto& object : objects)
        keys.push_back(std::get<std::string>(object.values[0]));
    return keys;
}

// The one-pass fetch must give exactly what a count and an ordered, limited fetch give.
TEST(StoreContext, FetchWithTotalAgreesWithCountAndFetch)
{
    auto container = StoreContainer::open(testSchema(), inMemory());
    auto context = container->makeContext();
    context->setAutosaveEnabled(false);
    std::mt19937 random(7);
    for (int index = 0; index < 3000; ++index) {
        const StoreValue weight
            = random() % 5 == 0 ? StoreValue() : StoreValue(static_cast<std::int64_t>(random() % 50));
        context->insert(thing("k" + std::to_string(index), static_cast<std::int64_t>(random() % 4), weight));
    }
    context->save();
    for (const std::int64_t limit : {0, 1, 10, 999, 5000}) {
        const StoreFetchDescriptor descriptor{StorePredicate::greaterThan("rank", std::int64_t{0}),
                                              {{"weight", false}, {"rank", true}, {"key", true}},
                                              limit};
        const auto [total, objects] = context->fetchWithTotal(descriptor);
        EXPECT_EQ(total, context->count(descriptor.predicate)) << limit;
        EXPECT_EQ(keysOf(objects), keysOf(context->fetch(descriptor))) << limit;
    }
}

TEST(StoreContext, PredicatesBindTheirValuesAndCheckTheirAttributes)
{
    auto container = StoreContainer::open(testSchema(), inMemory());
    StoreContext& context = container->mainContext();
    context.insert(thing("it's \"quoted\"; DROP TABLE Thing; --", 1, std::int64_t{2}));
    context.insert(thing(std::string("nul\0byte", 8), 1, StoreValue()));
    context.insert(thing("\xff\xff", 2, std::int64_t{1}));
    EXPECT_EQ(context.count(StorePredicate::equal("key", std::string("it's \"quoted\"; DROP TABLE Thing; --"))), 1);
    EXPECT_EQ(context.count(StorePredicate::beginsWith("key", std::string("nul\0b", 5))), 1);
    EXPECT_EQ(context.count(StorePredicate::beginsWith("key", "\xff")), 1);
    EXPECT_EQ(context.count(StorePredicate::equal("weight", StoreValue())), 1);
    EXPECT_THROW(context.count(StorePredicate::equal("key = key OR 1", std::int64_t{1})), StoreError);
    EXPECT_EQ(context.count(std::nullopt), 3);
    EXPECT_EQ(StoreSql::prefixSuccessor("a\xff"), "b");
    EXPECT_EQ(StoreSql::prefixSuccessor("\xff\xff"), "");
}

TEST(StoreContext, AnObjectOfTheWrongShapeIsRefused)
{
    auto container = StoreContainer::open(testSchema(), inMemory());
    EXPECT_THROW(container->mainContext().insert(StoredObject{{std::string("only one value")}}), StoreError);
    EXPECT_EQ(container->mainContext().count(std::nullopt), 0);
}

TEST(StoreContext, AnInMemoryStoreGrowsBeyondOneGibibyte)
{
    // SQLite's own limit for a memory database is 1 GiB; a large volume's snapshot is more.
    using Type = StoreSchema::AttributeType;
    const StoreSchema schema{
        "2.0.0",
        "Blob",
        {{"key", Type::text, false}, {"rank", Type::integer, false}, {"payload", Type::text, true}},
        "key",
        {"rank", "key"},
        std::nullopt};
    auto container = StoreContainer::open(schema, inMemory());
    auto context = container->makeContext();
    context->setAutosaveEnabled(false);
    const std::string payload(std::size_t{1} << 20, 'x');
    constexpr int rows = 1100;
    for (int row = 0; row < rows; ++row) {
        context->insert(StoredObject{{std::to_string(row), std::int64_t{row}, payload}});
        if (row % 100 == 99) {
            ASSERT_NO_THROW(context->save()) << "after " << row + 1 << " MiB";
        }
    }
    ASSERT_NO_THROW(context->save());
    EXPECT_EQ(context->count(std::nullopt), rows);
}

} // namespace
} // namespace vistrel
