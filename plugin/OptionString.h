#pragma once
// The option strings that the host hands both translators: "key=value;" pieces.

#include <maya/MString.h>

#include <initializer_list>
#include <string>
#include <variant>

namespace bvhio {

/// One key a translator reads and the setting its value goes to, read as the host reads
/// numbers (MString::asInt, MString::asDouble) or kept as text.
struct OptionKey {
    const char* key;
    std::variant<int*, double*, std::string*> setting;
};

/// Applies `options` from left to right, so a later piece wins over an earlier one with the
/// same key: keys compare exactly and case-sensitively, the value is the text up to the next
/// "=". Pieces without "=" and keys not in `keys` change nothing.
void applyOptionString(const MString& options, std::initializer_list<OptionKey> keys);

}  // namespace bvhio
