#include "NcduJsonReader.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <vector>

namespace vistrel {

NcduJsonReader::Error::Error(const std::string& problem, std::uint64_t offset)
    : std::runtime_error(problem + " at byte " + std::to_string(offset))
    , offset_(offset)
{
}

namespace {

constexpr std::size_t bufferSize = 1 << 20;
constexpr std::size_t maximumKeyLength = 256;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isBareValueCharacter(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '+'
        || c == '.';
}

// The bytes of the file, buffered, with the offset of the next one.
class Input {
public:
    Input(int fd, const std::function<void(std::uint64_t)>& progress)
        : fd_(fd)
        , progress_(progress)
        , buffer_(bufferSize)
    {
    }

    int peek()
    {
        if (position_ == size_ && !fill())
            return -1;
        return static_cast<unsigned char>(buffer_[position_]);
    }
    int get()
    {
        const int c = peek();
        if (c >= 0)
            ++position_;
        return c;
    }
    std::uint64_t offset() const { return start_ + position_; }
    [[noreturn]] void fail(const std::string& problem) const { throw NcduJsonReader::Error(problem, offset()); }

private:
    bool fill()
    {
        start_ += size_;
        position_ = size_ = 0;
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                fail(std::string("cannot read the file: ") + std::strerror(errno));
            size_ = static_cast<std::size_t>(got);
            if (progress_ && got > 0)
                progress_(start_ + size_);
            return got > 0;
        }
    }

    int fd_;
    const std::function<void(std::uint64_t)>& progress_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    std::uint64_t start_ = 0;
};

class Parser {
public:
    Parser(Input& input)
        : in_(input)
    {
    }

    void skipSpace()
    {
        while (isSpace(in_.peek()))
            in_.get();
    }

    void expect(char wanted, const char* what)
    {
        skipSpace();
        const int c = in_.peek();
        if (c < 0)
            in_.fail(std::string("the file ends where ") + what + " was expected");
        if (c != wanted)
            in_.fail(std::string("expected ") + what);
        in_.get();
    }

    // A string's bytes into `out` (or nowhere), at most `limit` of them.
    void readString(std::string* out, std::size_t limit, const char* what)
    {
        expect('"', what);
        for (;;) {
            const int c = in_.get();
            if (c < 0)
                in_.fail("the file ends inside a string");
            if (c == '"')
                return;
            if (c != '\\') {
                append(out, static_cast<char>(c), limit);
                continue;
            }
            const int escaped = in_.get();
            switch (escaped) {
            case '"':
                append(out, '"', limit);
                break;
            case '\\':
                append(out, '\\', limit);
                break;
            case '/':
                append(out, '/', limit);
                break;
            case 'b':
                append(out, '\b', limit);
                break;
            case 'f':
                append(out, '\f', limit);
                break;
            case 'n':
                append(out, '\n', limit);
                break;
            case 'r':
                append(out, '\r', limit);
                break;
            case 't':
                append(out, '\t', limit);
                break;
            case 'u':
                appendCodePoint(out, readEscapedCodePoint(), limit);
                break;
            case -1:
                in_.fail("the file ends inside a string");
            default:
                in_.fail("an invalid escape in a string");
            }
        }
    }

    // A whole number; sizes and counts are never fractions.
    std::int64_t readInteger(const char* what, bool allowNegative)
    {
        skipSpace();
        bool negative = false;
        if (in_.peek() == '-') {
            negative = true;
            in_.get();
        }
        if (in_.peek() < '0' || in_.peek() > '9')
            in_.fail(std::string(what) + " is not a number");
        std::uint64_t magnitude = 0;
        bool overflow = false;
        while (in_.peek() >= '0' && in_.peek() <= '9') {
            const auto digit = static_cast<std::uint64_t>(in_.get() - '0');
            if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
                overflow = true;
            else
                magnitude = magnitude * 10 + digit;
        }
        if (in_.peek() == '.' || in_.peek() == 'e' || in_.peek() == 'E')
            in_.fail(std::string(what) + " is not a whole number");
        const auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        if (overflow || magnitude > limit + (negative ? 1 : 0))
            in_.fail(std::string(what) + " is out of range");
        if (negative && !allowNegative && magnitude != 0)
            in_.fail(std::string(what) + " is negative");
        return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    }

