#include "bvh/DecimalConversion.h"

#ifndef BVHIO_NUMBER_FALLBACK
#error "the build sets BVHIO_NUMBER_FALLBACK: 0 for std::from_chars/to_chars, 1 for the C library"
#endif

#if BVHIO_NUMBER_FALLBACK
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#if defined(_WIN32)
#include <locale.h>
#include <stdlib.h>
#elif defined(__APPLE__)
#include <xlocale.h>
#else
#include <locale.h>
#endif
#else
#include <charconv>
#include <limits>
#endif

namespace bvh {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

#if BVHIO_NUMBER_FALLBACK

#if defined(_WIN32)

_locale_t cLocale() {
    static const _locale_t locale = _create_locale(LC_ALL, "C");
    return locale;
}

double readInCLocale(const char* text, char** stop) { return _strtod_l(text, stop, cLocale()); }

int printInCLocale(char* out, std::size_t size, double value) {
    return _sprintf_s_l(out, size, "%g", cLocale(), value);
}

#else

/// Makes the calling thread read and write numbers as in the "C" locale while it lives,
/// whatever locale the host has set; the thread's own locale comes back afterwards.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t cLocale() {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
        return locale;
    }
    locale_t previous_;
};

double readInCLocale(const char* text, char** stop) {
    const CLocaleScope scope;
    return std::strtod(text, stop);
}

int printInCLocale(char* out, std::size_t size, double value) {
    const CLocaleScope scope;
    return std::snprintf(out, size, "%g", value);
}

#endif

// Characters that can belong to a number strtod reads: digits, the point, an exponent and its
// sign, the letters of inf, infinity and nan and the characters of nan(...).
bool mayBelongToNumber(char c) {
    return isDigit(c) || isLetter(c) || c == '.' || c == '+' || c == '-' || c == '(' || c == ')' ||
           c == '_';
}

bool readNumber(const char* first, const char* last, double& value) {
    // strtod needs a terminated text; numbers are short, so a copy on the stack almost always.
    std::size_t length = 0;
    while (first + length < last && mayBelongToNumber(first[length])) ++length;
    char small[64];
    std::string large;
    const char* text = small;
    if (length < sizeof small) {
        std::memcpy(small, first, length);
        small[length] = '\0';
    } else {
        large.assign(first, length);
        text = large.c_str();
    }
    char* stop = nullptr;
    const double read = readInCLocale(text, &stop);
    if (stop == text) return false;
    value = read;
    return true;
}

char* writeNumber(char* first, char* last, double value) noexcept {
    char text[32];
    const int length = printInCLocale(text, sizeof text, value);
    if (length <= 0 || length > last - first) return first;
    std::memcpy(first, text, static_cast<std::size_t>(length));
    return first + length;
}

#else

// Decimal exponent of the first significant digit of a decimal number in [p, end) (the
// number 1 has 1, 0.01 has -1); only its sign matters to tell overflow from underflow.
long decimalMagnitude(const char* p, const char* end) {
    long magnitude = 0;
    bool significant = false;
    for (; p < end && isDigit(*p); ++p) {
        if (*p != '0') significant = true;
        if (significant && magnitude < 100000) ++magnitude;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p) {
            if (significant) continue;
            if (*p != '0')
                significant = true;
            else if (magnitude > -100000)
                --magnitude;
        }
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
        long exponent = 0;
        for (; p < end && isDigit(*p); ++p)
            if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

bool readNumber(const char* first, const char* last, double& value) {
    double read = 0.0;
    const auto result = std::from_chars(first, last, read, std::chars_format::general);
    if (result.ec == std::errc()) {
        value = read;
        return true;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: strtod gives HUGE_VAL or zero.
        value =
            decimalMagnitude(first, result.ptr) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return true;
    }
    return false;
}

char* writeNumber(char* first, char* last, double value) noexcept {
    // The general format with an explicit precision is defined as printf's %g in the C locale.
    return std::to_chars(first, last, value, std::chars_format::general, 6).ptr;
}

#endif

}  // namespace

bool readUnsignedDecimal(const char* first, const char* last, double& value) {
    // from_chars would take a leading minus and strtod blanks and either sign; neither
    // belongs here, so both ways read exactly the same texts.
    if (first == last || !(isDigit(*first) || *first == '.' || isLetter(*first))) return false;
    return readNumber(first, last, value);
}

char* writeGeneralDecimal(char* first, char* last, double value) noexcept {
    return writeNumber(first, last, value);
}

}  // namespace bvh
