#include "ComparisonModel.h"

#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "services/Background.h"
#include "services/Formats.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"

#include <QDateTime>
#include <QThreadPool>

namespace vistrel {

namespace {

QString dateLabel(const std::optional<std::int64_t>& endedAt)
{
    return endedAt ? Formats::dateTimeStyle(QDateTime::fromSecsSinceEpoch(*endedAt)) : QStringLiteral("Unknown date");
}

} // namespace

ComparisonModel::ComparisonModel(std::string shownLocation, std::string scanRoot, QObject* parent)
    : QObject(parent)
    , shownLocation_(std::move(shownLocation))
    , scanRoot_(std::move(scanRoot))
{
    reload();
}

std::string ComparisonModel::historyBase(const std::string& shownLocation, const std::string& scanRoot)
{
    // An earlier snapshot, or one in memory, belongs with the root's per-user store.
    if (!shownLocation.empty() && !SnapshotHistory::isEarlier(shownLocation))
        return shownLocation;
    return VistrelModelContainer::onDiskStoreLocation(scanRoot);
}

void ComparisonModel::reload()
{
    runInBackground(
        lifetime_,
        [shown = shownLocation_, root = scanRoot_] {
            std::vector<Candidate> found;
            const std::string base = historyBase(shown, root);
            if (base.empty())
                return found;
            for (const SnapshotHistory::Snapshot& snapshot : SnapshotHistory::list(base)) {
                // Only readable snapshots of the same folder can be compared with.
                if (snapshot.location == shown || snapshot.problem || (snapshot.root && *snapshot.root != root))
                    continue;
                Candidate candidate;
                candidate.location = snapshot.location;
                candidate.endedAt = snapshot.facts ? std::optional(snapshot.facts->endedAt) : std::nullopt;
                candidate.current = snapshot.current;
                candidate.label = dateLabel(candidate.endedAt);
                found.push_back(std::move(candidate));
            }
            return found;
        },
        [this](std::vector<Candidate> found) {
            candidates_ = std::move(found);
            Q_EMIT candidatesChanged();
        });
}

bool ComparisonModel::compareWith(const std::string& location)
{
    error_.clear();
    std::shared_ptr<StoreContainer> earlier;
    std::optional<std::int64_t> endedAt;
    try {
        earlier = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
        const auto root = SnapshotCompletion::scanRoot(*earlier);
        if (root && *root != scanRoot_) {
            error_ = QStringLiteral("That snapshot is of another folder (%1), so it cannot be compared with this one.")
                         .arg(QString::fromUtf8(root->data(), static_cast<qsizetype>(root->size())));
            return false;
        }
        if (!SnapshotCompletion::isFinished(*earlier)) {
            error_ = QString::fromLatin1(SnapshotCompletion::incompleteMessage);
            return false;
        }
        if (const auto facts = SnapshotCompletion::scanFacts(*earlier))
            endedAt = facts->endedAt;
    } catch (const std::exception& failure) {
        error_ = QStringLiteral("The snapshot cannot be compared with: %1").arg(QString::fromUtf8(failure.what()));
        return false;
    }
    comparison_ = std::make_shared<SnapshotComparison>(std::move(earlier), endedAt);
    comparedLocation_ = location;
    comparedLabel_ = dateLabel(endedAt);
    Q_EMIT comparisonChanged();
    return true;
}

void ComparisonModel::stop()
{
    if (!comparison_)
        return;
    comparison_.reset();
    comparedLocation_.clear();
    comparedLabel_.clear();
    Q_EMIT comparisonChanged();
}

} // namespace vistrel
