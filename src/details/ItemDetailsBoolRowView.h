#pragma once

#include "ItemDetailsRowView.h"

#include <QDateTime>

class QLabel;

namespace vistrel {

// A yes or no: the check mark in green at full opacity, or in gray at 0.2.
class ItemDetailsBoolRowView : public ItemDetailsRowView {
    Q_OBJECT
public:
    ItemDetailsBoolRowView(const QString& title, bool value, QWidget* parent = nullptr);
    QString valueText() const override;
    bool value() const { return value_; }

private:
    bool value_ = false;
};

} // namespace vistrel
