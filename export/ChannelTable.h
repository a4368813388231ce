#pragma once
// The joints of an export and the channels that their animated or driven attributes give.

#include <maya/MEulerRotation.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>

#include <string>
#include <vector>

#include "export/BvhText.h"
#include "plugin/JointRotation.h"

namespace bvhexport {

/// One entry of the joint list, in the order in which the MOTION lines carry the joints.
struct ExportJoint {
    MObject node;
    /// The BVH root, the topmost selected joint. Its position values are absolute; a joint below
    /// it writes them relative to its OFFSET.
    bool selected = false;
    /// No joint anywhere below it: written as an End Site, with no channels. The hierarchy
    /// writer and the channel collection both decide by this flag, so they cannot disagree.
    bool endSite = false;
    /// Some of its values come from attributes that connections drive (constraints, unit
    /// conversions, animation layers, driven keys): the rig was sampled.
    bool driven = false;
    int firstChannel = 0;  ///< index of its first entry in ChannelTable::channels
    int channelCount = 0;
};

/// Where an attribute's value at a sample time comes from.
struct AttributeSource {
    MPlug plug;
    /// A time-input animation curve whose output drives the attribute directly: evaluated
    /// itself, which gives the attribute's value and costs least. Null otherwise.
    MObject curve;
    /// Something else drives the attribute: its value is read in the sample's context.
    bool driven = false;
    /// The attribute's own value, when nothing drives it.
    double value = 0;
    bool moves() const { return driven || !curve.isNull(); }
};

/// A joint whose rotation channels carry its full local rotation (rotate axis, rotate values,
/// joint orient), because its rotate values alone are not what the host shows.
struct PoseJoint {
    explicit PoseJoint(const MObject& node) : frame(node) {}
    JointRotationPlugs frame;  ///< rotate axis and joint orient
    bool frameDriven = false;  ///< they change over time: read at every sample
    JointRotation rotation;    ///< their values when they do not
    MEulerRotation::RotationOrder order =
        MEulerRotation::kXYZ;   ///< of the rotate values and channels
    AttributeSource rotate[3];  ///< rotateX, Y, Z
};

/// One channel of the MOTION lines.
struct Channel {
    AttributeSource source;  ///< the channel's attribute (unused for a channel of a pose joint)
    ChannelKind kind = 0;    ///< 0..5: X/Y/Z position, X/Y/Z rotation
    bool rotation = false;   ///< written in degrees from radians
    double offset = 0;       ///< subtracted from a position value before scaling
    int pose = -1;  ///< index into ChannelTable::poses: the value is that joint's full rotation
};

/// The joints to export and their channels, joint by joint in joint-list order, the channels
/// of one joint consecutive and in the order of its CHANNELS line. `kinds` parallels
/// `channels` so that a joint's channel line can be written from it directly.
struct ChannelTable {
    std::vector<ExportJoint> joints;
    std::vector<Channel> channels;
    std::vector<ChannelKind> kinds;
    std::vector<PoseJoint> poses;
    /// Some value is read from driven attributes (see ExportJoint::driven).
    bool driven() const;
    /// Some channel's attribute moves (a curve or a connection drives it).
    bool moves() const;
};

/// Appends the BVH root, the topmost selected joint of the first selected joint's skeleton
/// (see selectedSkeletons), and then every joint below it in depth-first order (nodes that are
/// not joints are passed through, not listed). Other selected joints below the root are
/// listed once, with it; the partial path names of those that are not below it (a file has
/// one root) are appended to `leftOut`.
void gatherSelectedJoints(ChannelTable& table, std::vector<std::string>& leftOut);

/// True when some node below `node` in the DAG is a joint (or of a type derived from it).
bool hasJointBelow(const MObject& node);

/// Decides each joint's End Site flag and fills its channels from its translate and rotate
/// attributes that a curve or a connection drives: positions X, Y, Z first, then the
/// rotations in the reverse of the joint's rotation order. A joint that is an End Site gets no
/// channels. A joint with a joint orient, a rotate axis or a static rotate value other than
/// zero, or whose orient or axis a connection drives, gets all three rotation channels, which
/// carry its full local rotation (a PoseJoint), whatever is animated.
void collectChannels(ChannelTable& table);

}  // namespace bvhexport
