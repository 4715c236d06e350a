#pragma once

#include <QStyledItemDelegate>

namespace vistrel {

// Draws a share cell: a bar as long as the row's share of its folder, in the palette's
// highlight colour (so it reads in light and dark palettes), behind the percentage.
class ShareBarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ShareBarDelegate(int shareRole, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int shareRole_;
};

} // namespace vistrel
