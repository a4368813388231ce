#pragma once
// One attribute of one node: its name, its connections and its value.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

namespace standin {
namespace detail {
struct Access;
}  // namespace detail
}  // namespace standin

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MAngle;
class MDGContext;
class MDistance;
class MPlugArray;

/// Values are read in the current evaluation context (MDGContext::current, switched with
/// MDGContextGuard): a plug that is the destination of a connection shows its source's value
/// at the context's time (an animation curve evaluated there, a driven-key curve at its
/// input's value, a unit conversion, a layer blend node, a constraint's output), any other
/// plug its own value. Values are in internal units: radians, centimetres. A plug whose
/// node has no such attribute fails every call with kInvalidParameter.
class MPlug {
public:
    /// The null plug.
    MPlug();
    MPlug(const MPlug& in);
    MPlug(const MObject& node, const MObject& attribute);
    virtual ~MPlug();
    MObject attribute(MStatus* ReturnStatus = nullptr) const;
    MObject node(MStatus* ReturnStatus = nullptr) const;
    /// "nodeName.attributeLongName", e.g. "Hips.rotateX"; empty for a null plug.
    MString name(MStatus* ReturnStatus = nullptr) const;
    /// The short attribute name ("rx"), the long one with `useLongNames`, preceded by
    /// "nodeName." with `includeNodeName`. The other flags change nothing here.
    MString partialName(bool includeNodeName = false, bool includeNonMandatoryIndices = false,
                        bool includeInstancedIndices = false, bool useAlias = false,
                        bool useFullAttributePath = false, bool useLongNames = false,
                        MStatus* ReturnStatus = nullptr) const;

    /// Replaces `array` by the plugs connected to this one: its source with `asDst`, its
    /// destinations with `asSrc`. True when there is any.
    bool connectedTo(MPlugArray& array, bool asDst, bool asSrc,
                     MStatus* ReturnStatus = nullptr) const;
    bool isConnected(MStatus* ReturnStatus = nullptr) const;
    /// The plug that drives this one; the null plug when it is no destination.
    MPlug source(MStatus* ReturnStatus = nullptr) const;
    /// Replaces `theDestinations` by the plugs this one drives; true when there is any.
    bool destinations(MPlugArray& theDestinations, MStatus* ReturnStatus = nullptr) const;
    /// True when the node or the attribute is null.
    bool isNull(MStatus* ReturnStatus = nullptr) const;

    double asDouble(MStatus* ReturnStatus = nullptr) const;
    /// The value of an angular (or unitless) attribute; kInvalidParameter for a linear one.
    MAngle asMAngle(MStatus* ReturnStatus = nullptr) const;
    /// The value of a linear (or unitless) attribute; kInvalidParameter for an angular one.
    MDistance asMDistance(MStatus* ReturnStatus = nullptr) const;
    /// Sets the plug's own value; kInvalidParameter for a destination of a connection or an
    /// output, whose value the graph decides.
    MStatus setDouble(double);

    MPlug& operator=(const MPlug& other);
    /// Same node and attribute.
    bool operator==(const MPlug& other) const;
    bool operator!=(const MPlug& other) const;
    bool isSource(MStatus* ReturnStatus = nullptr) const;
    bool isDestination(MStatus* ReturnStatus = nullptr) const;

    OPENMAYA_DEPRECATED(
        2018, "Read asDouble(MStatus*) in the current context; an MDGContextGuard changes it.")
    double asDouble(const MDGContext&, MStatus* ReturnStatus = nullptr) const;
    OPENMAYA_DEPRECATED(
        2018, "Read asMDistance(MStatus*) in the current context; an MDGContextGuard changes it.")
    MDistance asMDistance(const MDGContext&, MStatus* ReturnStatus = nullptr) const;
    OPENMAYA_DEPRECATED(
        2018, "Read asMAngle(MStatus*) in the current context; an MDGContextGuard changes it.")
    MAngle asMAngle(const MDGContext&, MStatus* ReturnStatus = nullptr) const;

private:
    friend struct standin::detail::Access;
    MObject node_;
    MObject attribute_;
};

OPENMAYA_NAMESPACE_CLOSE
