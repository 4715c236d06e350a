#pragma once

#include <string>
#include <string_view>

namespace vistrel::cli {

// A name made safe for a terminal: control characters (C0, DEL and C1) and bytes that are
// not UTF-8 become visible escapes ("\e", "\n", "\t", "\r", "\x07", "\xff"), a backslash
// becomes "\\", and everything else stays as it is. A file name can then neither move the
// cursor, retitle the window nor split a row.
std::string terminalText(std::string_view bytes);

} // namespace vistrel::cli
