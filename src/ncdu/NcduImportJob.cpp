#include "NcduImportJob.h"

#include "store/VistrelModelContainer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// Thrown from the progress callback: the only point where the reader asks.
struct Cancelled { };

} // namespace

NcduImportJob::NcduImportJob(QObject* parent)
    : QObject(parent)
{
}

NcduImportJob::~NcduImportJob()
{
    cancelled_ = true;
    if (worker_.joinable())
        worker_.join();
}

void NcduImportJob::start(std::string path)
{
    if (isRunning())
        return;
    path_ = std::move(path);
    cancelled_ = false;
    bytesRead_ = 0;
    error_.clear();
    wasCancelled_ = false;
    struct stat status { };
    fileSize_ = ::stat(path_.c_str(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : 0;
    worker_ = std::thread([this, path = path_] {
        std::shared_ptr<StoreContainer> container;
        std::string error;
        bool cancelled = false;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            error = std::string("cannot read it: ") + std::strerror(errno);
        } else {
            try {
                container = VistrelModelContainer::shared().makeContainer(true);
                NcduImport::run(fd, *container, [this](std::uint64_t bytes) {
                    if (cancelled_)
                        throw Cancelled{};
                    bytesRead_ = static_cast<std::int64_t>(bytes);
                    QMetaObject::invokeMethod(this, &NcduImportJob::progressChanged, Qt::QueuedConnection);
                });
            } catch (const Cancelled&) {
                cancelled = true;
                container.reset();
            } catch (const std::exception& failure) {
                error = failure.what();
                container.reset();
            }
            ::close(fd);
        }
        QMetaObject::invokeMethod(
            this,
            [this, container = std::move(container), error = std::move(error), cancelled]() mutable {
                if (worker_.joinable())
                    worker_.join();
                container_ = std::move(container);
                error_ = std::move(error);
                wasCancelled_ = cancelled;
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    });
}

} // namespace vistrel
