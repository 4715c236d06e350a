#include "AnyDictionaryBrowserItem.h"

#include "PropertyListDecoder.h"

#include "services/Formats.h"

#include <QStringDecoder>

#include <algorithm>

namespace vistrel {

namespace {

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

void sortById(AnyDictionaryBrowserView::Item::Children& children)
{
    // Plain string order: code point by code point, upper case before lower case.
    std::sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a->id() < b->id(); });
}

} // namespace

AnyDictionaryBrowserView::Item::Item(QString id, QString header, QVariant value, Budget& budget, int depth)
    : value_(std::move(value))
    , id_(std::move(id))
    , header_(std::move(header))
{
    if (budget.takeLabel((id_.size() + header_.size()) * 2))
        describe(value_, id_, budget, depth);
}

// The rules in their order: bytes (a property list, else UTF-8 text, else their count), maps,
// lists, text, Booleans, integers, floating point; anything else shows nothing.
void AnyDictionaryBrowserView::Item::describe(const QVariant& value, const QString& idPrefix, Budget& budget, int depth)
{
    if (depth > PropertyListDecoder::maximumDepth) {
        budget.markCut();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        if (const auto parsed = PropertyListDecoder::decode(bytes, budget, depth + 1)) {
            describe(*parsed, QString(), budget, depth + 1); // a parsed map's entry k gets the id /k
            return;
        }
        stringValue_ = isUtf8(bytes) ? QString::fromUtf8(bytes) : Formats::byteData(bytes);
        return;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.isEmpty())
            return;
        Children children;
        for (auto entry = map.constBegin(); entry != map.constEnd() && !budget.labelsSpent(); ++entry)
            children.push_back(std::make_shared<Item>(idPrefix + QLatin1Char('/') + entry.key(), entry.key(),
                                                      entry.value(), budget, depth + 1));
        sortById(children);
        children_ = std::move(children);
        return;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        if (list.isEmpty())
            return;
        Children children;
        for (qsizetype index = 0; index < list.size() && !budget.labelsSpent(); ++index)
            children.push_back(std::make_shared<Item>(idPrefix + QLatin1Char('/') + QString::number(index),
                                                      QStringLiteral("[%1]: ").arg(index), list[index], budget,
                                                      depth + 1));
        children_ = std::move(children);
        return;
    }
    case QMetaType::QString:
        stringValue_ = value.toString();
        return;
    case QMetaType::Bool:
        stringValue_ = Formats::boolean(value.toBool());
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        stringValue_ = Formats::decimal(value.toLongLong());
        return;
    case QMetaType::Double:
        stringValue_ = Formats::fixedPoint(value.toDouble());
        return;
    default:
        return;
    }
}

bool AnyDictionaryBrowserView::Item::matches(const QString& filter) const
{
    if (filter.isEmpty() || header_.contains(filter, Qt::CaseInsensitive)
        || (stringValue_ && stringValue_->contains(filter, Qt::CaseInsensitive)))
        return true;
    if (children_)
        return std::any_of(children_->begin(), children_->end(),
                           [&filter](const auto& child) { return child->matches(filter); });
    return false;
}

AnyDictionaryBrowserView::Item::Children AnyDictionaryBrowserView::Item::makeItems(const QVariantMap& map,
                                                                                   Budget& budget)
{
    Children items;
    for (auto entry = map.constBegin(); entry != map.constEnd() && !budget.labelsSpent(); ++entry)
        items.push_back(std::make_shared<Item>(entry.key(), entry.key(), entry.value(), budget, 0));
    sortById(items);
    return items;
}

AnyDictionaryBrowserView::Item::Children AnyDictionaryBrowserView::Item::makeItems(const QVariantMap& map)
{
    Budget budget;
    return makeItems(map, budget);
}

} // namespace vistrel
