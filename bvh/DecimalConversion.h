#pragma once
// The two conversions between a double and its decimal text that not every standard library
// provides: std::from_chars and std::to_chars for floating point are missing from libc++ and
// from GCC's library before GCC 11, and need macOS 13.3 for to_chars. The build picks them
// where they exist and the C library's conversions in the "C" locale otherwise
// (BVHIO_NUMBER_FALLBACK, set by cmake/BvhioNumbers.cmake); both give the same results.

namespace bvh {

/// Reads the number at the start of [first, last) as std::from_chars reads it in the general
/// format, but without a sign: decimal or exponent notation, "inf", "infinity" or "nan" in
/// any case. A value too large for a double gives infinity, one too small zero, as strtod.
/// Returns false, leaving `value` as it was, when the text does not start with such a number
/// (a sign, a blank or any other character). Independent of the process's locale.
bool readUnsignedDecimal(const char* first, const char* last, double& value);

/// Writes the finite `value` as printf's "%g" conversion (precision 6) writes it in the C
/// locale, from `first` but not beyond `last` (16 bytes are always enough), and returns the
/// end of the text. Independent of the process's locale.
char* writeGeneralDecimal(char* first, char* last, double value) noexcept;

}  // namespace bvh
