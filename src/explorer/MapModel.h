#pragma once

#include "map/MapLayout.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>

#include <atomic>
#include <memory>

namespace vistrel {

class SnapshotReader;

// The state of one screen's map: the current directory's subtree laid out and painted for
// the pane's size, off the main thread (read, layout and painting on a reader thread). A
// newer size or a closed screen makes the work in flight stop and its result go unused;
// sizes are debounced. While a new image builds, the last one stays.
class MapModel : public QObject {
    Q_OBJECT
public:
    MapModel(std::shared_ptr<SnapshotReader> reader, FileUrl directory, QObject* parent = nullptr);
    ~MapModel() override;

    // Builds for this size after a short pause; nothing when it is the size shown.
    void setSize(QSize size, bool dark);
    const QImage& image() const { return image_; }
    const MapLayout& layout() const { return layout_; }
    bool busy() const { return busy_; }
    const FileUrl& directory() const { return directory_; }
    // Why the map could not be made (a read failure), or empty.
    const QString& failure() const { return failure_; }

    static constexpr int debounceMilliseconds = 150;

Q_SIGNALS:
    void changed();

private:
    void build();

    std::shared_ptr<SnapshotReader> reader_;
    FileUrl directory_;
    QTimer debounce_;
    QSize wanted_;
    QSize built_;
    bool dark_ = false;
    QImage image_;
    MapLayout layout_;
    bool busy_ = false;
    QString failure_;
    std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace vistrel
