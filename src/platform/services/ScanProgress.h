#pragma once

#include <QObject>

#include <cstdint>

namespace vistrel {

// The progress object shared by a scan and whoever shows it: a total and a completed count.
// Written on the thread it lives in (the user-interface thread); `changed` fires on every change.
class ScanProgress : public QObject {
    Q_OBJECT
public:
    explicit ScanProgress(QObject* parent = nullptr);

    std::int64_t totalUnitCount() const { return total_; }
    std::int64_t completedUnitCount() const { return completed_; }
    void setTotalUnitCount(std::int64_t total);
    void setCompletedUnitCount(std::int64_t completed);

Q_SIGNALS:
    void changed();

private:
    std::int64_t total_ = 0;
    std::int64_t completed_ = 0;
};

} // namespace vistrel
