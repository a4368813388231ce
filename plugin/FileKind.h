#pragma once
// File recognition shared by both translators.

#include <maya/MPxFileTranslator.h>

#include <cstring>
#include <string_view>

/// kIsMyFileType when the first bytes of `buffer` equal `text` exactly (case-sensitive),
/// kNotMyFileType otherwise, also when fewer than text.size() bytes are valid (a negative
/// `size` included). kCouldBeMyFileType is never returned.
inline MPxFileTranslator::MFileKind fileKindByPrefix(const char* buffer, short size,
                                                     std::string_view text) {
    if (size < static_cast<int>(text.size()) || buffer == nullptr)
        return MPxFileTranslator::kNotMyFileType;
    return std::memcmp(buffer, text.data(), text.size()) == 0 ? MPxFileTranslator::kIsMyFileType
                                                               : MPxFileTranslator::kNotMyFileType;
}
