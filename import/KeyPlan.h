#pragma once
// Where the values of a file's channels go: the curves of the joints that a read keys,
// decided for every node and attribute before the first key is set.

#include <maya/MFnAnimCurve.h>
#include <maya/MObject.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "plugin/JointRotation.h"

namespace bvhimport {

/// Per node of the file (same index as bvh::HierarchyTable::nodes) and per channel (same index
/// as its channels), what a frame value turns into and which curve gets it.
struct KeyPlan {
    static constexpr int kUndecided = -1;
    static constexpr int kLeftAlone = -2;
    struct Node {
        std::size_t firstChannel = 0;  ///< its channels are [firstChannel, firstChannel + channelCount)
        std::size_t channelCount = 0;
        int rotationCount = 0;
        double offset[3] = {0, 0, 0};  ///< OFFSET times scale, added to position values
        int fileEulerOrder = 0;        ///< order of its own rotation channels (MEulerRotation)
        bool fullRotation = false;     ///< rotation converted as a whole into the target order
        int missingAxis = -1;          ///< 0..2: the axis that two rotation channels leave out
        /// Its three rotate curves are keyed with angles that make its whole local rotation
        /// the file's: a target joint turned by a joint orient or rotate axis, or holding a
        /// static rotate value on an axis the file does not key.
        bool posed = false;
        int pose = -1;  ///< index into poses when posed
        /// Per attribute: index into curves; kUndecided, or kLeftAlone when a connection that
        /// no key can set drives it.
        int curve[6] = {kUndecided, kUndecided, kUndecided, kUndecided, kUndecided, kUndecided};
    };
    struct Channel {
        int attribute = -1;  ///< 0..5 translateX..rotateZ; -1 when its values go nowhere
        int curve = -1;      ///< index into curves; -1 when no curve takes its values as they are
    };

    std::vector<Node> nodes;
    std::vector<Channel> channels;
    std::vector<JointRotation> poses;
    /// A curve the read keys.
    struct Curve {
        std::unique_ptr<MFnAnimCurve> fn;
        /// It held keys before the read (they are then set one at a time, as their interplay
        /// with existing keys asks).
        bool hadKeys = false;
        /// The attribute shows the curve's value times this (a unit conversion between them, 1
        /// without): keys are the file's values divided by it.
        double factor = 1;
    };
    /// Every curve the read keys, once; channels that name the same attribute share one.
    std::vector<Curve> curves;
    /// The values a frame line must hold to be keyed: the channels of the nodes the read
    /// matched or built, which come first in the file.
    std::size_t channelsUsed = 0;
    /// MEulerRotation order that rotations are keyed in.
    int targetOrder = 0;
};

}  // namespace bvhimport
