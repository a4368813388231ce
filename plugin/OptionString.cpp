#include "plugin/OptionString.h"

#include <maya/MStringArray.h>

#include <cstring>

namespace bvhio {

void applyOptionString(const MString& options, std::initializer_list<OptionKey> keys) {
    if (options.length() == 0) return;
    MStringArray pieces;
    options.split(';', pieces);
    for (unsigned int i = 0; i < pieces.length(); ++i) {
        MStringArray parts;
        pieces[i].split('=', parts);
        // A key without "=" names no value; it changes nothing.
        if (parts.length() < 2) continue;
        const MString& value = parts[1];
        for (const OptionKey& option : keys) {
            if (!(parts[0] == option.key)) continue;
            if (auto* number = std::get_if<int*>(&option.setting))
                **number = value.asInt();
            else if (auto* real = std::get_if<double*>(&option.setting))
                **real = value.asDouble();
            else
                *std::get<std::string*>(option.setting) = value.asChar();
            break;
        }
    }
}

}  // namespace bvhio
