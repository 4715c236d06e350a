#pragma once

#include <QSplitter>

#include <memory>

class QCheckBox;

namespace vistrel {

class FileUrl;
class MapModel;
class MapView;
class SnapshotComparison;
class SnapshotReader;

// The map with, beside it, its types list, or while comparing the choice to colour the
// tiles by growth instead. It owns its model.
class MapPane : public QSplitter {
    Q_OBJECT
public:
    MapPane(std::shared_ptr<SnapshotReader> reader, const FileUrl& directory, QWidget* parent);

    MapView* mapView() const { return mapView_; }
    MapModel* model() const;
    QCheckBox* growthColours() const { return growthColours_; }
    // What the map compares with; null while it does not, which hides the choice of growth.
    void setComparison(std::shared_ptr<const SnapshotComparison> comparison);

private:
    MapView* mapView_;
    QCheckBox* growthColours_;
};

} // namespace vistrel
