#pragma once

#include <string>
#include <string_view>

namespace vistrel {

// Containment ignoring case and diacritics. The needle is folded once; a haystack that is
// ASCII, searched for an ASCII needle, is compared byte by byte without Unicode calls.
class TextFolding {
public:
    class Needle {
    public:
        explicit Needle(std::string_view text);
        bool isAscii() const { return isAscii_; }
        const std::u16string& folded() const { return folded_; }
        const std::string& asciiFolded() const { return asciiFolded_; }

    private:
        bool isAscii_ = true;
        std::u16string folded_;
        std::string asciiFolded_; // lower-case bytes when isAscii
    };

    // Case folded, decomposed, without combining marks. Each byte that is not UTF-8 becomes a
    // private-use character of its own (U+F780 to U+F7FF).
    static std::u16string fold(std::string_view text);
    static bool contains(std::string_view haystack, const Needle& needle);
};

} // namespace vistrel
