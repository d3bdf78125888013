#include "Platform/Foundation/VLBinaryPropertyListWriter.h"

#include "Platform/Foundation/VLUnicode.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr size_t kTrailerLength = 32;

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

void putUnsigned(uint8_t*& out, uint64_t value, size_t width) {
    for (size_t i = width; i > 0; --i)
        *out++ = uint8_t(value >> (8 * (i - 1)));
}

size_t integerWidth(int64_t value) {
    return value < 0 ? 8 : widthFor(uint64_t(value));
}

void putInteger(uint8_t*& out, int64_t value) {
    const size_t width = integerWidth(value);
    *out++ = uint8_t(0x10 | widthExponent(width));
    putUnsigned(out, uint64_t(value), width);
}

// A marker with its count: in the marker's low bits below 15, else as an integer object after it.
size_t headerLength(size_t count) {
    return count < 15 ? 1 : 2 + widthFor(count);
}

void putHeader(uint8_t*& out, uint8_t marker, size_t count) {
    if (count < 15) {
        *out++ = uint8_t(marker | count);
        return;
    }
    *out++ = uint8_t(marker | 0xF);
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

void VLBinaryPropertyListWriter::encode(const Object& object, size_t referenceSize, uint8_t*& out) const {
    switch (object.kind) {
    case Kind::Reserved:
    case Kind::Null:
        *out++ = 0x00;
        return;
    case Kind::Boolean:
        *out++ = object.value ? 0x09 : 0x08;
        return;
    case Kind::Integer:
        putInteger(out, int64_t(object.value));
        return;
    case Kind::Real:
        *out++ = 0x23;
        putUnsigned(out, object.value, 8);
        return;
    case Kind::Date:
        *out++ = 0x33;
        putUnsigned(out, object.value, 8);
        return;
    case Kind::ASCII:
    case Kind::Data:
        putHeader(out, object.kind == Kind::ASCII ? 0x50 : 0x40, object.count);
        if (object.count)
            std::memcpy(out, object.bytes, object.count);
        out += object.count;
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
        *out++ = uint8_t(0x80 | (width - 1));
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
    const size_t referenceSize = widthFor(_objects.empty() ? 0 : _objects.size() - 1);
    size_t tableStart = kMagic.size();
    for (const Object& object : _objects)
        tableStart += encodedLength(object, referenceSize);
    const size_t offsetSize = widthFor(tableStart);

    VLData bytes(tableStart + _objects.size() * offsetSize + kTrailerLength);
    uint8_t* out = bytes.data();
    std::memcpy(out, kMagic.data(), kMagic.size());
    out += kMagic.size();
    uint8_t* table = bytes.data() + tableStart;
    for (const Object& object : _objects) {
        putUnsigned(table, uint64_t(out - bytes.data()), offsetSize);
        encode(object, referenceSize, out);
    }
    // The trailer: six unused bytes, the two widths, the object count, the top object and the table.
    std::memset(table, 0, 6);
    table += 6;
    *table++ = uint8_t(offsetSize);
    *table++ = uint8_t(referenceSize);
    putUnsigned(table, _objects.size(), 8);
    putUnsigned(table, top, 8);
    putUnsigned(table, tableStart, 8);
    return bytes;
}
