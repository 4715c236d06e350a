#include "UsageBar.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vistrel {

UsageBar::UsageBar(QWidget* parent)
    : QWidget(parent)
{
    setMinimumHeight(16);
    setAccessibleName(QStringLiteral("Disk usage"));
}

void UsageBar::setUsage(std::int64_t used, std::int64_t total)
{
    used_ = used;
    total_ = total;
    const int percent = total > 0 ? static_cast<int>(std::clamp<double>(100.0 * used / total, 0, 100)) : 0;
    setAccessibleDescription(QStringLiteral("%1% used").arg(percent));
    update();
}

int UsageBar::filledWidth(std::int64_t used, std::int64_t total, int width)
{
    const double share = total > 0 ? std::clamp(static_cast<double>(used) / static_cast<double>(total), 0.0, 1.0) : 0.0;
    return std::max(20, static_cast<int>(share * width));
}

void UsageBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(frame, 5, 5);
    painter.fillPath(outline, palette().color(QPalette::Base));
    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(QRectF(frame.left(), frame.top(), filledWidth(used_, total_, width()), frame.height()),
                     palette().color(QPalette::Highlight));
    painter.restore();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawPath(outline);
}

} // namespace vistrel
