#include "plugin/NodeNames.h"

namespace bvhio {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}

}  // namespace

std::string hostNodeName(std::string_view name) {
    std::string out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t colon = name.find(':', start);
        if (colon == std::string_view::npos) colon = name.size();
        if (colon > start) {
            if (!out.empty()) out += ':';
            const std::size_t partStart = out.size();
            for (std::size_t i = start; i < colon; ++i) {
                const char c = name[i];
                if (static_cast<unsigned char>(c) >= 0xC0)  // one '_' per UTF-8 sequence
                    while (i + 1 < colon && (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80)
                        ++i;
                out += isWordChar(c) ? c : '_';
            }
            if (isDigit(out[partStart])) out.insert(out.begin() + partStart, '_');
        }
        start = colon + 1;
    }
    return out;
}

std::string matchingName(std::string_view name) {
    std::string held = hostNodeName(name);
    const std::size_t colon = held.rfind(':');
    return colon == std::string::npos ? held : held.substr(colon + 1);
}

std::string prefixedName(std::string_view prefix, std::string_view name) {
    const std::size_t colon = name.rfind(':');
    const std::size_t at = colon == std::string_view::npos ? 0 : colon + 1;
    std::string out(name.substr(0, at));
    out += prefix;
    out += name.substr(at);
    return out;
}

}  // namespace bvhio
