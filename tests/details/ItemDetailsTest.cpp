// The details panel's rows on real files, and its reads while the selection moves.
#include "details/ItemDetails.h"
#include "details/ExplorerDetailsContentView.h"
#include "details/ExplorerDetailsView.h"
#include "details/FileIcons.h"
#include "details/ItemDetailsBoolRowView.h"
#include "details/ItemDetailsRowView.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "services/Preferences.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

// The snapshot's entity of a path, as a scan would store it.
VistrelFile entity(const std::string& path)
{
    auto made = FileSystemWalker::makeRecord(FileUrl(path), nullptr);
    EXPECT_TRUE(made) << path;
    return VistrelFile(made->record);
}

// The shown rows, by title: their value's text, or "yes"/"no".
std::map<QString, QString> rows(const ItemDetails& details)
{
    std::map<QString, QString> shown;
    std::vector<ItemDetails::Section> sections{details.essentials};
    sections.insert(sections.end(), details.advanced.begin(), details.advanced.end());
    for (const auto& section : sections)
        for (const auto& row : section)
            if (row.present())
                shown[row.title] = row.flag ? (*row.flag ? QStringLiteral("yes") : QStringLiteral("no"))
                                            : row.text.value_or(QStringLiteral("date"));
    return shown;
}

TEST(ItemDetails, GeneralRowsOfRealFiles)
{
    TemporaryTree tree;
    tree.writeFile("empty", 0);
    tree.writeFile("dir/a", 10);
    tree.makeSymbolicLink("empty", "link");
    ASSERT_EQ(::chmod(tree.path("empty").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(tree.path("dir").c_str(), 0755), 0);

    ASSERT_EQ(::chmod(tree.path("dir/a").c_str(), 04751), 0);
    const ItemDetails emptyDetails = ItemDetails::make(entity(tree.path("empty")));
    std::vector<QString> first;
    for (const auto& row : emptyDetails.essentials)
        if (row.present())
            first.push_back(row.title);
    EXPECT_EQ(
        first,
        (std::vector<QString>{QStringLiteral("Kind"), QStringLiteral("Size"), QStringLiteral("Size on disk"),
                              QStringLiteral("Modified"), QStringLiteral("Owner"), QStringLiteral("Permissions")}))
        << "what a person asks first, in plain words";
    const auto empty = rows(emptyDetails);
    EXPECT_EQ(empty.at(QStringLiteral("Size")), QStringLiteral("Zero KB"));
    EXPECT_FALSE(empty.count(QStringLiteral("Files"))) << "only directories have a file count row";
    EXPECT_EQ(empty.at(QStringLiteral("Permissions")), QStringLiteral("rw-r--r-- (644)"));
    EXPECT_EQ(rows(ItemDetails::make(entity(tree.path("dir/a")))).at(QStringLiteral("Permissions")),
              QStringLiteral("rwsr-x--x (4751)"));
    EXPECT_EQ(empty.at(QStringLiteral("Symbolic link")), QStringLiteral("no"));
    struct stat status { };
    ASSERT_EQ(::stat(tree.path("empty").c_str(), &status), 0);
    EXPECT_EQ(empty.at(QStringLiteral("Inode")), QString::number(status.st_ino));
    EXPECT_EQ(empty.at(QStringLiteral("Device")),
              QStringLiteral("%1:%2").arg(major(status.st_dev)).arg(minor(status.st_dev)));
    EXPECT_FALSE(emptyDetails.localizedName.size()) << "a display name that repeats the name is not shown";
    EXPECT_FALSE(empty.count(QStringLiteral("Package"))) << "what Linux cannot tell is absent, not false";

    VistrelFile directory = entity(tree.path("dir/"));
    directory.fileCount = 3;
    const auto dir = rows(ItemDetails::make(directory));
    EXPECT_EQ(dir.at(QStringLiteral("Files")), QStringLiteral("3"));
    EXPECT_EQ(dir.at(QStringLiteral("Permissions")), QStringLiteral("rwxr-xr-x (755)"));
    EXPECT_EQ(dir.at(QStringLiteral("Kind")), QStringLiteral("Folder"));
    EXPECT_FALSE(dir.count(QStringLiteral("Cache")));
    tree.writeFile("dir/CACHEDIR.TAG", "Signature: 8a477f597d28d172789f06886806bc55\n");
    EXPECT_NE(rows(ItemDetails::make(directory)).at(QStringLiteral("Cache")).indexOf(QStringLiteral("CACHEDIR.TAG")),
              -1)
        << "a tagged folder says it holds a cache";

    EXPECT_EQ(rows(ItemDetails::make(entity(tree.path("link")))).at(QStringLiteral("Symbolic link")),
              QStringLiteral("yes"));

    // The account ID 4294967294 reads as the signed 32-bit number it is: -2; without a name
    // the owner is the account's number, as ls -n writes it.
    if (::geteuid() == 0 && ::lchown(tree.path("empty").c_str(), 4294967294u, static_cast<gid_t>(-1)) == 0) {
        const auto unnamed = rows(ItemDetails::make(entity(tree.path("empty"))));
        EXPECT_EQ(unnamed.at(QStringLiteral("Owner ID")), QStringLiteral("-2"));
        EXPECT_EQ(unnamed.at(QStringLiteral("Owner")), QStringLiteral("4294967294"));
    }
}

TEST(ItemDetails, AFileGoneSinceTheScanShowsOnlyTheSnapshotsRows)
{
    TemporaryTree tree;
    tree.writeFile("gone", 100);
    VistrelFile file = entity(tree.path("gone"));
    ASSERT_EQ(::unlink(tree.path("gone").c_str()), 0);
    const ItemDetails details = ItemDetails::make(file);
    const auto shown = rows(details);
    for (const auto& [title, value] : shown)
        EXPECT_TRUE(title == QStringLiteral("Size") || title == QStringLiteral("Size on disk")
                    || title == QStringLiteral("Symbolic link") || title == QStringLiteral("Kind"))
            << title.toStdString() << " came from the vanished file";
    EXPECT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown.at(QStringLiteral("Kind")), QStringLiteral("File")) << "from the snapshot";
    EXPECT_TRUE(details.typeDescription.isEmpty());
    EXPECT_TRUE(details.extendedAttributes.isEmpty());
}

