// The explorer's screens on Qt's offscreen platform, against real snapshots.
#include "ExplorerTestSupport.h"

#include "app/AppNavigationSplitView.h"
#include "app/VistrelMainWindow.h"
#include "details/ExplorerDetailsContentView.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerPathBarView.h"
#include "explorer/ExplorerTableItemModel.h"
#include "explorer/ExplorerTableView.h"
#include "explorer/ExplorerTableViewModel.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "explorer/TextTone.h"
#include "explorer/UnmeasuredFolders.h"
#include "mapview/MapModel.h"
#include "mapview/MapView.h"
#include "services/Formats.h"
#include "services/Preferences.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotReader.h"

#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QTreeView>

#include <cmath>
#include <functional>
#include <map>

namespace vistrel {
namespace {

using namespace testing;

QStringList menuTexts(QMenu* menu)
{
    QStringList texts;
    if (!menu)
        return texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    delete menu;
    return texts;
}

class ExplorerScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        std::vector<FileSystemRecord> records{item("/usr/", 0, 1002), item("/usr/share/", 5000, 1),
                                              item("/usr/share/doc", 5000), item("/usr/lib/", 3000, 1),
                                              item("/usr/lib/libx.so", 3000)};
        for (int index = 0; index < 1000; ++index)
            records.push_back(item("/usr/file" + std::to_string(index), 1));
        container_ = snapshotOf(records);
        environment_.reader = std::make_shared<SnapshotReader>(container_);
        environment_.navigationModel = &navigation_;
    }

    std::unique_ptr<ExplorerView> screen(const std::string& root)
    {
        auto view = std::make_unique<ExplorerView>(environment_, FileUrl(root), std::nullopt);
        view->resize(1000, 600);
        view->show();
        view->refresh();
        EXPECT_TRUE(waitUntil([&] { return !view->tableViewModel()->files().empty(); }));
        return view;
    }

    // Once no filter pass waits for the typing to pause or runs, and the reader has delivered
    // what it was asked before.
    bool tableSettled(ExplorerView& view)
    {
        const ExplorerTableViewModel* table = view.tableViewModel();
        return waitUntil([&] { return !table->debouncing() && !table->filteringAndSorting(); })
            && settle(*environment_.reader);
    }

    std::shared_ptr<StoreContainer> container_;
    NavigationModel navigation_;
    ExplorerEnvironment environment_;
};

TEST_F(ExplorerScreens, QuickKeystrokesStartOnePassAndASortChangeOneAtOnce)
{
    auto view = screen("/usr/");
    int passes = 0;
    QObject::connect(view->tableViewModel(), &ExplorerTableViewModel::rowsReordered, [&passes] { ++passes; });
    QTest::keyClicks(view->searchField(), QStringLiteral("lib"), Qt::NoModifier, 20);
    EXPECT_EQ(passes, 0) << "nothing before the typing pauses";
    ASSERT_TRUE(waitUntil([&] { return passes > 0; }));
    ASSERT_TRUE(tableSettled(*view));
    EXPECT_EQ(passes, 1) << "one pass, for the final text only";
    const auto& rows = view->tableViewModel()->files();
    const auto shown = std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row->show; });
    EXPECT_EQ(shown, 1) << "only lib/ matches";

    view->tableViewModel()->sortBy(KeyPathComparator::Key::name);
    ASSERT_TRUE(waitUntil([&] { return passes == 2; }, 100)) << "a sort change starts a pass at once";

    QTest::keyClicks(view->searchField(), QStringLiteral("zzz"));
    ASSERT_TRUE(waitUntil(
        [&] { return view->table()->tree()->isRowHidden(0, {}) && !view->tableViewModel()->filteringAndSorting(); }));
    EXPECT_TRUE(view->tableViewModel()->showsNoResults());
    view->searchField()->clear();
    ASSERT_TRUE(waitUntil([&] { return !view->table()->tree()->isRowHidden(0, {}); }));
    EXPECT_FALSE(view->tableViewModel()->showsNoResults());
}

