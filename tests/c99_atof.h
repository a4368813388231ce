#pragma once
// atof as the C standard defines it: the reference that the number tests compare with.

#include <cstdlib>

namespace bvhtest {

/// The C library's atof. mingw-w64's programs use the old msvcrt.dll, whose atof reads neither
/// hexadecimal numbers nor "inf" and "nan" (MSVC's UCRT, which a plug-in for the host is built
/// with, reads them): there, mingw-w64's own strtod, which follows the standard.
inline double c99Atof(const char* text) {
#if defined(__MINGW32__) && !defined(_UCRT)
    return __mingw_strtod(text, nullptr);
#else
    return std::atof(text);
#endif
}

}  // namespace bvhtest
