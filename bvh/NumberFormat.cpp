#include "bvh/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace bvh {

namespace {

char* copyText(char* first, const char* text) noexcept {
    const std::size_t n = std::strlen(text);
    std::memcpy(first, text, n);
    return first + n;
}

}  // namespace

char* formatNumber(char* first, double value) noexcept {
    // to_chars spells these "nan"/"-nan"; the sign of a NaN carries no meaning in a file.
    if (std::isnan(value)) return copyText(first, "nan");
    if (std::isinf(value)) return copyText(first, value < 0 ? "-inf" : "inf");
    // The general format with an explicit precision is defined as printf's %g in the C
    // locale, which is the notation of the files this system has always written.
    const auto result =
        std::to_chars(first, first + kMaxNumberChars, value, std::chars_format::general, 6);
    return result.ptr;
}

std::string formatNumber(double value) {
    char buffer[kMaxNumberChars];
    return std::string(buffer, formatNumber(buffer, value));
}

char* formatInteger(char* first, long long value) noexcept {
    return std::to_chars(first, first + kMaxIntegerChars, value).ptr;
}

}  // namespace bvh