TEST_F(ExplorerScreens, SelectionFeedsTheDetailsAndOtherFilesEmptiesThem)
{
    auto view = screen("/usr/");
    QTreeView* tree = view->table()->tree();
    ExplorerTableItemModel* model = view->table()->itemModel();
    // Opened for no item in particular, the screen starts on its first row, the largest.
    ASSERT_TRUE(waitUntil([&] { return view->model()->selectedDetailsFile().has_value(); }));
    EXPECT_EQ(view->model()->selectedDetailsFile()->id, "/usr/share/");
    EXPECT_EQ(tree->currentIndex().row(), 0);
    EXPECT_TRUE(tree->selectionModel()->isRowSelected(0, {}));
    EXPECT_TRUE(waitUntil([&] { return !view->details()->showsEmptyState(); })) << "the panel follows once read";

    const int last = model->rowCount() - 1;
    EXPECT_TRUE(model->index(last, 0).data(ExplorerTableItemModel::isOthersRole).toBool());
    tree->setCurrentIndex(model->index(last, 0));
    EXPECT_FALSE(view->model()->selectedDetailsFile()) << "the aggregate row has no details, nor another row's";
    EXPECT_TRUE(view->details()->showsEmptyState());

    tree->setCurrentIndex(model->index(0, 0));
    ASSERT_TRUE(waitUntil([&] { return view->model()->selectedDetailsFile().has_value(); }));
    // Deselected as a person does it: Ctrl+click on the selected row.
    const QRect selected = tree->visualRect(model->index(0, 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, selected.center());
    EXPECT_FALSE(tree->selectionModel()->hasSelection());
    EXPECT_FALSE(view->model()->selectedDetailsFile());
    EXPECT_TRUE(view->details()->showsEmptyState());
}

// A highlight goes with the text that made it, and the arrow points down while the largest
// come first.
TEST_F(ExplorerScreens, ClearedFilterLeavesNoHighlightAndTheSortArrowPointsDown)
{
    auto view = screen("/usr/");
    QTreeView* tree = view->table()->tree();
    ASSERT_TRUE(tableSettled(*view));
    const QImage plain = tree->viewport()->grab().toImage();
    QTest::keyClicks(view->searchField(), QStringLiteral("sha"));
    ASSERT_TRUE(tableSettled(*view));
    EXPECT_NE(tree->viewport()->grab().toImage(), plain) << "the match is highlighted";
    view->searchField()->clear();
    ASSERT_TRUE(tableSettled(*view));
    EXPECT_EQ(tree->viewport()->grab().toImage(), plain) << "no highlight once the field is empty";

    // Qt's header draws an ascending indicator as a down arrow.
    EXPECT_EQ(tree->header()->sortIndicatorSection(), ExplorerTableItemModel::sizeColumn);
    EXPECT_EQ(tree->header()->sortIndicatorOrder(), Qt::AscendingOrder) << "largest first: down";
    view->tableViewModel()->sortBy(KeyPathComparator::Key::name);
    ASSERT_TRUE(waitUntil([&] { return !view->tableViewModel()->filteringAndSorting(); }));
    EXPECT_EQ(tree->header()->sortIndicatorOrder(), Qt::DescendingOrder) << "A first: up";
}

TEST_F(ExplorerScreens, ContextMenusAndThePathBar)
{
    auto view = screen("/usr/");
    ExplorerTableItemModel* model = view->table()->itemModel();
    const QStringList directory = menuTexts(view->table()->makeContextMenu(model->index(0, 0)));
    EXPECT_EQ(directory, (QStringList{"Set as current directory", "-", "Open in File Manager", "Copy path"}));
    const QStringList file = menuTexts(view->table()->makeContextMenu(model->index(2, 0)));
    EXPECT_EQ(file, (QStringList{"Open in File Manager", "Copy path"}));
    EXPECT_TRUE(menuTexts(view->table()->makeContextMenu(model->index(model->rowCount() - 1, 0))).isEmpty())
        << "no menu for Other files";

    view->table()->tree()->setCurrentIndex(model->index(0, 0));
    QTest::keyClick(view->table()->tree(), Qt::Key_Return);
    ASSERT_EQ(navigation_.navigationPath().size(), 1u) << "Return opens the directory";
    EXPECT_EQ(navigation_.navigationPath().back().root.path(), "/usr/share/");

    auto deeper = screen("/usr/share/");
    auto buttons = deeper->findChildren<QToolButton*>();
    const auto button = [&](const QString& name) -> QToolButton* {
        for (QToolButton* candidate : buttons)
            if (candidate->accessibleName() == name)
                return candidate;
        return nullptr;
    };
    ASSERT_TRUE(button(QStringLiteral("share")));
    button(QStringLiteral("share"))->click();
    EXPECT_EQ(navigation_.navigationPath().size(), 1u) << "the current directory itself does nothing";
    ASSERT_TRUE(button(QStringLiteral("usr")));
    button(QStringLiteral("usr"))->click();
    ASSERT_EQ(navigation_.navigationPath().size(), 2u);
    EXPECT_EQ(navigation_.navigationPath().back().root.path(), "/usr/");
    EXPECT_EQ(deeper->subtitle(), QStringLiteral("Explorer: /usr/share")) << "no stray slash";
}

TEST_F(ExplorerScreens, BackspaceEditsTheFieldAndGoesBackElsewhere)
{
    VistrelMainWindow window(nullptr, container_);
    window.show();
    AppNavigationSplitView* shell = window.shell();
    shell->navigationModel()->push(ExplorerNavigationDestination::explorer(FileUrl("/usr/")));
    ASSERT_EQ(shell->screenCount(), 2);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vistrel — Explorer: /usr"));
    QLineEdit* field = shell->currentScreen()->searchField();
    window.activateWindow();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), QStringLiteral("a"));
    EXPECT_EQ(shell->screenCount(), 2) << "Backspace in a text field edits it";
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty()) << "Escape clears the field";
    EXPECT_EQ(window.focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(window.focusWidget(), shell->currentScreen()->table()->tree()) << "a second Escape returns to the rows";
    EXPECT_EQ(shell->screenCount(), 2);

    shell->currentScreen()->table()->tree()->setFocus();
    QTest::keyClick(shell->currentScreen()->table()->tree(), Qt::Key_Backspace);
    ASSERT_TRUE(waitUntil([&] { return shell->screenCount() == 1; }));
    EXPECT_TRUE(shell->navigationModel()->navigationPath().empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vistrel — Explorer: /"));
    EXPECT_FALSE(window.backAction()->isEnabled());
}

// Coming back, the row left selected is highlighted again and the details show it; a row
// inside a folded folder is stood for by that folder.
TEST_F(ExplorerScreens, BackSelectsTheRowLeftSelectedAndTheDetailsAgree)
{
    VistrelMainWindow window(nullptr, container_);
    window.show();
    AppNavigationSplitView* shell = window.shell();
    shell->navigationModel()->push(ExplorerNavigationDestination::explorer(FileUrl("/usr/")));
    ExplorerView* usr = shell->currentScreen();
    ASSERT_TRUE(waitUntil([&] { return !usr->tableViewModel()->files().empty(); }));
    QTreeView* tree = usr->table()->tree();
    const auto selectPath = [&](const QString& path) {
        for (int row = 0; row < tree->model()->rowCount(); ++row)
            if (tree->model()->index(row, 0).data(ExplorerTableItemModel::pathRole).toString() == path)
                tree->setCurrentIndex(tree->model()->index(row, 0));
    };
    const auto selectedRowPath = [&] {
        const QModelIndexList rows = tree->selectionModel()->selectedRows();
        return rows.isEmpty() ? QString() : rows.front().data(ExplorerTableItemModel::pathRole).toString();
    };
    int resets = 0;
    QObject::connect(usr->tableViewModel(), &ExplorerTableViewModel::rowsReset, [&resets] { ++resets; });
    selectPath(QStringLiteral("/usr/file7"));
    ASSERT_TRUE(waitUntil([&] { return usr->model()->selectedDetailsFile().has_value(); }));

    shell->navigationModel()->push(ExplorerNavigationDestination::explorer(FileUrl("/usr/lib/")));
    ASSERT_EQ(shell->screenCount(), 3);
    window.backAction()->trigger();
    ASSERT_EQ(shell->currentScreen(), usr);
    ASSERT_TRUE(waitUntil([&] { return resets == 1; })) << "the rows are built anew";
    EXPECT_EQ(selectedRowPath(), QStringLiteral("/usr/file7"));
    ASSERT_TRUE(waitUntil([&] { return usr->model()->selectedDetailsFile().has_value(); }));
    EXPECT_EQ(usr->model()->selectedDetailsFile()->id, "/usr/file7");

    // A file inside lib/, selected after unfolding it, comes back as lib/.
    selectPath(QStringLiteral("/usr/lib/"));
    tree->expand(tree->currentIndex());
    ASSERT_TRUE(waitUntil([&] { return tree->model()->rowCount(tree->currentIndex()) == 1; }));
    tree->setCurrentIndex(tree->model()->index(0, 0, tree->currentIndex()));
    ASSERT_EQ(selectedRowPath(), QStringLiteral("/usr/lib/libx.so"));
    shell->navigationModel()->push(ExplorerNavigationDestination::explorer(FileUrl("/usr/share/")));
    window.backAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return resets == 2; }));
    EXPECT_EQ(selectedRowPath(), QStringLiteral("/usr/lib/"));
    ASSERT_TRUE(waitUntil([&] {
        return usr->model()->selectedDetailsFile() && usr->model()->selectedDetailsFile()->id == "/usr/lib/";
    })) << "the details agree with the highlighted row";
}

