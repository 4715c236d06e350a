#include "ItemDetailsBoolRowView.h"

#include "FileIcons.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>

namespace vistrel {

ItemDetailsBoolRowView::ItemDetailsBoolRowView(const QString& title, bool value, QWidget* parent)
    : ItemDetailsRowView(title, parent)
{
    value_ = value;
    auto* mark = new QLabel(this);
    QPixmap picture = FileIcons::symbol(QStringLiteral("checkmark")).pixmap(14, 14);
    if (picture.isNull()) {
        mark->setText(QStringLiteral("✓"));
    } else {
        // The symbol's shape in the row's colour.
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(picture.rect(), value ? QColor(0x2e, 0xa0, 0x43) : QColor(128, 128, 128));
        painter.end();
        mark->setPixmap(picture);
    }
    QPalette palette = mark->palette();
    palette.setColor(QPalette::WindowText, value ? QColor(0x2e, 0xa0, 0x43) : QColor(128, 128, 128));
    mark->setPalette(palette);
    auto* opacity = new QGraphicsOpacityEffect(mark);
    opacity->setOpacity(value ? 1.0 : 0.2);
    mark->setGraphicsEffect(opacity);
    setValueWidget(mark);
    setAccessibleName(title + (value ? QStringLiteral(": yes") : QStringLiteral(": no")));
}

QString ItemDetailsBoolRowView::valueText() const
{
    return QString();
}

} // namespace vistrel
