#pragma once

#include "history/SnapshotComparison.h"
#include "services/LifetimeToken.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// Which earlier snapshot the window's screens compare with: the snapshots kept of the same
// root, the one chosen, and no comparison. Lists them off the main thread. Main thread only.
class ComparisonModel : public QObject {
    Q_OBJECT
public:
    // `shownLocation`: the store file of the snapshot shown, empty for one in memory.
    ComparisonModel(std::string shownLocation, std::string scanRoot, QObject* parent = nullptr);

    struct Candidate {
        std::string location;
        std::optional<std::int64_t> endedAt;
        bool current = false; // the root's current snapshot (when an earlier one is shown)
        QString label; // "12/8/2026, 2:10 PM"
    };
    // Newest first; empty until the first listing has arrived.
    const std::vector<Candidate>& candidates() const { return candidates_; }
    // Lists the candidates anew (candidatesChanged follows).
    void reload();

    // Compares with that store from now on. False, with the reason in error(), for a store
    // that cannot be read or holds a snapshot of another folder; nothing changes then.
    bool compareWith(const std::string& location);
    void stop();
    bool comparing() const { return comparison_ != nullptr; }
    const std::shared_ptr<const SnapshotComparison>& comparison() const { return comparison_; }
    const std::string& comparedLocation() const { return comparedLocation_; }
    // "12/8/2026, 2:10 PM" of the snapshot compared with; empty when none is.
    const QString& comparedLabel() const { return comparedLabel_; }
    const QString& error() const { return error_; }

    // The store whose history holds the candidates.
    static std::string historyBase(const std::string& shownLocation, const std::string& scanRoot);

Q_SIGNALS:
    void candidatesChanged();
    void comparisonChanged();

private:
    std::string shownLocation_;
    std::string scanRoot_;
    std::vector<Candidate> candidates_;
    std::shared_ptr<const SnapshotComparison> comparison_;
    std::string comparedLocation_;
    QString comparedLabel_;
    QString error_;
    LifetimeToken lifetime_;
};

} // namespace vistrel