// Both sizes side by side: the apparent one is a column to show from the header's menu, kept
// with the header's layout for the next screens, and sortable like the others.
TEST_F(ExplorerScreens, TheHeaderMenuShowsTheApparentSizeAndEveryScreenKeepsIt)
{
    TemporaryTree folder;
    Preferences preferences(QString::fromStdString(folder.path("preferences.conf")));
    auto sparse = item("/big/sparse", 4096);
    sparse.totalSize = 1'000'000'000;
    auto dense = item("/big/dense", 8192);
    dense.totalSize = 8000;
    environment_.reader = std::make_shared<SnapshotReader>(snapshotOf({item("/big/", 12288, 2), sparse, dense}));
    environment_.preferences = &preferences;

    auto first = screen("/big/");
    QHeaderView* header = first->table()->tree()->header();
    EXPECT_TRUE(header->isSectionHidden(ExplorerTableItemModel::apparentSizeColumn)) << "hidden at first";
    QMenu* menu = first->table()->makeColumnsMenu();
    QStringList texts;
    QAction* apparent = nullptr;
    for (QAction* action : menu->actions()) {
        texts << action->text();
        if (action->text() == QStringLiteral("Apparent Size"))
            apparent = action;
    }
    EXPECT_EQ(texts, (QStringList{"Files", "Size", "Share", "Apparent Size"})) << "the name cannot be hidden";
    ASSERT_NE(apparent, nullptr);
    EXPECT_FALSE(apparent->isChecked());
    // What a screen reader is given: the menu's name and each item, checkable, with its state.
    menu->popup(QPoint(0, 0));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Columns"));
    ASSERT_EQ(reader->childCount(), texts.size());
    for (int index = 0; index < reader->childCount(); ++index) {
        QAccessibleInterface* entry = reader->child(index);
        EXPECT_EQ(entry->text(QAccessible::Name), texts[index]);
        EXPECT_TRUE(entry->state().checkable) << texts[index].toStdString();
        EXPECT_EQ(bool(entry->state().checked), menu->actions()[index]->isChecked());
    }
    menu->hide();
    apparent->trigger();
    delete menu;
    EXPECT_FALSE(header->isSectionHidden(ExplorerTableItemModel::apparentSizeColumn));

    ExplorerTableItemModel* model = first->table()->itemModel();
    EXPECT_EQ(model->index(0, 0).data(ExplorerTableItemModel::pathRole).toString(), QStringLiteral("/big/dense"))
        << "largest allocated first";
    header->sectionClicked(ExplorerTableItemModel::apparentSizeColumn);
    ASSERT_TRUE(waitUntil([&] {
        return model->index(0, 0).data(ExplorerTableItemModel::pathRole).toString() == QStringLiteral("/big/sparse");
    })) << "a click sorts by the apparent size, largest first";
    EXPECT_EQ(model->index(0, ExplorerTableItemModel::apparentSizeColumn).data().toString(),
              Formats::byteCount(1'000'000'000));
    EXPECT_EQ(model->index(0, ExplorerTableItemModel::sizeColumn).data().toString(), Formats::byteCount(4096));

    auto next = screen("/big/");
    EXPECT_FALSE(next->table()->tree()->header()->isSectionHidden(ExplorerTableItemModel::apparentSizeColumn))
        << "a new screen takes the saved layout";
    QMenu* hide = next->table()->makeColumnsMenu();
    hide->actions().at(3)->trigger();
    delete hide;
    first->refresh();
    EXPECT_TRUE(header->isSectionHidden(ExplorerTableItemModel::apparentSizeColumn))
        << "a screen coming back follows the change made on another";
}

// Every row says what share of the current folder it takes, with a bar; the folder's total
// stands above the table, and for a folder scan at its root its share of the volume.
TEST_F(ExplorerScreens, TheTotalLineAndEveryRowsShareOfTheFolder)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    std::vector<FileSystemRecord> records{item("/data/", 10000, 1201), item("/data/photos/", 7500, 1200),
                                          item("/data/photos/a.jpg", 7500), item("/data/notes.txt", 2500),
                                          item("/data/unmeasured/", 0)};
    records.back().totalAllocatedSize.reset();
    environment_.reader = std::make_shared<SnapshotReader>(snapshotOf(records));
    environment_.scanRoot = FileUrl("/data/");
    environment_.volumeUsedBytes = 40000;
    auto view = screen("/data/");
    ExplorerTableItemModel* model = view->table()->itemModel();
    std::map<QString, QString> shares;
    for (int row = 0; row < model->rowCount(); ++row)
        shares[model->index(row, ExplorerTableItemModel::nameColumn).data().toString()]
            = model->index(row, ExplorerTableItemModel::shareColumn).data().toString();
    EXPECT_EQ(shares[QStringLiteral("photos")], QStringLiteral("75.0 %"));
    EXPECT_EQ(shares[QStringLiteral("notes.txt")], QStringLiteral("25.0 %"));
    EXPECT_EQ(shares[QStringLiteral("unmeasured")], QStringLiteral("-")) << "no figure, no share";
    const QModelIndex photos = model->index(0, ExplorerTableItemModel::shareColumn);
    EXPECT_DOUBLE_EQ(photos.data(ExplorerTableItemModel::shareRole).toDouble(), 0.75) << "what the bar draws";
    EXPECT_FALSE(view->table()->tree()->header()->isSectionHidden(ExplorerTableItemModel::shareColumn))
        << "on by default";
    EXPECT_EQ(view->totalLine()->text().toStdString(),
              "data: " + Formats::byteCount(10000).toStdString()
                  + " in 1,201 files, 25.0 % of the space used on its volume");

    EXPECT_EQ(view->tableViewModel()->totalText(40'000'000'000).toStdString(),
              "data: " + Formats::byteCount(10000).toStdString()
                  + " in 1,201 files, less than 0.1 % of the space used "
                    "on its volume")
        << "never a share of 0.0 %";

    // Below the scanned folder, the total alone; a share is of the folder on screen.
    auto below = screen("/data/photos/");
    EXPECT_EQ(below->totalLine()->text().toStdString(),
              "photos: " + Formats::byteCount(7500).toStdString() + " in 1,200 files");
    EXPECT_EQ(below->table()->itemModel()->index(0, ExplorerTableItemModel::shareColumn).data().toString(),
              QStringLiteral("100.0 %"));
}

QPalette darkPalette()
{
    QPalette dark;
    for (const auto& [role, colour] :
         {std::pair{QPalette::Window, QColor(0x24, 0x24, 0x24)}, std::pair{QPalette::Base, QColor(0x1a, 0x1a, 0x1a)},
          std::pair{QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a)},
          std::pair{QPalette::Text, QColor(0xee, 0xee, 0xee)},
          std::pair{QPalette::WindowText, QColor(0xee, 0xee, 0xee)},
          std::pair{QPalette::Button, QColor(0x30, 0x30, 0x30)},
          std::pair{QPalette::ButtonText, QColor(0xee, 0xee, 0xee)}})
        dark.setColor(role, colour);
    return dark;
}

// WCAG's contrast ratio of a colour drawn with its alpha over `base`.
double contrast(QColor colour, const QColor& base)
{
    const double alpha = colour.alphaF();
    colour = QColor::fromRgbF(colour.redF() * alpha + base.redF() * (1 - alpha),
                              colour.greenF() * alpha + base.greenF() * (1 - alpha),
                              colour.blueF() * alpha + base.blueF() * (1 - alpha));
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double one = luminance(colour);
    const double other = luminance(base);
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}

// The table's text takes its colours from the palette of the view that draws it, so that a
// dark palette set on the window (not only on the application) reads well.
TEST_F(ExplorerScreens, EveryToneReadsOnLightAndDarkPalettesAndTheTableFollowsItsOwn)
{
    for (const QPalette& palette : {QPalette(QColor(0xef, 0xef, 0xef)), darkPalette()}) {
        const QColor base = palette.color(QPalette::Base);
        for (const TextTone tone :
             {TextTone::normal, TextTone::figure, TextTone::other, TextTone::growth, TextTone::shrink})
            EXPECT_GE(contrast(textToneColour(tone, palette), base), 3.0) << static_cast<int>(tone);
        EXPECT_GE(contrast(textToneColour(TextTone::removed, palette), base), 1.8) << "faded, still legible";
        EXPECT_LT(contrast(textToneColour(TextTone::removed, palette), base),
                  contrast(textToneColour(TextTone::normal, palette), base));
    }

    auto view = screen("/usr/");
    view->setPalette(darkPalette());
    QTreeView* tree = view->table()->tree();
    const QModelIndex size = view->table()->itemModel()->index(1, ExplorerTableItemModel::sizeColumn);
    const QImage image = tree->viewport()->grab().toImage();
    const QRect cell = tree->visualRect(size);
    ASSERT_FALSE(cell.isEmpty());
    int lightest = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            lightest = std::max(lightest, QColor(image.pixel(x, y)).lightness());
    EXPECT_GT(lightest, 150) << "the figures are drawn light on the dark base";
    EXPECT_LT(QColor(image.pixel(cell.left() + 1, cell.top())).lightness(), 80) << "on a dark base";
}

// The scopes read as one control whose chosen segment is filled; the clear button is named.
TEST_F(ExplorerScreens, TheCheckedScopeLooksCheckedAndTheClearButtonHasAName)
{
    auto view = screen("/usr/");
    std::vector<QToolButton*> scopes;
    for (QToolButton* button : view->findChildren<QToolButton*>())
        if (button->isCheckable() && button->group()) // the details' Advanced fold is checkable too
            scopes.push_back(button);
    ASSERT_GE(scopes.size(), 3u);
    const QColor highlight = view->palette().color(QPalette::Highlight);
    const auto filled = [&](QToolButton* button) { return button->palette().color(QPalette::Button) == highlight; };
    for (QToolButton* scope : scopes)
        EXPECT_EQ(filled(scope), scope->isChecked()) << scope->accessibleName().toStdString();
    QToolButton* other
        = *std::find_if(scopes.begin(), scopes.end(), [](QToolButton* b) { return !b->isChecked() && b->isVisible(); });
    other->click();
    EXPECT_TRUE(filled(other)) << "the chosen one fills";
    for (QToolButton* scope : scopes)
        EXPECT_EQ(filled(scope), scope->isChecked());
    view->searchField()->setText(QStringLiteral("x"));
    bool named = false;
    for (QToolButton* clear : view->searchField()->findChildren<QToolButton*>())
        named = named || !clear->accessibleName().isEmpty();
    EXPECT_TRUE(named);
}

// A layout saved before the apparent size existed is left for the defaults: nothing shifts.
TEST_F(ExplorerScreens, ALayoutSavedWithThreeColumnsStillOpens)
{
    TemporaryTree folder;
    Preferences preferences(QString::fromStdString(folder.path("preferences.conf")));
    QStandardItemModel threeColumns(0, 3);
    QHeaderView old(Qt::Horizontal);
    old.setModel(&threeColumns);
    old.setSectionHidden(1, true);
    preferences.setTableCustomization(old.saveState());
    environment_.preferences = &preferences;
    auto view = screen("/usr/");
    QHeaderView* header = view->table()->tree()->header();
    EXPECT_TRUE(header->isSectionHidden(ExplorerTableItemModel::apparentSizeColumn));
    EXPECT_FALSE(header->isSectionHidden(ExplorerTableItemModel::nameColumn));
    EXPECT_FALSE(header->isSectionHidden(ExplorerTableItemModel::sizeColumn));
    EXPECT_EQ(header->logicalIndexAt(header->sectionViewportPosition(ExplorerTableItemModel::sizeColumn)),
              ExplorerTableItemModel::sizeColumn);
}

// A deep path folds its middle first, keeps the first and the last two readable, and never
// runs past the bar, however narrow.
TEST_F(ExplorerScreens, ADeepPathFoldsItsMiddleAndNeverOverflows)
{
    std::string path = "/";
    for (int level = 0; level < 12; ++level)
        path += "a-rather-long-folder-name-" + std::to_string(level) + "/";
    ExplorerModel model{FileUrl(path), std::nullopt};
    ExplorerPathBarView bar(&model, &navigation_);
    bar.show();
    const std::vector<QToolButton*>& buttons = bar.buttons();
    ASSERT_EQ(buttons.size(), 13u);
    const auto visibleRight = [&] {
        int right = 0;
        for (QWidget* child : bar.findChildren<QWidget*>())
            if (child->isVisible())
                right = std::max(right, child->geometry().right());
        return right;
    };
    const auto whole = [](QToolButton* button) { return button->text() == button->toolTip(); };

    bar.resize(bar.sizeHint().width() + 10, bar.sizeHint().height());
    for (QToolButton* button : buttons)
        EXPECT_TRUE(whole(button)) << "everything fits: " << button->text().toStdString();

    bar.resize(700, bar.sizeHint().height());
    EXPECT_LT(visibleRight(), bar.width());
    EXPECT_TRUE(whole(buttons[0]));
    EXPECT_TRUE(whole(buttons[11]));
    EXPECT_TRUE(whole(buttons[12]));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("…")) << "the middle folds first";
    EXPECT_EQ(buttons[1]->toolTip(), QStringLiteral("a-rather-long-folder-name-0"));

    for (const int narrow : {300, 120, 40}) {
        bar.resize(narrow, bar.sizeHint().height());
        EXPECT_LT(visibleRight(), bar.width()) << "at " << narrow;
    }
    EXPECT_EQ(bar.minimumSizeHint().width(), 0) << "the bar never widens the window";
}

