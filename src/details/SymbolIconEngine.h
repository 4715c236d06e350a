#pragma once

#include <QIcon>
#include <QIconEngine>

namespace vistrel {

// A symbolic icon (one colour, drawn as a shape) painted in the palette's text colour at the
// moment it is drawn, so that it stays visible with a dark style as with a light one.
class SymbolIconEngine : public QIconEngine {
public:
    explicit SymbolIconEngine(QIcon shape);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString iconName() override;
    bool isNull() override;

    // The text colour an icon in `mode` is painted with.
    static QColor colour(QIcon::Mode mode);

private:
    QIcon shape_;
};

} // namespace vistrel