    // An inode number may use all 64 bits; it is kept as their pattern.
    std::int64_t readIdentity(const char* what)
    {
        skipSpace();
        if (in_.peek() < '0' || in_.peek() > '9')
            in_.fail(std::string(what) + " is not a number");
        std::uint64_t value = 0;
        while (in_.peek() >= '0' && in_.peek() <= '9') {
            const auto digit = static_cast<std::uint64_t>(in_.get() - '0');
            if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
                in_.fail(std::string(what) + " is out of range");
            value = value * 10 + digit;
        }
        return static_cast<std::int64_t>(value);
    }

    bool readBoolean(const char* what)
    {
        skipSpace();
        std::string word;
        while (isBareValueCharacter(in_.peek()) && word.size() < 8)
            word += static_cast<char>(in_.get());
        if (word == "true")
            return true;
        if (word == "false" || word == "null")
            return false;
        in_.fail(std::string(what) + " is not true or false");
    }

    // Any value, of any nesting, without recursing and without keeping it.
    void skipValue()
    {
        std::size_t depth = 0;
        do {
            skipSpace();
            const int c = in_.peek();
            if (c < 0)
                in_.fail("the file ends inside a value");
            if (c == '"') {
                readString(nullptr, 0, "a string");
            } else if (c == '{' || c == '[') {
                in_.get();
                ++depth;
            } else if ((c == '}' || c == ']') && depth > 0) {
                in_.get();
                --depth;
            } else if ((c == ',' || c == ':') && depth > 0) {
                in_.get();
            } else if (isBareValueCharacter(c)) {
                while (isBareValueCharacter(in_.peek()))
                    in_.get();
            } else {
                in_.fail("an unexpected character");
            }
        } while (depth > 0);
    }

    // An object's members, each value read by `member` (which reads or skips it).
    template <typename Member> void readObject(const char* what, Member&& member)
    {
        expect('{', what);
        skipSpace();
        if (in_.peek() == '}') {
            in_.get();
            return;
        }
        for (;;) {
            std::string key;
            readString(&key, maximumKeyLength, "a key");
            expect(':', "':'");
            member(key);
            skipSpace();
            const int c = in_.get();
            if (c == '}')
                return;
            if (c < 0)
                in_.fail("the file ends inside an object");
            if (c != ',')
                in_.fail("expected ',' or '}'");
        }
    }

    NcduJsonReader::Item readItem()
    {
        skipSpace();
        NcduJsonReader::Item item;
        item.offset = in_.offset();
        bool named = false;
        readObject("an item's object", [&](const std::string& key) {
            if (key == "name") {
                readString(&item.name, NcduJsonReader::maximumNameLength, "the name, a string,");
                named = true;
            } else if (key == "asize") {
                item.apparentSize = readInteger("asize", false);
            } else if (key == "dsize") {
                item.diskUsage = readInteger("dsize", false);
            } else if (key == "dev") {
                item.device = readIdentity("dev");
            } else if (key == "ino") {
                item.inode = readIdentity("ino");
            } else if (key == "nlink") {
                item.linkCount = readInteger("nlink", false);
            } else if (key == "hlnkc") {
                item.hardLinked = readBoolean("hlnkc");
            } else if (key == "read_error") {
                item.readError = readBoolean("read_error");
            } else if (key == "notreg") {
                item.notRegular = readBoolean("notreg");
            } else if (key == "mode") {
                item.mode = readInteger("mode", false);
            } else if (key == "excluded") {
                skipSpace();
                if (in_.peek() == '"')
                    readString(&item.excluded, 64, "excluded");
                else if (readBoolean("excluded"))
                    item.excluded = "pattern";
            } else {
                skipValue(); // fields of later formats, and the extended ones
            }
        });
        if (!named)
            throw NcduJsonReader::Error("an item without a name", item.offset);
        return item;
    }

    Input& input() { return in_; }

private:
    void append(std::string* out, char c, std::size_t limit)
    {
        if (!out)
            return;
        if (out->size() >= limit)
            in_.fail("a name longer than " + std::to_string(limit) + " bytes");
        out->push_back(c);
    }

    unsigned readHex4()
    {
        unsigned value = 0;
        for (int digit = 0; digit < 4; ++digit) {
            const int c = in_.get();
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                in_.fail("an invalid \\u escape");
        }
        return value;
    }

