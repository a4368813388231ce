#pragma once
// Reader fuzz harness: any bytes are a BVH file for the format's reader alone, without the
// host.

#include <cstddef>
#include <cstdint>
#include <string>

namespace bvhfuzz {

/// Reads `data` as a file twice, with all values of a frame line and with at most as many as
/// the input's first byte says, and checks what the reader tells: the table hangs together
/// (parents before children, each node's channels its own and in order, end sites below a
/// root, at most bvh::kMaxNodes nodes), messages point at lines read, rows hold no more
/// values than asked for, an error ends the reading, and the same bytes read the same. Returns
/// an empty string when every check held, otherwise what went wrong.
std::string runReaderInput(const std::uint8_t* data, std::size_t size);

}  // namespace bvhfuzz
