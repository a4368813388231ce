#include "export/HierarchyWriter.h"

#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MString.h>
#include <maya/MVector.h>

#include <vector>

namespace bvhexport {

namespace {

/// A node whose children are being visited.
struct Visit {
    MObject node;
    unsigned nextChild;
    unsigned childCount;
    int childDepth;  ///< block depth of the joints found among its children
    bool closes;     ///< a joint block, closed with "}" when its children are done
    /// Translation of the transforms passed through between the block being written and
    /// this node's children, in the block's space: part of where those children rest.
    double carried[3];
};

void writeChannelLine(bvh::OutputFile& out, int depth, const ChannelTable& table,
                      const ExportJoint& joint) {
    writeChannels(out, depth, table.kinds.data() + joint.firstChannel, joint.channelCount);
}

}  // namespace

std::string writeHierarchy(bvh::OutputFile& out, const ChannelTable& table, double scale) {
    const ExportJoint& root = table.joints.front();
    MFnIkJoint rootFn(root.node);
    writeBlockStart(out, 0, BlockKind::root, rootFn.name().asChar());
    // The selected joint stands as the origin of the file, wherever it is in the scene.
    writeOffset(out, 0, 0, 0, 0);
    writeChannelLine(out, 0, table, root);

    std::vector<Visit> visits;
    std::size_t jointNumber = 0;
    visits.push_back({root.node, 0, rootFn.childCount(), 1, true, {0, 0, 0}});
    while (!visits.empty()) {
        Visit& top = visits.back();
        if (top.nextChild == top.childCount) {
            if (top.closes) writeBlockEnd(out, top.childDepth - 1);
            visits.pop_back();
            continue;
        }
        MObject child = MFnDagNode(top.node).child(top.nextChild++);
        const int depth = top.childDepth;
        const double carried[3] = {top.carried[0], top.carried[1], top.carried[2]};
        if (!child.hasFn(MFn::kJoint)) {
            Visit passed{child, 0,     MFnDagNode(child).childCount(),
                         depth, false, {carried[0], carried[1], carried[2]}};
            // A group between two joints moves the lower one; the file has no block for the
            // group, so its translation goes into the OFFSET of the joints below it. (Its
            // rotation and scale have no place in the file and are not carried.)
            if (child.hasFn(MFn::kTransform)) {
                const MVector moved = MFnTransform(child).getTranslation(MSpace::kTransform);
                passed.carried[0] += moved.x;
                passed.carried[1] += moved.y;
                passed.carried[2] += moved.z;
            }
            visits.push_back(passed);
            continue;
        }
        ++jointNumber;
        if (jointNumber >= table.joints.size() || !(table.joints[jointNumber].node == child))
            return "the joints below the root changed while they were written";
        const ExportJoint& joint = table.joints[jointNumber];
        MFnIkJoint fn(child);
        MVector offset = fn.getTranslation(MSpace::kTransform);
        offset.x += carried[0];
        offset.y += carried[1];
        offset.z += carried[2];
        offset *= scale;
        if (joint.endSite) {
            writeBlockStart(out, depth, BlockKind::endSite, {});
            writeOffset(out, depth, offset.x, offset.y, offset.z);
            writeBlockEnd(out, depth);
            continue;
        }
        writeBlockStart(out, depth, BlockKind::joint, fn.name().asChar());
        writeOffset(out, depth, offset.x, offset.y, offset.z);
        writeChannelLine(out, depth, table, joint);
        visits.push_back({child, 0, fn.childCount(), depth + 1, true, {0, 0, 0}});
    }
    return {};
}

}  // namespace bvhexport
