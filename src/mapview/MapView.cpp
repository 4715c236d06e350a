#include "MapView.h"

#include "MapModel.h"

#include "map/MapLabels.h"

#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace vistrel {

MapView::MapView(MapModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    const std::string& path = model_->directory().path();
    setAccessibleName(QStringLiteral("Map of ") + DisplayName::of(path));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumHeight(80);
    connect(model_, &MapModel::changed, this, [this] {
        highlighted_.reset(); // the tiles are new
        update();
    });
    connect(model_, &MapModel::highlightChanged, this, qOverload<>(&QWidget::update));
}

void MapView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    requestImage();
}

void MapView::hideEvent(QHideEvent* event)
{
    // A hidden map (another screen, or the pane closed) gives the reader back at once.
    model_->suspend();
    QWidget::hideEvent(event);
}

void MapView::setSelectedPath(std::string path)
{
    selectedPath_ = std::move(path);
    update();
}

std::optional<std::size_t> MapView::tileOf(const std::string& path) const
{
    // The item's own tile, else that of the nearest folder holding it that has one.
    std::optional<std::size_t> best;
    const auto& tiles = model_->layout().tiles();
    for (std::size_t index = 0; index < tiles.size(); ++index) {
        const std::string& candidate = tiles[index].path;
        const bool holds = candidate == path
            || (!candidate.empty() && candidate.back() == '/' && path.compare(0, candidate.size(), candidate) == 0);
        if (holds && (!best || tiles[index].depth > tiles[*best].depth))
            best = index;
    }
    return best;
}

void MapView::drawOutline(QPainter& painter, std::size_t tile, const QColor& colour) const
{
    const auto& rect = model_->layout().tiles()[tile].rect;
    const double sx = static_cast<double>(width()) / std::max(1, model_->image().width());
    const double sy = static_cast<double>(height()) / std::max(1, model_->image().height());
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect.x * sx + 1, rect.y * sy + 1, rect.width * sx - 2, rect.height * sy - 2));
}

QFontMetrics MapView::labelFont() const
{
    return QFontMetrics(labelFontOf(font()));
}

QFont MapView::labelFontOf(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

void MapView::drawLabels(QPainter& painter) const
{
    const QImage& image = model_->image();
    if (image.isNull())
        return;
    const double sx = static_cast<double>(width()) / std::max(1, image.width());
    const double sy = static_cast<double>(height()) / std::max(1, image.height());
    const QFont font = labelFontOf(this->font());
    const QFontMetrics metrics(font);
    const double ratio = devicePixelRatioF();
    const auto labels = MapLabels::place(model_->layout(), metrics.height() * ratio,
                                         metrics.horizontalAdvance(QStringLiteral("Wwww")) * ratio);
    const auto& tiles = model_->layout().tiles();
    painter.save();
    painter.setFont(font);
    const bool dimmed = model_->highlightedCategory().has_value();
    for (const MapLabels::Label& label : labels) {
        const MapLayout::Tile& tile = tiles[label.tile];
        if (dimmed && (tile.directory || tile.category != *model_->highlightedCategory()) && !label.band)
            continue;
        const QRectF box(label.box.x * sx, label.box.y * sy, label.box.width * sx, label.box.height * sy);
        std::string name = tile.path;
        if (name.size() > 1 && name.back() == '/')
            name.pop_back();
        name.erase(0, name.rfind('/') + 1);
        QString text = DisplayName::of(name);
        if (label.band)
            text += QStringLiteral("  ") + Formats::byteCount(tile.size);
        const QString shown = metrics.elidedText(text, Qt::ElideMiddle, static_cast<int>(box.width()));
        if (shown.isEmpty() || shown == QStringLiteral("…"))
            continue;
        // Black or white, whichever the tile under the text is not: legible on any colour.
        const QPoint sample(static_cast<int>(label.box.x + label.box.width / 2),
                            static_cast<int>(label.box.y + label.box.height / 2));
        const QColor under
            = image.rect().contains(sample) ? QColor(image.pixel(sample)) : palette().color(QPalette::Base);
        const bool lightUnder = 0.299 * under.red() + 0.587 * under.green() + 0.114 * under.blue() > 140;
        painter.setPen(lightUnder ? QColor(0x10, 0x10, 0x10) : QColor(0xf8, 0xf8, 0xf8));
        painter.setClipRect(box);
        painter.drawText(box, (label.band ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, shown);
    }
    painter.restore();
}

void MapView::drawSelection(QPainter& painter, std::size_t tile) const
{
    // Three pixels of the palette's highlight between two thin lines of the base colour: it
    // stands out on any tile, light or dark.
    const auto& rect = model_->layout().tiles()[tile].rect;
    const double sx = static_cast<double>(width()) / std::max(1, model_->image().width());
    const double sy = static_cast<double>(height()) / std::max(1, model_->image().height());
    const QRectF box(rect.x * sx + 2, rect.y * sy + 2, rect.width * sx - 4, rect.height * sy - 4);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Base), 5));
    painter.drawRect(box);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    painter.drawRect(box);
    painter.restore();
}

