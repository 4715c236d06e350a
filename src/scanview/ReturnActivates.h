#pragma once

#include <QObject>

class QAbstractButton;

namespace vistrel {

// Return and Enter press a focused button, as Space does: outside a dialog Qt's buttons
// take only Space, and people press Return.
class ReturnActivates : public QObject {
    Q_OBJECT
public:
    // Watches `button` for as long as it lives.
    static void install(QAbstractButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace vistrel
