#include "SymbolIconEngine.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace vistrel {

SymbolIconEngine::SymbolIconEngine(QIcon shape)
    : shape_(std::move(shape))
{
}

QColor SymbolIconEngine::colour(QIcon::Mode mode)
{
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return palette.color(QPalette::Disabled, QPalette::ButtonText);
    case QIcon::Selected:
        return palette.color(QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return palette.color(QPalette::Active, QPalette::ButtonText);
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    QPixmap picture = shape_.pixmap(size, QIcon::Normal, state);
    if (picture.isNull())
        return picture;
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(picture.rect(), colour(mode));
    return picture;
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, picture);
}

QSize SymbolIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return shape_.actualSize(size, mode, state);
}

QList<QSize> SymbolIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return shape_.availableSizes(mode, state);
}

QIconEngine* SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(shape_);
}

QString SymbolIconEngine::iconName()
{
    return shape_.name();
}

bool SymbolIconEngine::isNull()
{
    return shape_.isNull();
}

} // namespace vistrel
