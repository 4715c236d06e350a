#pragma once

#include "ToneDelegate.h"

namespace vistrel {

// Draws a name cell: the icon, then the name with the first match of the filter or search
// text in bold accent colour (the text comes from the model's filter-text role), and the
// model's badge ("Cache"), when it has one, at the cell's right end.
class HighlightedTextDelegate : public ToneDelegate {
    Q_OBJECT
public:
    HighlightedTextDelegate(int filterTextRole, QObject* parent = nullptr, int badgeRole = -1);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintBadge(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    int filterTextRole_;
    int badgeRole_;
};

} // namespace vistrel
