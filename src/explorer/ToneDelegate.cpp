#include "ToneDelegate.h"

#include "TextTone.h"

namespace vistrel {

void ToneDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant tone = index.data(textToneRole);
    if (!tone.isValid())
        return;
    const QColor colour = textToneColour(static_cast<TextTone>(tone.toInt()), option->palette);
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        option->palette.setColor(group, QPalette::Text, colour);
}

} // namespace vistrel
