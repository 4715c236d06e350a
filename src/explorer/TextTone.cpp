#include "TextTone.h"

namespace vistrel {

QColor textToneColour(TextTone tone, const QPalette& palette)
{
    QColor text = palette.color(QPalette::Active, QPalette::Text);
    const bool dark = palette.color(QPalette::Active, QPalette::Base).lightness() < 128;
    switch (tone) {
    case TextTone::normal:
        return text;
    case TextTone::figure:
        text.setAlphaF(0.8);
        return text;
    case TextTone::other:
        text.setAlphaF(0.6);
        return text;
    case TextTone::removed:
        text.setAlphaF(0.45);
        return text;
    // Red for growth, green for shrinking (the disk's point of view), each bright enough on
    // a dark base and dark enough on a light one.
    case TextTone::growth:
        return dark ? QColor(0xff, 0x7b, 0x72) : QColor(0xc0, 0x2b, 0x22);
    case TextTone::shrink:
        return dark ? QColor(0x5f, 0xd3, 0x6e) : QColor(0x1e, 0x7f, 0x37);
    }
    return text;
}

} // namespace vistrel
