#pragma once

#include <QString>

#include <string_view>

namespace vistrel {

// How the window shows a name or path that is bytes: UTF-8 as text; each byte that is not
// UTF-8 as "\xFF", so that different bytes never look alike; and the bidirectional controls
// (U+202E and its kin), which could make "exe.txt" read as "txt.exe", as "\u202E". Control
// characters show escaped ("\n", "\t", "\x01"), so that a name is always one line.
class DisplayName {
public:
    static QString of(std::string_view bytes);
    // Whether the window shows this code point escaped.
    static bool isBidirectionalControl(char32_t codePoint);
};

} // namespace vistrel
