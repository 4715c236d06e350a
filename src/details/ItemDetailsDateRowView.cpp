#include "ItemDetailsDateRowView.h"

#include "services/Formats.h"

#include <QLabel>

namespace vistrel {

ItemDetailsDateRowView::ItemDetailsDateRowView(const QString& title, const QDateTime& value, QWidget* parent)
    : ItemDetailsRowView(title, parent)
{
    value_ = new QLabel(Formats::relativeDateStyle(value), this);
    value_->setFont(captionFont(font()));
    value_->setTextFormat(Qt::PlainText);
    value_->setToolTip(Formats::dateTimeStyle(value));
    setValueWidget(value_);
    setAccessibleName(title + QStringLiteral(": ") + value_->text());
}

QString ItemDetailsDateRowView::valueText() const
{
    return value_->text();
}

} // namespace vistrel
