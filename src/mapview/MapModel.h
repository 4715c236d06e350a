#pragma once

#include "history/SnapshotComparison.h"

#include "map/FileTypeTotals.h"
#include "map/MapLayout.h"
#include "services/Debounce.h"
#include "services/LifetimeToken.h"
#include "store/SnapshotReader.h"

#include <QImage>
#include <QObject>
#include <QSize>

#include <atomic>
#include <memory>
#include <optional>

namespace vistrel {

// The state of one screen's map: the current directory's subtree laid out and painted for
// the pane's size, and its files' split by type, all off the main thread (on a reader's
// thread). A newer size, a hidden screen or a closed one interrupts the work in flight and
// its result goes unused; sizes after the first are debounced. While a new image builds,
// the last one stays.
class MapModel : public QObject {
    Q_OBJECT
public:
    MapModel(std::shared_ptr<SnapshotReader> reader, FileUrl directory, QObject* parent = nullptr);
    ~MapModel() override;

    // Builds for this size (at once the first time, else after a short pause); nothing when
    // it is the size shown.
    void setSize(QSize size, bool dark);
    // The height of a line of the map's labels, in image pixels: folders large enough keep a
    // band of it for their names. Takes effect with the next map.
    void setLabelHeight(double height) { labelHeight_ = height; }
    // Gives up the work in flight (the screen was hidden); the next setSize starts it again.
    void suspend();
    // The snapshot changed (a cleanup): the map and the types are made again, the last
    // image staying meanwhile.
    void rebuild();
    const QImage& image() const { return image_; }
    const MapLayout& layout() const { return layout_; }
    bool busy() const { return busy_; }
    // A build waits for the resizing to pause.
    bool debouncing() const { return debounce_.pending(); }
    const FileUrl& directory() const { return directory_; }
    // Why the map could not be made (a read failure), or empty.
    const QString& failure() const { return failure_; }

    // The types list: read once per screen, when the map is first asked for.
    const std::vector<FileTypeTotals::Row>& types() const { return types_; }
    bool typesBusy() const { return typesBusy_; }
    // The category whose tiles stand out while the others dim; none shows all alike.
    void setHighlightedCategory(std::optional<FileTypeCategory::Category> category);
    std::optional<FileTypeCategory::Category> highlightedCategory() const { return highlighted_; }

    // While comparing, the tiles can take their colour from how they grew instead of their
    // type (red grew, green shrank, blue removed); either change builds the map again.
    void setComparison(std::shared_ptr<const SnapshotComparison> comparison);
    void setColouredByGrowth(bool byGrowth);
    bool colouredByGrowth() const { return byGrowth_ && comparison_; }

    static constexpr int debounceMilliseconds = 150;

Q_SIGNALS:
    void changed();
    void typesChanged();
    void highlightChanged();
    void colouringChanged();

private:
    void build();
    // Gives up the map in flight, leaving the types alone.
    void cancelMap();
    // The map again for the size shown (its colours changed).
    void repaint();
    void readTypes();

    std::shared_ptr<SnapshotReader> reader_;
    FileUrl directory_;
    Debounce debounce_{debounceMilliseconds, this, [this] { build(); }};
    QSize wanted_;
    QSize built_;
    bool dark_ = false;
    double labelHeight_ = 0;
    QImage image_;
    MapLayout layout_;
    bool busy_ = false;
    QString failure_;
    std::vector<FileTypeTotals::Row> types_;
    bool typesBusy_ = false;
    bool typesRead_ = false;
    int typesGeneration_ = 0;
    std::optional<FileTypeCategory::Category> highlighted_;
    std::shared_ptr<const SnapshotComparison> comparison_;
    bool byGrowth_ = false;
    std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    std::shared_ptr<SnapshotReader::Ticket> inFlight_; // the map's job: cancelled when replaced
    std::shared_ptr<SnapshotReader::Ticket> typesInFlight_;
    LifetimeToken lifetime_;
};

} // namespace vistrel
