#include "import/ChannelBinder.h"

#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MPlug.h>
#include <maya/MString.h>
#include <maya/MTransformationMatrix.h>

#include <memory>
#include <utility>

#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "plugin/AttributeDriver.h"
#include "plugin/JointRotation.h"
#include "plugin/Messages.h"

namespace bvhimport {

namespace {

MObject attributeOf(const MObject& joint, int attribute) {
    const std::string_view name = bvh::kAttributeNames[attribute];
    return MFnDagNode(joint).attribute(MString(name.data(), static_cast<int>(name.size())));
}

}  // namespace

ChannelBinder::ChannelBinder(const ImportSettings& settings, KeyPlan& plan)
    : settings_(settings), plan_(plan), order_(settings.rotationOrder) {
    plan_.targetOrder = bvh::orderIndexOrXYZ(order_);
}

void ChannelBinder::bind(const bvh::HierarchyTable& table, const NodeTargets& targets,
                         std::vector<bvh::ReadMessage>& messages) {
    for (std::size_t k = plan_.nodes.size(); k < table.nodes.size(); ++k) {
        KeyPlan::Node node;
        node.firstChannel = table.nodes[k].firstChannel;
        for (int axis = 0; axis < 3; ++axis) node.offset[axis] = table.nodes[k].offset[axis] * settings_.scale;
        plan_.nodes.push_back(node);
    }
    // A CHANNELS line's names are consecutive channels of one node with one line number.
    std::size_t first = plan_.channels.size();
    while (first < table.channels.size() && table.channels[first].node < targets.joints().size()) {
        const std::size_t node = table.channels[first].node;
        const std::size_t line = table.channels[first].line;
        std::size_t last = first + 1;
        while (last < table.channels.size() && table.channels[last].node == node &&
               table.channels[last].line == line)
            ++last;
        if (targets.counted(node)) {
            bindLine(table, node, targets.joints()[node], first, last, messages);
            plan_.channelsUsed = last;
        } else {
            plan_.channels.resize(last);  // its values go nowhere
        }
        first = last;
    }
}

void ChannelBinder::bindLine(const bvh::HierarchyTable& table, std::size_t nodeIndex,
                             const MObject& joint, std::size_t first, std::size_t last,
                             std::vector<bvh::ReadMessage>& messages) {
    const bool unmatched = joint.isNull();
    std::string axes;  // of the rotation channels, in file order
    int rotations = 0;
    for (std::size_t c = first; c < last; ++c) {
        KeyPlan::Channel channel;
        const int kind = table.channels[c].kind;
        // A node without a joint, or an unknown channel name, keeps its place in the frame
        // lines only.
        if (!unmatched && kind >= 0) {
            channel.attribute = kind;
            if (kind >= 3) {
                ++rotations;
                axes.push_back(bvh::rotationAxisLetter(kind));
            }
            channel.curve = destination(nodeIndex, joint, kind);
        }
        plan_.channels.push_back(channel);
    }
    KeyPlan::Node& node = plan_.nodes[nodeIndex];
    node.channelCount = last - node.firstChannel;
    if (unmatched) return;
    const std::string order = bvh::orderOfChannels(axes);
    node.rotationCount += rotations;
    const int fileOrder = bvh::orderIndex(order);
    node.fileEulerOrder = fileOrder < 0 ? 0 : fileOrder;
    node.fullRotation = rotations == 3 && fileOrder >= 0;

    const bool fromFile = order_ == "auto";
    if (fromFile) order_ = order;
    plan_.targetOrder = bvh::orderIndexOrXYZ(order_);
    fileOrder_ = node.fileEulerOrder;
    // The host holds only the six orders: any other text gives XYZ, for the joints and for
    // the conversion of the file's rotations alike, so the poses stay right.
    if (bvh::orderIndex(order_) < 0 && !orderWarned_) {
        orderWarned_ = true;
        messages.push_back(
            {false, table.channels[first].line,
             fromFile ? bvhio::textOf("rotationOrder=auto: the first CHANNELS line has no three "
                                      "rotations about X, Y and Z; joints get the order XYZ")
                      : bvhio::textOf("rotationOrder=", bvh::clippedForMessage(order_),
                                      " is not XYZ, YZX, ZXY, XZY, YXZ, ZYX or auto; joints get "
                                      "the order XYZ"),
             -1});
    }
    if (rotations == 2 && order[0] != order[1]) {
        // Two axes turned in the other order than the target's: read as a rotation of three
        // axes with the missing one at 0 (anywhere in the order, since it turns nothing) and
        // converted as a whole, which gives the missing axis a curve of its own.
        const std::string_view target = bvh::kOrderNames[plan_.targetOrder];
        if (target.find(order[0]) > target.find(order[1])) {
            const char missing = static_cast<char>('X' + 'Y' + 'Z' - order[0] - order[1]);
            node.fileEulerOrder = bvh::orderIndex(order + missing);
            node.fullRotation = true;
            node.missingAxis = missing - 'X';
            destination(nodeIndex, joint, 3 + node.missingAxis);
        }
    }
    // A joint built in the host turns the rotate values by its rotate axis and joint orient,
    // and keeps a static rotate value on an axis the file does not key: keyed with the file's
    // angles it would come out twisted, so all three of its rotate curves take the angles
    // that make its whole rotation the file's.
    if (settings_.importSkelton == 2 && node.rotationCount > 0) {
        JointRotation rotation = readJointRotation(joint);
        const bool posed = !rotation.plain || keepsStaticRotate(nodeIndex, joint);
        if (posed && !node.posed) {
            node.pose = static_cast<int>(plan_.poses.size());
            plan_.poses.push_back(rotation);
        } else if (posed) {
            plan_.poses[static_cast<std::size_t>(node.pose)] = rotation;
        }
        node.posed = posed;
    }
    if (node.posed) {
        for (int attribute = 3; attribute < 6; ++attribute)
            destination(nodeIndex, joint, attribute);
        for (std::size_t c = node.firstChannel; c < plan_.channels.size(); ++c)
            if (plan_.channels[c].attribute >= 3) plan_.channels[c].curve = -1;
    }
    MFnIkJoint orderFn(joint);
    orderFn.setRotationOrder(
        static_cast<MTransformationMatrix::RotationOrder>(bvh::transformOrder(plan_.targetOrder)),
        true);
}

int ChannelBinder::destination(std::size_t nodeIndex, const MObject& joint, int attribute) {
    constexpr std::size_t kNamesKept = 3;
    int& slot = plan_.nodes[nodeIndex].curve[attribute];
    if (slot != KeyPlan::kUndecided) return slot < 0 ? -1 : slot;
    const MObject attr = attributeOf(joint, attribute);
    const MPlug plug(joint, attr);
    const MPlug source = plug.source();
    KeyedDriver driver;
    if (source.isNull()) {
        MFnAnimCurve creator;
        driver.curve = creator.create(joint, attr);
    } else {
        driver = keyedDriverOf(source);
    }
    if (driver.curve.isNull()) {
        slot = KeyPlan::kLeftAlone;
        if (leftAloneCount_++ < kNamesKept) leftAloneNames_.push_back(plug.name().asChar());
        return -1;
    }
    slot = static_cast<int>(plan_.curves.size());
    KeyPlan::Curve curve;
    curve.fn = std::make_unique<MFnAnimCurve>(driver.curve);
    curve.hadKeys = curve.fn->numKeys() != 0;
    curve.factor = driver.factor;
    plan_.curves.push_back(std::move(curve));
    return slot;
}

bool ChannelBinder::keepsStaticRotate(std::size_t nodeIndex, const MObject& joint) const {
    const KeyPlan::Node& node = plan_.nodes[nodeIndex];
    MEulerRotation rotate;
    MFnTransform(joint).getRotation(rotate);
    for (unsigned axis = 0; axis < 3; ++axis) {
        if (node.curve[3 + axis] != KeyPlan::kUndecided || rotate[axis] == 0.0) continue;
        const MPlug plug(joint, attributeOf(joint, static_cast<int>(3 + axis)));
        if (!plug.isDestination()) return true;
    }
    return false;
}

}  // namespace bvhimport
