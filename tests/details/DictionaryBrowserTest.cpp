// The dictionary browser's value rules and filter, the property-list decoder against hostile
// input, and when the details panel shows its second and third tabs.
#include "details/AnyDictionaryBrowserItem.h"
#include "details/AnyDictionaryBrowserView.h"
#include "details/ExplorerDetailsView.h"
#include "details/ItemDetails.h"
#include "details/PropertyListDecoder.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "services/Preferences.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>

#include <random>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>

namespace vistrel {
namespace {

using Item = AnyDictionaryBrowserView::Item;
using testing::TemporaryTree;

const char* const xmlMap = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<plist version=\"1.0\"><dict><key>n</key><integer>5</integer></dict></plist>\n";

// A binary property list of {"n": 5}, written by hand: header, objects, offsets, trailer.
QByteArray binaryMap()
{
    QByteArray bytes("bplist00");
    bytes += QByteArray::fromHex("d10102"); // dict of one entry: key object 1, value object 2
    bytes += QByteArray::fromHex("516e"); // ASCII string "n"
    bytes += QByteArray::fromHex("1005"); // integer 5
    bytes += QByteArray::fromHex("080b0d"); // offsets of the three objects
    bytes += QByteArray::fromHex("000000000000"
                                 "01"
                                 "01"
                                 "0000000000000003"
                                 "0000000000000000"
                                 "000000000000000f");
    return bytes;
}

const Item& child(const Item& item, int index)
{
    return *(*item.children())[static_cast<std::size_t>(index)];
}

TEST(DictionaryBrowser, ValuesBecomeTextAndChildrenByTheRules)
{
    QVariantMap root;
    root.insert(QStringLiteral("b"), QVariant(qlonglong(2)));
    root.insert(QStringLiteral("a"), QStringLiteral("x"));
    root.insert(QStringLiteral("k"), QVariantList{QStringLiteral("p"), QStringLiteral("q")});
    root.insert(QStringLiteral("xml"), QByteArray(xmlMap));
    root.insert(QStringLiteral("bin"), binaryMap());
    root.insert(QStringLiteral("utf8"), QByteArray("caf\xc3\xa9"));
    root.insert(QStringLiteral("ffff"), QByteArray::fromHex("ffffffff"));
    root.insert(QStringLiteral("yes"), true);
    root.insert(QStringLiteral("half"), 2.5);
    root.insert(QStringLiteral("empty"), QVariantMap());
    const Item::Children items = Item::makeItems(root);
    QStringList ids;
    for (const auto& item : items)
        ids << item->id();
    EXPECT_EQ(ids, (QStringList{"a", "b", "bin", "empty", "ffff", "half", "k", "utf8", "xml", "yes"}));
    const auto find = [&items](const char* id) -> const Item& {
        for (const auto& item : items)
            if (item->id() == QLatin1String(id))
                return *item;
        throw std::runtime_error(id);
    };
    EXPECT_EQ(find("a").stringValue(), QStringLiteral("x"));
    EXPECT_EQ(find("b").stringValue(), QStringLiteral("2"));
    const Item& list = find("k");
    ASSERT_TRUE(list.children());
    EXPECT_EQ(child(list, 0).id(), QStringLiteral("k/0"));
    EXPECT_EQ(child(list, 1).id(), QStringLiteral("k/1"));
    EXPECT_EQ(child(list, 0).header(), QStringLiteral("[0]: "));
    EXPECT_EQ(child(list, 1).stringValue(), QStringLiteral("q"));
    for (const char* encoded : {"xml", "bin"}) {
        const Item& parsed = find(encoded);
        ASSERT_TRUE(parsed.children()) << encoded;
        EXPECT_EQ(child(parsed, 0).id(), QStringLiteral("/n")) << "a parsed map starts its own ids";
        EXPECT_EQ(child(parsed, 0).header(), QStringLiteral("n"));
        EXPECT_EQ(child(parsed, 0).stringValue(), QStringLiteral("5"));
    }
    EXPECT_EQ(find("utf8").stringValue(), QStringLiteral("café"));
    EXPECT_EQ(find("ffff").stringValue(), QStringLiteral("Data: 4 bytes"));
    EXPECT_EQ(find("yes").stringValue(), QStringLiteral("Yes"));
    EXPECT_EQ(find("half").stringValue(), QStringLiteral("2.500000"));
    EXPECT_FALSE(find("empty").children()) << "an empty map is a leaf";
    EXPECT_FALSE(find("empty").stringValue());

    // Numbers from property lists: 3.0 is an integer, 1 a Boolean.
    const auto numbers = PropertyListDecoder::decode(
        "<plist><dict><key>r</key><real>3.0</real><key>one</key><integer>1</integer></dict></plist>");
    ASSERT_TRUE(numbers);
    const Item::Children parsed = Item::makeItems(numbers->toMap());
    EXPECT_EQ(parsed[0]->stringValue(), QStringLiteral("Yes"));
    EXPECT_EQ(parsed[1]->stringValue(), QStringLiteral("3"));
}

TEST(DictionaryBrowser, FilterKeepsAncestorsAndCopyValueNeedsAValue)
{
    testing::ensureApplication();
    QVariantMap root;
    root.insert(QStringLiteral("outer"),
                QVariantMap{{QStringLiteral("inner"), QVariantMap{{QStringLiteral("deep"), true}}},
                            {QStringLiteral("other"), QStringLiteral("no match")}});
    root.insert(QStringLiteral("second"), QStringLiteral("text"));
    AnyDictionaryBrowserView browser(Item::makeItems(root));
    browser.filterField()->setText(QStringLiteral("YES"));
    QTreeWidget* tree = browser.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1) << "only outer holds a match";
    QTreeWidgetItem* outer = tree->topLevelItem(0);
    ASSERT_EQ(outer->childCount(), 1) << "its other child is hidden";
    EXPECT_TRUE(outer->isExpanded());
    EXPECT_EQ(outer->child(0)->child(0)->text(1), QStringLiteral("Yes"));

