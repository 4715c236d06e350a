#include "ItemDetailsBoolRowView.h"

#include "FileIcons.h"

#include <QLabel>
#include <QPainter>

namespace vistrel {

ItemDetailsBoolRowView::ItemDetailsBoolRowView(const QString& title, bool value, QWidget* parent)
    : ItemDetailsRowView(title, parent)
{
    value_ = value;
    auto* mark = new QLabel(this);
    // A "no" is a dash in the text's own colour: a grey tick still reads as a tick.
    if (!value) {
        mark->setText(QStringLiteral("—"));
        mark->setForegroundRole(QPalette::PlaceholderText);
    } else if (QPixmap picture = FileIcons::symbol(QStringLiteral("checkmark")).pixmap(14, 14); picture.isNull()) {
        mark->setText(QStringLiteral("✓"));
    } else {
        // The symbol's shape in the row's colour.
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(picture.rect(), QColor(0x2e, 0xa0, 0x43));
        painter.end();
        mark->setPixmap(picture);
    }
    if (value) {
        QPalette palette = mark->palette();
        palette.setColor(QPalette::WindowText, QColor(0x2e, 0xa0, 0x43));
        mark->setPalette(palette);
    }
    setValueWidget(mark);
    setAccessibleName(title + (value ? QStringLiteral(": yes") : QStringLiteral(": no")));
}

QString ItemDetailsBoolRowView::valueText() const
{
    return QString();
}

} // namespace vistrel
