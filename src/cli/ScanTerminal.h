#pragma once

#include <exception>
#include <string>

namespace vistrel {
class ScanProgress;
}

namespace vistrel::cli {

// What the long commands (scan, rescan, duplicates) share on a terminal.

// SIGINT, SIGTERM and SIGHUP ask for a clean cancel; a second signal, or a cancel that has
// not ended after 10 seconds, ends the process at once.
void installCancelSignals();
// The signal received, or 0.
int receivedSignal();
// One line of progress on stderr, redrawn in place.
void drawProgress(const ScanProgress& progress);
// A walk's or a store's failure, with advice that fits it; `location` is the store file.
std::string describeScanError(const std::exception_ptr& error, const std::string& location);

} // namespace vistrel::cli
