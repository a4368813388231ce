// The HIERARCHY section: joints, their offsets and the binding of channels to curves.

#include <maya/MAnimUtil.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>

#include <algorithm>
#include <memory>
#include <string>

#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "import/BvhImport.h"
#include "plugin/Messages.h"
#include "plugin/NodeNames.h"

namespace {

// Limits far beyond any capture, so that a damaged file is refused before it fills the host's
// memory with names or channels: a joint's name, and the channels of one CHANNELS line.
constexpr std::size_t kMaxNameLength = 65536;
constexpr std::size_t kMaxChannelsPerLine = 10000;
// The nodes of a file (ROOT, JOINT and End Site blocks): real skeletons have hundreds; a file
// of millions would take the host minutes and gigabytes before its first key.
constexpr std::size_t kMaxNodes = 100000;

constexpr std::size_t npos = std::string_view::npos;

// A keyword found outside [skipBegin, skipEnd): the name of a block may contain keyword
// text ("LeftFootEnd", "OFFSETJoint"), which must not act as a keyword of its own.
std::size_t findOutside(std::string_view line, std::string_view word, std::size_t skipBegin,
                        std::size_t skipEnd) {
    std::size_t pos = line.find(word);
    while (pos != npos && pos < skipEnd && pos + word.size() > skipBegin)
        pos = line.find(word, skipEnd > pos ? skipEnd : pos + 1);
    return pos;
}

template <typename T>
T& at(std::vector<T>& list, std::size_t index) {
    if (list.size() <= index) list.resize(index + 1);
    return list[index];
}

MString toMString(std::string_view text) {
    return MString(text.data(), static_cast<int>(text.size()));
}

/// The curve of `attribute` on the node's joint: found once per read (the joint's own curve
/// when the attribute is already animated, a new one otherwise) and shared by every channel
/// that names it.
/// The curve of `attribute` of node `nodeIndex`, found or made once per read; a curve new to
/// the read gathers its keys for one hand-over when it has none yet (`firstTime`: the read's
/// key time it starts at).
MFnAnimCurve* curveFor(ImportReadState& state, unsigned int nodeIndex, MFnDagNode& jointFn,
                       int attribute, unsigned int firstTime) {
    int& slot = state.nodes[nodeIndex].curve[attribute];
    if (slot < 0) {
        MObject joint = jointFn.object();
        const MObject attr = jointFn.attribute(toMString(bvh::kAttributeNames[attribute]));
        MPlug plug(joint, attr);
        MObjectArray curves;
        MObject curve;
        if (MAnimUtil::isAnimated(plug, false) && MAnimUtil::findAnimation(plug, curves) &&
            curves.length() > 0) {
            curve = curves[0];
        } else {
            MFnAnimCurve creator;
            curve = creator.create(joint, attr);
        }
        slot = static_cast<int>(state.curves.size());
        state.curves.push_back(std::make_unique<MFnAnimCurve>(curve));
        state.curveKeys.push_back(state.gatherKeys && state.curves.back()->numKeys() == 0
                                      ? std::make_unique<CurveKeys>(firstTime)
                                      : nullptr);
    }
    return state.curves[static_cast<std::size_t>(slot)].get();
}

}  // namespace

