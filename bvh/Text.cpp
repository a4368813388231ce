#include "bvh/Text.h"

#include <cctype>
#include <cmath>

#include "bvh/DecimalConversion.h"

namespace bvh {

void splitBlanks(std::string_view text, std::vector<std::string_view>& tokens,
                 std::size_t maxTokens) {
    tokens.clear();
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && tokens.size() < maxTokens) {
        while (p < end && *p == ' ') ++p;
        const char* start = p;
        while (p < end && *p != ' ') ++p;
        if (p > start) tokens.emplace_back(start, static_cast<std::size_t>(p - start));
    }
}

std::string clippedForMessage(std::string_view text) {
    constexpr std::size_t kMost = 64;
    if (text.size() <= kMost) return std::string(text);
    return std::string(text.substr(0, kMost)) + "...";
}

std::string_view lastBlankToken(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    std::size_t start = end;
    while (start > 0 && text[start - 1] != ' ') --start;
    return text.substr(start, end - start);
}

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Hexadecimal notation with its "0x" prefix, which readUnsignedDecimal leaves to this.
double parseHex(const char* p, const char* end, bool negative) {
    double value = 0.0;
    bool any = false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (; p < end && digit(*p) >= 0; ++p, any = true) value = value * 16 + digit(*p);
    if (p < end && *p == '.') {
        ++p;
        double scale = 1.0 / 16;
        for (; p < end && digit(*p) >= 0; ++p, any = true, scale /= 16) value += digit(*p) * scale;
    }
    if (!any) return 0.0;
    if (p < end && (*p == 'p' || *p == 'P')) {
        const char* q = p + 1;
        bool expNegative = false;
        if (q < end && (*q == '+' || *q == '-')) expNegative = *q++ == '-';
        if (q < end && *q >= '0' && *q <= '9') {
            long exponent = 0;
            for (; q < end && *q >= '0' && *q <= '9'; ++q)
                if (exponent < 100000) exponent = exponent * 10 + (*q - '0');
            value = std::ldexp(value, static_cast<int>(expNegative ? -exponent : exponent));
        }
    }
    return negative ? -value : value;
}

}  // namespace

double parseDouble(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && isSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // A second sign ("--5", "+-7") leaves no number, as for atof.
    if (p < end && (*p == '+' || *p == '-')) return 0.0;
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        const char* digits = p + 2;
        bool hasDigit = digits < end && (std::isxdigit(static_cast<unsigned char>(*digits)) ||
                                         (*digits == '.' && digits + 1 < end &&
                                          std::isxdigit(static_cast<unsigned char>(digits[1]))));
        if (hasDigit) return parseHex(digits, end, negative);
        return negative ? -0.0 : 0.0;  // "0x" alone reads as the 0 before the x
    }
    double value = 0.0;
    if (!readUnsignedDecimal(p, end, value)) return 0.0;
    return negative ? -value : value;
}

bool isBlankLine(std::string_view line) {
    for (char c : line)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

}  // namespace bvh
