#include "MapPane.h"

#include "MapModel.h"
#include "MapTypesView.h"
#include "MapView.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace vistrel {

MapPane::MapPane(std::shared_ptr<SnapshotReader> reader, const FileUrl& directory, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent)
{
    auto* model = new MapModel(std::move(reader), directory, this);
    setChildrenCollapsible(false);
    mapView_ = new MapView(model, this);
    addWidget(mapView_);
    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    growthColours_ = new QCheckBox(QStringLiteral("Colour by growth"), side);
    growthColours_->setAccessibleName(QStringLiteral("Colour the map by growth"));
    growthColours_->setToolTip(
        QStringLiteral("Red tiles grew since the earlier snapshot, green ones shrank, blue ones were removed"));
    growthColours_->hide();
    connect(growthColours_, &QCheckBox::toggled, model, &MapModel::setColouredByGrowth);
    sideLayout->addWidget(growthColours_);
    auto* types = new MapTypesView(model, side);
    sideLayout->addWidget(types, 1);
    // The types' colours are not the map's while it shows growth.
    connect(model, &MapModel::colouringChanged, types,
            [types, model] { types->setEnabled(!model->colouredByGrowth()); });
    addWidget(side);
    setStretchFactor(0, 4);
    setStretchFactor(1, 1);
}

MapModel* MapPane::model() const
{
    return mapView_->model();
}

void MapPane::setComparison(std::shared_ptr<const SnapshotComparison> comparison)
{
    growthColours_->setVisible(comparison != nullptr);
    model()->setComparison(std::move(comparison));
}

} // namespace vistrel
