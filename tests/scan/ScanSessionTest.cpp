#include "scan/ScanSession.h"
#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scan/ScanError.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"
#include "support/CapturingLogSink.h"
#include "support/TemporaryTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "vistrel-scan-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* application = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)application;
}

// Runs the session's event loop until `done` fires (at most a minute).
template <typename Signal> void runUntil(ScanSession& session, Signal done)
{
    QEventLoop loop;
    QObject::connect(&session, done, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
}

std::int64_t rowCount(StoreContainer& container)
{
    return container.makeContext()->count(std::nullopt);
}

// The completion mark as another process would read it, past the scan's writer lock.
std::string completionMark(const std::string& store)
{
    sqlite3* database = nullptr;
    sqlite3_open_v2(store.c_str(), &database, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(database, "SELECT value FROM vistrel_store_metadata WHERE key = 'scanFinished'", -1, &query,
                       nullptr);
    std::string mark;
    if (query && sqlite3_step(query) == SQLITE_ROW)
        mark = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    sqlite3_finalize(query);
    sqlite3_close(database);
    return mark;
}

class ScanSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        for (int directory = 0; directory < 4; ++directory)
            for (int file = 0; file < 5; ++file)
                tree_.writeFile("root/d" + std::to_string(directory) + "/f" + std::to_string(file), 10);
        store_ = tree_.path("snapshot.store");
        // A previous snapshot, which a scan to disk replaces.
        auto previous = VistrelModelContainer::shared().makeContainer(store_);
        auto context = previous->makeContext();
        FileSystemRecord old;
        old.path = tree_.path("old-file");
        old.level = FileUrl(old.path).pathComponentCount();
        VistrelFile::insert(old, *context);
        context->save();
    }

    ScanSession::Request request(bool onDisk = true) const
    {
        ScanSession::Request request;
        request.root = tree_.path("root/");
        request.persistedSnapshot = onDisk;
        request.storeFile = store_;
        return request;
    }

    TemporaryTree tree_;
    std::string store_;
};

TEST_F(ScanSessionTest, AScanToDiskReplacesThePreviousSnapshotAndHandsItOver)
{
    CapturingLogSink log;
    ScanSession session;
    session.progress().setTotalUnitCount(1000);
    auto scan = request();
    std::string markDuringWalk;
    scan.walkerOptions.beforeBatchSave
        = [&](std::size_t) { markDuringWalk = completionMark(SnapshotHistory::partialLocation(store_)); };
    session.start(scan);
    EXPECT_TRUE(session.isRunning());
    runUntil(session, &ScanSession::finished);

    const auto& outcome = session.outcome();
    ASSERT_FALSE(outcome.error) << ScanSession::describe(outcome.error);
    ASSERT_TRUE(outcome.container);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_FALSE(session.isRunning());
    EXPECT_EQ(rowCount(*outcome.container), 24) << "4 directories and 20 files; the old snapshot is gone";
    EXPECT_EQ(outcome.statistics.rootFileCount, 20);
    EXPECT_EQ(markDuringWalk, "false");
    EXPECT_TRUE(SnapshotCompletion::isFinished(*outcome.container));
    EXPECT_EQ(SnapshotCompletion::unreadableDirectories(*outcome.container), 0);
    EXPECT_EQ(session.progress().completedUnitCount(), 1000) << "the progress ends complete";
    EXPECT_TRUE(log.contains(LogLevel::info, "app", "walked in "));
    const auto facts = SnapshotCompletion::scanFacts(*outcome.container);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->entryCount, 24);
    EXPECT_LE(facts->startedAt, facts->endedAt);
    EXPECT_TRUE(facts->volumeUsedBytes.value_or(0) > 0);
    const auto earlier = SnapshotHistory::earlier(store_);
    ASSERT_EQ(earlier.size(), 1u) << "the previous snapshot moved into the history";
    auto kept
        = VistrelModelContainer::shared().makeContainer(earlier[0].location, VistrelModelContainer::Access::readOnly);
    EXPECT_EQ(rowCount(*kept), 1);
    // The writer lock ends with the scan: the snapshot can be read while it is shown.
    EXPECT_NO_THROW(VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly));
}

