#include "Platform/Foundation/VLBinaryPropertyListReader.h"

#include "Platform/Foundation/VLBinaryPropertyListFormat.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace {

constexpr size_t kHeaderLength = VLBinaryPropertyListMagic.size();

// Texts may come to a mebibyte plus 64 times the data: generous for a writer that shares equal strings,
// and a bound on what many references to one long string could make.
constexpr size_t kTextBudgetBase = size_t(1) << 20;
constexpr size_t kTextBudgetFactor = 64;

} // namespace

void VLBinaryPropertyListReader::fail(std::string reason) {
    throw Failure{std::move(reason)};
}

VLBinaryPropertyListReader::VLBinaryPropertyListReader(std::span<const uint8_t> bytes) : _bytes(bytes) {
    // The header, one object of one byte, its offset and the trailer.
    if (bytes.size() < kHeaderLength + 2 + VLBinaryPropertyListTrailerLength)
        fail(
            VLStringWithFormat("The data (%zu bytes) is too short for a binary property list", bytes.size()));
    if (!std::equal(VLBinaryPropertyListMagic.begin(), VLBinaryPropertyListMagic.end(), bytes.begin()))
        fail("The data doesn't start with \"bplist00\"");
    const size_t trailer = bytes.size() - VLBinaryPropertyListTrailerLength;
    _offsetSize = bytes[trailer + 6];
    _referenceSize = bytes[trailer + 7];
    if (_offsetSize < 1 || _offsetSize > 8)
        fail(VLStringWithFormat("The trailer gives offsets of %u bytes, not 1 to 8", unsigned(_offsetSize)));
    if (_referenceSize < 1 || _referenceSize > 8)
        fail(VLStringWithFormat("The trailer gives references of %u bytes, not 1 to 8",
                                unsigned(_referenceSize)));
    _objectCount = readUnsigned(trailer + 8, 8);
    _topObject = readUnsigned(trailer + 16, 8);
    _offsetTableStart = readUnsigned(trailer + 24, 8);
    if (_offsetTableStart <= kHeaderLength || _offsetTableStart > trailer)
        fail(VLStringWithFormat("The offset table starts at %llu, outside the data", _offsetTableStart));
    // Every object takes one byte at least, and one entry of the offset table.
    if (_objectCount == 0 || _objectCount > _offsetTableStart - kHeaderLength ||
        _objectCount > (trailer - _offsetTableStart) / _offsetSize)
        fail(
            VLStringWithFormat("The trailer claims %llu objects, more than the data can hold", _objectCount));
    if (_topObject >= _objectCount)
        fail(VLStringWithFormat("The top object %llu is past the %llu objects", _topObject, _objectCount));
    _textBudget = kTextBudgetBase + kTextBudgetFactor * bytes.size();
}

uint64_t VLBinaryPropertyListReader::readUnsigned(size_t position, size_t width) const {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = (value << 8) | _bytes[position + i];
    return value;
}

uint64_t VLBinaryPropertyListReader::readReference(size_t position, uint64_t from) const {
    const uint64_t reference = readUnsigned(position, _referenceSize);
    if (reference >= _objectCount)
        fail(VLStringWithFormat("Object %llu refers to object %llu, past the %llu objects", from, reference,
                                _objectCount));
    return reference;
}

void VLBinaryPropertyListReader::checkPayload(const Object& object, uint64_t unit) const {
    if (object.start > _offsetTableStart || object.count > (_offsetTableStart - object.start) / unit)
        fail(VLStringWithFormat("Object %llu runs past the end of the objects", object.reference));
}

uint64_t VLBinaryPropertyListReader::readCount(uint64_t reference, uint8_t marker, size_t& position) const {
    if ((marker & 0xF) != 0xF)
        return marker & 0xF;
    // A longer count follows as an integer object of 1, 2, 4 or 8 bytes.
    if (position >= _offsetTableStart || (_bytes[position] & 0xF0) != 0x10 || (_bytes[position] & 0xF) > 3)
        fail(VLStringWithFormat("Object %llu has no valid count", reference));
    const size_t width = size_t(1) << (_bytes[position] & 0xF);
    if (position + 1 + width > _offsetTableStart)
        fail(VLStringWithFormat("Object %llu runs past the end of the objects", reference));
    const uint64_t count = readUnsigned(position + 1, width);
    position += 1 + width;
    if (width == 8 && count > uint64_t(std::numeric_limits<int64_t>::max()))
        fail(VLStringWithFormat("Object %llu has a negative count", reference));
    return count;
}

