#include "JsonWriter.h"

#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <cmath>
#include <cstdio>

namespace vistrel {

void JsonWriter::writeKey(std::string_view key)
{
    if (needsComma_)
        text_ += ", ";
    needsComma_ = true;
    if (!key.empty()) {
        writeString(key);
        text_ += ": ";
    }
}

void JsonWriter::writeString(std::string_view value)
{
    text_ += '"';
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            text_ += escaped;
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

JsonWriter& JsonWriter::beginObject(std::string_view key)
{
    if (!text_.empty())
        writeKey(key);
    text_ += '{';
    needsComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    text_ += '}';
    needsComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view key, std::string_view value)
{
    writeKey(key);
    writeString(value);
    return *this;
}

JsonWriter& JsonWriter::integer(std::string_view key, std::optional<std::int64_t> value)
{
    writeKey(key);
    text_ += value ? std::to_string(*value) : "null";
    return *this;
}

JsonWriter& JsonWriter::fraction(std::string_view key, double value)
{
    writeKey(key);
    char digits[32];
    // Four places: a share to a hundredth of a percent; never "nan" or "inf", which are not JSON.
    std::snprintf(digits, sizeof digits, "%.4f", std::isfinite(value) ? value : 0.0);
    text_ += digits;
    return *this;
}

JsonWriter& JsonWriter::boolean(std::string_view key, std::optional<bool> value)
{
    writeKey(key);
    text_ += value ? (*value ? "true" : "false") : "null";
    return *this;
}

JsonWriter& JsonWriter::null(std::string_view key)
{
    writeKey(key);
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::variant(std::string_view key, const QVariant& value)
{
    writeKey(key);
    writeVariantValue(value);
    return *this;
}

void JsonWriter::writeVariantValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        text_ += value.toBool() ? "true" : "false";
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        text_ += value.toString().toStdString();
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        writeString(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        break;
    }
    case QMetaType::QDateTime:
        writeString(value.toDateTime().toUTC().toString(Qt::ISODateWithMs).toStdString());
        break;
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        text_ += '[';
        needsComma_ = false;
        for (const QVariant& item : value.toList()) {
            writeKey({});
            writeVariantValue(item);
        }
        text_ += ']';
        break;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        text_ += '{';
        needsComma_ = false;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QByteArray name = it.key().toUtf8();
            writeKey(std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
            writeVariantValue(it.value());
        }
        text_ += '}';
        break;
    }
    default:
        if (value.isNull()) {
            text_ += "null";
        } else {
            const QByteArray utf8 = value.toString().toUtf8();
            writeString(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        }
    }
    needsComma_ = true;
}

} // namespace vistrel
