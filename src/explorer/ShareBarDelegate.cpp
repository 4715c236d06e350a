#include "ShareBarDelegate.h"

#include <QPainter>

#include <algorithm>

namespace vistrel {

ShareBarDelegate::ShareBarDelegate(int shareRole, QObject* parent)
    : QStyledItemDelegate(parent)
    , shareRole_(shareRole)
{
}

void ShareBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QVariant share = index.data(shareRole_);
    if (share.isValid()) {
        // The bar sits in the cell's left part; the figure stays right-aligned over the rest.
        const QRect cell = option.rect.adjusted(3, 4, -3, -4);
        const int length = static_cast<int>(cell.width() * 0.45 * std::clamp(share.toDouble(), 0.0, 1.0) + 0.5);
        const bool selected = option.state & QStyle::State_Selected;
        QColor fill = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
        QColor track = option.palette.color(QPalette::Text);
        track.setAlphaF(0.12);
        painter->save();
        QStyledItemDelegate::paint(painter, option, index);
        const QRect bar(cell.left(), cell.top(), static_cast<int>(cell.width() * 0.45), cell.height());
        painter->fillRect(bar, track);
        painter->fillRect(QRect(bar.left(), bar.top(), std::max(length, share.toDouble() > 0 ? 1 : 0), bar.height()),
                          fill);
        painter->restore();
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
}

} // namespace vistrel
