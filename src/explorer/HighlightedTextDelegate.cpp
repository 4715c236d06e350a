#include "HighlightedTextDelegate.h"

#include "HighlightedText.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace vistrel {

HighlightedTextDelegate::HighlightedTextDelegate(int filterTextRole, QObject* parent, int badgeRole)
    : ToneDelegate(parent)
    , filterTextRole_(filterTextRole)
    , badgeRole_(badgeRole)
{
}

void HighlightedTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    const HighlightedText text
        = HighlightedText::make(index.data(Qt::DisplayRole).toString(), index.data(filterTextRole_).toString());
    if (text.match.isEmpty()) {
        ToneDelegate::paint(painter, option, index);
        paintBadge(painter, option, index);
        return;
    }
    // The frame, selection and icon as usual, the text by hand.
    QStyleOptionViewItem frame = option;
    initStyleOption(&frame, index);
    frame.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &frame, painter, widget);
    QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &frame, widget);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor plain = frame.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor accent = selected ? plain : option.palette.color(QPalette::Highlight);
    QFont bold = frame.font;
    bold.setBold(true);
    painter->save();
    painter->setClipRect(area);
    int x = area.left() + 2;
    const auto draw = [&](const QString& part, const QFont& font, const QColor& colour) {
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(QRect(x, area.top(), area.right() - x, area.height()), Qt::AlignVCenter | Qt::AlignLeft,
                          part);
        x += QFontMetrics(font).horizontalAdvance(part);
    };
    draw(text.before, frame.font, plain);
    draw(text.match, bold, accent);
    draw(text.after, frame.font, plain);
    painter->restore();
    paintBadge(painter, option, index);
}

void HighlightedTextDelegate::paintBadge(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    const QString badge = badgeRole_ >= 0 ? index.data(badgeRole_).toString() : QString();
    if (badge.isEmpty())
        return;
    // A small rounded label at the cell's right end, over the name if it runs that far.
    QFont font = option.font;
    font.setPointSizeF(font.pointSizeF() * 0.8);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(badge) + 10;
    const int height = std::min(option.rect.height() - 4, metrics.height() + 2);
    const QRect pill(option.rect.right() - width - 4, option.rect.center().y() - height / 2, width, height);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0x2e, 0x7d, 0x32));
    painter->drawRoundedRect(pill, height / 2.0, height / 2.0);
    painter->setPen(Qt::white);
    painter->setFont(font);
    painter->drawText(pill, Qt::AlignCenter, badge);
    painter->restore();
}

} // namespace vistrel
