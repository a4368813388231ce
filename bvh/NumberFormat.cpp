#include "bvh/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "bvh/DecimalConversion.h"

namespace bvh {

namespace {

char* copyText(char* first, const char* text) noexcept {
    const std::size_t n = std::strlen(text);
    std::memcpy(first, text, n);
    return first + n;
}

/// The values of a motion capture (angles, lengths) almost all lie between 1e-4 and 1e6,
/// where "%g" writes six significant digits in fixed notation. Rounding a * 10^(5-e) to an
/// integer gives those digits exactly, because the one multiplication (by an exact power of
/// ten) errs by less than 1.2e-10: unless the fraction lies within 1e-9 of one half, the true
/// value rounds the same way. Returns null for everything it does not settle (ties, a result
/// that rounds up into the next decade, values outside the range) so that the general
/// conversion handles them.
char* formatFixedSixDigits(char* first, double value) noexcept {
    static constexpr double kPowers[] = {1e-4, 1e-3, 1e-2, 1e-1, 1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    static constexpr double kScales[] = {1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 1e1, 1};
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e6)) return nullptr;
    int exponent = 5;  // decimal exponent of the leading digit
    while (magnitude < kPowers[exponent + 4]) --exponent;
    const double scaled = magnitude * kScales[exponent + 4];
    if (scaled < 100000.0 || scaled >= 999999.5 - 1e-9) return nullptr;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-9) return nullptr;
    std::uint32_t digits = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u);

    char text[6];
    for (int i = 5; i >= 0; --i) {
        text[i] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    int last = 5;  // the last digit that is written: trailing zeros of the fraction go
    const int pointAfter = exponent;  // index of the last digit before the point, if >= 0
    while (last > pointAfter && last > 0 && text[last] == '0') --last;

    char* at = first;
    if (value < 0) *at++ = '-';
    if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i) *at++ = text[i];
        if (last > exponent) {
            *at++ = '.';
            for (int i = exponent + 1; i <= last; ++i) *at++ = text[i];
        }
    } else {
        *at++ = '0';
        *at++ = '.';
        for (int i = -1; i > exponent; --i) *at++ = '0';
        for (int i = 0; i <= last; ++i) *at++ = text[i];
    }
    return at;
}

}  // namespace

char* formatNumber(char* first, double value) noexcept {
    // printf spells these "nan"/"-nan"; the sign of a NaN carries no meaning in a file.
    if (std::isnan(value)) return copyText(first, "nan");
    if (std::isinf(value)) return copyText(first, value < 0 ? "-inf" : "inf");
    if (char* end = formatFixedSixDigits(first, value)) return end;
    return writeGeneralDecimal(first, first + kMaxNumberChars, value);
}

std::string formatNumber(double value) {
    char buffer[kMaxNumberChars];
    return std::string(buffer, formatNumber(buffer, value));
}

char* formatInteger(char* first, long long value) noexcept {
    return std::to_chars(first, first + kMaxIntegerChars, value).ptr;
}

}  // namespace bvh
