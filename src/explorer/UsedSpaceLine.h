#pragma once

#include "services/LifetimeToken.h"

#include <QLabel>

#include <cstdint>
#include <string>

namespace vistrel {

// At the root of a whole volume's snapshot, where the volume's used space went beside what
// the scan counted. Hidden until measured, off the main thread (statvfs and /proc are the
// disk's); stays hidden where the root does not start a volume.
class UsedSpaceLine : public QLabel {
    Q_OBJECT
public:
    UsedSpaceLine(std::string root, std::int64_t scannedAllocated, QWidget* parent);

private:
    LifetimeToken lifetime_;
};

} // namespace vistrel
