// The scan screen and the root view on Qt's offscreen platform, scanning small real trees
// into a per-user store under a temporary XDG_DATA_HOME.
#include "app/VistrelView.h"
#include "app/AppNavigationSplitView.h"
#include "app/PreferencesModel.h"
#include "app/VistrelMainWindow.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "ncdu/NcduImport.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "scanview/EarlierSnapshotsView.h"
#include "scanview/FocusRing.h"
#include "scanview/ScanScreenModel.h"
#include "scanview/UsageBar.h"
#include "scanview/VistrelScanView.h"
#include "services/Formats.h"
#include "services/Preferences.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"
#include "support/TemporaryTree.h"

#include "support/EventLoop.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace vistrel {
namespace {

using testing::ensureApplication;
using testing::TemporaryTree;
using testing::waitUntil;

std::int64_t storedRows(const std::string& store)
{
    auto container = VistrelModelContainer::shared().makeContainer(store, VistrelModelContainer::Access::readOnly);
    return container->makeContext()->count(std::nullopt);
}

class RootView : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        previous_
            = std::getenv("XDG_DATA_HOME") ? std::optional<std::string>(std::getenv("XDG_DATA_HOME")) : std::nullopt;
        ::setenv("XDG_DATA_HOME", tree_.path("data").c_str(), 1);
        for (int directory = 0; directory < 3; ++directory)
            for (int file = 0; file < 4; ++file)
                tree_.writeFile("scanned/d" + std::to_string(directory) + "/f" + std::to_string(file), 100);
        root_ = tree_.path("scanned/");
        preferences_ = std::make_unique<Preferences>(QString::fromStdString(tree_.path("preferences.conf")));
        store_ = VistrelModelContainer::onDiskStoreLocation(root_);
    }
    void TearDown() override
    {
        if (previous_)
            ::setenv("XDG_DATA_HOME", previous_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    // A stored snapshot of one item, as an earlier scan of `root` would leave it.
    std::shared_ptr<StoreContainer> storePreviousSnapshot(const std::string& root = {})
    {
        auto container = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readWrite,
                                                                             root.empty() ? root_ : root);
        auto context = container->makeContext();
        FileSystemRecord record;
        record.path = "/previous-file";
        record.level = 2;
        VistrelFile::insert(record, *context);
        context->save();
        return container;
    }

    TemporaryTree tree_;
    std::optional<std::string> previous_;
    std::string root_;
    std::string store_;
    std::unique_ptr<Preferences> preferences_;
};

TEST_F(RootView, AScanToDiskEndsInTheExplorerAndCloseAndReopenShowTheSameData)
{
    storePreviousSnapshot();
    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    window.show();
    VistrelView* view = window.rootView();
    EXPECT_FALSE(window.closeSnapshotAction()->isEnabled()) << "nothing to close on the scan screen";
    ASSERT_TRUE(waitUntil([&] { return view->scanScreenModel()->hasSnapshot(); }));
    EXPECT_TRUE(view->scanScreen()->openPreviousButton()->isVisibleTo(view->scanScreen()));

    QTest::mouseClick(view->scanScreen()->mainButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return view->shell() != nullptr; })) << "the scan ends in the explorer";
    EXPECT_TRUE(window.closeSnapshotAction()->isEnabled());
    ExplorerView* screen = view->shell()->currentScreen();
    EXPECT_EQ(screen->subtitle(), QString::fromStdString("Explorer: " + root_.substr(0, root_.size() - 1)))
        << "it opens where it scanned";
    EXPECT_TRUE(
        view->shell()->sidebar()->item(0)->text().endsWith(QString::fromStdString(root_.substr(0, root_.size() - 1))))
        << "the sidebar names the folder, without a stray slash";
    ASSERT_TRUE(waitUntil([&] { return screen->tableViewModel()->files().size() == 3; }));
    EXPECT_EQ(storedRows(store_), 15) << "the previous snapshot was replaced";

    view->shell()->navigationModel()->push(ExplorerNavigationDestination::explorer(FileUrl(root_ + "d0/")));
    window.closeSnapshotAction()->trigger();
    ASSERT_TRUE(view->scanScreen());
    ASSERT_TRUE(waitUntil([&] { return view->scanScreenModel()->showsOpenPreviousSnapshot(); }));
    QTest::mouseClick(view->scanScreen()->openPreviousButton(), Qt::LeftButton);
    ASSERT_TRUE(view->shell());
    EXPECT_TRUE(view->shell()->navigationModel()->navigationPath().empty()) << "a fresh navigation path";
    ASSERT_TRUE(waitUntil([&] { return view->shell()->currentScreen()->tableViewModel()->files().size() == 3; }));
}

