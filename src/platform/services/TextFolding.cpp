#include "TextFolding.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <vector>

namespace vistrel {

namespace {

bool isAsciiText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Bytes that are not UTF-8 become private-use characters of their own (U+F780 to U+F7FF), so
// that different invalid bytes never compare equal, nor equal to a real U+FFFD.
std::u16string toUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t index = 0; index < length;) {
        const int32_t start = index;
        UChar32 c;
        U8_NEXT(bytes, index, length, c);
        if (c < 0) {
            for (int32_t invalid = start; invalid < index; ++invalid)
                result.push_back(static_cast<char16_t>(0xF700 | bytes[invalid]));
        } else if (U_IS_BMP(c)) {
            result.push_back(static_cast<char16_t>(c));
        } else {
            result.push_back(static_cast<char16_t>(U16_LEAD(c)));
            result.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }
    return result;
}

} // namespace

std::u16string TextFolding::fold(std::string_view text)
{
    const std::u16string source = toUtf16(text);
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status))
        return source;
    // Decomposition can grow the text; size the buffer from a preflight.
    std::u16string decomposed(source.size() * 3 + 8, u'\0');
    int32_t length = unorm2_normalize(nfd, reinterpret_cast<const UChar*>(source.data()),
                                      static_cast<int32_t>(source.size()), reinterpret_cast<UChar*>(decomposed.data()),
                                      static_cast<int32_t>(decomposed.size()), &status);
    if (U_FAILURE(status))
        return source;
    decomposed.resize(static_cast<std::size_t>(length));

    std::u16string withoutMarks;
    withoutMarks.reserve(decomposed.size());
    for (int32_t index = 0; index < length;) {
        UChar32 c;
        U16_NEXT(decomposed.data(), index, length, c);
        if (u_charType(c) == U_NON_SPACING_MARK)
            continue;
        if (U_IS_BMP(c)) {
            withoutMarks.push_back(static_cast<char16_t>(c));
        } else {
            withoutMarks.push_back(static_cast<char16_t>(U16_LEAD(c)));
            withoutMarks.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }

    std::u16string folded(withoutMarks.size() * 3 + 8, u'\0');
    status = U_ZERO_ERROR;
    length = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                           reinterpret_cast<const UChar*>(withoutMarks.data()),
                           static_cast<int32_t>(withoutMarks.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return withoutMarks;
    folded.resize(static_cast<std::size_t>(length));
    return folded;
}

TextFolding::Needle::Needle(std::string_view text)
    : folded_(fold(text))
{
    isAscii_ = std::all_of(folded_.begin(), folded_.end(), [](char16_t c) { return c < 0x80; });
    if (isAscii_)
        for (const char16_t c : folded_)
            asciiFolded_.push_back(static_cast<char>(c));
}

bool TextFolding::contains(std::string_view haystack, const Needle& needle)
{
    if (needle.folded().empty())
        return true;
    if (needle.isAscii() && isAsciiText(haystack)) {
        const std::string& target = needle.asciiFolded();
        const auto found = std::search(haystack.begin(), haystack.end(), target.begin(), target.end(),
                                       [](char a, char b) { return asciiLower(a) == b; });
        return found != haystack.end();
    }
    return fold(haystack).find(needle.folded()) != std::u16string::npos;
}

} // namespace vistrel
