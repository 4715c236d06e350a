#pragma once

#include "AnyDictionaryBrowserItem.h"

#include "store/VistrelFile.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <vector>

namespace vistrel {

// What the details panel shows of one item, read from the snapshot and, once, from the live
// file system. Made off the main thread; plain values afterwards.
struct ItemDetails {
    struct Row {
        enum class Kind { number, text, date, boolean };
        Kind kind = Kind::text;
        QString title;
        std::optional<QString> text; // number and text rows
        std::optional<QDateTime> date;
        std::optional<bool> flag;
        // Absent values leave the row out.
        bool present() const { return text || date || flag; }
    };
    using Section = std::vector<Row>;

    QString name;
    QString path;
    std::string rawPath; // the path's bytes, for reading the file
    QString typeDescription; // empty when absent
    // The display name when it differs from the name; empty otherwise.
    QString localizedName;
    // The General tab: what a person asks first (kind, sizes, modified, owner, permissions),
    // then the "Advanced" sections (numbers, dates and flags), in the order shown.
    Section essentials;
    std::vector<Section> advanced;
    // Attribute name to its bytes; empty when the item has none (no tab).
    QVariantMap extendedAttributes;
    // The browsers' top-level items, built here so that the main thread only shows them:
    // the extended attributes, and the contents of a property-list file (absent: no tab).
    AnyDictionaryBrowserView::Item::Children extendedAttributeItems;
    std::optional<AnyDictionaryBrowserView::Item::Children> propertyListItems;
    // Whether a browser shows only part of its values: too many, too large or nested too deeply.
    bool extendedAttributesCut = false;
    bool propertyListCut = false;

    // Reads the file system for `file` (loadFromFileSystem) and gathers every row.
    static ItemDetails make(VistrelFile file);
};

} // namespace vistrel