TEST_F(RootView, TheScanScreenSaysWhenTheSnapshotWasMadeAndListsEarlierOnes)
{
    storePreviousSnapshot();
    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    window.show();
    VistrelView* view = window.rootView();
    ScanScreenModel* model = view->scanScreenModel();
    ASSERT_TRUE(waitUntil([&] { return model->hasSnapshot(); }));
    EXPECT_TRUE(model->snapshotSummary().isEmpty()) << "a snapshot that does not say when it was made";
    EXPECT_TRUE(model->earlierSnapshots().empty());
    model->mainButtonAction();
    ASSERT_TRUE(waitUntil([&] { return view->shell() != nullptr; }));
    window.closeSnapshotAction()->trigger();
    model = view->scanScreenModel(); // a new scan screen
    ASSERT_TRUE(waitUntil([&] { return model->earlierSnapshots().size() == 1; }));
    EXPECT_TRUE(model->snapshotSummary().startsWith(QStringLiteral("Scanned ")))
        << model->snapshotSummary().toStdString();
    EXPECT_TRUE(model->snapshotSummary().endsWith(QStringLiteral(", 15 items")))
        << model->snapshotSummary().toStdString();
    EXPECT_TRUE(view->scanScreen()->snapshotSummary()->isVisibleTo(view->scanScreen()));
    EarlierSnapshotsView* earlier = view->scanScreen()->earlierSnapshots();
    ASSERT_TRUE(earlier->isVisibleTo(view->scanScreen()));
    EXPECT_EQ(earlier->list()->accessibleName(), QStringLiteral("Earlier snapshots"));
    ASSERT_EQ(earlier->list()->topLevelItemCount(), 1);
    EXPECT_EQ(earlier->list()->topLevelItem(0)->text(1), QStringLiteral("—")) << "the old one kept no counts";
    const std::string kept = model->earlierSnapshots()[0].location;

    // From the keyboard: Return on the list opens the earlier snapshot.
    earlier->list()->setFocus();
    QTest::keyClick(earlier->list(), Qt::Key_Return);
    ASSERT_TRUE(view->shell());
    EXPECT_EQ(view->container()->configuration().fileLocation, kept);
    EXPECT_EQ(storedRows(kept), 1);
    EXPECT_FALSE(view->cleanup()) << "nothing is cleaned up from the past";
    bool said = false;
    for (const QLabel* label : window.findChildren<QLabel*>())
        said = said || label->text().startsWith(QStringLiteral("This is an earlier snapshot, of an unknown date"));
    EXPECT_TRUE(said) << "the screen says what it shows";
    window.closeSnapshotAction()->trigger();
    model = view->scanScreenModel();
    ASSERT_TRUE(waitUntil([&] { return model->earlierSnapshots().size() == 1; }));
    earlier = view->scanScreen()->earlierSnapshots();
    EXPECT_TRUE(model->deleteEarlierSnapshot(0));
    EXPECT_TRUE(model->earlierSnapshots().empty());
    EXPECT_FALSE(earlier->isVisibleTo(view->scanScreen()));
    struct stat status { };
    EXPECT_NE(::stat(kept.c_str(), &status), 0);
    EXPECT_EQ(storedRows(store_), 15) << "the current snapshot stays";
}