    // After "\u": one code point, a surrogate pair joined; a lone surrogate is no character.
    unsigned readEscapedCodePoint()
    {
        const unsigned first = readHex4();
        if (first >= 0xDC00 && first <= 0xDFFF)
            in_.fail("an invalid \\u escape (a lone low surrogate)");
        if (first < 0xD800 || first > 0xDBFF)
            return first;
        if (in_.get() != '\\' || in_.get() != 'u')
            in_.fail("an invalid \\u escape (a high surrogate without its pair)");
        const unsigned second = readHex4();
        if (second < 0xDC00 || second > 0xDFFF)
            in_.fail("an invalid \\u escape (a high surrogate without its pair)");
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }

    void appendCodePoint(std::string* out, unsigned point, std::size_t limit)
    {
        if (point < 0x80) {
            append(out, static_cast<char>(point), limit);
        } else if (point < 0x800) {
            append(out, static_cast<char>(0xC0 | (point >> 6)), limit);
            append(out, static_cast<char>(0x80 | (point & 0x3F)), limit);
        } else if (point < 0x10000) {
            append(out, static_cast<char>(0xE0 | (point >> 12)), limit);
            append(out, static_cast<char>(0x80 | ((point >> 6) & 0x3F)), limit);
            append(out, static_cast<char>(0x80 | (point & 0x3F)), limit);
        } else {
            append(out, static_cast<char>(0xF0 | (point >> 18)), limit);
            append(out, static_cast<char>(0x80 | ((point >> 12) & 0x3F)), limit);
            append(out, static_cast<char>(0x80 | ((point >> 6) & 0x3F)), limit);
            append(out, static_cast<char>(0x80 | (point & 0x3F)), limit);
        }
    }

    Input& in_;
};

} // namespace

void NcduJsonReader::read(int fd, Handler& handler, const std::function<void(std::uint64_t)>& progress)
{
    Input input(fd, progress);
    Parser parser(input);
    parser.skipSpace();
    if (input.peek() < 0)
        input.fail("the file is empty");
    parser.expect('[', "'[' (this is not an ncdu export)");
    Metadata metadata;
    const std::uint64_t versionAt = input.offset();
    const std::int64_t major = parser.readInteger("the major version", false);
    parser.expect(',', "','");
    const std::int64_t minor = parser.readInteger("the minor version", false);
    if (major != 1 || minor > 10000)
        throw Error("export format version " + std::to_string(major) + "." + std::to_string(minor)
                        + " is not supported (1.0 to 1.2 are)",
                    versionAt);
    metadata.majorVersion = static_cast<int>(major);
    metadata.minorVersion = static_cast<int>(minor);
    parser.expect(',', "','");
    parser.readObject("the metadata object", [&](const std::string& key) {
        if (key == "progname")
            parser.readString(&metadata.programName, 256, "progname");
        else if (key == "progver")
            parser.readString(&metadata.programVersion, 256, "progver");
        else if (key == "timestamp")
            metadata.timestamp = parser.readInteger("timestamp", true);
        else
            parser.skipValue();
    });
    handler.metadata(metadata);
    parser.expect(',', "','");
    parser.expect('[', "the root directory's '['");
    handler.openDirectory(parser.readItem());
    std::size_t depth = 1;
    while (depth > 0) {
        parser.skipSpace();
        const int c = input.get();
        if (c == ']') {
            handler.closeDirectory();
            --depth;
            continue;
        }
        if (c < 0)
            input.fail("the file ends inside a directory");
        if (c != ',')
            input.fail("expected ',' or ']'");
        parser.skipSpace();
        if (input.peek() == '[') {
            input.get();
            if (depth >= maximumDepth)
                input.fail("directories nested deeper than " + std::to_string(maximumDepth) + " levels");
            handler.openDirectory(parser.readItem());
            ++depth;
        } else if (input.peek() == '{') {
            handler.file(parser.readItem());
        } else if (input.peek() < 0) {
            input.fail("the file ends inside a directory");
        } else {
            input.fail("expected a directory's '[' or an item's '{'");
        }
    }
    parser.expect(']', "the closing ']'");
    parser.skipSpace();
    if (input.peek() >= 0)
        input.fail("more data after the end of the export");
}

} // namespace vistrel
