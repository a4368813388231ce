#pragma once
// The body of the HIERARCHY section.

#include <string>

#include "bvh/OutputFile.h"
#include "export/ChannelTable.h"

namespace bvhexport {

/// Writes the ROOT block of the first joint of `table` and, nested in it, a JOINT block for
/// every joint below it and an End Site block for every joint marked as one. Nodes that are
/// not joints are passed through: the joints below them are written in their place, with the
/// translations of the transforms passed through added to their OFFSET. The root OFFSET is
/// 0 0 0; every other OFFSET is the joint's translation relative to its parent (plus those
/// translations), times `scale`. Works without recursion, so any depth is safe.
///
/// Returns an empty text, or a one-line reason when the scene no longer matches the joint
/// list that the table was built from (nothing sensible can be written then).
std::string writeHierarchy(bvh::OutputFile& out, const ChannelTable& table, double scale);

}  // namespace bvhexport
