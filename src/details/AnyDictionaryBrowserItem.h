#pragma once

#include "AnyDictionaryBrowserView.h"
#include "PropertyListDecoder.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace vistrel {

// One node of the browser: a value, its path-like id and its label, with the display text of
// a scalar or the children of a map or list. Made once; never changes.
class AnyDictionaryBrowserView::Item {
public:
    using Children = std::vector<std::shared_ptr<Item>>;

    using Budget = PropertyListDecoder::Budget;

    // `depth` counts every level above, property lists nested in data included.
    Item(QString id, QString header, QVariant value, Budget& budget, int depth);

    const QVariant& value() const { return value_; }
    const QString& id() const { return id_; }
    const QString& header() const { return header_; }
    const std::optional<QString>& stringValue() const { return stringValue_; }
    const std::optional<Children>& children() const { return children_; }

    // Whether the node, or any node below it, shows `filter` (ignoring case); an empty
    // filter matches everything.
    bool matches(const QString& filter) const;

    // The top-level items of a map: one per entry, id and header its key, sorted by id. The
    // budget bounds the whole tree; when it was cut, only part of the values is shown.
    static Children makeItems(const QVariantMap& map, Budget& budget);
    static Children makeItems(const QVariantMap& map);

private:
    void describe(const QVariant& value, const QString& idPrefix, Budget& budget, int depth);

    QVariant value_;
    QString id_;
    QString header_;
    std::optional<QString> stringValue_;
    std::optional<Children> children_;
};

} // namespace vistrel
