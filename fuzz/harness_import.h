#pragma once
// Import fuzz harness: one input is an option string, a UI time unit and a BVH file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bvhfuzz {

/// The parts of one import input. Leading lines "#opts:<option string>" and
/// "#unit:<MTime::Unit number>" (each optional, in any order) give the option string and the
/// UI time unit; every byte after them is the file.
struct ImportInput {
    std::string options;
    int uiUnit = 6;  // film
    std::string_view file;
};

/// Splits `data` into its parts; the file view points into `data`.
ImportInput parseImportInput(const std::uint8_t* data, std::size_t size);

/// Imports the input three ways, each into a fresh stand-in scene and with a new translator:
/// a skeleton import (twice, to see that it is deterministic), an animation-only import onto
/// the skeleton that import made, and an animation-only import onto a hand-built skeleton
/// that already holds keys, with two of its joints selected. Returns an empty string when
/// every check held, otherwise what went wrong. Crashes, sanitizer reports, hangs and
/// memory exhaustion are for the caller's tools to see.
std::string runImportInput(const std::uint8_t* data, std::size_t size);

}  // namespace bvhfuzz
