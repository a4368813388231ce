#include "plugin/Messages.h"

#include <maya/MGlobal.h>
#include <maya/MString.h>

#include <iostream>

namespace bvhio {

std::string namesShown(const std::vector<std::string>& first, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < first.size(); ++i) text += (i == 0 ? ": " : ", ") + first[i];
    if (count > first.size()) text += " and " + std::to_string(count - first.size()) + " more";
    return text;
}

std::string fileLine(const std::string& path, long long lineNumber) {
    return path + ":" + std::to_string(lineNumber);
}

void reportError(const std::string& where, const std::string& text) {
    const std::string line = where + ": " + text;
    std::cerr << line << '\n' << std::flush;
    MGlobal::displayError(MString(line.c_str(), static_cast<int>(line.size())));
}

void reportWarning(const std::string& where, const std::string& text) {
    std::cerr << where << ": warning: " << text << '\n' << std::flush;
    const std::string line = where + ": " + text;
    MGlobal::displayWarning(MString(line.c_str(), static_cast<int>(line.size())));
}

}  // namespace bvhio
