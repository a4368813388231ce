#pragma once
// File names as the host hands them to a translator: UTF-8 text, on every system.

#include <filesystem>
#include <string>

namespace bvh {

/// The path that a UTF-8 file name names. On Windows it holds the wide name that the system's
/// own calls take, so that C:\Users\José\mocap\walk.bvh and names in any script reach their
/// file; a narrow name there would go through the user's code page and lose what it lacks.
inline std::filesystem::path pathFromUtf8(const std::string& name) {
    return std::filesystem::u8path(name);
}

}  // namespace bvh