// Folders without figures say why: left out, another file system, unreadable; an empty one
// says it is empty. The snapshot's root names the patterns it was scanned with.
TEST_F(ExplorerScreens, FoldersWithoutFiguresSayWhy)
{
    FileSystemRecord unwalked = item("/data/node_modules/", 0);
    unwalked.totalSize.reset();
    unwalked.totalAllocatedSize.reset();
    FileSystemRecord mounted = unwalked;
    mounted.path = "/data/media/";
    FileSystemRecord locked = unwalked;
    locked.path = "/data/locked/";
    FileSystemRecord hollow = unwalked; // an empty folder is recorded without figures too
    hollow.path = "/data/hollow/";
    environment_.reader
        = std::make_shared<SnapshotReader>(snapshotOf({item("/data/", 100, 1), unwalked, mounted, locked, hollow,
                                                       item("/data/empty/", 0, 0), item("/data/file", 100)}));
    environment_.scanRoot = FileUrl("/data/");
    environment_.unmeasuredFolders = std::make_shared<UnmeasuredFolders>(
        std::vector<std::string>{"node_modules"}, std::vector<std::string>{"/", "/data/media"},
        std::vector<UnmeasuredFolders::Unreadable>{{"/data/locked/", "Permission denied"}});
    auto view = screen("/data/");
    ExplorerTableItemModel* model = view->table()->itemModel();
    std::map<QString, QString> tips;
    std::map<QString, qint64> icons;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        const QString name = index.data().toString();
        tips[name] = index.data(Qt::ToolTipRole).toString();
        icons[name] = index.data(Qt::DecorationRole).value<QPixmap>().cacheKey();
    }
    EXPECT_TRUE(tips["node_modules"].contains(QStringLiteral("exclusion"))) << tips["node_modules"].toStdString();
    EXPECT_TRUE(tips["media"].contains(QStringLiteral("Another file system"))) << tips["media"].toStdString();
    EXPECT_TRUE(tips["locked"].contains(QStringLiteral("Could not be read during the scan (Permission denied)")))
        << tips["locked"].toStdString();
    EXPECT_EQ(tips["empty"], QStringLiteral("An empty folder: 0 files"));
    EXPECT_EQ(tips["hollow"], QStringLiteral("An empty folder: 0 files")) << "not in the unreadable list";
    EXPECT_EQ(icons["hollow"], icons["empty"]) << "no badge on an empty folder";
    EXPECT_TRUE(tips["file"].isEmpty());
    EXPECT_NE(icons["node_modules"], icons["locked"]) << "a badge each";
    EXPECT_NE(icons["locked"], icons["empty"]);

    bool named = false;
    for (const QLabel* label : view->findChildren<QLabel*>())
        named = named || label->text() == QStringLiteral("Folders matching node_modules were left out of this scan.");
    EXPECT_TRUE(named);
}

