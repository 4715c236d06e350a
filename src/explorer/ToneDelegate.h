#pragma once

#include <QStyledItemDelegate>

namespace vistrel {

// Draws a cell with its text in the colour its model's tone role names, taken from the
// view's own palette.
class ToneDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace vistrel
