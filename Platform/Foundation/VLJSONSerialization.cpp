#include "Platform/Foundation/VLJSONSerialization.h"

#include "Platform/Foundation/VLNumberFormat.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

namespace {

using json = nlohmann::json;

void setError(VLErrorRef* error, std::string description) {
    if (error)
        *error = VLError::make(VLCocoaErrorDomain, VLJSONErrorCode,
                               VLDictionary{{VLLocalizedDescriptionKey, VLValue(std::move(description))}});
}

// nlohmann's messages start with a bracketed identifier that says nothing to a reader, and quote the
// token last read, which may be as long as the input: keep the message short and whole UTF-8.
std::string readableParserMessage(const char* message) {
    constexpr size_t kMaximumLength = 300;
    std::string_view text(message);
    if (text.starts_with("[json.exception.")) {
        size_t end = text.find("] ");
        if (end != std::string_view::npos)
            text.remove_prefix(end + 2);
    }
    if (text.size() <= kMaximumLength)
        return std::string(text);
    text = text.substr(0, kMaximumLength);
    return std::string(text.substr(0, VLValidUTF8PrefixLength(text))) + "…";
}

// Builds the value from nlohmann's parse events. The parser keeps its own nesting on the heap, and
// so does this builder, so deep input costs memory, never stack; the depth bound caps the memory.
class ValueBuilder {
public:
    explicit ValueBuilder(const VLJSONReadingOptions& options) : _options(options) {}

    VLValue takeResult() { return std::move(_result); }
    const std::string& failure() const { return _failure; }

    bool null() { return add(VLValue::null()); }
    bool boolean(bool value) { return add(VLValue(value)); }
    bool number_integer(json::number_integer_t value) { return add(VLValue(int64_t(value))); }
    bool number_unsigned(json::number_unsigned_t value) {
        if (value > uint64_t(std::numeric_limits<int64_t>::max()))
            return add(VLValue(double(value)));
        return add(VLValue(int64_t(value)));
    }
    bool number_float(json::number_float_t value, const std::string&) { return add(VLValue(double(value))); }
    bool string(std::string& value) { return add(VLValue(std::move(value))); }
    bool binary(json::binary_t&) { return fail("The JSON text holds binary data"); }

    bool start_object(size_t) { return open(true); }
    bool key(std::string& key) {
        _frames.back().key = std::move(key);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(size_t) { return open(false); }
    bool end_array() { return close(); }

    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception& exception) {
        return fail("The JSON text is not valid: " + readableParserMessage(exception.what()));
    }

private:
    struct Frame {
        bool isObject;
        VLArray array;
        VLDictionary dictionary;
        std::string key;
    };

    VLJSONReadingOptions _options;
    std::vector<Frame> _frames;
    VLValue _result;
    std::string _failure;

    bool fail(std::string message) {
        if (_failure.empty())
            _failure = std::move(message);
        return false;
    }

    bool add(VLValue value) {
        if (_frames.empty()) {
            if (!value.isArray() && !value.isDictionary() && !_options.fragmentsAllowed)
                return fail("The JSON text's top level is neither an array nor an object, and fragments "
                            "are not allowed");
            _result = std::move(value);
        } else if (Frame& frame = _frames.back(); frame.isObject) {
            frame.dictionary.set(std::move(frame.key), std::move(value));
        } else {
            frame.array.push_back(std::move(value));
        }
        return true;
    }

    bool open(bool isObject) {
        if (_frames.size() >= _options.maximumDepth)
            return fail(VLStringWithFormat("The JSON text nests arrays and objects deeper than %zu levels",
                                           _options.maximumDepth));
        _frames.push_back(Frame{isObject, {}, {}, {}});
        return true;
    }

    bool close() {
        Frame frame = std::move(_frames.back());
        _frames.pop_back();
        return add(frame.isObject ? VLValue(std::move(frame.dictionary)) : VLValue(std::move(frame.array)));
    }
};

// Writes compact JSON; stops at the first value that JSON cannot hold and says why.
class JSONWriter {
public:
    explicit JSONWriter(const VLJSONWritingOptions& options) : _options(options) {}

    bool write(const VLValue& value, size_t depth) {
        switch (value.type()) {
        case VLValue::Type::Nil:
            return substituteOrFail(value, depth, "Invalid type in JSON write (nil)");
        case VLValue::Type::Null:
            _text += "null";
            return true;
        case VLValue::Type::Bool:
            _text += value.boolValue() ? "true" : "false";
            return true;
        case VLValue::Type::Integer:
            return writeInteger(value.integerValue());
        case VLValue::Type::Double:
            return writeDouble(value, depth);
        case VLValue::Type::String:
            return writeString(value.stringValue());
        case VLValue::Type::Data:
            if (_options.writesDataAsByteArrays)
                return writeByteArray(value.dataValue());
            return substituteOrFail(value, depth, "Invalid type in JSON write (data)");
        case VLValue::Type::Date:
            return substituteOrFail(value, depth, "Invalid type in JSON write (date)");
        case VLValue::Type::Array:
            return writeArray(value.arrayValue(), depth + 1);
        case VLValue::Type::Dictionary:
            return writeDictionary(value.dictionaryValue(), depth + 1);
        }
        return false;
    }