// The count set in Preferences is what each scan from the window keeps.
TEST_F(RootView, TheHistoryKeepsAsManySnapshotsAsThePreferenceSays)
{
    PreferencesModel editing(preferences_.get());
    EXPECT_EQ(editing.historyKeepCount(), 5) << "the default";
    editing.setHistoryKeepCount(-3);
    EXPECT_EQ(editing.historyKeepCount(), 0);
    editing.setHistoryKeepCount(1);
    ASSERT_TRUE(editing.apply());
    EXPECT_EQ(preferences_->historyKeepCount(), 1);
    VistrelView view(preferences_.get(), root_);
    for (int scan = 0; scan < 3; ++scan) {
        ASSERT_TRUE(waitUntil([&] { return view.scanScreenModel()->mainButtonEnabled(); }));
        view.scanScreenModel()->mainButtonAction();
        ASSERT_TRUE(waitUntil([&] { return view.shell() != nullptr; }));
        view.closeSnapshot();
    }
    ASSERT_TRUE(waitUntil([&] { return view.scanScreenModel()->earlierSnapshots().size() == 1; }));
    editing.setHistoryKeepCount(0);
    ASSERT_TRUE(editing.apply());
    view.scanScreenModel()->mainButtonAction();
    ASSERT_TRUE(waitUntil([&] { return view.shell() != nullptr; }));
    view.closeSnapshot();
    EXPECT_TRUE(waitUntil([&] { return view.scanScreenModel()->hasSnapshot(); }));
    EXPECT_TRUE(view.scanScreenModel()->earlierSnapshots().empty()) << "0 keeps none";
}

// vistrel FILE.json: an ncdu export read into memory with the scan screen's progress.
TEST_F(RootView, AnNcduExportOpensInTheExplorerAndABadOneSaysWhere)
{
    const std::string good = tree_.path("good.json");
    std::ofstream(good) << "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"/imported\",\"dsize\":4096},"
                           "{\"name\":\"a\",\"asize\":10,\"dsize\":4096},[{\"name\":\"d\",\"dsize\":4096},"
                           "{\"name\":\"b\",\"asize\":5000,\"dsize\":8192}]]]";
    const std::string bad = tree_.path("bad.json");
    std::ofstream(bad) << "[1,2,{},[{\"name\":\"/imported\"},{\"name\":\"a/b\"}]]";
    EXPECT_TRUE(NcduImport::looksLikeExport(good));
    EXPECT_FALSE(NcduImport::looksLikeExport(tree_.path("preferences.conf")));

    VistrelView view(preferences_.get(), root_);
    view.scanScreenModel()->openExport(bad);
    EXPECT_EQ(view.scanScreenModel()->mainButtonTitle(), QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([&] { return !view.scanScreenModel()->scanProblem().isEmpty(); }));
    EXPECT_TRUE(view.scanScreenModel()->scanProblem().contains(QStringLiteral("cannot be read as an ncdu export")));
    EXPECT_TRUE(view.scanScreenModel()->scanProblem().contains(QStringLiteral("at byte 30")))
        << view.scanScreenModel()->scanProblem().toStdString();
    EXPECT_EQ(view.scanScreenModel()->state(), ScanScreenModel::ViewState::idle);
    EXPECT_FALSE(view.shell());

    view.scanScreenModel()->openExport(good);
    ASSERT_TRUE(waitUntil([&] { return view.shell() != nullptr; }));
    EXPECT_TRUE(view.container()->configuration().inMemoryOnly);
    ExplorerView* screen = view.shell()->currentScreen();
    EXPECT_EQ(screen->subtitle(), QStringLiteral("Explorer: /imported"));
    ASSERT_TRUE(waitUntil([&] { return screen->tableViewModel()->files().size() == 2; }));
    EXPECT_EQ(SnapshotCompletion::rootTotals(*view.container())->totalAllocatedSize, 3 * 4096 + 8192);
    // Its paths may name other files here: nothing is cleaned up from it, and the screen says so.
    EXPECT_FALSE(view.cleanup());
    bool said = false;
    for (const QLabel* label : screen->findChildren<QLabel*>())
        said = said || label->text().startsWith(QStringLiteral("This snapshot was read from an export made by ncdu:"));
    EXPECT_TRUE(said);
}

