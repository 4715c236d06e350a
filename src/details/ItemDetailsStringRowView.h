#pragma once

#include "ItemDetailsRowView.h"

#include <QDateTime>

class QLabel;

namespace vistrel {

// A text, with the whole text as tooltip.
class ItemDetailsStringRowView : public ItemDetailsRowView {
    Q_OBJECT
public:
    ItemDetailsStringRowView(const QString& title, const QString& value, QWidget* parent = nullptr);
    QString valueText() const override;

private:
    QLabel* value_ = nullptr;
};

} // namespace vistrel
