#pragma once

#include "ItemDetailsRowView.h"

#include <QDateTime>

class QLabel;

namespace vistrel {

// A date, relative ("3 days ago"), with the absolute date and time as tooltip.
class ItemDetailsDateRowView : public ItemDetailsRowView {
    Q_OBJECT
public:
    ItemDetailsDateRowView(const QString& title, const QDateTime& value, QWidget* parent = nullptr);
    QString valueText() const override;

private:
    QLabel* value_ = nullptr;
};

} // namespace vistrel
