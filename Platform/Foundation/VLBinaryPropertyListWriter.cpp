#include "Platform/Foundation/VLBinaryPropertyListWriter.h"

#include "Platform/Foundation/VLBinaryPropertyListFormat.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cstdint>

#include <bit>

namespace {

// The fewest of 1, 2, 4 or 8 bytes that hold the value.
size_t widthFor(uint64_t value) {
    if (value <= 0xFF)
        return 1;
    if (value <= 0xFFFF)
        return 2;
    if (value <= 0xFFFFFFFF)
        return 4;
    return 8;
}

uint8_t widthExponent(size_t width) {
    return uint8_t(std::countr_zero(width));
}

// The output grows by appending into room reserved up front, so that it is never cleared first.
void putUnsigned(VLData& out, uint64_t value, size_t width) {
    for (size_t i = width; i > 0; --i)
        out.push_back(uint8_t(value >> (8 * (i - 1))));
}

size_t integerWidth(int64_t value) {
    return value < 0 ? 8 : widthFor(uint64_t(value));
}

void putInteger(VLData& out, int64_t value) {
    const size_t width = integerWidth(value);
    out.push_back(uint8_t(0x10 | widthExponent(width)));
    putUnsigned(out, uint64_t(value), width);
}

// A marker with its count: in the marker's low bits below 15, else as an integer object after it.
size_t headerLength(size_t count) {
    return count < 15 ? 1 : 2 + widthFor(count);
}

void putHeader(VLData& out, uint8_t marker, size_t count) {
    if (count < 15) {
        out.push_back(uint8_t(marker | count));
        return;
    }
    out.push_back(uint8_t(marker | 0xF));
    putInteger(out, int64_t(count));
}

} // namespace

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::add(Object object) {
    _objects.push_back(object);
    return _objects.size() - 1;
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addNull() {
    return add({Kind::Null});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addBoolean(bool value) {
    return add({Kind::Boolean, value ? 1u : 0u});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addInteger(int64_t value) {
    return add({Kind::Integer, uint64_t(value)});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addReal(double value) {
    return add({Kind::Real, std::bit_cast<uint64_t>(value)});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addDate(double secondsSince2001) {
    return add({Kind::Date, std::bit_cast<uint64_t>(secondsSince2001)});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addString(std::string_view utf8) {
    if (VLIsASCII(utf8))
        return add({Kind::ASCII, 0, utf8.size(), utf8.data()});
    auto& units = _utf16.emplace_back(std::make_unique<std::u16string>(VLUTF16FromUTF8(utf8)));
    return add({Kind::UTF16, 0, units->size(), units->data()});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addData(std::span<const uint8_t> bytes) {
    return add({Kind::Data, 0, bytes.size(), bytes.data()});
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::addUID(uint64_t uid) {
    return add({Kind::UID, uid});
}

VLBinaryPropertyListWriter::Object VLBinaryPropertyListWriter::container(Kind kind,
                                                                         std::span<const Reference> first,
                                                                         std::span<const Reference> second) {
    Object object{kind, _references.size(), first.size()};
    _references.insert(_references.end(), first.begin(), first.end());
    _references.insert(_references.end(), second.begin(), second.end());
    return object;
}

VLBinaryPropertyListWriter::Reference
VLBinaryPropertyListWriter::addArray(std::span<const Reference> elements) {
    return add(container(Kind::Array, elements, {}));
}

VLBinaryPropertyListWriter::Reference
VLBinaryPropertyListWriter::addDictionary(std::span<const Reference> keys,
                                          std::span<const Reference> values) {
    return add(container(Kind::Dictionary, keys, values));
}

VLBinaryPropertyListWriter::Reference VLBinaryPropertyListWriter::reserve() {
    return add({Kind::Reserved});
}

void VLBinaryPropertyListWriter::setArray(Reference reserved, std::span<const Reference> elements) {
    _objects[reserved] = container(Kind::Array, elements, {});
}

void VLBinaryPropertyListWriter::setDictionary(Reference reserved, std::span<const Reference> keys,
                                               std::span<const Reference> values) {
    _objects[reserved] = container(Kind::Dictionary, keys, values);
}

size_t VLBinaryPropertyListWriter::encodedLength(const Object& object, size_t referenceSize) const {
    switch (object.kind) {
    case Kind::Reserved:
    case Kind::Null:
    case Kind::Boolean:
        return 1;
    case Kind::Integer:
        return 1 + integerWidth(int64_t(object.value));
    case Kind::Real:
    case Kind::Date:
        return 9;
    case Kind::ASCII:
    case Kind::Data:
        return headerLength(object.count) + object.count;
    case Kind::UTF16:
        return headerLength(object.count) + 2 * object.count;
    case Kind::UID:
        return 1 + widthFor(object.value);
    case Kind::Array:
        return headerLength(object.count) + object.count * referenceSize;
    case Kind::Dictionary:
        return headerLength(object.count) + 2 * object.count * referenceSize;
    }
    return 1;
}

bool VLBinaryPropertyListWriter::borrows(const Object& object, size_t borrowedLength) const {
    return (object.kind == Kind::ASCII || object.kind == Kind::Data) && object.count >= borrowedLength;
}

void VLBinaryPropertyListWriter::encode(const Object& object, size_t referenceSize, size_t borrowedLength,
                                        Pieces& pieces) const {
    VLData& out = pieces.bytes;
    switch (object.kind) {
    case Kind::Reserved:
    case Kind::Null:
        out.push_back(0x00);
        return;
    case Kind::Boolean:
        out.push_back(object.value ? 0x09 : 0x08);
        return;
    case Kind::Integer:
        putInteger(out, int64_t(object.value));
        return;
    case Kind::Real:
        out.push_back(0x23);
        putUnsigned(out, object.value, 8);
        return;
    case Kind::Date:
        out.push_back(0x33);
        putUnsigned(out, object.value, 8);
        return;
    case Kind::ASCII:
    case Kind::Data:
        putHeader(out, object.kind == Kind::ASCII ? 0x50 : 0x40, object.count);
        if (object.count) {
            const auto* bytes = static_cast<const uint8_t*>(object.bytes);
            if (borrows(object, borrowedLength))
                pieces.borrowed.push_back({out.size(), {bytes, object.count}});
            else
                out.insert(out.end(), bytes, bytes + object.count);
        }
        return;
    case Kind::UTF16: {
        putHeader(out, 0x60, object.count);
        const auto* units = static_cast<const char16_t*>(object.bytes);
        for (size_t i = 0; i < object.count; ++i)
            putUnsigned(out, units[i], 2);
        return;
    }
    case Kind::UID: {
        const size_t width = widthFor(object.value);
        out.push_back(uint8_t(0x80 | (width - 1)));
        putUnsigned(out, object.value, width);
        return;
    }
    case Kind::Array:
    case Kind::Dictionary: {
        putHeader(out, object.kind == Kind::Array ? 0xA0 : 0xD0, object.count);
        const size_t total = object.kind == Kind::Array ? object.count : 2 * object.count;
        for (size_t i = 0; i < total; ++i)
            putUnsigned(out, _references[object.value + i], referenceSize);
        return;
    }
    }
}

VLData VLBinaryPropertyListWriter::data(Reference top) const {
    return pieces(top, SIZE_MAX).bytes;
}

size_t VLBinaryPropertyListWriter::Pieces::size() const {
    size_t size = bytes.size();
    for (const Borrowed& piece : borrowed)
        size += piece.payload.size();
    return size;
}

VLBinaryPropertyListWriter::Pieces VLBinaryPropertyListWriter::pieces(Reference top,
                                                                      size_t borrowedLength) const {
    const size_t referenceSize = widthFor(_objects.empty() ? 0 : _objects.size() - 1);
    size_t tableStart = VLBinaryPropertyListMagic.size();
    size_t borrowedTotal = 0;
    for (const Object& object : _objects) {
        tableStart += encodedLength(object, referenceSize);
        if (borrows(object, borrowedLength))
            borrowedTotal += object.count;
    }
    const size_t offsetSize = widthFor(tableStart);

    Pieces pieces{VLData(VLBinaryPropertyListMagic.begin(), VLBinaryPropertyListMagic.end()), {}};
    pieces.bytes.reserve(tableStart - borrowedTotal + _objects.size() * offsetSize +
                         VLBinaryPropertyListTrailerLength);
    std::vector<size_t> offsets;
    offsets.reserve(_objects.size());
    size_t borrowedSoFar = 0;
    for (const Object& object : _objects) {
        offsets.push_back(pieces.bytes.size() + borrowedSoFar);
        encode(object, referenceSize, borrowedLength, pieces);
        if (borrows(object, borrowedLength))
            borrowedSoFar += object.count;
    }
    VLData& bytes = pieces.bytes;
    for (size_t offset : offsets)
        putUnsigned(bytes, offset, offsetSize);
    // The trailer: six unused bytes, the two widths, the object count, the top object and the table.
    bytes.insert(bytes.end(), 6, 0);
    bytes.push_back(uint8_t(offsetSize));
    bytes.push_back(uint8_t(referenceSize));
    putUnsigned(bytes, _objects.size(), 8);
    putUnsigned(bytes, top, 8);
    putUnsigned(bytes, tableStart, 8);
    return pieces;
}
