#pragma once
// Number text of written BVH files: one formatter for the whole project.

#include <cstddef>
#include <string>

namespace bvh {

/// Room that formatNumber needs at most ("-1.23457e-308" is the longest text).
inline constexpr std::size_t kMaxNumberChars = 16;

/// Writes `value` as printf's "%g" conversion (precision 6) writes it in the C locale: fixed
/// notation unless the decimal exponent is below -4 or at least 6, trailing zeros and a
/// trailing point removed, at least two exponent digits ("1e-05", "1.5e+06"), "-0" for
/// negative zero. Not-a-number is written "nan" whatever its sign bit, infinities "inf" and
/// "-inf": the texts that C's atof, and so the importer, reads back as the same values.
/// Writes at most kMaxNumberChars bytes from `first`, no terminating zero, and returns the
/// end of the text. Independent of the process's locale; allocates nothing.
char* formatNumber(char* first, double value) noexcept;

/// The same text as a string.
std::string formatNumber(double value);

/// Room that formatInteger needs at most.
inline constexpr std::size_t kMaxIntegerChars = 20;

/// Writes `value` in decimal ("-12", "0") at `first`, at most kMaxIntegerChars bytes, and
/// returns the end of the text.
char* formatInteger(char* first, long long value) noexcept;

}  // namespace bvh
