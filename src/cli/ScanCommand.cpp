#include "Commands.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "services/Formats.h"
#include "services/Log.h"
#include "services/ScanProgress.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "filesystem/VolumeFigures.h"
#include "scanner/FileSystemWalker.h"
#include "scanner/FileSystemWalkerError.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace vistrel::cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
}

// This command's user-interface thread: the main thread runs the jobs the walker hops
// over, draws the progress bar and notices Ctrl-C, while the walk runs on a worker.
class MainLoop {
public:
    void post(std::function<void()> job)
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        wake_.notify_one();
    }

    void finish()
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        wake_.notify_one();
    }

    // Runs until finish(); `tick` runs after each wake-up, at least ten times a second.
    void run(const std::function<void()>& tick)
    {
        for (;;) {
            std::deque<std::function<void()>> jobs;
            bool finished = false;
            {
                std::unique_lock lock(mutex_);
                wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return finished_ || !jobs_.empty(); });
                jobs.swap(jobs_);
                finished = finished_;
            }
            for (auto& job : jobs)
                job();
            tick();
            if (finished)
                return;
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool finished_ = false;
};

void drawProgress(const ScanProgress& progress)
{
    const std::int64_t done = progress.completedUnitCount();
    const std::int64_t total = progress.totalUnitCount();
    const std::string count = Formats::groupedCount(done).toStdString();
    if (total > 0) {
        const int percent = static_cast<int>(std::min<std::int64_t>(100, done * 100 / total));
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%  %s of %s items ", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(30 - filled), '.').c_str(), percent, count.c_str(),
                     Formats::groupedCount(total).toStdString().c_str());
    } else {
        std::fprintf(stderr, "\rScanning: %s items ", count.c_str());
    }
    std::fflush(stderr);
}

// The volume's resource count is a fair total only when the root is where the volume starts.
std::int64_t progressTotal(const std::string& root)
{
    try {
        const FileStatus status = FileSystemMetadata::status(root);
        bool volumeRoot = root == "/";
        if (!volumeRoot) {
            const FileStatus parent = FileSystemMetadata::status(root + "..");
            volumeRoot = parent.device != status.device || parent.mountId != status.mountId;
        }
        if (volumeRoot)
            return VolumeFigures::read(root).resourceCount.value_or(0);
    } catch (const FileSystemError&) {
    }
    return 0;
}

} // namespace

int runScan(const std::vector<std::string>& arguments)
{
    std::optional<std::string> rootArgument;
    std::optional<std::string> storeArgument;
    bool inMemory = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--store" && index + 1 < arguments.size() && !inMemory && !storeArgument)
            storeArgument = arguments[++index];
        else if (argument == "--in-memory" && !storeArgument)
            inMemory = true;
        else if (!rootArgument && (argument.empty() || argument[0] != '-'))
            rootArgument = argument;
        else
            return usageError("scan: unexpected argument " + argument);
    }
    const std::string root = FileUrl::directory(absolutePath(rootArgument.value_or("/"))).path();
    try {
        if (!FileSystemMetadata::status(root).isDirectory())
            return failure("cannot scan " + root + ": not a directory");
    } catch (const FileSystemError& error) {
        return failure("cannot scan " + root + ": " + error.localizedDescription());
    }

    std::shared_ptr<StoreContainer> container;
    try {
        if (inMemory) {
            container = VistrelModelContainer::shared().makeContainer(true);
        } else {
            // A file that is not a snapshot is refused here, before anything of it is erased.
            container = storeArgument ? VistrelModelContainer::shared().makeContainer(absolutePath(*storeArgument))
                                      : VistrelModelContainer::shared().makeContainer(false);
            container->erase();
        }
    } catch (const ModelContainerError& error) {
        const std::string location = storeArgument ? absolutePath(*storeArgument) : VistrelModelContainer::onDiskStoreLocation();
        return failure(std::string(error.what()) + " (" + location + "; delete that file to scan anew)");
    } catch (const StoreError& error) {
        return failure(std::string("cannot erase the snapshot store: ") + error.what());
    }

    ScanProgress progress;
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress)
        progress.setTotalUnitCount(progressTotal(root));

    MainLoop loop;
    std::stop_source stopSource;
    FileSystemWalker walker(FileUrl(root), &progress, container, &VistrelFile::insert,
                            [&loop](std::function<void()> job) { loop.post(std::move(job)); }, stopSource.get_token());
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);

    double seconds = 0;
    std::exception_ptr failed;
    std::thread worker([&] {
        try {
            seconds = walker.walk();
        } catch (...) {
            failed = std::current_exception();
        }
        loop.finish();
    });
    loop.run([&] {
        if (interrupted && !stopSource.stop_requested())
            stopSource.request_stop();
        if (showProgress)
            drawProgress(progress);
    });
    worker.join();
    if (showProgress) {
        // Progress is published in steps of 10,000; the last line shows the whole count.
        if (!failed)
            progress.setCompletedUnitCount(walker.statistics().savedRecords);
        drawProgress(progress);
        std::fprintf(stderr, "\n");
    }

    if (failed) {
        try {
            std::rethrow_exception(failed);
        } catch (const FileSystemWalkerError&) {
            // A cancelled scan leaves no partial snapshot on disk.
            if (!inMemory) {
                try {
                    container->erase();
                } catch (const StoreError& error) {
                    failure(std::string("cannot erase the cancelled snapshot: ") + error.what());
                }
            }
            std::fprintf(stderr, "vistrel-cli: scan cancelled\n");
            return exitInterrupted;
        } catch (const StoreError& error) {
            return failure(std::string("cannot save the snapshot: ") + error.what());
        }
    }
    Log::info(LogCategory::app, "walked in " + std::to_string(seconds));
    const auto statistics = walker.statistics();
    std::printf("records=%lld files=%lld size=%lld allocated=%lld seconds=%.3f\n",
                static_cast<long long>(statistics.savedRecords), static_cast<long long>(statistics.rootFileCount),
                static_cast<long long>(statistics.rootTotalSize), static_cast<long long>(statistics.rootTotalAllocatedSize),
                seconds);
    return exitSuccess;
}

} // namespace vistrel::cli
