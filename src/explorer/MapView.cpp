#include "MapView.h"

#include "MapModel.h"

#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

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
    connect(model_, &MapModel::changed, this, qOverload<>(&QWidget::update));
}

void MapView::requestImage()
{
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
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
            QToolTip::showText(help->globalPos(), DisplayName::of(found.path) + QStringLiteral("\n")
                                                      + Formats::byteCount(found.size), this);
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
