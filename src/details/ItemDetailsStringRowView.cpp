#include "ItemDetailsStringRowView.h"

#include <QLabel>

namespace vistrel {

ItemDetailsStringRowView::ItemDetailsStringRowView(const QString& title, const QString& value, QWidget* parent)
    : ItemDetailsRowView(title, parent)
{
    value_ = new QLabel(value, this);
    value_->setFont(captionFont(font()));
    value_->setTextFormat(Qt::PlainText);
    value_->setToolTip(value);
    setValueWidget(value_);
    setAccessibleName(title + QStringLiteral(": ") + value);
}

QString ItemDetailsStringRowView::valueText() const
{
    return value_->text();
}

} // namespace vistrel
