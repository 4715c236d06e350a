#pragma once

#include "NcduImport.h"

#include <QObject>

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <thread>

namespace vistrel {

class StoreContainer;

// Imports an ncdu export into a snapshot in memory on a worker thread, for the window: the
// bytes read as progress, cancellable between reads, the snapshot or the error handed over
// on the owner's thread.
class NcduImportJob : public QObject {
    Q_OBJECT
public:
    explicit NcduImportJob(QObject* parent = nullptr);
    // Stops a running import and waits for its worker.
    ~NcduImportJob() override;

    void start(std::string path);
    void cancel() { cancelled_ = true; }
    bool isRunning() const { return worker_.joinable(); }

    const std::string& path() const { return path_; }
    std::int64_t bytesRead() const { return bytesRead_; }
    std::int64_t fileSize() const { return fileSize_; }

    // After finished(): the snapshot (none when the import failed or was cancelled), or why not.
    std::shared_ptr<StoreContainer> takeContainer() { return std::move(container_); }
    const std::string& error() const { return error_; }
    bool wasCancelled() const { return wasCancelled_; }

Q_SIGNALS:
    void progressChanged();
    void finished();

private:
    std::string path_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::int64_t> bytesRead_{0};
    std::int64_t fileSize_ = 0;
    std::shared_ptr<StoreContainer> container_;
    std::string error_;
    bool wasCancelled_ = false;
};

} // namespace vistrel
