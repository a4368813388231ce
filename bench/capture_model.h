#pragma once
// A synthetic motion capture: a humanoid-like skeleton of any size and smooth, deterministic
// motion over it. Shared by the capture generator and the formatting floor so that both
// produce exactly the same numbers.

#include <cstddef>
#include <string>
#include <vector>

namespace bvhbench {

/// Frames per second of the generated captures, and the frame time line's text for it.
constexpr double kFramesPerSecond = 120.0;
constexpr const char* kFrameTimeText = "0.0083333";

/// One node of the skeleton. Nodes without children are written with an end site.
struct Joint {
    std::string name;
    int parent = -1;  ///< Index of the parent joint, -1 for the root.
    double offset[3] = {0, 0, 0};
    double amplitude = 0;  ///< Typical rotation range of the joint, in degrees.
    std::vector<int> children;
};

/// A skeleton and the order in which its joints appear in a file.
struct Skeleton {
    std::vector<Joint> joints;
    std::vector<int> fileOrder;  ///< Depth-first pre-order, root first.
    /// Values per frame line: 6 for the root, 3 for every other joint.
    int channelCount() const { return joints.empty() ? 0 : 3 + 3 * int(joints.size()); }
};

/// A humanoid-like skeleton with `jointCount` (at least 1) joints that carry channels.
/// 31 joints give a body with three fingers per hand; more joints add fingers and
/// phalanges (up to 65 joints), then face joints under the head. Fewer joints keep the
/// first ones of the 31-joint body (hips, spine, legs before arms and fingers).
Skeleton makeSkeleton(int jointCount);

/// Produces the channel values of consecutive frames: the root walks a circle (its heading
/// wraps from 180 to -180 degrees every lap), every joint swings with the gait cycle plus a
/// slow drift. Values come in file order: root Xposition Yposition Zposition Zrotation
/// Xrotation Yrotation, then Zrotation Xrotation Yrotation per joint.
class MotionSynth {
public:
    explicit MotionSynth(const Skeleton& skeleton);
    /// Fills `values` (resized to the channel count) with the values of frame `frame` (0-based).
    void frameValues(long frame, std::vector<double>& values) const;

private:
    struct Coefficients {
        double basis[6];
        double constant;
    };
    std::vector<Coefficients> rotation_;  // three per joint, in the file's channel order
};

/// Writes `value` as printf's "%g" does (6 significant digits) at `out` and returns the
/// end of the written text. `out` needs room for 16 characters.
char* formatValue(char* out, double value);

/// Writes the HIERARCHY section, "MOTION", "Frames:" and "Frame Time:" lines of a capture.
std::string hierarchyText(const Skeleton& skeleton, long frames);

/// The size of a capture as the benchmark programs take it on their command line:
/// --joints N (1..100000, default 31) --frames F (default 60000) --out PATH (required).
/// False, after a usage line naming `program` on standard error, when the flags are wrong.
bool parseCaptureArgs(const char* program, int argc, char** argv, long& joints, long& frames,
                      const char*& outPath);

}  // namespace bvhbench
