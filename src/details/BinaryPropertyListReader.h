#pragma once

#include "PropertyListDecoder.h"

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace vistrel {

// Binary property lists ("bplist00"), read here rather than by libplist: an object that many
// containers reference is decoded each time it is reached, so every copy is charged to the
// budget and a few hundred bytes of shared lists cannot expand into billions of nodes.
class BinaryPropertyListReader {
public:
    BinaryPropertyListReader(const QByteArray& bytes, PropertyListDecoder::Budget& budget);

    // The top object, or absent when the bytes are not a well-formed binary property list.
    // When the budget runs out, containers end where it did.
    std::optional<QVariant> read(int depth);

private:
    std::optional<QVariant> object(quint64 index, int depth);
    std::optional<quint64> offsetOf(quint64 index) const;
    // A big-endian unsigned integer of `size` bytes at `at`, when it lies before the offsets.
    std::optional<quint64> integerAt(quint64 at, unsigned size) const;
    // The element count after a marker at `at`, and where the elements start.
    bool lengthAt(quint64 at, quint64& length, quint64& start) const;
    bool fits(quint64 start, quint64 count, quint64 elementSize) const;

    const QByteArray& bytes_;
    PropertyListDecoder::Budget& budget_;
    unsigned offsetSize_ = 0;
    unsigned referenceSize_ = 0;
    quint64 objectCount_ = 0;
    quint64 offsetTable_ = 0;
};

} // namespace vistrel