void BvhImport::parseHierarchyLine(std::string_view line, ImportReadState& state) {
    // The block keyword of a header line is the first of ROOT, JOINT and End in the line;
    // the token after it is the block's name.
    std::size_t headerPos = npos;
    std::string_view header;
    for (std::string_view word : {bvh::kRoot, bvh::kJoint, bvh::kEnd}) {
        const std::size_t pos = line.find(word);
        if (pos < headerPos) {
            headerPos = pos;
            header = word;
        }
    }
    std::size_t nameEnd = headerPos;
    if (headerPos != npos) {
        std::size_t p = headerPos + header.size();
        // The keyword must stand as a word of its own to take the next token as the name
        // ("EndSite" at the start of a name token is not an end-site line).
        const bool standsAlone = p == line.size() || line[p] == ' ';
        while (p < line.size() && line[p] == ' ') ++p;
        std::size_t q = p;
        while (q < line.size() && line[q] != ' ') ++q;
        std::string_view name = standsAlone ? line.substr(p, q - p) : std::string_view();
        if (name.size() > kMaxNameLength) {
            state.error = "a joint name of " + std::to_string(name.size()) +
                          " characters is too long (at most " + std::to_string(kMaxNameLength) +
                          ")";
            return;
        }
        nameEnd = standsAlone ? q : headerPos + header.size();
        while (nameEnd < line.size() && line[nameEnd] != ' ') ++nameEnd;
        if (header == bvh::kRoot) {
            // Every ROOT starts a skeleton of its own directly under the import transform.
            state.depth = 0;
            at(state.depthNames, 0) = std::string(name);
        } else if (header == bvh::kJoint) {
            at(state.depthNames, state.depth) = std::string(name);
        } else {
            // "End" without a name is read as an end site.
            at(state.depthNames, state.depth) = name.empty() ? std::string(bvh::kSite)
                                                              : std::string(name);
        }
    }
    const std::size_t skipBegin = headerPos == npos ? 0 : headerPos;
    const std::size_t skipEnd = headerPos == npos ? 0 : nameEnd;

    if (findOutside(line, bvh::kCloseBrace, skipBegin, skipEnd) != npos && state.depth > 0)
        --state.depth;

    const std::size_t offsetPos = findOutside(line, bvh::kOffset, skipBegin, skipEnd);
    if (offsetPos != npos) {
        if (state.nodes.size() >= kMaxNodes) {
            state.error = "more than " + std::to_string(kMaxNodes) + " joints and end sites";
            return;
        }
        bvh::splitBlanks(line.substr(offsetPos), state.tokens, 4);
        double xyz[3] = {0, 0, 0};
        for (int axis = 0; axis < 3; ++axis) {
            // A missing number reads as 0.
            const std::size_t t = static_cast<std::size_t>(axis) + 1;
            if (t < state.tokens.size()) xyz[axis] = bvh::parseDouble(state.tokens[t]) * scale;
        }
        const unsigned int depth = state.depth;
        std::string& name = at(state.depthNames, depth);
        const bool endSite = depth != 0 && name == bvh::kSite;
        if (endSite)
            name = bvhio::prefixedName(bvh::kEffectorPrefix,
                                       bvhio::hostNodeName(at(state.depthNames, depth - 1)));

        ImportReadState::Node node;
        for (int axis = 0; axis < 3; ++axis) node.offset[axis] = xyz[axis];
        node.firstChannel = static_cast<int>(state.channels.size());
        state.nodes.push_back(node);

        if (importSkelton == 1) {
            MObject parent = importTransform;
            if (depth != 0 && state.depthJoints.size() >= depth &&
                !state.depthJoints[depth - 1].isNull())
                parent = state.depthJoints[depth - 1];
            if (depth == 0)
                for (int axis = 0; axis < 3; ++axis) rootOffset[axis] = xyz[axis];
            MFnIkJoint jointFn;
            MObject joint = jointFn.create(parent);
            // Without a name the joint keeps the name the host gave it. A name is handed over
            // as the host would hold it, its namespaces made where missing.
            if (!name.empty()) {
                const MString given = jointFn.setName(toMString(bvhio::hostNodeName(name)), true);
                // An end site's name follows its parent's; only the file's own names count.
                if (!endSite && std::string_view(given.asChar(), given.length()) != name)
                    state.renamed.note(name, given.asChar());
            }
            jointFn.setTranslation(MVector(xyz[0], xyz[1], xyz[2]), MSpace::kTransform);
            at(state.depthJoints, depth) = joint;
            state.joints.append(joint);
        } else if (importSkelton == 2 && matchBy == "name") {
            state.joints.append(targetByName(state, name));
        }
        ++state.jointIndex;
        ++state.depth;
    }

    const std::size_t channelsPos = findOutside(line, bvh::kChannels, skipBegin, skipEnd);
    if (channelsPos != npos && importAnimation == 1 && state.jointIndex >= 0 &&
        state.jointIndex < static_cast<int>(state.joints.length()) &&
        (importSkelton == 1 || importSkelton == 2))
        parseChannelsLine(line, channelsPos, state);
}

