#include "TerminalText.h"

#include "services/DisplayName.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <cstdio>

namespace vistrel::cli {

namespace {

void appendHex(std::string& out, unsigned char byte)
{
    static const char* digits = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xf];
}

// The length of the well-formed UTF-8 sequence at `index`, or 0 (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF).
std::size_t sequenceLength(std::string_view bytes, std::size_t index, std::uint32_t* codePoint)
{
    const auto at = [&bytes](std::size_t position) { return static_cast<unsigned char>(bytes[position]); };
    const unsigned char lead = at(index);
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80)
        length = 1, value = lead;
    else if ((lead & 0xe0) == 0xc0)
        length = 2, value = lead & 0x1f, minimum = 0x80;
    else if ((lead & 0xf0) == 0xe0)
        length = 3, value = lead & 0x0f, minimum = 0x800;
    else if ((lead & 0xf8) == 0xf0)
        length = 4, value = lead & 0x07, minimum = 0x10000;
    else
        return 0;
    if (index + length > bytes.size())
        return 0;
    for (std::size_t offset = 1; offset < length; ++offset) {
        if ((at(index + offset) & 0xc0) != 0x80)
            return 0;
        value = (value << 6) | (at(index + offset) & 0x3f);
    }
    if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    *codePoint = value;
    return length;
}

std::string hexCodePoint(std::uint32_t codePoint)
{
    char text[9];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(codePoint));
    return text;
}

} // namespace

std::size_t displayWidth(std::string_view text)
{
    std::size_t width = 0;
    for (std::size_t index = 0; index < text.size();) {
        std::uint32_t codePoint = 0;
        const std::size_t length = sequenceLength(text, index, &codePoint);
        if (length == 0) {
            ++width;
            ++index;
            continue;
        }
        index += length;
        const auto category = u_charType(static_cast<UChar32>(codePoint));
        if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR
            || codePoint == 0x200B)
            continue; // drawn on the character before, or not at all
        const auto eastAsian = u_getIntPropertyValue(static_cast<UChar32>(codePoint), UCHAR_EAST_ASIAN_WIDTH);
        const bool wide = eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH
            || u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_EMOJI_PRESENTATION);
        width += wide ? 2 : 1;
    }
    return width;
}

std::string terminalText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t index = 0; index < bytes.size();) {
        std::uint32_t codePoint = 0;
        const std::size_t length = sequenceLength(bytes, index, &codePoint);
        if (length == 0) {
            appendHex(out, static_cast<unsigned char>(bytes[index]));
            ++index;
            continue;
        }
        if (codePoint == 0x1b)
            out += "\\e";
        else if (codePoint == '\n')
            out += "\\n";
        else if (codePoint == '\t')
            out += "\\t";
        else if (codePoint == '\r')
            out += "\\r";
        else if (codePoint == '\\')
            out += "\\\\";
        else if (DisplayName::isBidirectionalControl(codePoint))
            out += "\\u" + hexCodePoint(codePoint);
        else if (codePoint < 0x20 || codePoint == 0x7f || (codePoint >= 0x80 && codePoint < 0xa0))
            for (std::size_t offset = 0; offset < length; ++offset)
                appendHex(out, static_cast<unsigned char>(bytes[index + offset]));
        else
            out.append(bytes.substr(index, length));
        index += length;
    }
    return out;
}

} // namespace vistrel::cli
