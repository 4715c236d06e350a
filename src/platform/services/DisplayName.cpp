#include "DisplayName.h"

#include <QStringDecoder>

namespace vistrel {

namespace {

QString escaped(const char* prefix, unsigned value, int width)
{
    return QLatin1String(prefix) + QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

} // namespace

bool DisplayName::isBidirectionalControl(char32_t codePoint)
{
    return codePoint == 0x061C || codePoint == 0x200E || codePoint == 0x200F
        || (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069);
}

QString DisplayName::of(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    // One sequence at a time: a stateless decoder reports each that is not UTF-8.
    std::size_t index = 0;
    while (index < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[index]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead & 0xe0) == 0xc0            ? 2
            : (lead & 0xf0) == 0xe0            ? 3
            : (lead & 0xf8) == 0xf0            ? 4
                                               : 0;
        if (length == 1) {
            // Control characters would break a name over lines or hide in it.
            if (lead == '\n')
                text += QLatin1String("\\n");
            else if (lead == '\t')
                text += QLatin1String("\\t");
            else if (lead == '\r')
                text += QLatin1String("\\r");
            else if (lead < 0x20 || lead == 0x7f)
                text += escaped("\\x", lead, 2);
            else
                text += QChar(lead);
            ++index;
            continue;
        }
        QString decoded;
        bool valid = length != 0 && index + length <= bytes.size();
        if (valid) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            decoded = decoder.decode(QByteArrayView(bytes.data() + index, static_cast<qsizetype>(length)));
            valid = !decoder.hasError() && !decoded.isEmpty();
        }
        if (!valid) {
            text += escaped("\\x", lead, 2);
            ++index;
            continue;
        }
        const char32_t codePoint
            = decoded.size() == 2 ? QChar::surrogateToUcs4(decoded[0], decoded[1]) : decoded[0].unicode();
        text += isBidirectionalControl(codePoint) ? escaped("\\u", codePoint, 4) : decoded;
        index += length;
    }
    return text;
}

} // namespace vistrel