TEST_F(RootView, CancellingGoesIdleStepByStepAndOffersThePreviousSnapshot)
{
    storePreviousSnapshot();
    // Enough directories that the walk is still going when the cancel arrives.
    for (int index = 0; index < 400; ++index)
        tree_.writeFile("scanned/many/m" + std::to_string(index) + "/f", 1);
    VistrelView view(preferences_.get(), root_);
    ScanScreenModel* model = view.scanScreenModel();
    std::vector<ScanScreenModel::ViewState> states{model->state()};
    QObject::connect(model, &ScanScreenModel::changed, [&] {
        if (model->state() != states.back())
            states.push_back(model->state());
    });
    model->mainButtonAction();
    EXPECT_EQ(model->state(), ScanScreenModel::ViewState::scanning);
    EXPECT_EQ(model->mainButtonTitle(), QStringLiteral("Cancel"));
    model->mainButtonAction();
    EXPECT_EQ(model->state(), ScanScreenModel::ViewState::cancelling);
    EXPECT_FALSE(model->mainButtonEnabled());
    ASSERT_TRUE(waitUntil([&] { return model->state() == ScanScreenModel::ViewState::idle; }));
    EXPECT_FALSE(view.shell()) << "a cancelled scan to disk has nothing to explore";
    EXPECT_TRUE(waitUntil([&] { return model->hasSnapshot(); })) << "the previous snapshot is offered again";
    using State = ScanScreenModel::ViewState;
    EXPECT_EQ(states, (std::vector<State>{State::idle, State::scanning, State::cancelling, State::idle}))
        << "each step once, and no scan after the cancel";
    EXPECT_EQ(storedRows(store_), 1) << "a cancelled scan to disk leaves the previous snapshot as it was";
}

TEST_F(RootView, AScanInMemoryLeavesTheStoredSnapshotAndReadsTheSettingOnce)
{
    storePreviousSnapshot();
    preferences_->setPersistedSnapshot(false);
    VistrelView view(preferences_.get(), root_);
    ScanScreenModel* model = view.scanScreenModel();
    model->mainButtonAction();
    model->setPersistedSnapshot(true); // changed during the scan: this scan stays in memory
    ASSERT_TRUE(waitUntil([&] { return view.shell() != nullptr; }));
    EXPECT_EQ(storedRows(store_), 1) << "the stored snapshot is untouched";
    auto stored = VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly);
    EXPECT_TRUE(VistrelFile::snapshotExists(stored->mainContext())) << "and can still be opened";
    EXPECT_TRUE(preferences_->persistedSnapshot());
}

TEST_F(RootView, ADamagedStoreIsOfferedForDeletionInsteadOfStoppingTheApplication)
{
    ::mkdir(tree_.path("data").c_str(), 0700);
    ::mkdir(tree_.path("data/org.vistrel.Vistrel").c_str(), 0700);
    std::ofstream(store_, std::ios::binary) << std::string(8192, 'z');
    VistrelView view(preferences_.get(), root_);
    ScanScreenModel* model = view.scanScreenModel();
    ASSERT_TRUE(waitUntil([&] { return !model->storeProblem().isEmpty(); }));
    EXPECT_TRUE(model->storeProblem().contains(QStringLiteral("is damaged"))) << model->storeProblem().toStdString();
    EXPECT_FALSE(model->storeProblem().contains(QStringLiteral("ModelContainer"))) << "the user's words";
    EXPECT_TRUE(model->storeCanBeDeleted());
    EXPECT_FALSE(model->hasSnapshot());
    model->deleteStoredSnapshot();
    ASSERT_TRUE(waitUntil([&] { return model->storeProblem().isEmpty(); }));
    struct stat status { };
    EXPECT_NE(::stat(store_.c_str(), &status), 0) << "the damaged file is gone";
    EXPECT_EQ(UsageBar::filledWidth(0, 0, 600), 20) << "a total of 0 still shows 20 points";
    EXPECT_EQ(UsageBar::filledWidth(50, 100, 600), 300);
}

