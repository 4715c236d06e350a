#pragma once

#include "scanner/FileSystemWalker.h"
#include "services/Preferences.h"
#include "services/ScanProgress.h"

#include <QObject>

#include <exception>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace vistrel {

class StoreContainer;

// One scan from start to hand-over, for every front end: checks the root, makes the container
// (for a store on disk a file beside it, under the store's writer lock), walks on a worker
// thread, publishes progress on the owner's thread, cancels through a stop source, moves a
// finished on-disk scan into place (the previous one into the history) and hands over the
// container or the error. Lives on a thread with a Qt event loop.
class ScanSession : public QObject {
    Q_OBJECT
public:
    struct Request {
        // A directory path ending in "/".
        std::string root = "/";
        // On disk (the per-user store, or storeFile) rather than in memory.
        bool persistedSnapshot = true;
        std::optional<std::string> storeFile;
        FileSystemWalker::Options walkerOptions;
        // Earlier snapshots kept beside an on-disk store when a scan replaces it.
        int historyKeepCount = Preferences::defaultHistoryKeepCount;
    };

    struct Outcome {
        // Handed over; absent when the routine ended with an error.
        std::shared_ptr<StoreContainer> container;
        // The walk was cancelled: nothing is handed over for a scan to disk, whose previous
        // snapshot stays current; one in memory is handed over partial.
        bool cancelled = false;
        // The scan to disk failed once it had begun writing; the previous snapshot is current.
        bool previousSnapshotKept = false;
        // ScanError, ModelContainerError or StoreError; nothing is handed over.
        std::exception_ptr error;
        double seconds = 0;
        FileSystemWalker::Statistics statistics;
        // The scan replaced the store, but the previous snapshot could not be kept: why.
        std::optional<std::string> historyProblem;
    };

    explicit ScanSession(QObject* parent = nullptr);
    // Stops a running scan and waits for its worker.
    ~ScanSession() override;

    ScanProgress& progress() { return progress_; }
    bool isRunning() const { return worker_.joinable(); }
    const Outcome& outcome() const { return outcome_; }

    // Starts the scan routine; ignored while one runs.
    void start(Request request);
    // Requests cancellation; cancelFinished() follows once the routine has ended (at once
    // when none runs).
    void cancel();

    // A readable description of an outcome's error.
    static std::string describe(const std::exception_ptr& error);

Q_SIGNALS:
    // outcome() holds the end of the routine; its container now belongs to the receiver.
    void finished();
    void cancelFinished();

private:
    Outcome runRoutine(const Request& request, std::stop_token stopToken);
    void routineEnded(Outcome outcome);

    ScanProgress progress_;
    std::stop_source stopSource_;
    std::thread worker_;
    Outcome outcome_;
    bool cancelRequested_ = false;
};

} // namespace vistrel
