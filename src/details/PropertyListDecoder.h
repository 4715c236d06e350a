#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace vistrel {

// Property lists (XML and binary, through libplist) as Qt values: dictionaries become
// QVariantMap, arrays QVariantList, strings QString, data QByteArray, dates QDateTime. Numbers
// convert as the browser shows them: exactly 0 or 1 as a Boolean, an integral value as a
// 64-bit integer, anything else as a double. Nesting deeper than `maximumDepth` is cut there.
class PropertyListDecoder {
public:
    static constexpr int maximumDepth = 512;
    // Larger files are not read for the Property List tab.
    static constexpr qint64 maximumFileBytes = qint64{16} << 20;

    // Absent when the bytes are not a property list.
    static std::optional<QVariant> decode(const QByteArray& bytes);
    // The whole file at `path`, read without changing its access time; absent when it cannot
    // be read or is larger than maximumFileBytes.
    static std::optional<QByteArray> readFile(const std::string& path);
};

} // namespace vistrel
