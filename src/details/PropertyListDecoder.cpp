#include "PropertyListDecoder.h"

#include "BinaryPropertyListReader.h"

#include <QDateTime>

#include <plist/plist.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// Owns what libplist allocates.
struct Plist {
    plist_t node = nullptr;
    ~Plist() { plist_free(node); }
};

QString takeString(char* text)
{
    QString made = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return made;
}

QVariant convert(plist_t node, int depth, PropertyListDecoder::Budget& budget)
{
    if (!node)
        return {};
    if (depth > PropertyListDecoder::maximumDepth) {
        budget.markCut();
        return {};
    }
    if (budget.spent())
        return {};
    const plist_type type = plist_get_node_type(node);
    if (type != PLIST_STRING && type != PLIST_KEY && type != PLIST_DATA && !budget.take(0))
        return {};
    switch (type) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // libplist keeps negative integers in two's complement.
        return PropertyListDecoder::integer(static_cast<qlonglong>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyListDecoder::number(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        QString made = takeString(text);
        if (!budget.take(made.size() * 2))
            return {};
        return made;
    }
    case PLIST_DATA: {
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        QByteArray bytes(data ? data : "", static_cast<qsizetype>(data ? length : 0));
        std::free(data);
        if (!budget.take(bytes.size()))
            return {};
        return bytes;
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // Property-list dates count from 2001-01-01.
        return QDateTime::fromSecsSinceEpoch(978307200LL + seconds, Qt::UTC).addMSecs(microseconds / 1000);
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(static_cast<qlonglong>(value));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t index = 0; index < size && !budget.spent(); ++index)
            list.append(convert(plist_array_get_item(node, index), depth + 1, budget));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key)
                break;
            QString name = takeString(key);
            if (budget.spent())
                continue; // drains the iterator's keys
            map.insert(name, convert(value, depth + 1, budget));
        }
        std::free(iterator);
        return map;
    }
    case PLIST_NONE:
        break;
    }
    return {};
}

} // namespace

QVariant PropertyListDecoder::number(double value)
{
    if (value == 0.0 || value == 1.0)
        return QVariant(value == 1.0);
    if (std::trunc(value) == value && value >= -9223372036854775808.0 && value < 9223372036854775808.0)
        return QVariant(static_cast<qlonglong>(value));
    return QVariant(value);
}

QVariant PropertyListDecoder::integer(qlonglong value)
{
    return value == 0 || value == 1 ? QVariant(value == 1) : QVariant(value);
}

std::optional<QVariant> PropertyListDecoder::decode(const QByteArray& bytes)
{
    Budget budget;
    return decode(bytes, budget);
}

std::optional<QVariant> PropertyListDecoder::decode(const QByteArray& bytes, Budget& budget, int depth)
{
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    // Only what looks like a property list reaches the parsers.
    const bool binary = bytes.startsWith("bplist00");
    const bool xml = !binary && bytes.contains("<plist");
    if (!binary && !xml)
        return std::nullopt;
    if (budget.spent())
        return std::nullopt;
    if (binary)
        return BinaryPropertyListReader(bytes, budget).read(depth);
    // XML has no shared references: libplist's tree is no larger than the text.
    Plist parsed;
    plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &parsed.node);
    if (!parsed.node)
        return std::nullopt;
    return convert(parsed.node, depth, budget);
}

std::optional<QByteArray> PropertyListDecoder::readFile(const std::string& path)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return std::nullopt;
    struct stat status { };
    QByteArray bytes;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= maximumFileBytes;
    if (ok) {
        bytes.resize(static_cast<qsizetype>(status.st_size));
        qsizetype filled = 0;
        while (filled < bytes.size()) {
            const ssize_t count = ::read(fd, bytes.data() + filled, static_cast<std::size_t>(bytes.size() - filled));
            if (count <= 0)
                break;
            filled += count;
        }
        bytes.truncate(filled);
    }
    ::close(fd);
    return ok ? std::optional<QByteArray>(bytes) : std::nullopt;
}

} // namespace vistrel
