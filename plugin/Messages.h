#pragma once
// Messages for the user. Each is one line on standard error, as a terminal or a log shows
// it, and the same line in the host's Script Editor, where users of the host look.

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

namespace bvhio {

/// The parts streamed one after the other into one text.
template <class... Parts>
std::string textOf(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

/// ": a, b, c and 4 more": the first few of `count` things, as a warning lists them.
std::string namesShown(const std::vector<std::string>& first, std::size_t count);

/// "<path>:<line number>", where a message about one line of a file points.
std::string fileLine(const std::string& path, long long lineNumber);

/// A failure: "<where>: <text>" on standard error and as an error in the Script Editor.
void reportError(const std::string& where, const std::string& text);

/// "<where>: warning: <text>" on standard error; "<where>: <text>" as a warning in the
/// Script Editor, which marks warnings itself.
void reportWarning(const std::string& where, const std::string& text);

}  // namespace bvhio
