#include "ItemDetailsNumberRowView.h"

#include <QFontDatabase>
#include <QLabel>

namespace vistrel {

ItemDetailsNumberRowView::ItemDetailsNumberRowView(const QString& title, const QString& stringValue, QWidget* parent)
    : ItemDetailsRowView(title, parent)
{
    auto* value = new QLabel(stringValue, this);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(captionFont(font()).pointSizeF());
    value->setFont(mono);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value_ = value;
    setValueWidget(value);
    setAccessibleName(title + QStringLiteral(": ") + stringValue);
}

QString ItemDetailsNumberRowView::valueText() const
{
    return value_->text();
}

} // namespace vistrel