    std::string& text() { return _text; }
    const std::string& failure() const { return _failure; }

private:
    VLJSONWritingOptions _options;
    std::string _text;
    std::string _failure;
    bool _substituting = false;

    bool fail(std::string message) {
        _failure = std::move(message);
        return false;
    }

    // The caller's substitute is asked once: what it returns is written without asking again.
    bool substituteOrFail(const VLValue& value, size_t depth, std::string message) {
        if (!_options.substitute || _substituting)
            return fail(std::move(message));
        const VLValue substitute = _options.substitute(value);
        _substituting = true;
        const bool written = write(substitute, depth);
        _substituting = false;
        return written;
    }

    bool writeInteger(int64_t value) {
        char buffer[24];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        _text.append(buffer, result.ptr);
        return true;
    }

    bool writeDouble(const VLValue& number, size_t depth) {
        const double value = number.doubleValue();
        if (std::isnan(value))
            return substituteOrFail(number, depth, "Invalid number value (NaN) in JSON write");
        if (std::isinf(value))
            return substituteOrFail(number, depth, "Invalid number value (infinite) in JSON write");
        _text += VLNumberFormat::shortest(value);
        return true;
    }

    bool writeString(std::string_view text) {
        if (!VLIsValidUTF8(text))
            return fail("Invalid string in JSON write (not UTF-8)");
        _text += '"';
        for (char c : text)
            appendEscaped(c);
        _text += '"';
        return true;
    }

    void appendEscaped(char c) {
        switch (c) {
        case '"':
            _text += "\\\"";
            return;
        case '\\':
            _text += "\\\\";
            return;
        case '\n':
            _text += "\\n";
            return;
        case '\r':
            _text += "\\r";
            return;
        case '\t':
            _text += "\\t";
            return;
        case '\b':
            _text += "\\b";
            return;
        case '\f':
            _text += "\\f";
            return;
        default:
            if (uint8_t(c) < 0x20)
                _text += VLStringWithFormat("\\u%04x", unsigned(uint8_t(c)));
            else
                _text += c;
        }
    }

    bool enter(size_t depth) {
        if (depth > _options.maximumDepth)
            return fail(VLStringWithFormat("Invalid nesting in JSON write (deeper than %zu levels)",
                                           _options.maximumDepth));
        return true;
    }

    bool writeArray(const VLArray& array, size_t depth) {
        if (!enter(depth))
            return false;
        _text += '[';
        for (size_t index = 0; index < array.size(); ++index) {
            if (index > 0)
                _text += ',';
            if (!write(array[index], depth))
                return false;
        }
        _text += ']';
        return true;
    }

    bool writeByteArray(const VLData& bytes) {
        _text += '[';
        for (size_t index = 0; index < bytes.size(); ++index) {
            if (index > 0)
                _text += ',';
            writeInteger(bytes[index]);
        }
        _text += ']';
        return true;
    }

    bool writeDictionary(const VLDictionary& dictionary, size_t depth) {
        if (!enter(depth))
            return false;
        _text += '{';
        bool first = true;
        for (const auto& [key, value] : dictionary) {
            if (!first)
                _text += ',';
            first = false;
            if (!writeString(key))
                return false;
            _text += ':';
            if (!write(value, depth))
                return false;
        }
        _text += '}';
        return true;
    }
};

} // namespace

VLValue VLJSONSerialization::JSONObjectWithData(std::string_view text, const VLJSONReadingOptions& options,
                                                VLErrorRef* error) {
    size_t validLength = VLValidUTF8PrefixLength(text);
    if (validLength != text.size()) {
        setError(error, VLStringWithFormat("The JSON text is not valid UTF-8 (at byte %zu)", validLength));
        return VLValue();
    }
    // The parser takes a NUL byte for the end of the text and would ignore whatever follows it; JSON
    // has no place for one outside a string, and inside a string it must be escaped.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos) {
        setError(error,
                 VLStringWithFormat("The JSON text is not valid: it holds a NUL byte (at byte %zu)", nul));
        return VLValue();
    }
    ValueBuilder builder(options);
    try {
        if (json::sax_parse(text.begin(), text.end(), &builder))
            return builder.takeResult();
        setError(error,
                 builder.failure().empty() ? std::string("The JSON text is not valid") : builder.failure());
    } catch (const std::exception& exception) {
        setError(error, "The JSON text could not be read: " + readableParserMessage(exception.what()));
    }
    return VLValue();
}

std::optional<std::string> VLJSONSerialization::dataWithJSONObject(const VLValue& object,
                                                                   const VLJSONWritingOptions& options,
                                                                   VLErrorRef* error) {
    if (!options.fragmentsAllowed && !object.isArray() && !object.isDictionary()) {
        setError(error, "Invalid top-level type in JSON write");
        return std::nullopt;
    }
    JSONWriter writer(options);
    if (!writer.write(object, 0)) {
        setError(error, writer.failure());
        return std::nullopt;
    }
    return std::move(writer.text());
}
