#include "BinaryPropertyListReader.h"

#include <QDateTime>

#include <bit>
#include <cmath>

namespace vistrel {

namespace {

constexpr quint64 headerSize = 8;
constexpr quint64 trailerSize = 32;

} // namespace

BinaryPropertyListReader::BinaryPropertyListReader(const QByteArray& bytes, PropertyListDecoder::Budget& budget)
    : bytes_(bytes)
    , budget_(budget)
{
}

std::optional<quint64> BinaryPropertyListReader::integerAt(quint64 at, unsigned size) const
{
    if (size == 0 || size > 8 || !fits(at, 1, size))
        return std::nullopt;
    quint64 value = 0;
    for (unsigned index = 0; index < size; ++index)
        value = (value << 8) | static_cast<unsigned char>(bytes_[static_cast<qsizetype>(at + index)]);
    return value;
}

bool BinaryPropertyListReader::fits(quint64 start, quint64 count, quint64 elementSize) const
{
    // Objects lie between the header and the offset table; no product may overflow.
    if (start < headerSize || start > offsetTable_)
        return false;
    const quint64 room = offsetTable_ - start;
    return elementSize == 0 || count <= room / elementSize;
}

bool BinaryPropertyListReader::lengthAt(quint64 at, quint64& length, quint64& start) const
{
    const auto marker = static_cast<unsigned char>(bytes_[static_cast<qsizetype>(at)]);
    if ((marker & 0x0f) != 0x0f) {
        length = marker & 0x0f;
        start = at + 1;
        return true;
    }
    // A longer count follows as an integer object.
    const auto sizeMarker = integerAt(at + 1, 1);
    if (!sizeMarker || (*sizeMarker >> 4) != 0x1 || (*sizeMarker & 0x0f) > 3)
        return false;
    const unsigned size = 1u << (*sizeMarker & 0x0f);
    const auto count = integerAt(at + 2, size);
    if (!count)
        return false;
    length = *count;
    start = at + 2 + size;
    return true;
}

std::optional<quint64> BinaryPropertyListReader::offsetOf(quint64 index) const
{
    if (index >= objectCount_)
        return std::nullopt;
    quint64 value = 0;
    const quint64 at = offsetTable_ + index * offsetSize_;
    for (unsigned byte = 0; byte < offsetSize_; ++byte)
        value = (value << 8) | static_cast<unsigned char>(bytes_[static_cast<qsizetype>(at + byte)]);
    if (value < headerSize || value >= offsetTable_)
        return std::nullopt;
    return value;
}

std::optional<QVariant> BinaryPropertyListReader::read(int depth)
{
    const auto size = static_cast<quint64>(bytes_.size());
    if (size < headerSize + trailerSize || !bytes_.startsWith("bplist00"))
        return std::nullopt;
    const char* trailer = bytes_.constData() + size - trailerSize;
    offsetSize_ = static_cast<unsigned char>(trailer[6]);
    referenceSize_ = static_cast<unsigned char>(trailer[7]);
    quint64 fields[3];
    for (int field = 0; field < 3; ++field) {
        quint64 value = 0;
        for (int byte = 0; byte < 8; ++byte)
            value = (value << 8) | static_cast<unsigned char>(trailer[8 + field * 8 + byte]);
        fields[field] = value;
    }
    objectCount_ = fields[0];
    const quint64 top = fields[1];
    offsetTable_ = fields[2];
    const quint64 tableEnd = size - trailerSize;
    if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8 || objectCount_ == 0
        || top >= objectCount_ || offsetTable_ < headerSize || offsetTable_ > tableEnd
        || objectCount_ > (tableEnd - offsetTable_) / offsetSize_)
        return std::nullopt;
    return object(top, depth);
}