// The header's name is one line, however odd or long the name: the whole of it in the tooltip.
TEST(ExplorerDetailsView, TheHeaderNameIsOneElidedLine)
{
    testing::ensureApplication();
    TemporaryTree tree;
    const std::string odd = "two\nlines-" + std::string(200, 'x');
    tree.writeFile(odd, 10);
    ExplorerDetailsView view(ItemDetails::make(entity(tree.path(odd))), nullptr);
    QLabel* name = nullptr;
    for (QLabel* label : view.findChildren<QLabel*>())
        if (label->toolTip().startsWith(QStringLiteral("two")))
            name = label;
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->toolTip(), QStringLiteral("two\\nlines-") + QString(200, QLatin1Char('x')));
    EXPECT_FALSE(name->text().contains(QLatin1Char('\n')));
    EXPECT_TRUE(name->text().startsWith(QStringLiteral("two\\nlines-")));
    EXPECT_TRUE(name->text().endsWith(QStringLiteral("…"))) << name->text().toStdString();
}

// The advanced rows start folded; unfolding them is kept for the next item.
TEST(ExplorerDetailsView, TheAdvancedRowsFoldAndTheChoiceIsKept)
{
    testing::ensureApplication();
    TemporaryTree tree;
    tree.writeFile("file", 10);
    Preferences preferences(QString::fromStdString(tree.path("preferences.conf")));
    ExplorerDetailsView first(ItemDetails::make(entity(tree.path("file"))), &preferences);
    first.show();
    ASSERT_TRUE(first.advancedButton());
    EXPECT_FALSE(first.advancedRows()->isVisible());
    const auto titles = [](QWidget* rows) {
        QStringList shown;
        for (auto* row : rows->findChildren<ItemDetailsRowView*>())
            shown << row->title();
        return shown;
    };
    EXPECT_TRUE(titles(first.advancedRows()).contains(QStringLiteral("Inode")));
    first.advancedButton()->click();
    EXPECT_TRUE(first.advancedRows()->isVisible());
    ExplorerDetailsView next(ItemDetails::make(entity(tree.path("file"))), &preferences);
    next.show();
    EXPECT_TRUE(next.advancedRows()->isVisible()) << "unfolded as it was left";
    EXPECT_TRUE(next.advancedButton()->isChecked());
}