    browser.filterField()->setText(QStringLiteral("nothing at all"));
    EXPECT_TRUE(browser.showsNoResults());
    browser.filterField()->clear();
    EXPECT_EQ(tree->topLevelItemCount(), 2);

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QMenu* menu = browser.makeContextMenu(tree->topLevelItem(0));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy ID"));
    menu->actions()[1]->trigger(); // "Copy Value" on a map
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("outer"));
    delete menu;
}

TEST(PropertyListDecoder, HostileInputNeverCrashes)
{
    std::mt19937 random(7);
    const QByteArray seeds[] = {binaryMap(), QByteArray(xmlMap)};
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes = seeds[round % 2];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int edit = 0; edit < edits; ++edit) {
            const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size()));
            switch (random() % 3) {
            case 0:
                bytes[at] = static_cast<char>(random());
                break;
            case 1:
                bytes.truncate(std::max<qsizetype>(8, at));
                break;
            default:
                bytes.insert(at, static_cast<char>(random()));
                break;
            }
        }
        PropertyListDecoder::decode(bytes); // must return, whatever it returns
    }
    // An object that contains itself: the dictionary's value is the dictionary.
    QByteArray loop = binaryMap();
    loop[10] = 0x00;
    PropertyListDecoder::decode(loop);
    // Nesting far deeper than the browser shows.
    QByteArray deep("<plist>");
    for (int level = 0; level < 20000; ++level)
        deep += "<array>";
    PropertyListDecoder::decode(deep);
    SUCCEED();
}

TEST(ExplorerDetailsView, AnExtendedAttributeIsARowOfItsNameAndValue)
{
    TemporaryTree tree;
    tree.writeFile("tagged", 3);
    if (::setxattr(tree.path("tagged").c_str(), "user.note", "hi", 2, 0) != 0) {
        ASSERT_EQ(errno, ENOTSUP) << std::strerror(errno);
        GTEST_SKIP() << "this file system keeps no user attributes";
    }
    auto made = FileSystemWalker::makeRecord(FileUrl(tree.path("tagged")), nullptr);
    const ItemDetails tagged = ItemDetails::make(VistrelFile(made->record));
    ASSERT_EQ(tagged.extendedAttributeItems.size(), 1u);
    EXPECT_EQ(tagged.extendedAttributeItems[0]->header(), QStringLiteral("user.note"));
    EXPECT_EQ(tagged.extendedAttributeItems[0]->stringValue(), QStringLiteral("hi"));
}

TEST(ExplorerDetailsView, TabsApplyOnlyWhenTheirContentExists)
{
    testing::ensureApplication();
    TemporaryTree tree;
    const auto details = [&](const std::string& relative) {
        auto made = FileSystemWalker::makeRecord(FileUrl(tree.path(relative)), nullptr);
        return ItemDetails::make(VistrelFile(made->record));
    };
    tree.writeFile("plain", 3);
    tree.writeFile("list.plist",
                   std::string("<?xml version=\"1.0\"?><plist><array><string>p</string></array></plist>"));
    tree.writeFile("empty.plist", std::string("<?xml version=\"1.0\"?><plist><dict/></plist>"));
    tree.writeFile("broken.plist", std::string("<?xml version=\"1.0\"?><plist><dict><key>"));
    tree.writeFile("map.plist", std::string(xmlMap));

    EXPECT_TRUE(details("plain").extendedAttributeItems.empty());
    EXPECT_FALSE(details("plain").propertyListItems);
    const auto list = details("list.plist");
    ASSERT_TRUE(list.propertyListItems);
    EXPECT_EQ((*list.propertyListItems)[0]->id(), QStringLiteral("_")) << "a list-rooted property list";
    EXPECT_FALSE(details("empty.plist").propertyListItems);
    EXPECT_FALSE(details("broken.plist").propertyListItems);
    tree.writeFile("huge.plist", std::string(xmlMap) + std::string(16 << 20, ' '));
    EXPECT_FALSE(details("huge.plist").propertyListItems) << "over the size cap: no tab";

    // The selected tab survives a change of file and a restart (the preference file).
    const QString settings = QString::fromStdString(tree.path("preferences.conf"));
    {
        Preferences preferences(settings);
        ExplorerDetailsView view(details("map.plist"), &preferences);
        ASSERT_EQ(view.tabNumbers(), (std::vector<int>{1, 3}));
        view.tabs()->setCurrentIndex(1);
        ExplorerDetailsView plain(details("plain"), &preferences);
        EXPECT_EQ(plain.tabs()->currentIndex(), 0) << "a file without the tab shows General";
        preferences.sync();
    }
    Preferences restarted(settings);
    EXPECT_EQ(restarted.selectedTab(), QStringLiteral("3"));
    ExplorerDetailsView again(details("list.plist"), &restarted);
    EXPECT_EQ(again.tabs()->tabText(again.tabs()->currentIndex()), QStringLiteral("Property List"));
}

} // namespace
} // namespace vistrel