// A store another scan writes is not damaged: nothing offers to delete it, and the screen
// offers the snapshot again by itself once that scan lets go.
TEST_F(RootView, AStoreAnotherScanWritesIsOfferedAgainWhenItIsFree)
{
    storePreviousSnapshot();
    auto writer = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::scanning, root_);
    VistrelView view(preferences_.get(), root_);
    ScanScreenModel* model = view.scanScreenModel();
    ASSERT_TRUE(waitUntil([&] { return !model->storeProblem().isEmpty(); }));
    EXPECT_TRUE(model->storeProblem().startsWith(QStringLiteral("Another scan is writing the snapshot store")))
        << model->storeProblem().toStdString();
    EXPECT_FALSE(model->storeCanBeDeleted());
    EXPECT_FALSE(model->showsOpenPreviousSnapshot());
    writer.reset();
    ASSERT_TRUE(waitUntil([&] { return model->storeProblem().isEmpty(); }, 3 * ScanScreenModel::storeRecheckInterval));
    EXPECT_TRUE(model->showsOpenPreviousSnapshot());
}

// The screen offers the snapshot of the root chosen, and a scan walks that root.
TEST_F(RootView, ChoosingAnotherRootOffersItsOwnSnapshot)
{
    storePreviousSnapshot();
    VistrelView view(preferences_.get(), root_);
    ScanScreenModel* model = view.scanScreenModel();
    ASSERT_TRUE(waitUntil([&] { return model->hasSnapshot(); }));
    ASSERT_TRUE(waitUntil([&] { return !model->volumes().empty(); })) << "the mounted volumes are listed";
    EXPECT_EQ(model->volumes().front().root, "/");
    EXPECT_EQ(model->selectedVolume(), -1) << "a folder, not a mount point";

    tree_.writeFile("other/file", 10);
    QSignalSpy changes(model, &ScanScreenModel::changed);
    model->selectRoot(tree_.path("other"));
    EXPECT_EQ(model->root(), tree_.path("other/"));
    EXPECT_FALSE(model->hasSnapshot()) << "the other root has none";
    ASSERT_EQ(changes.count(), 1) << "the previous root's figures are cleared at once";
    ASSERT_TRUE(waitUntil([&] { return changes.count() > 1; })) << "the other root's look arrives";
    EXPECT_FALSE(model->hasSnapshot());
    model->selectRoot("/");
    EXPECT_EQ(model->selectedVolume(), 0);
    model->selectRoot(root_);
    ASSERT_TRUE(waitUntil([&] { return model->hasSnapshot(); })) << "and back to the first root's";
}

// Home Folder and the folders scanned lately sit beside the volumes; one click scans one,
// and Return works on the focused button or row as Space does.
TEST_F(RootView, HomeFolderAndRecentFoldersScanInOneStep)
{
    const std::optional<std::string> home
        = std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
    tree_.writeFile("home/notes.txt", 500);
    tree_.writeFile("elsewhere/gone-soon/x", 10);
    ::setenv("HOME", tree_.path("home").c_str(), 1);
    preferences_->addRecentFolder(tree_.path("elsewhere/gone-soon/"));
    preferences_->addRecentFolder(root_);
    std::filesystem::remove_all(tree_.path("elsewhere/gone-soon"));
    ScanScreenModel model(preferences_.get(), root_);
    model.appear();
    ASSERT_TRUE(waitUntil([&] { return !model.places().empty(); }));
    std::vector<std::string> roots;
    for (const auto& place : model.places())
        roots.push_back(place.root);
    EXPECT_EQ(roots, (std::vector<std::string>{tree_.path("home/"), root_}))
        << "home first; a folder that is gone, not at all";
    EXPECT_EQ(model.places().front().name, QStringLiteral("Home Folder"));

    std::shared_ptr<StoreContainer> opened;
    QObject::connect(&model, &ScanScreenModel::containerReady, [&](std::shared_ptr<StoreContainer> c) { opened = c; });
    model.scanFolder(model.places().front().root);
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; })) << "chosen is scanned";
    EXPECT_EQ(SnapshotCompletion::scanRoot(*opened), tree_.path("home/"));
    EXPECT_EQ(preferences_->recentFolders().front(), tree_.path("home/")) << "remembered, newest first";
    home ? ::setenv("HOME", home->c_str(), 1) : ::unsetenv("HOME");

    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    window.show();
    VistrelScanView* screen = window.rootView()->scanScreen();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    screen->mainButton()->setFocus();
    // The focused control has a ring around it that one can see.
    QPointer<FocusRing> ring = screen->findChild<FocusRing*>();
    ASSERT_NE(ring, nullptr);
    ASSERT_TRUE(waitUntil([&] { return ring->target() == screen->mainButton() && ring->isVisible(); }));
    EXPECT_TRUE(ring->geometry().contains(
        QRect(screen->mainButton()->mapTo(screen, QPoint(0, 0)), screen->mainButton()->size())));
    QTest::keyClick(screen->mainButton(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return window.rootView()->shell() != nullptr; })) << "Return on Scan scans";
    EXPECT_TRUE(!ring || !ring->isVisible()) << "the focus left the scan screen";
}

