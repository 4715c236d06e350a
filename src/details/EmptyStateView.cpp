#include "EmptyStateView.h"

#include "FileIcons.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vistrel {

EmptyStateView::EmptyStateView(const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent)
    , title_(new QLabel(title, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* icon = new QLabel(this);
    icon->setPixmap(FileIcons::symbol(symbol).pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    title_->setFont(bold);
    title_->setAlignment(Qt::AlignCenter);
    layout->addWidget(title_);
    layout->addStretch();
    setAccessibleName(title);
}

QString EmptyStateView::title() const
{
    return title_->text();
}

} // namespace vistrel
