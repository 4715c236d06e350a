#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QVariant;

namespace vistrel {

// Builds one JSON object on one line. Strings are written as their bytes with JSON escapes
// for '"', '\\' and control characters only; bytes that are not UTF-8 stay raw, so a path
// reads back exactly as the file system holds it.
class JsonWriter {
public:
    JsonWriter& beginObject(std::string_view key = {});
    JsonWriter& endObject();

    JsonWriter& string(std::string_view key, std::string_view value);
    JsonWriter& integer(std::string_view key, std::optional<std::int64_t> value);
    // A number from 0 to 1 with four places.
    JsonWriter& fraction(std::string_view key, double value);
    JsonWriter& boolean(std::string_view key, std::optional<bool> value);
    JsonWriter& null(std::string_view key);
    // Strings, byte arrays, numbers, flags, dates (ISO 8601), lists and maps.
    JsonWriter& variant(std::string_view key, const QVariant& value);

    const std::string& text() const { return text_; }

private:
    void writeKey(std::string_view key);
    void writeString(std::string_view value);
    void writeVariantValue(const QVariant& value);

    std::string text_;
    bool needsComma_ = false;
};

} // namespace vistrel
