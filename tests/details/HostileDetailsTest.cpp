// Property lists built to exhaust the details reader: shared references that expand
// exponentially, and property lists nested in data thousands of levels deep. Each must end
// within bounded time and memory, showing part of the values and saying so.
#include "details/AnyDictionaryBrowserItem.h"
#include "details/AnyDictionaryBrowserView.h"
#include "details/ExplorerDetailsView.h"
#include "details/ItemDetails.h"
#include "details/PropertyListDecoder.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "support/BoundedChild.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>

namespace vistrel {
namespace {

using Item = AnyDictionaryBrowserView::Item;
using testing::TemporaryTree;

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int index = size - 1; index >= 0; --index, value >>= 8)
        bytes[index] = static_cast<char>(value & 0xff);
    return bytes;
}

// A binary property list of encoded objects (references are 4-byte object numbers).
QByteArray binaryPlist(const std::vector<QByteArray>& objects, quint64 top)
{
    QByteArray bytes("bplist00");
    std::vector<quint64> offsets;
    for (const QByteArray& object : objects) {
        offsets.push_back(static_cast<quint64>(bytes.size()));
        bytes += object;
    }
    const auto table = static_cast<quint64>(bytes.size());
    for (const quint64 offset : offsets)
        bytes += bigEndian(offset, 4);
    bytes += QByteArray(6, '\0') + bigEndian(4, 1) + bigEndian(4, 1);
    bytes += bigEndian(objects.size(), 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return bytes;
}

QByteArray arrayOf(const std::vector<quint32>& references)
{
    QByteArray object = bigEndian(0xa0 | references.size(), 1);
    for (const quint32 reference : references)
        object += bigEndian(reference, 4);
    return object;
}

QByteArray dataObject(const QByteArray& data)
{
    return bigEndian(0x4f, 1) + bigEndian(0x13, 1) + bigEndian(static_cast<quint64>(data.size()), 8) + data;
}

// a = [], then forty times a = [a, a]: 202 bytes that expand to 2^41 nodes.
QByteArray sharedListBomb()
{
    std::vector<QByteArray> objects{arrayOf({})};
    for (quint32 level = 1; level <= 40; ++level)
        objects.push_back(arrayOf({level - 1, level - 1}));
    return binaryPlist(objects, 40);
}

// A property list whose one element is data holding the next one, `levels` deep.
QByteArray nestedInData(int levels)
{
    QByteArray inner = binaryPlist({arrayOf({})}, 0);
    for (int level = 1; level < levels; ++level)
        inner = binaryPlist({arrayOf({1}), dataObject(inner)}, 0);
    return inner;
}

qint64 countNodes(const QVariant& value)
{
    qint64 nodes = 1;
    if (value.typeId() == QMetaType::QVariantList)
        for (const QVariant& element : value.toList())
            nodes += countNodes(element);
    return nodes;
}

int itemDepth(const Item& item)
{
    int deepest = 0;
    if (item.children())
        for (const auto& child : *item.children())
            deepest = std::max(deepest, itemDepth(*child));
    return deepest + 1;
}

TEST(HostileDetails, SharedReferencesStopAtTheNodeBudget)
{
    const QByteArray bomb = sharedListBomb();
    ASSERT_LT(bomb.size(), 600) << "a few hundred bytes";
    PropertyListDecoder::Budget budget;
    const auto decoded = PropertyListDecoder::decode(bomb, budget);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(budget.wasCut());
    const qint64 nodes = countNodes(*decoded);
    EXPECT_GT(nodes, PropertyListDecoder::maximumNodes / 2) << "what fits is shown";
    EXPECT_LE(nodes, PropertyListDecoder::maximumNodes + 1);

    PropertyListDecoder::Budget small;
    EXPECT_TRUE(PropertyListDecoder::decode(binaryPlist({arrayOf({1, 1}), arrayOf({})}, 0), small));
    EXPECT_FALSE(small.wasCut()) << "a shared reference alone is not a cut";
}

TEST(HostileDetails, FilesAndAttributesEndWithinTimeAndMemory)
{
    TemporaryTree tree;
    const QByteArray bomb = sharedListBomb();
    const QByteArray deep = nestedInData(10000);
    // Small enough that only the depth, counted across the nested lists, cuts it.
    const QByteArray deepButSmall = nestedInData(700);
    ASSERT_LT(deepButSmall.size() * 700 / 2, PropertyListDecoder::maximumDecodedBytes);
    std::ofstream(tree.path("bomb.plist"), std::ios::binary).write(bomb.constData(), bomb.size());
    std::ofstream(tree.path("deep.plist"), std::ios::binary).write(deep.constData(), deep.size());
    std::ofstream(tree.path("small.plist"), std::ios::binary).write(deepButSmall.constData(), deepButSmall.size());

    const auto details = [&](const std::string& relative) {
        auto made = FileSystemWalker::makeRecord(FileUrl(tree.path(relative)), nullptr);
        return ItemDetails::make(VistrelFile(made->record));
    };
    for (const char* name : {"bomb.plist", "deep.plist", "small.plist"}) {
        const std::string failure = testing::runBoundedChild(
            [&] {
                const ItemDetails made = details(name);
                if (!made.propertyListItems || made.propertyListItems->empty() || !made.propertyListCut) {
                    std::fprintf(stderr, "%s: tab %d, cut %d\n", name, bool(made.propertyListItems),
                                 made.propertyListCut);
                    return false;
                }
                // The depth counts across property lists nested in data.
                int deepest = 0;
                for (const auto& item : *made.propertyListItems)
                    deepest = std::max(deepest, itemDepth(*item));
                return deepest <= PropertyListDecoder::maximumDepth + 2;
            },
            std::size_t{1} << 30, 60);
        EXPECT_EQ(failure, "") << name;
    }
}

TEST(HostileDetails, AnAttributeHoldingAPropertyListBombEndsWithinTimeAndMemory)
{
    TemporaryTree tree;
    const QByteArray bomb = sharedListBomb();
    tree.writeFile("attributes", 1);
    if (::setxattr(tree.path("attributes").c_str(), "user.bomb", bomb.constData(), bomb.size(), 0) != 0) {
        ASSERT_TRUE(errno == ENOTSUP || errno == E2BIG || errno == ENOSPC) << std::strerror(errno);
        GTEST_SKIP() << "this file system keeps no user attribute that large: " << std::strerror(errno);
    }
    const std::string failure = testing::runBoundedChild(
        [&] {
            auto made = FileSystemWalker::makeRecord(FileUrl(tree.path("attributes")), nullptr);
            const ItemDetails details = ItemDetails::make(VistrelFile(made->record));
            return details.extendedAttributesCut && details.extendedAttributeItems.size() == 1
                && details.extendedAttributeItems[0]->children();
        },
        std::size_t{1} << 30, 60);
    EXPECT_EQ(failure, "");
}

TEST(HostileDetails, AttributeNamesThatAreNotUtf8StayApart)
{
    TemporaryTree tree;
    tree.writeFile("tagged", 1);
    const std::string path = tree.path("tagged");
    if (::setxattr(path.c_str(), "user.\xff\xfe", "one", 3, 0) != 0
        || ::setxattr(path.c_str(), "user.\xfe\xff", "two", 3, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    auto made = FileSystemWalker::makeRecord(FileUrl(path), nullptr);
    const ItemDetails details = ItemDetails::make(VistrelFile(made->record));
    ASSERT_EQ(details.extendedAttributeItems.size(), 2u) << "two attributes, two rows";
    EXPECT_NE(details.extendedAttributeItems[0]->header(), details.extendedAttributeItems[1]->header());
    EXPECT_NE(*details.extendedAttributeItems[0]->stringValue(), *details.extendedAttributeItems[1]->stringValue());
}

TEST(HostileDetails, TheBrowserSaysWhenValuesWereCut)
{
    testing::ensureApplication();
    PropertyListDecoder::Budget budget;
    QVariantMap values;
    values.insert(QStringLiteral("bomb"), sharedListBomb());
    const auto items = Item::makeItems(values, budget);
    ASSERT_TRUE(budget.wasCut());
    AnyDictionaryBrowserView browser(items);
    browser.setCut(budget.wasCut());
    EXPECT_TRUE(browser.showsCutNote());
    AnyDictionaryBrowserView whole(Item::makeItems(QVariantMap{{QStringLiteral("n"), 5}}));
    EXPECT_FALSE(whole.showsCutNote());
}

// Our binary reader against libplist's writer: the same values as the XML they came from.
TEST(HostileDetails, BinaryReaderAgreesWithTheXmlOfTheSameList)
{
    const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                           "<key>text</key><string>plain</string>"
                           "<key>wide</key><string>gr\xc3\xbc\xc3\x9f \xe2\x98\x83</string>"
                           "<key>long</key><string>"
        + QByteArray(300, 'x')
        + "</string>"
          "<key>yes</key><true/><key>no</key><false/>"
          "<key>small</key><integer>7</integer><key>big</key><integer>4294967297</integer>"
          "<key>negative</key><integer>-5</integer>"
          "<key>half</key><real>0.5</real><key>whole</key><real>3.0</real>"
          "<key>when</key><date>2024-02-29T12:34:56Z</date>"
          "<key>blob</key><data>AAEC/w==</data>"
          "<key>list</key><array><integer>2</integer><dict><key>k</key><string>v</string>"
          "</dict><array/></array>"
          "</dict></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    ASSERT_TRUE(node);
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &binary, &length);
    plist_free(node);
    const QByteArray bytes(binary, static_cast<qsizetype>(length));
    std::free(binary);

    const auto fromXml = PropertyListDecoder::decode(xml);
    const auto fromBinary = PropertyListDecoder::decode(bytes);
    ASSERT_TRUE(fromXml);
    ASSERT_TRUE(fromBinary);
    const QVariantMap expected = fromXml->toMap();
    const QVariantMap actual = fromBinary->toMap();
    ASSERT_EQ(actual.keys(), expected.keys());
    for (const QString& key : expected.keys())
        EXPECT_EQ(actual.value(key), expected.value(key)) << key.toStdString();
    EXPECT_EQ(actual.value(QStringLiteral("wide")).toString(), QStringLiteral(u"grüß ☃"));
    EXPECT_EQ(actual.value(QStringLiteral("when")).toDateTime(),
              QDateTime::fromString(QStringLiteral("2024-02-29T12:34:56Z"), Qt::ISODate));
    EXPECT_EQ(actual.value(QStringLiteral("big")).toLongLong(), 4294967297LL);
    EXPECT_EQ(actual.value(QStringLiteral("negative")).toLongLong(), -5);

    // Truncated anywhere, the bytes are refused or read, never read past their end.
    for (qsizetype cut = 8; cut < bytes.size(); ++cut)
        PropertyListDecoder::decode(bytes.left(cut));
}

} // namespace
} // namespace vistrel