void VLBinaryPropertyListReader::readScalar(Object& object, uint8_t marker, size_t position) const {
    const uint8_t low = marker & 0xF;
    size_t width = 0;
    switch (marker >> 4) {
    case 0x1:
        if (low > 4)
            fail(VLStringWithFormat("Object %llu is an integer of %zu bytes", object.reference,
                                    size_t(1) << low));
        width = size_t(1) << low;
        break;
    case 0x2:
        if (low != 2 && low != 3)
            fail(
                VLStringWithFormat("Object %llu is a real of %zu bytes", object.reference, size_t(1) << low));
        width = size_t(1) << low;
        break;
    case 0x3:
        width = 8;
        break;
    default: // a UID
        width = size_t(low) + 1;
        if (width != 1 && width != 2 && width != 4 && width != 8)
            fail(VLStringWithFormat("Object %llu is a UID of %zu bytes", object.reference, width));
        break;
    }
    if (position + width > _offsetTableStart)
        fail(VLStringWithFormat("Object %llu runs past the end of the objects", object.reference));

    if (object.kind == Kind::UID) {
        object.uid = readUnsigned(position, width);
    } else if (object.kind == Kind::Integer && width == 16) {
        // Taken when it fits in 64 bits: a negative one as an integer, an unsigned one above the
        // integers' range as a real, as JSON numbers are.
        const uint64_t high = readUnsigned(position, 8);
        const uint64_t low64 = readUnsigned(position + 8, 8);
        if (high == 0 && low64 > uint64_t(std::numeric_limits<int64_t>::max())) {
            object.kind = Kind::Real;
            object.real = double(low64);
        } else if ((high == 0 && int64_t(low64) >= 0) || (high == ~uint64_t(0) && int64_t(low64) < 0)) {
            object.integer = int64_t(low64);
        } else {
            fail(VLStringWithFormat("Object %llu is an integer wider than 64 bits", object.reference));
        }
    } else if (object.kind == Kind::Integer) {
        // 1, 2 and 4 bytes are unsigned; 8 bytes are signed.
        object.integer = int64_t(readUnsigned(position, width));
    } else if (width == 4) {
        object.real = std::bit_cast<float>(uint32_t(readUnsigned(position, 4)));
    } else {
        object.real = std::bit_cast<double>(readUnsigned(position, 8));
    }
}

VLBinaryPropertyListReader::Object VLBinaryPropertyListReader::object(uint64_t reference) const {
    if (reference >= _objectCount)
        fail(VLStringWithFormat("Object %llu is past the %llu objects", reference, _objectCount));
    const uint64_t offset = readUnsigned(_offsetTableStart + reference * _offsetSize, _offsetSize);
    if (offset < kHeaderLength || offset >= _offsetTableStart)
        fail(VLStringWithFormat("Object %llu starts at %llu, outside the objects", reference, offset));

    Object object;
    object.reference = reference;
    const uint8_t marker = _bytes[offset];
    size_t position = size_t(offset) + 1;
    const auto unknownMarker = [&] {
        fail(VLStringWithFormat("Object %llu has the unknown marker 0x%02x", reference, unsigned(marker)));
    };
    // Scalars have their value behind the marker; the others a count, then a payload of units.
    uint64_t unit = 0;
    switch (marker >> 4) {
    case 0x0:
        if (marker != 0x00 && marker != 0x08 && marker != 0x09)
            unknownMarker();
        object.kind = marker == 0x00 ? Kind::Null : Kind::Boolean;
        object.boolean = marker == 0x09;
        return object;
    case 0x1:
        object.kind = Kind::Integer;
        break;
    case 0x2:
        object.kind = Kind::Real;
        break;
    case 0x3:
        if (marker != 0x33)
            unknownMarker();
        object.kind = Kind::Date;
        break;
    case 0x8:
        object.kind = Kind::UID;
        break;
    case 0x4:
        object.kind = Kind::Data;
        unit = 1;
        break;
    case 0x5:
        object.kind = Kind::String;
        unit = 1;
        break;
    case 0x6:
        object.kind = Kind::String;
        object.isUTF16 = true;
        unit = 2;
        break;
    case 0xA:
        object.kind = Kind::Array;
        unit = _referenceSize;
        break;
    case 0xB:
    case 0xC:
        fail(VLStringWithFormat("Object %llu is a set, which isn't supported", reference));
    case 0xD:
        object.kind = Kind::Dictionary;
        unit = 2 * uint64_t(_referenceSize);
        break;
    default:
        unknownMarker();
    }
    if (unit == 0) {
        readScalar(object, marker, position);
        return object;
    }
    object.count = readCount(reference, marker, position);
    object.start = position;
    checkPayload(object, unit);
    return object;
}

