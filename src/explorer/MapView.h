#pragma once

#include <QWidget>

#include <optional>
#include <string>

namespace vistrel {

class MapModel;

// The map pane: the model's image, dimmed while a new one builds, the item under the mouse
// in a tooltip, a click to select and a double click to open a directory. It holds no logic.
class MapView : public QWidget {
    Q_OBJECT
public:
    explicit MapView(MapModel* model, QWidget* parent = nullptr);

    MapModel* model() const { return model_; }
    QSize sizeHint() const override { return {600, 220}; }

Q_SIGNALS:
    void itemClicked(const std::string& path);
    void directoryOpened(const std::string& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::optional<std::size_t> tileAt(QPoint position) const;
    void requestImage();

    MapModel* model_;
};

} // namespace vistrel