void BvhImport::parseChannelsLine(std::string_view line, std::size_t keywordPos,
                                  ImportReadState& state) {
    // The keyword, the count and the names; one token more tells a line with too many.
    bvh::splitBlanks(line.substr(keywordPos), state.tokens, kMaxChannelsPerLine + 3);
    if (state.tokens.size() > kMaxChannelsPerLine + 2) {
        state.error = "a CHANNELS line with more than " + std::to_string(kMaxChannelsPerLine) +
                      " channel names";
        return;
    }
    const unsigned int nodeIndex = static_cast<unsigned int>(state.jointIndex);
    MObject joint = state.joints[nodeIndex];
    const bool unmatched = joint.isNull();
    MFnDagNode jointFn(joint);
    std::string order;  // rotation axes, first channel first (reversed below)
    int positions = 0;
    int rotations = 0;
    // Unknown names are warned about once each, the first few of them by name.
    constexpr std::size_t kUnknownNamesShown = 8;
    std::vector<std::string_view> unknownShown;
    std::size_t unknownMore = 0;
    const std::size_t first = std::min<std::size_t>(2, state.tokens.size());
    for (std::size_t t = first; t < state.tokens.size(); ++t) {
        const std::string_view name = state.tokens[t];
        ImportReadState::Channel channel;
        channel.node = static_cast<int>(nodeIndex);
        const int index = bvh::channelIndex(name);
        if (unmatched) {
            // A node that no joint took by name keeps its place in the frame lines only.
        } else if (index < 0) {
            // The channel keeps its place in the frame lines, so the channels after it still
            // line up, but its values go nowhere.
            if (std::find(unknownShown.begin(), unknownShown.end(), name) == unknownShown.end()) {
                if (unknownShown.size() < kUnknownNamesShown) {
                    unknownShown.push_back(name);
                    bvhio::reportWarning(bvhio::fileLine(path_, state.lineNumber),
                                         bvhio::textOf("unknown channel \"",
                                                       bvh::clippedForMessage(name),
                                                       "\"; its values are skipped"));
                } else {
                    ++unknownMore;
                }
            }
        } else {
            channel.attribute = index;
            if (index < 3) {
                ++positions;
            } else {
                ++rotations;
                order.push_back("XYZ"[index - 3]);
            }
            channel.curveFn = curveFor(state, nodeIndex, jointFn, index, keyTimes.length());
            channel.curve = state.nodes[nodeIndex].curve[index];
        }
        state.channels.push_back(channel);
    }
    if (unknownMore > 0)
        bvhio::reportWarning(
            bvhio::fileLine(path_, state.lineNumber),
            bvhio::textOf(unknownMore, " more unknown channels; their values are skipped"));
    ImportReadState::Node& node = state.nodes[nodeIndex];
    node.channelCount = static_cast<int>(state.channels.size()) - node.firstChannel;
    if (unmatched) return;
    std::reverse(order.begin(), order.end());  // the last channel first
    node.positionCount += positions;
    node.rotationCount += rotations;
    const int fileOrder = bvh::orderIndex(order);
    node.fileEulerOrder = fileOrder < 0 ? 0 : fileOrder;
    node.fullRotation = rotations == 3 && fileOrder >= 0;

    const bool fromFile = rotationOrder == "auto";
    if (fromFile) rotationOrder = MString(order.c_str());
    fileRotationOrder = node.fileEulerOrder;
    // The host holds only the six orders: any other text gives XYZ, for the joints and for
    // the conversion of the file's rotations alike, so the poses stay right.
    if (bvh::orderIndex(rotationOrder.asChar()) < 0 && !orderWarned_) {
        orderWarned_ = true;
        bvhio::reportWarning(
            bvhio::fileLine(path_, state.lineNumber),
            fromFile ? bvhio::textOf("rotationOrder=auto: the first CHANNELS line has no three "
                                     "rotations about X, Y and Z; joints get the order XYZ")
                     : bvhio::textOf("rotationOrder=", bvh::clippedForMessage(rotationOrder.asChar()),
                                     " is not XYZ, YZX, ZXY, XZY, YXZ, ZYX or auto; joints get "
                                     "the order XYZ"));
    }
    if (rotations == 2 && order[0] != order[1]) {
        // Two axes turned in the other order than the target's: read as a rotation of three
        // axes with the missing one at 0 (anywhere in the order, since it turns nothing) and
        // converted as a whole, which gives the missing axis a curve of its own.
        const std::string_view target =
            bvh::kOrderNames[bvh::orderIndexOrXYZ(rotationOrder.asChar())];
        if (target.find(order[0]) > target.find(order[1])) {
            const char missing = static_cast<char>('X' + 'Y' + 'Z' - order[0] - order[1]);
            node.fileEulerOrder = bvh::orderIndex(order + missing);
            node.fullRotation = true;
            node.missingAxis = missing - 'X';
            curveFor(state, nodeIndex, jointFn, 3 + node.missingAxis, keyTimes.length());
        }
    }
    // A joint built in the host turns the rotate values by its rotate axis and joint orient:
    // keyed with the file's angles it would come out twisted, so all three of its rotate
    // curves take the angles that make its whole rotation the file's.
    if (importSkelton == 2 && node.rotationCount > 0) {
        node.rotation = readJointRotation(joint);
        node.posed = !node.rotation.plain;
    }
    if (node.posed) {
        for (int attribute = 3; attribute < 6; ++attribute)
            curveFor(state, nodeIndex, jointFn, attribute, keyTimes.length());
        for (std::size_t c = static_cast<std::size_t>(node.firstChannel); c < state.channels.size();
             ++c)
            if (state.channels[c].attribute >= 3) state.channels[c].curveFn = nullptr;
    }
    MFnIkJoint orderFn(joint);
    orderFn.setRotationOrder(
        static_cast<MTransformationMatrix::RotationOrder>(
            bvh::transformOrder(bvh::orderIndexOrXYZ(rotationOrder.asChar()))),
        true);
}
