// Reading a CSS font shorthand into its parts.

#include "Modules/Canvas/Text/VLFontDescriptor.h"

#include "Platform/Foundation/VLScanner.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cmath>

namespace {

// Walks the font text; white space is skipped only where the grammar says so.
class FontTextReader {
public:
    explicit FontTextReader(std::string_view text) : _text(text) {}

    bool isAtEnd() const { return _position >= _text.size(); }
    char peek() const { return _text[_position]; }
    void advance() { ++_position; }
    std::string_view rest() const { return _text.substr(_position); }

    void skipWhitespace() {
        while (size_t length = VLWhitespaceAndNewlineLength(_text, _position))
            _position += length;
    }

    // A decimal number (sign, digits, point, exponent) starting here; nothing, and no move, otherwise.
    std::optional<double> number() {
        VLScanner scanner(rest());
        double value = 0;
        if (!scanner.scanDouble(value))
            return std::nullopt;
        _position += scanner.location();
        return value;
    }

    // The run of letters starting here, lower-cased.
    std::string letters() { return take(VLLetterRunLength(_text, _position)); }

    // The characters up to the next white space, lower-cased.
    std::string word() {
        size_t end = _position;
        while (end < _text.size() && VLWhitespaceAndNewlineLength(_text, end) == 0)
            ++end;
        return take(end - _position);
    }

    // Skips the characters up to the next white space.
    void skipWord() { word(); }

private:
    std::string take(size_t length) {
        std::string taken = VLASCIILowercaseString(_text.substr(_position, length));
        _position += length;
        return taken;
    }

    std::string_view _text;
    size_t _position = 0;
};

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

enum class Token { Size, Continue, Fail };

// A number token: a size in px or pt ends the prefix; a bare integer from 1 to 1000 is a weight.
Token readNumber(double number, const std::string& unit, int32_t& weight, float& size) {
    if (unit == "px" || unit == "pt") {
        size = float(unit == "px" ? number : number * 4 / 3);
        return Token::Size;
    }
    if (unit.empty() && number >= 1 && number <= 1000 && std::trunc(number) == number) {
        weight = int32_t(number);
        return Token::Continue;
    }
    return Token::Fail;
}

// A keyword of the font's style, weight, variant or stretch.
Token readKeyword(const std::string& word, bool& italic, int32_t& weight) {
    if (word == "italic" || word == "oblique")
        italic = true;
    else if (word == "bold" || word == "bolder")
        weight = 700;
    else if (word == "lighter")
        weight = 300;
    else if (word != "normal" && word != "small-caps" && !endsWith(word, "condensed") &&
             !endsWith(word, "expanded"))
        return Token::Fail;
    return Token::Continue;
}

// The families after the size: split on commas, quotes and blanks trimmed, empty ones dropped.
std::vector<std::string> familyList(std::string_view text) {
    constexpr std::string_view kTrimmed = " \t\n\"'";
    std::vector<std::string> families;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        std::string_view family = text.substr(start, comma - start);
        const size_t first = family.find_first_not_of(kTrimmed);
        if (first != std::string_view::npos)
            families.emplace_back(family.substr(first, family.find_last_not_of(kTrimmed) - first + 1));
        start = comma + 1;
    }
    return families;
}

} // namespace

bool VLFontDescriptor::parseCSSFont(std::string_view font, bool& italic, int32_t& weight, float& size,
                                    std::vector<std::string>& families) {
    FontTextReader reader(font);
    reader.skipWhitespace();
    if (reader.isAtEnd())
        return false;
    bool parsedItalic = false;
    int32_t parsedWeight = 400;
    float parsedSize = 0;
    for (;;) {
        Token token;
        if (std::optional<double> number = reader.number())
            token = readNumber(*number, reader.letters(), parsedWeight, parsedSize);
        else
            token = readKeyword(reader.word(), parsedItalic, parsedWeight);
        if (token == Token::Fail)
            return false;
        if (token == Token::Size)
            break;
        reader.skipWhitespace();
        if (reader.isAtEnd())
            return false;
    }
    // Decimal numbers alone never give NaN, but a huge one gives infinity.
    if (!(parsedSize > 0) || !std::isfinite(parsedSize))
        return false;
    reader.skipWhitespace();
    if (!reader.isAtEnd() && reader.peek() == '/') {
        reader.advance();
        reader.skipWhitespace();
        reader.skipWord();
    }
    italic = parsedItalic;
    weight = parsedWeight;
    size = parsedSize;
    families = familyList(reader.rest());
    return true;
}
