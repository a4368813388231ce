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
#include "import/ImportJob.h"
#include "plugin/Messages.h"
#include "plugin/NodeNames.h"

namespace bvhimport {

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

/// The curve of `attribute` on the node's joint, as its index in state.curves: found once per
/// read (the joint's own curve when the attribute is already animated, a new one otherwise)
/// and shared by every channel that names it. A curve new to the read gathers its keys for
/// one hand-over when it has none yet (`firstTime`: the read's key time it starts at).
int curveFor(ImportReadState& state, unsigned int nodeIndex, MFnDagNode& jointFn, int attribute,
             unsigned int firstTime) {
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
    return slot;
}

}  // namespace

void ImportJob::parseHierarchyLine(std::string_view line) {
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
            state_.error = "a joint name of " + std::to_string(name.size()) +
                           " characters is too long (at most " + std::to_string(kMaxNameLength) +
                           ")";
            return;
        }
        nameEnd = standsAlone ? q : headerPos + header.size();
        while (nameEnd < line.size() && line[nameEnd] != ' ') ++nameEnd;
        if (header == bvh::kRoot) {
            // Every ROOT starts a skeleton of its own directly under the import transform.
            state_.depth = 0;
            at(state_.depthNames, 0) = std::string(name);
        } else if (header == bvh::kJoint) {
            at(state_.depthNames, state_.depth) = std::string(name);
        } else {
            // "End" without a name is read as an end site.
            at(state_.depthNames, state_.depth) =
                name.empty() ? std::string(bvh::kSite) : std::string(name);
        }
    }
    const std::size_t skipBegin = headerPos == npos ? 0 : headerPos;
    const std::size_t skipEnd = headerPos == npos ? 0 : nameEnd;

    if (findOutside(line, bvh::kCloseBrace, skipBegin, skipEnd) != npos && state_.depth > 0)
        --state_.depth;

    const std::size_t offsetPos = findOutside(line, bvh::kOffset, skipBegin, skipEnd);
    if (offsetPos != npos) {
        if (state_.nodes.size() >= kMaxNodes) {
            state_.error = "more than " + std::to_string(kMaxNodes) + " joints and end sites";
            return;
        }
        bvh::splitBlanks(line.substr(offsetPos), state_.tokens, 4);
        double xyz[3] = {0, 0, 0};
        for (int axis = 0; axis < 3; ++axis) {
            // A missing number reads as 0.
            const std::size_t t = static_cast<std::size_t>(axis) + 1;
            if (t < state_.tokens.size())
                xyz[axis] = bvh::parseDouble(state_.tokens[t]) * settings_.scale;
        }
        const unsigned int depth = state_.depth;
        std::string& name = at(state_.depthNames, depth);
        const bool endSite = depth != 0 && name == bvh::kSite;
        if (endSite)
            name = bvhio::prefixedName(bvh::kEffectorPrefix,
                                       bvhio::hostNodeName(at(state_.depthNames, depth - 1)));

        ImportReadState::Node node;
        for (int axis = 0; axis < 3; ++axis) node.offset[axis] = xyz[axis];
        node.firstChannel = static_cast<int>(state_.channels.size());
        state_.nodes.push_back(node);

        if (settings_.importSkelton == 1) {
            MObject parent = importTransform_;
            if (depth != 0 && state_.depthJoints.size() >= depth &&
                !state_.depthJoints[depth - 1].isNull())
                parent = state_.depthJoints[depth - 1];
            if (depth == 0)
                for (int axis = 0; axis < 3; ++axis) settings_.rootOffset[axis] = xyz[axis];
            MFnIkJoint jointFn;
            MObject joint = jointFn.create(parent);
            // Without a name the joint keeps the name the host gave it. A name is handed over
            // as the host would hold it, its namespaces made where missing.
            if (!name.empty()) {
                const MString given = jointFn.setName(toMString(bvhio::hostNodeName(name)), true);
                // An end site's name follows its parent's; only the file's own names count.
                if (!endSite && std::string_view(given.asChar(), given.length()) != name)
                    state_.renamed.note(name, given.asChar());
            }
            jointFn.setTranslation(MVector(xyz[0], xyz[1], xyz[2]), MSpace::kTransform);
            at(state_.depthJoints, depth) = joint;
            state_.joints.append(joint);
        } else if (settings_.importSkelton == 2 && settings_.matchBy == "name") {
            state_.joints.append(targetByName(name));
        }
        ++state_.jointIndex;
        ++state_.depth;
    }

    const std::size_t channelsPos = findOutside(line, bvh::kChannels, skipBegin, skipEnd);
    if (channelsPos != npos && settings_.importAnimation == 1 && state_.jointIndex >= 0 &&
        state_.jointIndex < static_cast<int>(state_.joints.length()) &&
        (settings_.importSkelton == 1 || settings_.importSkelton == 2))
        parseChannelsLine(line, channelsPos);
}

