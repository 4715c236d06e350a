#pragma once

#include <QFont>
#include <QFontMetrics>
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
    // The table's selection, outlined on the map (its nearest tile when it has none).
    void setSelectedPath(std::string path);
    // The tile the arrow keys have reached among the current directory's own, if any.
    std::optional<std::size_t> highlighted() const { return highlighted_; }
    QSize sizeHint() const override { return {600, 220}; }

Q_SIGNALS:
    void itemClicked(const std::string& path);
    void directoryOpened(const std::string& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Arrow keys step through the current directory's tiles, largest first; Return opens.
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::optional<std::size_t> tileAt(QPoint position) const;
    void requestImage();
    std::optional<std::size_t> tileOf(const std::string& path) const;
    void drawOutline(QPainter& painter, std::size_t tile, const QColor& colour) const;
    void drawSelection(QPainter& painter, std::size_t tile) const;
    // Names on the tiles and folder bands that have room for them.
    void drawLabels(QPainter& painter) const;
    QFontMetrics labelFont() const;
    static QFont labelFontOf(QFont font);

    MapModel* model_;
    std::string selectedPath_;
    std::optional<std::size_t> highlighted_;
};

} // namespace vistrel