// The root of a whole volume's snapshot says where the used space went; other screens do not.
TEST_F(ExplorerScreens, TheVolumesRootTellsWhereTheUsedSpaceWent)
{
    environment_.scannedAllocated = 8000;
    auto root = screen("/");
    QLabel* line = root->findChild<QLabel*>(QStringLiteral("usedSpace"));
    ASSERT_NE(line, nullptr);
    ASSERT_TRUE(waitUntil([&] { return line->isVisible(); }));
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("Used "))) << line->text().toStdString();
    EXPECT_TRUE(line->text().contains(Formats::byteCount(8000) + QStringLiteral(" scanned")));
    EXPECT_EQ(screen("/usr/")->findChild<QLabel*>(QStringLiteral("usedSpace")), nullptr);
}

// The notice names the first unreadable folders and opens the whole list.
TEST_F(ExplorerScreens, TheUnreadableNoticeNamesTheFirstFewAndOpensTheList)
{
    const std::vector<UnmeasuredFolders::Unreadable> locked{
        {"/usr/a/", "Permission denied"}, {"/usr/b/", ""}, {"/usr/c/", ""}, {"/usr/d/", ""}, {"/usr/e/", ""}};
    environment_.unreadableDirectories = 5;
    environment_.unmeasuredFolders
        = std::make_shared<UnmeasuredFolders>(std::vector<std::string>{}, std::vector<std::string>{}, locked);
    ExplorerView view(environment_, FileUrl("/"), std::nullopt);
    QLabel* notice = nullptr;
    for (QLabel* label : view.findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral("could not be read")))
            notice = label;
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(QStringLiteral("/usr/a/, /usr/b/, /usr/c/, …")))
        << notice->text().toStdString();
    EXPECT_FALSE(notice->text().contains(QStringLiteral("/usr/d/")));
    Q_EMIT notice->linkActivated(QStringLiteral("unreadable"));
    ASSERT_NE(view.unreadableFoldersDialog(), nullptr);
    auto* list = view.unreadableFoldersDialog()->findChild<QPlainTextEdit*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->toPlainText(), QStringLiteral("/usr/a/ — Permission denied\n/usr/b/\n/usr/c/\n/usr/d/\n/usr/e/"));
}

