#pragma once
// Changes to the dependency graph, gathered and then done together.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

namespace standin {
namespace detail {
struct ModifierOperations;
}  // namespace detail
}  // namespace standin

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MPlug;

/// connect and disconnect check their plugs (kInvalidParameter for a null plug or a node
/// without the attribute) and queue the change. doIt makes the queued changes in order and
/// fails (kFailure) at the first that cannot be made: a destination that already has an
/// input or is an output, a plug connected to itself, a disconnection of plugs that are not
/// connected. The changes before it stay made, those after it are dropped. undoIt takes
/// back every change made.
class MDGModifier {
public:
    MDGModifier();
    virtual ~MDGModifier();
    MStatus connect(const MObject& sourceNode, const MObject& sourceAttr, const MObject& destNode,
                    const MObject& destAttr);
    MStatus disconnect(const MObject& sourceNode, const MObject& sourceAttr,
                       const MObject& destNode, const MObject& destAttr);
    MStatus connect(const MPlug& source, const MPlug& dest);
    MStatus disconnect(const MPlug& source, const MPlug& dest);
    MStatus doIt();
    MStatus undoIt();

private:
    MDGModifier(const MDGModifier&);
    MDGModifier& operator=(const MDGModifier&);
    standin::detail::ModifierOperations* operations_;
};

OPENMAYA_NAMESPACE_CLOSE