std::optional<QVariant> BinaryPropertyListReader::object(quint64 index, int depth)
{
    const auto at = offsetOf(index);
    if (!at)
        return std::nullopt;
    if (depth > PropertyListDecoder::maximumDepth) {
        budget_.markCut();
        return QVariant();
    }
    const auto marker = static_cast<unsigned char>(bytes_[static_cast<qsizetype>(*at)]);
    const unsigned info = marker & 0x0f;
    quint64 length = 0, start = 0;
    switch (marker >> 4) {
    case 0x0:
        budget_.take(0);
        if (info == 0x8 || info == 0x9)
            return QVariant(info == 0x9);
        return QVariant(); // null and fill
    case 0x1: {
        if (info > 4)
            return std::nullopt;
        // Sixteen-byte integers keep their low eight bytes.
        const unsigned size = 1u << info;
        const auto value = integerAt(*at + 1 + (size > 8 ? size - 8 : 0), size > 8 ? 8 : size);
        if (!value)
            return std::nullopt;
        budget_.take(0);
        // Eight bytes are signed; shorter integers are not.
        return PropertyListDecoder::integer(static_cast<qlonglong>(*value));
    }
    case 0x2:
    case 0x3: {
        if (info != 2 && info != 3)
            return std::nullopt;
        const auto bits = integerAt(*at + 1, 1u << info);
        if (!bits)
            return std::nullopt;
        const double value
            = info == 2 ? double(std::bit_cast<float>(static_cast<quint32>(*bits))) : std::bit_cast<double>(*bits);
        budget_.take(0);
        if (marker >> 4 == 0x2)
            return PropertyListDecoder::number(value);
        // Dates count seconds from 2001-01-01.
        if (!std::isfinite(value) || std::fabs(value) > 1e14)
            return QVariant();
        return QDateTime::fromMSecsSinceEpoch(978307200000LL + std::llround(value * 1000.0), Qt::UTC);
    }
    case 0x4:
    case 0x5:
    case 0x6: {
        const quint64 unit = marker >> 4 == 0x6 ? 2 : 1;
        if (!lengthAt(*at, length, start) || !fits(start, length, unit))
            return std::nullopt;
        if (!budget_.take(static_cast<qint64>(length * unit)))
            return QVariant();
        const char* data = bytes_.constData() + start;
        const auto count = static_cast<qsizetype>(length);
        if (marker >> 4 == 0x4)
            return QByteArray(data, count);
        if (marker >> 4 == 0x5)
            return QString::fromLatin1(data, count);
        QString text(count, Qt::Uninitialized);
        for (qsizetype unitIndex = 0; unitIndex < count; ++unitIndex)
            text[unitIndex] = QChar(static_cast<char16_t>((static_cast<unsigned char>(data[2 * unitIndex]) << 8)
                                                          | static_cast<unsigned char>(data[2 * unitIndex + 1])));
        return text;
    }
    case 0x8: {
        const auto value = integerAt(*at + 1, info + 1);
        if (!value)
            return std::nullopt;
        budget_.take(0);
        return QVariant(static_cast<qlonglong>(*value));
    }
    case 0xa:
    case 0xc:
    case 0xd: {
        const bool map = marker >> 4 == 0xd;
        if (!lengthAt(*at, length, start) || !fits(start, length, map ? 2 * referenceSize_ : referenceSize_))
            return std::nullopt;
        if (!budget_.take(0))
            return QVariant();
        QVariantList list;
        QVariantMap entries;
        for (quint64 element = 0; element < length && !budget_.spent(); ++element) {
            const auto valueIndex = integerAt(start + (element + (map ? length : 0)) * referenceSize_, referenceSize_);
            if (!valueIndex)
                return std::nullopt;
            QString key;
            if (map) {
                const auto keyIndex = integerAt(start + element * referenceSize_, referenceSize_);
                const auto keyObject = keyIndex ? object(*keyIndex, depth + 1) : std::nullopt;
                if (!keyObject)
                    return std::nullopt;
                if (keyObject->typeId() != QMetaType::QString) {
                    if (budget_.spent())
                        break;
                    return std::nullopt; // keys are text
                }
                key = keyObject->toString();
            }
            const auto value = object(*valueIndex, depth + 1);
            if (!value)
                return std::nullopt;
            if (budget_.spent() && !value->isValid())
                break; // the element that did not fit
            if (map)
                entries.insert(key, *value);
            else
                list.append(*value);
        }
        return map ? QVariant(entries) : QVariant(list);
    }
    default:
        return std::nullopt;
    }
}

} // namespace vistrel