void VLBinaryPropertyListReader::checkContainerIndex(const Object& container, Kind kind,
                                                     uint64_t index) const {
    if (container.kind != kind || index >= container.count)
        fail(VLStringWithFormat("Object %llu has no element %llu", container.reference, index));
}

uint64_t VLBinaryPropertyListReader::element(const Object& array, uint64_t index) const {
    checkContainerIndex(array, Kind::Array, index);
    return readReference(array.start + index * _referenceSize, array.reference);
}

uint64_t VLBinaryPropertyListReader::key(const Object& dictionary, uint64_t index) const {
    checkContainerIndex(dictionary, Kind::Dictionary, index);
    return readReference(dictionary.start + index * _referenceSize, dictionary.reference);
}

uint64_t VLBinaryPropertyListReader::value(const Object& dictionary, uint64_t index) const {
    checkContainerIndex(dictionary, Kind::Dictionary, index);
    return readReference(dictionary.start + (dictionary.count + index) * _referenceSize,
                         dictionary.reference);
}

std::optional<uint64_t> VLBinaryPropertyListReader::find(const Object& dictionary,
                                                         std::string_view name) const {
    for (uint64_t i = 0; i < dictionary.count; ++i) {
        const Object candidate = object(key(dictionary, i));
        if (candidate.kind == Kind::String && stringEquals(candidate, name))
            return value(dictionary, i);
    }
    return std::nullopt;
}

bool VLBinaryPropertyListReader::stringEquals(const Object& string, std::string_view ascii) const {
    if (string.kind != Kind::String || string.count != ascii.size())
        return false;
    const uint8_t* bytes = _bytes.data() + string.start;
    for (size_t i = 0; i < ascii.size(); ++i) {
        const unsigned unit = string.isUTF16 ? (unsigned(bytes[2 * i]) << 8) | bytes[2 * i + 1] : bytes[i];
        if (unit != static_cast<unsigned char>(ascii[i]))
            return false;
    }
    return true;
}

std::string VLBinaryPropertyListReader::string(const Object& string) {
    if (string.kind != Kind::String)
        fail(VLStringWithFormat("Object %llu isn't a string", string.reference));
    const auto* bytes = reinterpret_cast<const char*>(_bytes.data() + string.start);
    if (!string.isUTF16) {
        const std::string_view text(bytes, size_t(string.count));
        if (!VLIsASCII(text))
            fail(VLStringWithFormat("Object %llu is an ASCII string with a byte above 0x7F",
                                    string.reference));
        chargeText(text.size());
        return std::string(text);
    }
    std::u16string units(size_t(string.count), u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t((unsigned(static_cast<unsigned char>(bytes[2 * i])) << 8) |
                            static_cast<unsigned char>(bytes[2 * i + 1]));
    std::string text = VLUTF8FromUTF16(units);
    chargeText(text.size());
    return text;
}

std::span<const uint8_t> VLBinaryPropertyListReader::data(const Object& data) const {
    if (data.kind != Kind::Data)
        fail(VLStringWithFormat("Object %llu isn't data", data.reference));
    return _bytes.subspan(data.start, size_t(data.count));
}

void VLBinaryPropertyListReader::chargeText(size_t length) {
    if (length > _textBudget)
        fail(VLStringWithFormat("The texts of the property list come to more than %zu bytes",
                                kTextBudgetBase + kTextBudgetFactor * _bytes.size()));
    _textBudget -= length;
}
