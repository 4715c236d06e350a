#include "FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace vistrel {

namespace {

constexpr int margin = 3;

} // namespace

FocusRing::FocusRing(QWidget* area)
    : QWidget(area)
    , area_(area)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    area_->installEventFilter(this); // the controls move with the area's layout
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusRing::follow(QWidget* focused)
{
    if (target_)
        target_->removeEventFilter(this);
    target_ = focused && focused != area_ && area_->isAncestorOf(focused) && focused->window() == area_->window()
        ? focused
        : nullptr;
    if (!target_) {
        hide();
        return;
    }
    target_->installEventFilter(this);
    place();
}

void FocusRing::place()
{
    if (!target_ || !target_->isVisibleTo(area_)) {
        hide();
        return;
    }
    const QPoint corner = target_->mapTo(area_, QPoint(0, 0));
    setGeometry(QRect(corner, target_->size()).adjusted(-margin, -margin, margin, margin));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == area_ && event->type() == QEvent::Resize) {
        place();
    } else if (watched == target_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            place();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}

} // namespace vistrel