// The map: built off the main thread for its size, a click selects the row that holds the
// item and shows the item itself, a double click opens a folder, and the choice is kept.
// A screen kept behind another while a cleanup changed the snapshot draws its map again
// when it comes back; without a change, its map stays as it was.
TEST_F(ExplorerScreens, AScreenBackAfterACleanupDrawsItsMapAgain)
{
    auto view = screen("/usr/");
    view->setMapShown(true);
    MapModel* map = view->mapView()->model();
    ASSERT_TRUE(waitUntil([&] { return !map->image().isNull() && !map->busy(); }));
    int builds = 0;
    QObject::connect(map, &MapModel::changed, [&] { builds += map->busy() ? 1 : 0; });
    view->hide();
    view->show();
    QCoreApplication::sendPostedEvents(); // the resizes and layouts showing brings
    ASSERT_TRUE(waitUntil([&] { return !map->debouncing() && !map->busy(); }));
    ASSERT_TRUE(settle(*environment_.reader));
    EXPECT_EQ(builds, 0) << "nothing changed";
    view->hide();
    ++*environment_.snapshotChanges;
    view->show();
    ASSERT_TRUE(waitUntil([&] { return builds == 1 && !map->busy(); }));
    EXPECT_FALSE(map->image().isNull());
}

TEST_F(ExplorerScreens, TheMapSelectsOpensAndIsKept)
{
    TemporaryTree folder;
    Preferences preferences(QString::fromStdString(folder.path("preferences.conf")));
    environment_.preferences = &preferences;
    auto view = screen("/usr/");
    ASSERT_NE(view->mapView(), nullptr) << "shown from the first screen on";
    view->setMapShown(false);
    EXPECT_FALSE(preferences.mapShown()) << "hidden, and remembered";
    EXPECT_FALSE(screen("/usr/")->mapShown());
    view->setMapShown(true);
    EXPECT_TRUE(preferences.mapShown());
    EXPECT_EQ(view->mapView()->accessibleName(), QStringLiteral("Map of /usr/"));
    MapModel* map = view->mapView()->model();
    // The pane settles its size as the screen lays out; the map follows it.
    EXPECT_TRUE(waitUntil([&] {
        return !map->image().isNull() && !map->busy()
            && map->image().size() == view->mapView()->size() * view->mapView()->devicePixelRatioF();
    })) << "drawn for the pane's size";
    // Sizes in quick succession: one build, for the last; the last image stays meanwhile.
    int builds = 0;
    QObject::connect(map, &MapModel::changed, [&] { builds += map->busy() ? 1 : 0; });
    map->setSize(QSize(300, 100), false);
    map->setSize(QSize(320, 120), false);
    EXPECT_FALSE(map->image().isNull());
    ASSERT_TRUE(waitUntil([&] { return map->image().size() == QSize(320, 120) && !map->busy(); }));
    EXPECT_EQ(builds, 1);
    bool sawDeep = false;
    for (const auto& tile : map->layout().tiles())
        sawDeep = sawDeep || tile.path == "/usr/share/doc";
    EXPECT_TRUE(sawDeep) << "the whole subtree, not only the direct children";

    // One selection: a tile of this folder selects its row, and the details and the Delete
    // action's target are that row's item; a tile deeper down opens its folder selecting it.
    QTreeView* tree = view->table()->tree();
    Q_EMIT view->mapView()->itemClicked("/usr/lib/");
    ASSERT_TRUE(waitUntil([&] {
        return view->model()->selectedDetailsFile() && view->model()->selectedDetailsFile()->id == "/usr/lib/";
    }));
    ASSERT_EQ(tree->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(tree->selectionModel()->selectedRows().front().data(ExplorerTableItemModel::pathRole).toString(),
              QStringLiteral("/usr/lib/"));
    EXPECT_EQ(view->selectedItemPaths(), std::vector<std::string>{"/usr/lib/"});
    Q_EMIT view->mapView()->itemClicked("/usr/share/doc");
    ASSERT_EQ(navigation_.navigationPath().size(), 1u);
    EXPECT_EQ(navigation_.navigationPath().back().root.path(), "/usr/share/");
    ASSERT_TRUE(navigation_.navigationPath().back().selection);
    EXPECT_EQ(navigation_.navigationPath().back().selection->path(), "/usr/share/doc");
    navigation_.pop();

    // From the keyboard: the arrows step through this directory's tiles, largest first, each
    // read out and selected; Return opens a folder.
    MapView* mapView = view->mapView();
    QTest::keyClick(mapView, Qt::Key_Right);
    ASSERT_TRUE(mapView->highlighted());
    EXPECT_EQ(map->layout().tiles()[*mapView->highlighted()].path, "/usr/share/");
    EXPECT_EQ(mapView->accessibleDescription(), QStringLiteral("share, ") + Formats::byteCount(5000));
    QTest::keyClick(mapView, Qt::Key_Right);
    EXPECT_EQ(map->layout().tiles()[*mapView->highlighted()].path, "/usr/lib/");
    ASSERT_TRUE(waitUntil([&] {
        return view->model()->selectedDetailsFile() && view->model()->selectedDetailsFile()->id == "/usr/lib/";
    }));
    QTest::keyClick(mapView, Qt::Key_Return);
    ASSERT_EQ(navigation_.navigationPath().size(), 1u);
    EXPECT_EQ(navigation_.navigationPath().back().root.path(), "/usr/lib/");

    // The map's height is kept too: the splitter's state as the user left it.
    auto* split = qobject_cast<QSplitter*>(view->mapView()->parentWidget()->parentWidget());
    ASSERT_NE(split, nullptr);
    const QList<int> before = split->sizes();
    split->setSizes({before[0] + before[1] - 90, 90});
    Q_EMIT split->splitterMoved(split->sizes()[0], 1);
    EXPECT_FALSE(preferences.mapSplitter().isEmpty());

    auto next = screen("/usr/lib/");
    EXPECT_TRUE(next->mapShown()) << "the next screen takes the kept choice";
    auto* nextSplit = qobject_cast<QSplitter*>(next->mapView()->parentWidget()->parentWidget());
    ASSERT_NE(nextSplit, nullptr);
    EXPECT_EQ(nextSplit->sizes().last(), 90) << "and the map's height";
    next->setMapShown(false);
    EXPECT_FALSE(preferences.mapShown());
}

TEST_F(ExplorerScreens, APushedScreenSelectsItsItemAndUnfinishedSnapshotsSaySo)
{
    environment_.scanFinished = false;
    ExplorerView view(environment_, FileUrl("/usr/"), FileUrl("/usr/lib/"));
    view.show();
    view.refresh();
    QTreeView* tree = view.table()->tree();
    ASSERT_TRUE(waitUntil([&] { return tree->currentIndex().isValid(); }));
    EXPECT_EQ(tree->currentIndex().data(ExplorerTableItemModel::pathRole).toString(), QStringLiteral("/usr/lib/"));
    ASSERT_TRUE(waitUntil([&] { return view.model()->selectedDetailsFile().has_value(); }));
    EXPECT_EQ(view.model()->selectedDetailsFile()->id, "/usr/lib/");
    bool noticed = false;
    for (const QLabel* label : view.findChildren<QLabel*>())
        noticed = noticed || label->text().contains(QStringLiteral("its scan did not finish"));
    EXPECT_TRUE(noticed);
}

TEST_F(ExplorerScreens, TheUnreadableFoldersNoticeCountsInTheRightNumber)
{
    const auto noticeOf = [&](std::int64_t unreadable) {
        environment_.unreadableDirectories = unreadable;
        ExplorerView view(environment_, FileUrl("/"), std::nullopt);
        QString text;
        for (const QLabel* label : view.findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("could not be read")))
                text = label->text();
        return text;
    };
    EXPECT_EQ(noticeOf(1), QStringLiteral("1 folder could not be read during the scan and is left out of the totals."));
    EXPECT_EQ(noticeOf(7),
              QStringLiteral("7 folders could not be read during the scan and are left out of the totals."));
    EXPECT_EQ(noticeOf(0), QString()) << "no notice when every folder was read";
}