TEST_F(ScanSessionTest, CancellingAScanToDiskKeepsThePreviousSnapshotAndACancelOfNothingEndsAtOnce)
{
    CapturingLogSink log;
    ScanSession session;
    auto scan = request();
    scan.walkerOptions.batchSize = 3;
    scan.walkerOptions.maxConcurrentTasks = 0;
    // Cancelled from the owner's thread at a known point: before the second batch is saved.
    scan.walkerOptions.beforeBatchSave = [&session](std::size_t number) {
        if (number == 1)
            QMetaObject::invokeMethod(
                &session, [&session] { session.cancel(); }, Qt::BlockingQueuedConnection);
    };
    bool finished = false;
    QObject::connect(&session, &ScanSession::finished, [&finished] { finished = true; });
    session.start(scan);
    runUntil(session, &ScanSession::cancelFinished);

    EXPECT_TRUE(finished) << "the container is handed over before the cancel ends";
    const auto& outcome = session.outcome();
    ASSERT_FALSE(outcome.error) << ScanSession::describe(outcome.error);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.container) << "nothing to explore: the previous snapshot is offered instead";
    auto previous = VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly);
    EXPECT_EQ(rowCount(*previous), 1) << "the previous snapshot is still the current one";
    struct stat status { };
    EXPECT_NE(::stat(SnapshotHistory::partialLocation(store_).c_str(), &status), 0) << "the partial file is gone";
    EXPECT_TRUE(SnapshotHistory::earlier(store_).empty());
    EXPECT_FALSE(log.contains(LogLevel::info, "app", "walked in ")) << "no scan time for a cancelled scan";

    int cancelEnds = 0;
    QObject::connect(&session, &ScanSession::cancelFinished, [&cancelEnds] { ++cancelEnds; });
    session.cancel(); // nothing runs any more
    EXPECT_EQ(cancelEnds, 1) << "a cancel of nothing ends at once";
    EXPECT_FALSE(session.isRunning());
}

TEST_F(ScanSessionTest, ACancelledScanInMemoryKeepsWhatItSavedMarkedUnfinished)
{
    ScanSession session;
    auto scan = request(false);
    scan.walkerOptions.batchSize = 3;
    scan.walkerOptions.maxConcurrentTasks = 0;
    scan.walkerOptions.beforeBatchSave = [&session](std::size_t number) {
        if (number == 2)
            QMetaObject::invokeMethod(
                &session, [&session] { session.cancel(); }, Qt::BlockingQueuedConnection);
    };
    session.start(scan);
    runUntil(session, &ScanSession::cancelFinished);

    const auto& outcome = session.outcome();
    ASSERT_TRUE(outcome.container);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.container->configuration().fileLocation.size());
    const auto saved = rowCount(*outcome.container);
    EXPECT_GT(saved, 0);
    EXPECT_LT(saved, 24);
    EXPECT_FALSE(SnapshotCompletion::isFinished(*outcome.container));
    auto previous = VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly);
    EXPECT_EQ(rowCount(*previous), 1) << "a scan in memory leaves the stored snapshot alone";
}

TEST_F(ScanSessionTest, ARootThatCannotBeListedIsRefusedBeforeTheStoreIsTouched)
{
    ScanSession session;
    auto scan = request();
    scan.root = tree_.path("missing/");
    session.start(scan);
    runUntil(session, &ScanSession::finished);
    EXPECT_FALSE(session.outcome().container);
    ASSERT_TRUE(session.outcome().error);
    EXPECT_THROW(std::rethrow_exception(session.outcome().error), ScanError);
    EXPECT_NE(ScanSession::describe(session.outcome().error).find("No such file or directory"), std::string::npos);

    // Root lists every directory; someone else meets a root they may enter but not list.
    ASSERT_EQ(::chmod(tree_.root().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(store_.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(tree_.path("root").c_str(), 0311), 0);
    const auto verdict = testing::runUnprivileged([this] {
        ScanSession unprivileged;
        unprivileged.start(request());
        runUntil(unprivileged, &ScanSession::finished);
        const bool refused
            = ScanSession::describe(unprivileged.outcome().error).find("Permission denied") != std::string::npos;
        auto kept = VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly);
        return refused && !unprivileged.outcome().container && rowCount(*kept) == 1;
    });
    ::chmod(tree_.path("root").c_str(), 0755);
    if (!verdict)
        GTEST_SKIP() << "could not drop root privileges";
    EXPECT_TRUE(*verdict) << "the previous snapshot survives";
}

} // namespace
} // namespace vistrel
