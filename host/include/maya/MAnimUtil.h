#pragma once
// Queries about the animation curves that drive attributes.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// "Animated" means driven by an animation curve (time-input or driven-key): directly, or
/// through unit conversions and the inputs of animation layer blend nodes. Constraints and
/// other nodes are not animation. `checkParent` changes nothing here: the stand-in has no
/// compound or parent attributes.
class MAnimUtil {
public:
    static bool isAnimated(const MObject& node, bool checkParent = false,
                           MStatus* ReturnStatus = NULL);
    static bool isAnimated(const MDagPath& path, bool checkParent = false,
                           MStatus* ReturnStatus = NULL);
    static bool isAnimated(const MPlug& plug, bool checkParent = false,
                           MStatus* ReturnStatus = NULL);
    static bool isAnimated(const MSelectionList& selectionList, bool checkParent = false,
                           MStatus* ReturnStatus = NULL);
    /// Appends the node's animated plugs in attribute order (translateX..rotateZ, then the
    /// node's further attributes); true when there is at least one.
    static bool findAnimatedPlugs(const MObject& node, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    static bool findAnimatedPlugs(const MDagPath& path, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    static bool findAnimatedPlugs(const MSelectionList& selectionList, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    /// Appends the curves that drive `plug` (through conversions and layers, base layer
    /// first); true when there is one.
    static bool findAnimation(const MPlug& plug, MObjectArray& animation,
                              MStatus* ReturnStatus = NULL);
    /// Appends the driven-key curves (unitless input) among the curves that drive `plug`, and
    /// for each the plug that drives its input (the null plug when nothing does); true when
    /// there is one.
    static bool findSetDrivenKeyAnimation(const MPlug& plug, MObjectArray& animation,
                                          MPlugArray& drivers, MStatus* ReturnStatus = NULL);
    /// The constraint whose output drives `plug` (directly or through unit conversions) and
    /// its targets, appended; true when there is one.
    static bool findConstraint(const MPlug& plug, MObject& constraint, MObjectArray& targets,
                               MStatus* ReturnStatus = NULL);

private:
    MAnimUtil() = delete;
};

OPENMAYA_NAMESPACE_CLOSE
