#include "PropertyListDecoder.h"

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

QVariant number(double value)
{
    if (value == 0.0 || value == 1.0)
        return QVariant(value == 1.0);
    if (std::trunc(value) == value && value >= -9223372036854775808.0 && value < 9223372036854775808.0)
        return QVariant(static_cast<qlonglong>(value));
    return QVariant(value);
}

QVariant convert(plist_t node, int depth)
{
    if (!node || depth > PropertyListDecoder::maximumDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // libplist keeps negative integers in two's complement.
        const auto integer = static_cast<qlonglong>(value);
        return integer == 0 || integer == 1 ? QVariant(integer == 1) : QVariant(integer);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return number(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        return takeString(text);
    }
    case PLIST_DATA: {
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        QByteArray bytes(data ? data : "", static_cast<qsizetype>(data ? length : 0));
        std::free(data);
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
        for (uint32_t index = 0; index < size; ++index)
            list.append(convert(plist_array_get_item(node, index), depth + 1));
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
            map.insert(takeString(key), convert(value, depth + 1));
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

std::optional<QVariant> PropertyListDecoder::decode(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    // Only what looks like a property list reaches the parsers.
    const bool binary = bytes.startsWith("bplist00");
    const bool xml = !binary && bytes.contains("<plist");
    if (!binary && !xml)
        return std::nullopt;
    Plist parsed;
    if (binary)
        plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &parsed.node);
    else
        plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &parsed.node);
    if (!parsed.node)
        return std::nullopt;
    return convert(parsed.node, 0);
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
