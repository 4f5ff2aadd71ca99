#include "geo/CoordinateText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "geo/GeoPoint.h"

namespace hfp {

std::string FormatCoordinateText(int32_t geo) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d", geo / 360000, (geo % 360000) / 6000,
                  (geo % 6000) / 100, geo % 100);
    return text;
}

std::string FormatDegrees(int32_t geo) {
    char text[32];
    auto result =
        std::to_chars(text, text + sizeof text, GeoToDegrees(geo), std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

namespace {

enum class Symbol { Digit, Dot, Degree, Minute, Second };

struct Token {
    Symbol symbol;
    char digit;
};

struct Mark {
    std::string_view bytes;
    Symbol symbol;
};

// The marks in UTF-8, and the single byte 0xDF that older files use for the degree sign.
constexpr Mark kMarks[] = {
    {"\xE5\xBA\xA6", Symbol::Degree},  // 度
    {"\xC2\xB0", Symbol::Degree},      // °
    {"\xDF", Symbol::Degree},
    {"\xE5\x88\x86", Symbol::Minute},  // 分
    {"\xE2\x80\xB2", Symbol::Minute},  // ′
    {"'", Symbol::Minute},
    {"\xE7\xA7\x92", Symbol::Second},  // 秒
    {"\xE2\x80\xB3", Symbol::Second},  // ″
    {"\"", Symbol::Second},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool Tokenize(std::string_view text, std::vector<Token>* tokens) {
    while (!text.empty()) {
        char c = text.front();
        if (c >= '0' && c <= '9') {
            tokens->push_back({Symbol::Digit, c});
            text.remove_prefix(1);
            continue;
        }
        if (c == '.') {
            tokens->push_back({Symbol::Dot, 0});
            text.remove_prefix(1);
            continue;
        }
        bool matched = false;
        for (const Mark& mark : kMarks) {
            if (text.starts_with(mark.bytes)) {
                tokens->push_back({mark.symbol, 0});
                text.remove_prefix(mark.bytes.size());
                matched = true;
                break;
            }
        }
        if (!matched) return false;
    }
    return true;
}

// The decimal value of the digit tokens in [begin, end); saturates far above any valid
// coordinate so that long digit runs cannot overflow.
int64_t Number(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) {
    int64_t v = 0;
    for (std::size_t i = begin; i < end && i < tokens.size(); ++i) {
        if (tokens[i].symbol != Symbol::Digit) return 0;
        if (v < 1'000'000'000'000LL) v = v * 10 + (tokens[i].digit - '0');
    }
    return v;
}

std::size_t Find(const std::vector<Token>& tokens, Symbol symbol) {
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].symbol == symbol) return i;
    return tokens.size();
}

int64_t ParseDecimal(const std::vector<Token>& tokens) {
    std::size_t dot = Find(tokens, Symbol::Dot);
    int64_t degrees = Number(tokens, 0, dot);
    std::string fraction = "0.";
    for (std::size_t i = dot + 1; i < tokens.size(); ++i)
        fraction += tokens[i].digit;
    double f = std::strtod(fraction.c_str(), nullptr);
    double m = f * 60;
    double wholeMinutes = std::trunc(m);
    return degrees * 360000 + static_cast<int64_t>(wholeMinutes) * 6000 +
           static_cast<int64_t>(std::trunc((m - wholeMinutes) * 60 * 100));
}

int64_t ParsePacked(const std::vector<Token>& tokens, bool longitudeMode) {
    std::size_t d = longitudeMode ? 3 : 2;
    int64_t degrees = Number(tokens, 0, d);
    int64_t minutes = Number(tokens, d, d + 2);
    int64_t seconds = Number(tokens, d + 2, d + 4);
    int64_t hundredths = Number(tokens, d + 4, d + 6);
    return ((degrees * 60 + minutes) * 60 + seconds) * 100 + hundredths;
}

// -1 when the marks are out of order.
int64_t ParseMarked(const std::vector<Token>& tokens) {
    std::size_t deg = Find(tokens, Symbol::Degree);
    std::size_t min = Find(tokens, Symbol::Minute);
    std::size_t sec = Find(tokens, Symbol::Second);
    if (!(deg < min && min < sec)) return -1;
    return Number(tokens, 0, deg) * 360000 + Number(tokens, deg + 1, min) * 6000 +
           Number(tokens, min + 1, sec) * 100 + Number(tokens, sec + 1, sec + 3);
}

}  // namespace

int32_t ParseCoordinateText(std::string_view text, bool longitudeMode) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);

    std::vector<Token> tokens;
    if (!Tokenize(text, &tokens)) return -1;
    int dots = 0, degrees = 0, minutes = 0, seconds = 0;
    for (const Token& t : tokens) {
        dots += t.symbol == Symbol::Dot;
        degrees += t.symbol == Symbol::Degree;
        minutes += t.symbol == Symbol::Minute;
        seconds += t.symbol == Symbol::Second;
    }
    const bool marks = degrees + minutes + seconds > 0;

    int64_t value;
    if (dots > 0) {
        if (dots != 1 || marks) return -1;
        value = ParseDecimal(tokens);
    } else if (degrees == 0) {
        if (marks) return -1;
        value = ParsePacked(tokens, longitudeMode);
    } else {
        if (degrees != 1 || minutes != 1 || seconds != 1) return -1;
        value = ParseMarked(tokens);
        if (value < 0) return -1;
    }

    int64_t wholeDegrees = value / 360000;
    if (longitudeMode ? (wholeDegrees < 122 || wholeDegrees > 153)
                      : (wholeDegrees < 20 || wholeDegrees > 45))
        return -1;
    return static_cast<int32_t>(value);
}

}  // namespace hfp
