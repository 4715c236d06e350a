#include "ReturnActivates.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace vistrel {

void ReturnActivates::install(QAbstractButton* button)
{
    button->installEventFilter(new ReturnActivates(button));
}

bool ReturnActivates::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && button->isEnabled() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vistrel