// Update checks stay off until the person turns them on, and only builds that check at all
// offer them; saving Preferences tells the window, which starts or stops the schedule.
TEST_F(RootView, UpdateChecksAreOffUntilTurnedOnInPreferences)
{
    EXPECT_FALSE(preferences_->automaticUpdateChecks()) << "never asked, never set";
    PreferencesModel notOffered(preferences_.get());
    notOffered.setAutomaticUpdateChecks(true);
    ASSERT_TRUE(notOffered.apply());
    EXPECT_FALSE(preferences_->automaticUpdateChecks()) << "a build without update checks saves none";

    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    window.setUpdateChecksOffered(true);
    std::vector<bool> heard;
    QObject::connect(&window, &VistrelMainWindow::automaticUpdateChecksChanged, [&](bool on) { heard.push_back(on); });
    window.openPreferences(preferences_.get());
    ASSERT_TRUE(window.preferencesDialog());
    QCheckBox* daily = window.preferencesDialog()->findChild<QCheckBox*>();
    ASSERT_TRUE(daily);
    EXPECT_FALSE(daily->isChecked());
    EXPECT_FALSE(daily->accessibleName().isEmpty());
    daily->setChecked(true);
    auto* buttons = window.preferencesDialog()->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(heard, std::vector<bool>{true});
    EXPECT_EQ(preferences_->automaticUpdateChecks(), true);
}

// The folders to leave out are edited as lines, refused while a line is unusable, and the
// next scan from the window leaves them out.
TEST_F(RootView, PreferencesExclusionsReachTheNextScan)
{
    PreferencesModel editing(preferences_.get());
    editing.setExclusionsText(QStringLiteral("  d1  \n\n[broken\n"));
    EXPECT_EQ(editing.problem().left(7), QStringLiteral("Line 3:"));
    EXPECT_FALSE(editing.apply());
    EXPECT_TRUE(preferences_->exclusionPatterns().isEmpty()) << "nothing saved while a line is unusable";
    editing.setExclusionsText(QStringLiteral("  d1  \n\n"));
    EXPECT_TRUE(editing.problem().isEmpty());
    ASSERT_TRUE(editing.apply());
    EXPECT_EQ(preferences_->exclusionPatterns(), QStringList{QStringLiteral("d1")}) << "trimmed, blank lines dropped";
    EXPECT_EQ(PreferencesModel(preferences_.get()).exclusionsText(), QStringLiteral("d1"));

    VistrelView view(preferences_.get(), root_);
    view.scanScreenModel()->mainButtonAction();
    ASSERT_TRUE(waitUntil([&] { return view.shell() != nullptr; }));
    auto stored = VistrelModelContainer::shared().makeContainer(store_, VistrelModelContainer::Access::readOnly);
    EXPECT_EQ(SnapshotCompletion::exclusions(*stored), std::vector<std::string>{"d1"});
    const auto d1 = VistrelFile::file(FileUrl(root_ + "d1/"), stored->mainContext());
    ASSERT_TRUE(d1);
    EXPECT_FALSE(d1->totalAllocatedSize) << "left out, so without figures";
    EXPECT_FALSE(VistrelFile::file(FileUrl(root_ + "d1/f0"), stored->mainContext())) << "and not walked";
}

