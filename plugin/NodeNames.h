#pragma once
// Node names as the host holds them.

#include <string>
#include <string_view>

namespace bvhio {

/// The name the host keeps for `name`: ':' separates namespaces (kept; empty parts
/// dropped), and in every part each character other than a letter, a digit or '_' becomes
/// '_' (a UTF-8 sequence counts as one character), with a '_' before a leading digit:
/// "pelvis.R" -> "pelvis_R", "mixamorig:Hips" stays. Empty for a name with no part.
std::string hostNodeName(std::string_view name);

/// `prefix` put before the name part of `name`, inside its namespaces: ("Effector",
/// "ns:Foot") -> "ns:EffectorFoot".
std::string prefixedName(std::string_view prefix, std::string_view name);

/// The name two nodes are matched by: the name the host keeps for `name` (hostNodeName),
/// without its namespaces ("rig:Hips" and "Hips" match, "Hüfte" matches the "H_fte" that a
/// skeleton import of that name made).
std::string matchingName(std::string_view name);

}  // namespace bvhio
