#pragma once
// Queries about the animation curves that drive attributes.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// "Animated" means driven by an animation curve. `checkParent` changes nothing here: the
/// stand-in has no compound or parent attributes.
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
    /// Appends the node's animated plugs in attribute order (translateX..rotateZ); true when
    /// there is at least one.
    static bool findAnimatedPlugs(const MObject& node, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    static bool findAnimatedPlugs(const MDagPath& path, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    static bool findAnimatedPlugs(const MSelectionList& selectionList, MPlugArray& animatedPlugs,
                                  bool checkParent = false, MStatus* ReturnStatus = NULL);
    /// Appends the curve that drives `plug`; true when there is one.
    static bool findAnimation(const MPlug& plug, MObjectArray& animation,
                              MStatus* ReturnStatus = NULL);

private:
    MAnimUtil() = delete;
};

OPENMAYA_NAMESPACE_CLOSE
