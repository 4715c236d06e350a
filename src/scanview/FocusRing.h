#pragma once

#include <QPointer>
#include <QWidget>

namespace vistrel {

// A ring in the palette's highlight colour, 2 px wide, around whichever control inside
// `area` has the keyboard focus: the styles' own dotted focus lines are hard to see on a
// screen of large buttons and lists. It takes no clicks and no focus.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    explicit FocusRing(QWidget* area);

    // The control ringed now; null while the focus is elsewhere.
    QWidget* target() const { return target_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWidget* focused);
    void place();

    QWidget* area_;
    QPointer<QWidget> target_;
};

} // namespace vistrel
