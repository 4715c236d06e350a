#pragma once

#include <QStyledItemDelegate>

namespace vistrel {

// Draws a name cell: the icon, then the name with the first match of the filter or search
// text in bold accent colour (the text comes from the model's filter-text role).
class HighlightedTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    HighlightedTextDelegate(int filterTextRole, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int filterTextRole_;
};

} // namespace vistrel
