#pragma once

#include <string>
#include <string_view>

namespace vistrel::cli {

// A name made safe for a terminal: control characters (C0, DEL and C1) and bytes that are
// not UTF-8 become visible escapes ("\e", "\n", "\t", "\r", "\x07", "\xff"), a backslash
// becomes "\\", and everything else stays as it is. A file name can then neither move the
// cursor, retitle the window nor split a row.
// The bidirectional controls (U+202E and its kin) become "\u202e": they would make a name
// read as another.
std::string terminalText(std::string_view bytes);

// The columns a terminal gives `text`: two for wide and emoji characters, none for combining
// marks and format characters, one for anything else (an escaped byte counts per character).
std::size_t displayWidth(std::string_view text);

} // namespace vistrel::cli
