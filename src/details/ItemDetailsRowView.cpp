#include "ItemDetailsRowView.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vistrel {

ItemDetailsRowView::ItemDetailsRowView(const QString& title, QWidget* parent)
    : QWidget(parent)
    , title_(new QLabel(title, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    title_->setFont(captionFont(title_->font()));
    title_->setToolTip(title);
    title_->setTextFormat(Qt::PlainText);
    layout->addWidget(title_);
    layout->addStretch();
}

QString ItemDetailsRowView::title() const
{
    return title_->text();
}

void ItemDetailsRowView::setValueWidget(QWidget* value)
{
    layout()->addWidget(value);
}

QFont ItemDetailsRowView::captionFont(const QFont& base)
{
    QFont caption = base;
    caption.setPointSizeF(base.pointSizeF() * 0.85);
    return caption;
}

} // namespace vistrel