TEST_F(ExplorerScreens, ASnapshotOfADirectoryOpensWhereItWasScanned)
{
    auto scanned = snapshotOf({item("/data/set/", 10, 1), item("/data/set/x", 10), item("/data/y", 4)});
    SnapshotCompletion::recordScanRoot(*scanned, "/data/");
    environment_.reader = std::make_shared<SnapshotReader>(scanned);
    environment_.scanRoot = FileUrl("/data/");
    AppNavigationSplitView shell(environment_);
    ExplorerView* root = shell.currentScreen();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->subtitle(), QStringLiteral("Explorer: /data"));
    ASSERT_TRUE(waitUntil([&] { return root->tableViewModel()->files().size() == 2; }))
        << "the scan's root has no entity of its own, yet shows its items";
}

// Screen readers know the controls only by the names they are given.
TEST_F(ExplorerScreens, EveryControlHasAnAccessibleName)
{
    VistrelMainWindow window(nullptr, container_);
    window.show();
    QStringList unnamed;
    int checked = 0;
    const auto check = [&] {
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget)
                || qobject_cast<QAbstractItemView*>(widget);
            if (!control || !widget->isVisibleTo(&window) || widget->inherits("QLineEditIconButton"))
                continue;
            ++checked;
            if (widget->accessibleName().isEmpty())
                unnamed << QString::fromLatin1(widget->metaObject()->className());
        }
    };
    check(); // the table's scope
    window.shell()->currentScreen()->setSearchScope(SearchScope::search);
    check();
    EXPECT_GT(checked, 12);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
}

} // namespace
} // namespace vistrel
