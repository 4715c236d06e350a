#pragma once

#include "scanner/FileSystemWalker.h"
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
// (erasing and locking an on-disk store first), walks on a worker thread, publishes progress
// on the owner's thread, cancels through a stop source, erases a cancelled on-disk scan and
// hands over the container or the error. Lives on a thread with a Qt event loop.
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
    };

    struct Outcome {
        // Handed over; absent when the routine ended with an error.
        std::shared_ptr<StoreContainer> container;
        // The walk was cancelled: an on-disk snapshot was erased, one in memory is partial.
        bool cancelled = false;
        // ScanError, ModelContainerError or StoreError; nothing is handed over.
        std::exception_ptr error;
        double seconds = 0;
        FileSystemWalker::Statistics statistics;
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