void MapView::keyPressEvent(QKeyEvent* event)
{
    const auto& tiles = model_->layout().tiles();
    std::vector<std::size_t> level; // the current directory's own tiles, largest first
    for (std::size_t index = 0; index < tiles.size(); ++index)
        if (tiles[index].depth == 1)
            level.push_back(index);
    std::stable_sort(level.begin(), level.end(),
                     [&](std::size_t a, std::size_t b) { return tiles[a].size > tiles[b].size; });
    const int key = event->key();
    if (level.empty()
        || (key != Qt::Key_Right && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Up
            && key != Qt::Key_Return && key != Qt::Key_Enter)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (highlighted_ && tiles[*highlighted_].directory)
            Q_EMIT directoryOpened(tiles[*highlighted_].path);
        return;
    }
    const auto at = highlighted_ ? std::find(level.begin(), level.end(), *highlighted_) : level.end();
    std::size_t position = 0;
    if (at != level.end()) {
        const auto current = static_cast<std::size_t>(at - level.begin());
        const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
        position = forward ? std::min(current + 1, level.size() - 1) : (current == 0 ? 0 : current - 1);
    }
    highlighted_ = level[position];
    const auto& tile = tiles[*highlighted_];
    // Read out by screen readers: the item's name and size.
    std::string name = tile.path;
    if (name.size() > 1 && name.back() == '/')
        name.pop_back();
    name.erase(0, name.rfind('/') + 1);
    setAccessibleDescription(DisplayName::of(name) + QStringLiteral(", ") + Formats::byteCount(tile.size));
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    Q_EMIT itemClicked(tile.path);
    update();
}

void MapView::requestImage()
{
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    model_->setLabelHeight((labelFont().height() + 2) * devicePixelRatioF());
    model_->setSize(size() * devicePixelRatioF(), dark);
}

void MapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    requestImage();
}

void MapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (!model_->image().isNull())
        painter.drawImage(rect(), model_->image());
    if (!model_->failure().isEmpty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("The map could not be made: ") + model_->failure());
    } else if (model_->busy()) {
        // The last map stays, dimmed, while the new one builds.
        QColor veil = palette().color(QPalette::Base);
        veil.setAlphaF(0.55);
        painter.fillRect(rect(), veil);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Drawing the map…"));
    }
    if (const auto category = model_->highlightedCategory(); category && !model_->image().isNull()) {
        // Everything dims but the category's own tiles, drawn again from the image.
        const double sx = static_cast<double>(width()) / std::max(1, model_->image().width());
        const double sy = static_cast<double>(height()) / std::max(1, model_->image().height());
        QColor veil = palette().color(QPalette::Base);
        veil.setAlphaF(0.75);
        painter.fillRect(rect(), veil);
        for (const auto& tile : model_->layout().tiles()) {
            if (tile.directory || tile.category != *category)
                continue;
            const QRectF source(tile.rect.x, tile.rect.y, tile.rect.width, tile.rect.height);
            painter.drawImage(QRectF(source.x() * sx, source.y() * sy, source.width() * sx, source.height() * sy),
                              model_->image(), source);
        }
    }
    if (!selectedPath_.empty())
        if (const auto tile = tileOf(selectedPath_))
            drawSelection(painter, *tile);
    // Over the outline: a selected folder's name stays readable.
    if (!model_->busy() && model_->failure().isEmpty())
        drawLabels(painter);
    if (highlighted_ && hasFocus())
        drawOutline(painter, *highlighted_, palette().color(QPalette::HighlightedText));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

std::optional<std::size_t> MapView::tileAt(QPoint position) const
{
    if (model_->image().isNull() || width() <= 0 || height() <= 0)
        return std::nullopt;
    // The layout is in image pixels; the widget may show it scaled.
    const double x = position.x() * static_cast<double>(model_->image().width()) / width();
    const double y = position.y() * static_cast<double>(model_->image().height()) / height();
    return model_->layout().tileAt(x, y);
}

bool MapView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const auto tile = tileAt(help->pos())) {
            const auto& found = model_->layout().tiles()[*tile];
            QToolTip::showText(help->globalPos(),
                               DisplayName::of(found.path) + QStringLiteral("\n") + Formats::byteCount(found.size),
                               this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void MapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        if (const auto tile = tileAt(event->position().toPoint()))
            Q_EMIT itemClicked(model_->layout().tiles()[*tile].path);
    QWidget::mousePressEvent(event);
}

void MapView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (const auto tile = tileAt(event->position().toPoint())) {
        // A file's double click opens the directory that holds it on the map.
        const auto& tiles = model_->layout().tiles();
        std::optional<std::size_t> directory = tiles[*tile].directory ? tile : tiles[*tile].parent;
        if (directory)
            Q_EMIT directoryOpened(tiles[*directory].path);
    }
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace vistrel
