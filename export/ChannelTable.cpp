#include "export/ChannelTable.h"

#include <maya/MAngle.h>
#include <maya/MDistance.h>
#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MString.h>
#include <maya/MVector.h>

#include <string_view>
#include <utility>

#include "bvh/RotationOrder.h"
#include "bvh/Vocabulary.h"
#include "plugin/AttributeDriver.h"
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
    if (!skeletons.empty()) collectJoints(skeletons.front().root, list);
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

namespace {

/// The attribute's source (see AttributeSource); `angle` says how its value reads.
AttributeSource sourceOf(const MObject& node, std::string_view attribute, bool angle) {
    AttributeSource source;
    source.plug = MFnDependencyNode(node).findPlug(
        MString(attribute.data(), static_cast<int>(attribute.size())), false);
    const MPlug driver = source.plug.source();
    if (driver.isNull()) {
        source.value =
            angle ? source.plug.asMAngle().asRadians() : source.plug.asMDistance().asCentimeters();
        return source;
    }
    const MObject from = driver.node();
    if (isTimeCurve(from))
        source.curve = from;
    else
        source.driven = true;
    return source;
}

}  // namespace

bool ChannelTable::driven() const {
    for (const ExportJoint& joint : joints)
        if (joint.driven) return true;
    return false;
}

bool ChannelTable::moves() const {
    for (const Channel& channel : channels)
        if (channel.source.moves()) return true;
    for (const PoseJoint& pose : poses)
        if (pose.frameDriven || pose.rotate[0].moves() || pose.rotate[1].moves() ||
            pose.rotate[2].moves())
            return true;
    return false;
}

void collectChannels(ChannelTable& table) {
    table.channels.clear();
    table.kinds.clear();
    table.poses.clear();
    for (ExportJoint& joint : table.joints) {
        joint.firstChannel = static_cast<int>(table.channels.size());
        joint.channelCount = 0;
        joint.driven = false;
        // A joint with nothing but shapes, locators or effectors below it ends its chain: it
        // is written as an End Site, so its animation has no place in the file.
        joint.endSite = !hasJointBelow(joint.node);
        if (joint.endSite) continue;

        MFnIkJoint fn(joint.node);
        const int order = static_cast<int>(fn.rotationOrder());
        AttributeSource sources[6];
        for (int kind = 0; kind < 6; ++kind) {
            sources[kind] = sourceOf(joint.node, bvh::kAttributeNames[kind], kind >= kXrot);
            joint.driven = joint.driven || sources[kind].driven;
        }

        // The rotate values are all the host shows only without an orient, an axis and
        // static rotate values; otherwise the channels carry the composed rotation.
        PoseJoint pose(joint.node);
        pose.frameDriven = pose.frame.driven();
        pose.rotation = pose.frame.read();
        pose.order = rotationChannelOrder(order);
        bool composed = !pose.rotation.plain || pose.frameDriven;
        for (unsigned axis = 0; axis < 3; ++axis) {
            pose.rotate[axis] = sources[kXrot + axis];
            if (!pose.rotate[axis].moves() && pose.rotate[axis].value != 0.0) composed = true;
        }
        joint.driven = joint.driven || pose.frameDriven;
        const int poseIndex = composed ? static_cast<int>(table.poses.size()) : -1;
        if (composed) table.poses.push_back(pose);

        MVector translation;
        if (!joint.selected) translation = fn.getTranslation(MSpace::kTransform);
        auto add = [&](ChannelKind kind) {
            const bool posed = composed && kind >= kXrot;
            if (!sources[kind].moves() && !posed) return;
            Channel channel;
            channel.source = sources[kind];
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
