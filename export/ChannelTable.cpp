#include "export/ChannelTable.h"

#include <maya/MAnimUtil.h>
#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>

#include <utility>

#include "bvh/RotationOrder.h"
#include "bvh/Vocabulary.h"
#include "plugin/JointWalk.h"
#include "plugin/SelectedSkeletons.h"

namespace bvhexport {

namespace {

enum Kind : ChannelKind { kXpos, kYpos, kZpos, kXrot, kYrot, kZrot };

/// The Euler order (MEulerRotation value) of a joint's rotation channels: its own order,
/// XYZ (the host's default) should the host answer anything but its six orders.
MEulerRotation::RotationOrder rotationChannelOrder(int order) {
    const int index = bvh::orderIndexOfTransform(order);
    return static_cast<MEulerRotation::RotationOrder>(index < 0 ? 0 : index);
}

}  // namespace

void gatherSelectedJoints(ChannelTable& table, std::vector<std::string>& leftOut) {
    std::vector<SelectedSkeleton> skeletons = selectedSkeletons(SkeletonTop::kTopmostSelected);
    MObjectArray list;
    if (!skeletons.empty()) appendSkeletonJoints({skeletons.front()}, list);
    for (std::size_t s = 1; s < skeletons.size(); ++s)
        for (std::string& name : skeletons[s].selected) leftOut.push_back(std::move(name));
    table.joints.reserve(table.joints.size() + list.length());
    for (unsigned i = 0; i < list.length(); ++i) {
        ExportJoint entry;
        entry.node = list[i];
        entry.selected = i == 0;
        table.joints.push_back(std::move(entry));
    }
}

bool hasJointBelow(const MObject& node) {
    std::vector<MObject> pending;
    pending.push_back(node);
    while (!pending.empty()) {
        MFnDagNode dag(pending.back());
        pending.pop_back();
        const unsigned children = dag.childCount();
        for (unsigned i = 0; i < children; ++i) {
            MObject child = dag.child(i);
            if (child.hasFn(MFn::kJoint)) return true;
            pending.push_back(child);
        }
    }
    return false;
}

void collectChannels(ChannelTable& table) {
    table.channels.clear();
    table.kinds.clear();
    table.poses.clear();
    for (ExportJoint& joint : table.joints) {
        joint.firstChannel = static_cast<int>(table.channels.size());
        joint.channelCount = 0;
        // A joint with nothing but shapes, locators or effectors below it ends its chain: it
        // is written as an End Site, so its animation has no place in the file.
        joint.endSite = !hasJointBelow(joint.node);
        if (joint.endSite) continue;

        MFnIkJoint fn(joint.node);
        const int order = static_cast<int>(fn.rotationOrder());
        MObject curves[6];
        bool found[6] = {false, false, false, false, false, false};
        MPlugArray plugs;
        MAnimUtil::findAnimatedPlugs(joint.node, plugs, false);
        for (unsigned p = 0; p < plugs.length(); ++p) {
            // The attribute's long name, from the plug itself: node names may hold characters
            // that a split of "node.attribute" would take for the separator.
            const MString attribute = plugs[p].partialName(false, false, false, false, false, true);
            const int index = bvh::attributeIndex(attribute.asChar());
            if (index < 0 || found[index]) continue;
            MObjectArray animation;
            MAnimUtil::findAnimation(plugs[p], animation);
            // A plug reported as animated without a curve has no values to write.
            if (animation.length() == 0) continue;
            curves[index] = animation[0];
            found[index] = true;
        }

        // The rotate values are all the host shows only without an orient, an axis and
        // static rotate values; otherwise the channels carry the composed rotation.
        PoseJoint pose;
        pose.rotation = readJointRotation(joint.node);
        pose.order = rotationChannelOrder(order);
        MEulerRotation rest;
        fn.getRotation(rest);
        bool composed = !pose.rotation.plain;
        for (unsigned axis = 0; axis < 3; ++axis) {
            pose.curves[axis] = curves[kXrot + axis];
            pose.staticRotate[axis] = found[kXrot + axis] ? 0.0 : rest[axis];
            if (pose.staticRotate[axis] != 0.0) composed = true;
        }
        const int poseIndex = composed ? static_cast<int>(table.poses.size()) : -1;
        if (composed) table.poses.push_back(pose);

        MVector translation;
        if (!joint.selected) translation = fn.getTranslation(MSpace::kTransform);
        auto add = [&](ChannelKind kind) {
            const bool posed = composed && kind >= kXrot;
            if (!found[kind] && !posed) return;
            Channel channel;
            channel.curve = curves[kind];
            channel.kind = kind;
            channel.pose = posed ? poseIndex : -1;
            channel.rotation = kind >= kXrot;
            // A joint's OFFSET line holds its translation; its position values are written as
            // the change from there, so offset plus value reads back as its translation.
            if (!channel.rotation) channel.offset = translation[static_cast<unsigned>(kind)];
            table.channels.push_back(channel);
            table.kinds.push_back(kind);
            ++joint.channelCount;
        };
        add(kXpos);
        add(kYpos);
        add(kZpos);
        const int channelOrder = static_cast<int>(rotationChannelOrder(order));
        for (int k = 0; k < 3; ++k)
            add(static_cast<ChannelKind>(kXrot + bvh::channelAxis(channelOrder, k)));
    }
}

}  // namespace bvhexport
