#pragma once
// Token and number rules of the BVH reader, free of host types so that both directions and
// the tests share one statement of them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bvh {

/// Splits `text` at blanks into `tokens` (cleared first), keeping at most `maxTokens` of
/// them: a line of millions of values costs no more than the values that are used. Runs of
/// blanks and leading or trailing blanks give no empty tokens, as the host's string split
/// does. The views point into `text`.
void splitBlanks(std::string_view text, std::vector<std::string_view>& tokens,
                 std::size_t maxTokens = static_cast<std::size_t>(-1));

/// `text` as quoted in a message: at most 64 characters, then "...".
std::string clippedForMessage(std::string_view text);

/// The last blank-separated token of `text`; empty when there is none.
std::string_view lastBlankToken(std::string_view text);

/// The leading number of `text` read as C's atof reads it (leading blanks skipped, a sign,
/// decimal or exponent notation, hexadecimal, inf and nan), 0 when there is none; a value
/// too large for a double gives +-infinity. Independent of the process locale.
double parseDouble(std::string_view text);

/// True when `line` holds nothing but blanks, tabs and carriage returns.
bool isBlankLine(std::string_view line);

}  // namespace bvh
