#include "export/KeyTimes.h"

#include <maya/MAnimUtil.h>
#include <maya/MFn.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MObjectArray.h>
#include <maya/MPlugArray.h>
#include <maya/MString.h>
#include <maya/MTime.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "bvh/Vocabulary.h"
#include "plugin/AttributeDriver.h"
#include "plugin/JointRotation.h"

namespace bvhexport {

bool DrivingCurves::firstVisit(const MObject& node) {
    if (std::find(visited_.begin(), visited_.end(), node) != visited_.end()) return false;
    visited_.push_back(node);
    return true;
}

void DrivingCurves::addCurve(const MObject& curve) {
    if (std::find(curves_.begin(), curves_.end(), curve) == curves_.end()) curves_.push_back(curve);
}

void DrivingCurves::addPlug(const MPlug& plug) {
    const MPlug source = plug.source();
    if (source.isNull()) return;
    const MObject node = source.node();
    if (isTimeCurve(node)) {
        addCurve(node);
        return;
    }
    if (node.hasFn(MFn::kAnimCurve)) {  // a driven key: what moves its input
        if (firstVisit(node)) addPlug(MFnDependencyNode(node).findPlug("input", false));
        return;
    }
    MObject constraint;
    MObjectArray targets;
    if (MAnimUtil::findConstraint(plug, constraint, targets)) {
        if (!firstVisit(constraint)) return;
        for (unsigned i = 0; i < targets.length(); ++i) addTransform(targets[i]);
        // The constrained node's own orient and axis, and the nodes above it, decide which
        // local values give the world transform that the constraint asks for.
        MFnDagNode constraintFn(constraint);
        if (constraintFn.parentCount() > 0) addTransform(constraintFn.parent(0));
        return;
    }
    if (!firstVisit(node)) return;
    MPlugArray connected;
    MFnDependencyNode(node).getConnections(connected);
    for (unsigned i = 0; i < connected.length(); ++i)
        if (connected[i].isDestination()) addPlug(connected[i]);
}

void DrivingCurves::addTransform(const MObject& node) {
    for (MObject current = node; !current.isNull() && current.hasFn(MFn::kTransform);) {
        if (!firstVisit(current)) return;
        // The attributes that place it: where their values come from moves it and
        // everything below it.
        MFnDependencyNode fn(current);
        for (const std::string_view name : bvh::kAttributeNames)
            addPlug(fn.findPlug(MString(name.data(), static_cast<int>(name.size())), false));
        const JointRotationPlugs frame(current);
        for (const MPlug& plug : frame.plugs())
            if (!plug.isNull()) addPlug(plug);
        MFnDagNode dag(current);
        current = dag.parentCount() > 0 ? dag.parent(0) : MObject();
    }
}

std::vector<double> keyTimesOf(const std::vector<MObject>& curves) {
    const MTime::Unit ui = MTime::uiUnit();
    std::vector<double> times;
    std::vector<double> curveTimes;
    std::vector<double> merged;
    for (const MObject& object : curves) {
        MFnAnimCurve curve(object);
        const unsigned count = curve.numKeys();
        // Most curves of a rig are keyed together: their times are the ones gathered already,
        // which is checked as they are read, without a merge.
        unsigned same = 0;
        if (count == times.size())
            while (same < count && curve.time(same).as(ui) == times[same]) ++same;
        if (same == count && count == times.size()) continue;
        curveTimes.resize(count);
        std::copy(times.begin(), times.begin() + same, curveTimes.begin());
        for (unsigned k = same; k < count; ++k) curveTimes[k] = curve.time(k).as(ui);
        merged.clear();
        merged.reserve(times.size() + count);
        std::set_union(times.begin(), times.end(), curveTimes.begin(), curveTimes.end(),
                       std::back_inserter(merged));
        times.swap(merged);
    }
    return times;
}

}  // namespace bvhexport
