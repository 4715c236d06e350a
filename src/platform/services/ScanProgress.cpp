#include "ScanProgress.h"

namespace vistrel {

ScanProgress::ScanProgress(QObject* parent)
    : QObject(parent)
{
}

void ScanProgress::setTotalUnitCount(std::int64_t total)
{
    if (total_ == total)
        return;
    total_ = total;
    Q_EMIT changed();
}

void ScanProgress::setCompletedUnitCount(std::int64_t completed)
{
    if (completed_ == completed)
        return;
    completed_ = completed;
    Q_EMIT changed();
}

} // namespace vistrel
