#pragma once
// Export fuzz harness: the input bytes are choices that build a scene and a run of exports.

#include <cstddef>
#include <cstdint>
#include <string>

namespace bvhfuzz {

/// Builds a stand-in scene from the input (a random tree of joints, transforms and derived
/// joints with random offsets, rotation orders, animation curves and keys, a random selection
/// and UI time unit), then runs one to three exports with one translator object, each with
/// its own option string and target (a new file, a file that exists, a missing folder, a
/// directory, /dev/full). A successful export is read back with the importer. Returns an
/// empty string when every check held, otherwise what went wrong.
///
/// The sizes the input can ask for are capped here (nodes, keys, frame ranges, resampled
/// line counts), so that every input runs in milliseconds; the translators cap nothing for
/// the harness's sake.
std::string runExportInput(const std::uint8_t* data, std::size_t size);

}  // namespace bvhfuzz
