#pragma once

#include <QTreeWidget>

namespace vistrel {

class MapModel;

// The types list beside the map: each category's colour, size, file count and share,
// largest first. Selecting one highlights its tiles on the map; Escape shows all again.
class MapTypesView : public QTreeWidget {
    Q_OBJECT
public:
    explicit MapTypesView(MapModel* model, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {300, 220}; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();

    MapModel* model_;
};

} // namespace vistrel
