#include "export/HierarchyWriter.h"

#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
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
    visits.push_back({root.node, 0, rootFn.childCount(), 1, true});
    while (!visits.empty()) {
        Visit& top = visits.back();
        if (top.nextChild == top.childCount) {
            if (top.closes) writeBlockEnd(out, top.childDepth - 1);
            visits.pop_back();
            continue;
        }
        MObject child = MFnDagNode(top.node).child(top.nextChild++);
        const int depth = top.childDepth;
        if (!child.hasFn(MFn::kJoint)) {
            MFnDagNode passed(child);
            visits.push_back({child, 0, passed.childCount(), depth, false});
            continue;
        }
        ++jointNumber;
        if (jointNumber >= table.joints.size() || !(table.joints[jointNumber].node == child))
            return "the joints below the root changed while they were written";
        const ExportJoint& joint = table.joints[jointNumber];
        MFnIkJoint fn(child);
        MVector offset = fn.getTranslation(MSpace::kTransform);
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
        visits.push_back({child, 0, fn.childCount(), depth + 1, true});
    }
    return {};
}

}  // namespace bvhexport
