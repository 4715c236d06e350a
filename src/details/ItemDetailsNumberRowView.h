#pragma once

#include "ItemDetailsRowView.h"

#include <QDateTime>

class QLabel;

namespace vistrel {

// A number, formatted before it reaches the row, in a monospaced face.
class ItemDetailsNumberRowView : public ItemDetailsRowView {
    Q_OBJECT
public:
    ItemDetailsNumberRowView(const QString& title, const QString& stringValue, QWidget* parent = nullptr);
    QString valueText() const override;

private:
    QLabel* value_ = nullptr;
};

} // namespace vistrel
