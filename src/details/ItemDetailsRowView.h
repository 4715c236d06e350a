#pragma once

#include <QWidget>

class QLabel;

namespace vistrel {

// The shape the four detail rows share: the title on the left, the value on the right, both
// at caption size on one line. A row whose value is absent is never made.
class ItemDetailsRowView : public QWidget {
    Q_OBJECT
public:
    ItemDetailsRowView(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    // The value's text as shown ("" for a Boolean row).
    virtual QString valueText() const = 0;

protected:
    // Puts the value side in place; the row takes ownership.
    void setValueWidget(QWidget* value);
    static QFont captionFont(const QFont& base);

private:
    QLabel* title_;
};

} // namespace vistrel