void ImportJob::parseChannelsLine(std::string_view line, std::size_t keywordPos) {
    // The keyword, the count and the names; one token more tells a line with too many.
    bvh::splitBlanks(line.substr(keywordPos), state_.tokens, kMaxChannelsPerLine + 3);
    if (state_.tokens.size() > kMaxChannelsPerLine + 2) {
        state_.error = "a CHANNELS line with more than " + std::to_string(kMaxChannelsPerLine) +
                       " channel names";
        return;
    }
    const unsigned int nodeIndex = static_cast<unsigned int>(state_.jointIndex);
    MObject joint = state_.joints[nodeIndex];
    const bool unmatched = joint.isNull();
    MFnDagNode jointFn(joint);
    std::string order;  // rotation axes, first channel first (reversed below)
    int rotations = 0;
    // Unknown names are warned about once each, the first few of them by name.
    constexpr std::size_t kUnknownNamesShown = 8;
    std::vector<std::string_view> unknownShown;
    std::size_t unknownMore = 0;
    const std::size_t first = std::min<std::size_t>(2, state_.tokens.size());
    for (std::size_t t = first; t < state_.tokens.size(); ++t) {
        const std::string_view name = state_.tokens[t];
        ImportReadState::Channel channel;
        const int index = bvh::channelIndex(name);
        if (unmatched) {
            // A node that no joint took by name keeps its place in the frame lines only.
        } else if (index < 0) {
            // The channel keeps its place in the frame lines, so the channels after it still
            // line up, but its values go nowhere.
            if (std::find(unknownShown.begin(), unknownShown.end(), name) == unknownShown.end()) {
                if (unknownShown.size() < kUnknownNamesShown) {
                    unknownShown.push_back(name);
                    bvhio::reportWarning(
                        bvhio::fileLine(path_, state_.lineNumber),
                        bvhio::textOf("unknown channel \"", bvh::clippedForMessage(name),
                                      "\"; its values are skipped"));
                } else {
                    ++unknownMore;
                }
            }
        } else {
            channel.attribute = index;
            if (index >= 3) {
                ++rotations;
                order.push_back("XYZ"[index - 3]);
            }
            channel.curve = curveFor(state_, nodeIndex, jointFn, index, keyTimes_.length());
        }
        state_.channels.push_back(channel);
    }
    if (unknownMore > 0)
        bvhio::reportWarning(
            bvhio::fileLine(path_, state_.lineNumber),
            bvhio::textOf(unknownMore, " more unknown channels; their values are skipped"));
    ImportReadState::Node& node = state_.nodes[nodeIndex];
    node.channelCount = static_cast<int>(state_.channels.size()) - node.firstChannel;
    if (unmatched) return;
    std::reverse(order.begin(), order.end());  // the last channel first
    node.rotationCount += rotations;
    const int fileOrder = bvh::orderIndex(order);
    node.fileEulerOrder = fileOrder < 0 ? 0 : fileOrder;
    node.fullRotation = rotations == 3 && fileOrder >= 0;

    const bool fromFile = settings_.rotationOrder == "auto";
    if (fromFile) settings_.rotationOrder = order;
    settings_.fileRotationOrder = node.fileEulerOrder;
    // The host holds only the six orders: any other text gives XYZ, for the joints and for
    // the conversion of the file's rotations alike, so the poses stay right.
    if (bvh::orderIndex(settings_.rotationOrder) < 0 && !orderWarned_) {
        orderWarned_ = true;
        bvhio::reportWarning(
            bvhio::fileLine(path_, state_.lineNumber),
            fromFile
                ? bvhio::textOf("rotationOrder=auto: the first CHANNELS line has no three "
                                "rotations about X, Y and Z; joints get the order XYZ")
                : bvhio::textOf("rotationOrder=", bvh::clippedForMessage(settings_.rotationOrder),
                                " is not XYZ, YZX, ZXY, XZY, YXZ, ZYX or auto; joints get "
                                "the order XYZ"));
    }
    if (rotations == 2 && order[0] != order[1]) {
        // Two axes turned in the other order than the target's: read as a rotation of three
        // axes with the missing one at 0 (anywhere in the order, since it turns nothing) and
        // converted as a whole, which gives the missing axis a curve of its own.
        const std::string_view target =
            bvh::kOrderNames[bvh::orderIndexOrXYZ(settings_.rotationOrder)];
        if (target.find(order[0]) > target.find(order[1])) {
            const char missing = static_cast<char>('X' + 'Y' + 'Z' - order[0] - order[1]);
            node.fileEulerOrder = bvh::orderIndex(order + missing);
            node.fullRotation = true;
            node.missingAxis = missing - 'X';
            curveFor(state_, nodeIndex, jointFn, 3 + node.missingAxis, keyTimes_.length());
        }
    }
    // A joint built in the host turns the rotate values by its rotate axis and joint orient:
    // keyed with the file's angles it would come out twisted, so all three of its rotate
    // curves take the angles that make its whole rotation the file's.
    if (settings_.importSkelton == 2 && node.rotationCount > 0) {
        node.rotation = readJointRotation(joint);
        node.posed = !node.rotation.plain;
    }
    if (node.posed) {
        for (int attribute = 3; attribute < 6; ++attribute)
            curveFor(state_, nodeIndex, jointFn, attribute, keyTimes_.length());
        for (std::size_t c = static_cast<std::size_t>(node.firstChannel);
             c < state_.channels.size(); ++c)
            if (state_.channels[c].attribute >= 3) state_.channels[c].curve = -1;
    }
    MFnIkJoint orderFn(joint);
    orderFn.setRotationOrder(static_cast<MTransformationMatrix::RotationOrder>(bvh::transformOrder(
                                 bvh::orderIndexOrXYZ(settings_.rotationOrder))),
                             true);
}

}  // namespace bvhimport