// With a finished snapshot of the whole volume, the scan screen says where its used space
// went; a folder's snapshot cannot say it.
TEST_F(RootView, TheScanScreenSplitsTheUsedSpaceAgainstAWholeVolumesSnapshot)
{
    {
        auto container = storePreviousSnapshot("/");
        SnapshotCompletion::recordScanRoot(*container, "/");
        SnapshotCompletion::recordRootTotals(*container, {1, 4096, 4096});
        SnapshotCompletion::markFinished(*container, 0);
    }
    VistrelView volume(preferences_.get(), "/");
    ASSERT_TRUE(waitUntil([&] { return !volume.scanScreenModel()->usedSpaceText().isEmpty(); }));
    EXPECT_TRUE(
        volume.scanScreenModel()->usedSpaceText().contains(Formats::byteCount(4096) + QStringLiteral(" scanned")))
        << volume.scanScreenModel()->usedSpaceText().toStdString();

    storePreviousSnapshot();
    VistrelView folder(preferences_.get(), root_);
    ASSERT_TRUE(waitUntil([&] { return folder.scanScreenModel()->hasSnapshot(); }));
    EXPECT_TRUE(folder.scanScreenModel()->usedSpaceText().isEmpty());
}

TEST_F(RootView, CtrlXInTheFilterFieldCutsTextAndTheSnapshotStaysOpen)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    VistrelMainWindow window(preferences_.get(), container, root_);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QLineEdit* field = window.shell()->currentScreen()->searchField();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    field->selectAll();
    QTest::keySequence(field, QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(field->text(), QString()) << "the text was cut";
    EXPECT_TRUE(window.rootView()->hasSnapshot()) << "the snapshot stays open";
}

// Screen readers know the controls only by the names they are given; the flow works by keys.
TEST_F(RootView, TheScanScreenIsNamedAndWorksFromTheKeyboard)
{
    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    window.show();
    VistrelScanView* screen = window.rootView()->scanScreen();
    QStringList unnamed;
    int checked = 0;
    for (QWidget* widget : screen->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QProgressBar*>(widget)
            || qobject_cast<UsageBar*>(widget);
        if (!control)
            continue;
        ++checked;
        if (widget->accessibleName().isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className());
    }
    EXPECT_GE(checked, 6);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
    EXPECT_FALSE(screen->storeOnDisk()->toolTip().isEmpty()) << "the storage choice explains itself";
    EXPECT_TRUE(window.applicationIconAction()->isVisible()) << "the scan screen shows the icon, not Back";
    EXPECT_FALSE(window.backAction()->isVisible());

    screen->mainButton()->setFocus();
    QTest::keyClick(screen->mainButton(), Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return window.rootView()->shell() != nullptr; })) << "Space on Scan scans";
    EXPECT_TRUE(window.backAction()->isVisible());
    EXPECT_FALSE(window.applicationIconAction()->isVisible());
    QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_W));
    ASSERT_TRUE(waitUntil([&] { return window.rootView()->scanScreen() != nullptr; })) << "Ctrl+W closes the snapshot";
    EXPECT_EQ(window.rootView()->scanScreenModel()->root(), root_) << "back on the root it closed";
}

// With no browser to start, Help still tells where the help is.
TEST_F(RootView, HelpWithoutABrowserShowsTheAddress)
{
    VistrelMainWindow window(preferences_.get(), nullptr, root_);
    QUrl asked;
    window.setUrlOpener([&](const QUrl& url) {
        asked = url;
        return true;
    });
    window.openHelp();
    EXPECT_EQ(asked.scheme(), QStringLiteral("https"));
    EXPECT_EQ(window.helpFailureMessage(), nullptr) << "an opened browser needs no message";

    window.setUrlOpener([](const QUrl&) { return false; });
    window.openHelp();
    ASSERT_NE(window.helpFailureMessage(), nullptr);
    EXPECT_TRUE(window.helpFailureMessage()->text().contains(QStringLiteral("No web browser could be started")));
    EXPECT_TRUE(window.helpFailureMessage()->text().contains(asked.toString()));
}

} // namespace
} // namespace vistrel
