#pragma once
// The key times that move a rig: those of the time-input animation curves behind the
// attributes of the exported joints.

#include <maya/MObject.h>
#include <maya/MPlug.h>

#include <vector>

namespace bvhexport {

/// Gathers the time-input animation curves whose keys move some plugs: the curves that
/// drive them directly, and those found upstream of whatever else drives them. Upstream of a
/// driven-key curve is what moves its input; of a constraint, its targets and the nodes above
/// them and above the constrained node (their transform attributes); of any other node (unit
/// conversions, animation layers), the plugs that drive its inputs. Each node is looked at once.
class DrivingCurves {
public:
    /// Adds the curves behind `plug`.
    void addPlug(const MPlug& plug);
    const std::vector<MObject>& curves() const { return curves_; }

private:
    /// Adds a time-input curve.
    void addCurve(const MObject& curve);
    void addTransform(const MObject& node);
    bool firstVisit(const MObject& node);

    std::vector<MObject> curves_;
    std::vector<MObject> visited_;
};

/// The times of the keys of `curves`, in the UI time unit, ascending, each once.
std::vector<double> keyTimesOf(const std::vector<MObject>& curves);

}  // namespace bvhexport