// A "no" is a dash, never a tick drawn faint; both are read out as words.
TEST(ItemDetails, AYesIsATickAndANoIsADash)
{
    testing::ensureApplication();
    ItemDetailsBoolRowView no(QStringLiteral("Hidden"), false);
    ItemDetailsBoolRowView yes(QStringLiteral("Is Readable"), true);
    const auto markOf = [](QWidget& row) {
        QLabel* found = nullptr;
        for (QLabel* label : row.findChildren<QLabel*>())
            if (label->text() != QStringLiteral("Hidden") && label->text() != QStringLiteral("Is Readable"))
                found = label;
        return found;
    };
    ASSERT_TRUE(markOf(no));
    EXPECT_EQ(markOf(no)->text(), QStringLiteral("—"));
    EXPECT_TRUE(markOf(no)->pixmap().isNull());
    ASSERT_TRUE(markOf(yes));
    EXPECT_TRUE(!markOf(yes)->pixmap().isNull() || markOf(yes)->text() == QStringLiteral("✓"));
    EXPECT_EQ(no.accessibleName(), QStringLiteral("Hidden: no"));
    EXPECT_EQ(yes.accessibleName(), QStringLiteral("Is Readable: yes"));
}

// The preview's eye and the path bar's chevrons are symbolic icons, drawn dark gray by the
// theme: with a dark style they take the light text colour instead of vanishing.
TEST(FileIcons, SymbolicIconsTakeThePalettesTextColour)
{
    testing::ensureApplication();
    FileIcons::prepareTheme();
    const QPalette original = QGuiApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dark.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    QGuiApplication::setPalette(dark);
    const QImage eye = FileIcons::symbol(QStringLiteral("eye")).pixmap(16, 16).toImage();
    QGuiApplication::setPalette(original);
    if (QIcon::fromTheme(QStringLiteral("view-reveal-symbolic")).isNull())
        GTEST_SKIP() << "no symbolic icon theme here";
    int opaque = 0;
    for (int y = 0; y < eye.height(); ++y)
        for (int x = 0; x < eye.width(); ++x)
            if (const QColor pixel = eye.pixelColor(x, y); pixel.alpha() > 200) {
                ++opaque;
                EXPECT_GT(pixel.lightness(), 200) << x << "," << y;
            }
    EXPECT_GT(opaque, 10) << "the eye is drawn";
}

TEST(ExplorerDetailsContentView, ReadsOnlyWhereAMovingSelectionSettles)
{
    testing::ensureApplication();
    TemporaryTree tree;
    std::vector<VistrelFile> files;
    for (int index = 0; index < 200; ++index) {
        tree.writeFile("f" + std::to_string(index), index);
        files.push_back(entity(tree.path("f" + std::to_string(index))));
    }
    ExplorerDetailsContentView pane;
    EXPECT_TRUE(pane.showsEmptyState());
    for (const VistrelFile& file : files)
        pane.setFile(file); // as holding the Down arrow through a list
    ASSERT_TRUE(testing::waitUntil([&] { return pane.detailsView() && pane.detailsView()->details().name == "f199"; }));
    EXPECT_LE(pane.readsStarted(), 2) << "one read for the first row, one where the selection settled";
    EXPECT_FALSE(pane.showsEmptyState());
    EXPECT_EQ(pane.detailsView()->tabs()->tabText(0), QStringLiteral("General"));
    pane.setFile(std::nullopt);
    EXPECT_TRUE(pane.showsEmptyState());
}

} // namespace
} // namespace vistrel
