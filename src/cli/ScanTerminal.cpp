#include "ScanTerminal.h"

#include "TerminalText.h"

#include "objectstore/StoreError.h"
#include "scan/ScanError.h"
#include "scan/ScanSession.h"
#include "services/Formats.h"
#include "services/ScanProgress.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace vistrel::cli {

namespace {

std::atomic<int> lastSignal{0};

// How long a cancelled scan may take to end cleanly before the process ends anyway: a scan
// stuck in the kernel or in SQLite must still obey the signal.
constexpr unsigned cancelGraceSeconds = 10;

extern "C" void onSignal(int number)
{
    // A second signal does not wait for the clean end.
    if (lastSignal.exchange(number) != 0)
        ::_exit(128 + number);
    ::alarm(cancelGraceSeconds);
}

extern "C" void onCancelTimeout(int)
{
    static const char message[] = "vistrel-cli: the command did not end in time after the signal\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(128 + lastSignal.load());
}

} // namespace

void installCancelSignals()
{
    struct sigaction action { };
    action.sa_handler = onSignal;
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
    struct sigaction timeout { };
    timeout.sa_handler = onCancelTimeout;
    ::sigaction(SIGALRM, &timeout, nullptr);
}

int receivedSignal()
{
    return lastSignal.load();
}

void drawProgress(const ScanProgress& progress)
{
    const std::int64_t done = progress.completedUnitCount();
    const std::int64_t total = progress.totalUnitCount();
    const std::string count = Formats::groupedCount(done).toStdString();
    if (total > 0) {
        const int percent = static_cast<int>(std::min<std::int64_t>(100, done * 100 / total));
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%  %s of %s items ",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(30 - filled), '.').c_str(), percent, count.c_str(),
                     Formats::groupedCount(total).toStdString().c_str());
    } else {
        std::fprintf(stderr, "\rScanning: %s items ", count.c_str());
    }
    std::fflush(stderr);
}

// Advice fits the fault: only a damaged or foreign file is worth deleting.
std::string describeScanError(const std::exception_ptr& error, const std::string& location)
{
    try {
        std::rethrow_exception(error);
    } catch (const ModelContainerError& refused) {
        switch (refused.code()) {
        case StoreError::Code::notASnapshot:
        case StoreError::Code::incompatibleVersion:
            return std::string(refused.what()) + " (" + terminalText(location) + "; delete that file to scan anew)";
        case StoreError::Code::busy:
            return "another scan is writing the snapshot store " + terminalText(location)
                + "; try again when it has finished";
        case StoreError::Code::inUse:
            return "another program is reading the snapshot store " + terminalText(location)
                + " right now; try again when it has finished";
        default:
            return std::string(refused.what()) + " (" + terminalText(location) + ")";
        }
    } catch (const StoreError& failed) {
        if (failed.code() == StoreError::Code::busy)
            return "cannot save the snapshot: another program kept the snapshot store " + terminalText(location)
                + " busy; try again when it has finished";
        return std::string("cannot save the snapshot: ") + failed.what();
    } catch (const ScanError& refused) {
        return terminalText(refused.what());
    } catch (...) {
        return ScanSession::describe(error);
    }
}

} // namespace vistrel::cli
