#include "Platform/Foundation/VLStringWithFormat.h"

#include "Platform/Foundation/VLUnicode.h"

#include <cstdio>
#include <cstring>

namespace {

template <typename T>
std::string printfText(const std::string& directive, T value) {
    char small[128];
    int length = std::snprintf(small, sizeof small, directive.c_str(), value);
    if (length < 0)
        return {};
    if (size_t(length) < sizeof small)
        return std::string(small, size_t(length));
    std::string large(size_t(length) + 1, '\0');
    std::snprintf(large.data(), large.size(), directive.c_str(), value);
    large.resize(size_t(length));
    return large;
}

bool isFlag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '\'';
}

// Skips "{public}" or "{private}" right after the '%'; any other brace is left as text.
size_t skipPrivacyAnnotation(std::string_view format, size_t i) {
    for (std::string_view annotation : {std::string_view("{public}"), std::string_view("{private}")}) {
        if (format.substr(i, annotation.size()) == annotation)
            return i + annotation.size();
    }
    return i;
}

// Reads a length modifier; they only say how wide the caller's value was, which the argument knows.
size_t skipLengthModifier(std::string_view format, size_t i) {
    while (i < format.size() && std::strchr("hlqzjtL", format[i]) != nullptr)
        ++i;
    return i;
}

std::string convert(char conversion, const std::string& flagsWidthPrecision,
                    const VLFormatArgument& argument) {
    std::string directive = "%" + flagsWidthPrecision;
    switch (conversion) {
    case 'd':
    case 'i':
    case 'D':
        return printfText(directive + "lld", (long long)argument.asSigned());
    case 'u':
    case 'U':
    case 'x':
    case 'X':
    case 'o':
    case 'O': {
        char lower = char(conversion == 'U' ? 'u' : conversion == 'O' ? 'o' : conversion);
        return printfText(directive + "ll" + lower, (unsigned long long)argument.asUnsigned());
    }
    case 'c':
    case 'C':
        return printfText(directive + "c", int(argument.asSigned()));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return printfText(directive + conversion, argument.asDouble());
    case 'p':
        return printfText(directive + "p", argument.asPointer());
    case 's':
    case 'S':
        return printfText(directive + "s", argument.asCString().c_str());
    case '@':
        if (flagsWidthPrecision.empty())
            return argument.asObjectDescription();
        return printfText(directive + "s", argument.asObjectDescription().c_str());
    default:
        return {};
    }
}

} // namespace

int64_t VLFormatArgument::asSigned() const {
    if (auto* i = std::get_if<int64_t>(&_value))
        return *i;
    if (auto* u = std::get_if<uint64_t>(&_value))
        return int64_t(*u);
    if (auto* d = std::get_if<double>(&_value))
        return VLValue(*d).integerValue();
    if (auto* v = std::get_if<VLValue>(&_value))
        return v->integerValue();
    return int64_t(reinterpret_cast<intptr_t>(std::get<const void*>(_value)));
}

uint64_t VLFormatArgument::asUnsigned() const {
    return uint64_t(asSigned());
}

double VLFormatArgument::asDouble() const {
    if (auto* i = std::get_if<int64_t>(&_value))
        return double(*i);
    if (auto* u = std::get_if<uint64_t>(&_value))
        return double(*u);
    if (auto* d = std::get_if<double>(&_value))
        return *d;
    if (auto* v = std::get_if<VLValue>(&_value))
        return v->doubleValue();
    return 0;
}

std::string VLFormatArgument::asObjectDescription() const {
    if (auto* i = std::get_if<int64_t>(&_value))
        return std::to_string(*i);
    if (auto* u = std::get_if<uint64_t>(&_value))
        return std::to_string(*u);
    if (auto* d = std::get_if<double>(&_value))
        return VLValue(*d).description();
    if (auto* v = std::get_if<VLValue>(&_value))
        return v->description();
    return printfText("%p", std::get<const void*>(_value));
}

std::string VLFormatArgument::asCString() const {
    if (auto* v = std::get_if<VLValue>(&_value))
        return v->isNil() ? "(null)" : v->isString() ? v->stringValue() : v->description();
    return asObjectDescription();
}

const void* VLFormatArgument::asPointer() const {
    if (auto* p = std::get_if<const void*>(&_value))
        return *p;
    return reinterpret_cast<const void*>(intptr_t(asSigned()));
}

std::string VLStringWithFormatArguments(std::string_view format,
                                        std::span<const VLFormatArgument> arguments) {
    static const VLFormatArgument missing{nullptr};
    std::string out;
    out.reserve(format.size() + 16 * arguments.size());
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        size_t j = i + 1;
        // The system log's privacy annotation ("%{public}s"): everything here is printed alike.
        j = skipPrivacyAnnotation(format, j);
        const size_t flagsStart = j;
        while (j < format.size() && isFlag(format[j]))
            ++j;
        while (j < format.size() && VLIsASCIIDigit(format[j]))
            ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && VLIsASCIIDigit(format[j]))
                ++j;
        }
        std::string flagsWidthPrecision(format.substr(flagsStart, j - flagsStart));
        j = skipLengthModifier(format, j);
        if (j >= format.size() || std::strchr("diDuUxXoOcCfFeEgGaApsS@", format[j]) == nullptr) {
            // Not a conversion: keep the text as written.
            out.append(format.substr(i, j - i));
            i = j;
            continue;
        }
        const VLFormatArgument& argument = next < arguments.size() ? arguments[next] : missing;
        ++next;
        out += convert(format[j], flagsWidthPrecision, argument);
        i = j + 1;
    }
    return out;
}
