#pragma once
// The lines of a written BVH file, from plain values. Layout: one tab per nesting level,
// single spaces between fields, a line feed after every line, numbers as formatNumber
// writes them.

#include <string_view>

#include "bvh/OutputFile.h"

namespace bvhexport {

/// Channel kinds 0..5 are Xposition, Yposition, Zposition, Xrotation, Yrotation, Zrotation.
using ChannelKind = int;

/// "HIERARCHY", "MOTION" and other lines without indentation.
void writeLine(bvh::OutputFile& out, std::string_view text);

/// The header and "{" lines of a block at `depth` (the root is depth 0): "ROOT name",
/// "JOINT name", or "End Site" when `name` is null.
enum class BlockKind { root, joint, endSite };
void writeBlockStart(bvh::OutputFile& out, int depth, BlockKind kind, std::string_view name);

/// "OFFSET x y z" inside a block at `depth`, so one tab deeper than the block.
void writeOffset(bvh::OutputFile& out, int depth, double x, double y, double z);

/// "CHANNELS n" and the n channel names inside a block at `depth`.
void writeChannels(bvh::OutputFile& out, int depth, const ChannelKind* kinds, int count);

/// The "}" line of a block at `depth`.
void writeBlockEnd(bvh::OutputFile& out, int depth);

/// "Frames: n" and "Frame Time: t".
void writeMotionHeader(bvh::OutputFile& out, long long frames, double frameTime);

/// One frame line: every value followed by one space, then the line feed.
void writeFrameLine(bvh::OutputFile& out, const double* values, int count);

}  // namespace bvhexport
