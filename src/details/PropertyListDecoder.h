#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace vistrel {

// Property lists (XML through libplist, binary by our own reader) as Qt values: dictionaries
// become QVariantMap, arrays QVariantList, strings QString, data QByteArray, dates QDateTime.
// Numbers convert as the browser shows them: exactly 0 or 1 as a Boolean, an integral value as
// a 64-bit integer, anything else as a double. Nesting deeper than `maximumDepth` is cut there,
// and the whole decoded tree stays within one Budget.
class PropertyListDecoder {
public:
    static constexpr int maximumDepth = 512;
    // Larger files are not read for the Property List tab.
    static constexpr qint64 maximumFileBytes = qint64{16} << 20;
    // What one browser's values may decode to, property lists nested in data included.
    static constexpr qint64 maximumNodes = 100000;
    static constexpr qint64 maximumDecodedBytes = qint64{16} << 20;
    static constexpr qint64 maximumLabelBytes = qint64{64} << 20;

    // What is left to decode; shared by every property list of one tree of values, so that
    // shared references or lists nested in data cannot multiply the work.
    class Budget {
    public:
        // Charges one node holding `bytes` of text or data; false, and cut from then on, once
        // a limit is passed.
        bool take(qint64 bytes)
        {
            nodes_ += 1;
            bytes_ += bytes;
            if (nodes_ > maximumNodes || bytes_ > maximumDecodedBytes)
                spent_ = cut_ = true;
            return !spent_;
        }
        bool spent() const { return spent_; }
        // Charges the text a browser shows for a decoded node (ids repeat their ancestors'
        // keys); false, and cut, once over its own limit.
        bool takeLabel(qint64 bytes)
        {
            labelBytes_ += bytes;
            if (labelBytes_ > maximumLabelBytes)
                labelsSpent_ = cut_ = true;
            return !labelsSpent_;
        }
        bool labelsSpent() const { return labelsSpent_; }
        // Something was left out: over a limit, or nested too deeply.
        void markCut() { cut_ = true; }
        bool wasCut() const { return cut_; }

    private:
        qint64 nodes_ = 0;
        qint64 bytes_ = 0;
        qint64 labelBytes_ = 0;
        bool spent_ = false;
        bool labelsSpent_ = false;
        bool cut_ = false;
    };

    // Absent when the bytes are not a property list. `depth` is the nesting the value starts
    // at, for property lists held in the data of another.
    static std::optional<QVariant> decode(const QByteArray& bytes, Budget& budget, int depth = 0);
    static std::optional<QVariant> decode(const QByteArray& bytes);
    // A number as the browser shows it (see above).
    static QVariant number(double value);
    static QVariant integer(qlonglong value);
    // The whole file at `path`, read without changing its access time; absent when it cannot
    // be read or is larger than maximumFileBytes.
    static std::optional<QByteArray> readFile(const std::string& path);
};

} // namespace vistrel
