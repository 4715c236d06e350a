#pragma once

#include <QWidget>

class QLabel;

namespace vistrel {

// The standard empty state: a 48-pixel symbol over a bold title, centred over a view.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    EmptyStateView(const QString& symbol, const QString& title, QWidget* parent = nullptr);
    QString title() const;

private:
    QLabel* title_;
};

} // namespace vistrel
