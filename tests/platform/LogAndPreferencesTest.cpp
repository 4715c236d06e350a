#include "services/Preferences.h"
#include "support/CapturingLogSink.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <QString>

namespace vistrel {
namespace {

TEST(Log, DebugLinesReachTheSystemLogOnlyWhenAskedFor)
{
    EXPECT_EQ(Log::thresholdFor(nullptr), LogLevel::info);
    EXPECT_EQ(Log::thresholdFor(""), LogLevel::info);
    EXPECT_EQ(Log::thresholdFor("debug"), LogLevel::debug);
    EXPECT_EQ(Log::thresholdFor("error"), LogLevel::error);
    EXPECT_EQ(Log::thresholdFor("verbose"), LogLevel::info) << "an unknown value keeps the default";
    EXPECT_LT(LogLevel::debug, LogLevel::info) << "levels compare in the order of their weight";
    EXPECT_LT(LogLevel::info, LogLevel::error);
}

TEST(Log, CapturingSinkReceivesCategoryLevelAndTextThenRestores)
{
    std::vector<LogRecord> outer;
    Log::setSink([&outer](const LogRecord& record) { outer.push_back(record); });
    {
        CapturingLogSink sink;
        Log::error(LogCategory::fileSystemWalker,
                   "error while getting the contents of directory /x/. Permission denied");
        Log::debug(LogCategory::app, "walked in 0.1");
        const auto records = sink.records();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].level, LogLevel::error);
        EXPECT_EQ(records[0].category, "FileSystemWalker");
        EXPECT_TRUE(sink.contains(LogLevel::debug, "app", "walked in"));
        EXPECT_FALSE(sink.contains(LogLevel::info, "app", "walked in"));
    }
    Log::info(LogCategory::app, "after");
    Log::setSink({});
    ASSERT_EQ(outer.size(), 1u) << "the previous sink must come back";
    EXPECT_EQ(outer[0].message, "after");
}

TEST(Preferences, PersistedSnapshotDefaultsToTrueAndKeysPersist)
{
    testing::TemporaryTree tree;
    const QString file = QString::fromStdString(tree.path("preferences.conf"));
    {
        Preferences preferences(file);
        EXPECT_TRUE(preferences.persistedSnapshot());
        EXPECT_TRUE(preferences.tableCustomization().isEmpty());
        preferences.setPersistedSnapshot(false);
        preferences.setSelectedTab(QStringLiteral("attributes"));
        preferences.setTableCustomization(QByteArray("\x00\x01state", 7));
        preferences.sync();
    }
    Preferences reopened(file);
    EXPECT_FALSE(reopened.persistedSnapshot());
    EXPECT_EQ(reopened.selectedTab(), QStringLiteral("attributes"));
    EXPECT_EQ(reopened.tableCustomization(), QByteArray("\x00\x01state", 7));
}

} // namespace
} // namespace vistrel
