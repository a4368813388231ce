#include "capture_model.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace bvhbench {
namespace {

struct Template {
    const char* name;
    int parent;
    double x, y, z;
    double amplitude;
};

// The 31-joint body. Parents come before their children, and the order puts the trunk and
// legs first, so any prefix is itself a plausible skeleton.
const Template kBody[] = {
    {"Hips", -1, 0, 0, 0, 6},
    {"Spine", 0, 0, 9.5, -1, 6},
    {"LeftUpLeg", 0, 9, -6.5, 0, 35},
    {"RightUpLeg", 0, -9, -6.5, 0, 35},
    {"LeftLeg", 2, 0, -42, 0, 45},
    {"RightLeg", 3, 0, -42, 0, 45},
    {"LeftFoot", 4, 0, -40.5, -1.5, 20},
    {"RightFoot", 5, 0, -40.5, -1.5, 20},
    {"Spine1", 1, 0, 11, 0, 5},
    {"Spine2", 8, 0, 11, 0.5, 5},
    {"Neck", 9, 0, 15, 1, 8},
    {"Head", 10, 0, 9, 1.5, 12},
    {"LeftShoulder", 9, 4, 12, 0, 10},
    {"RightShoulder", 9, -4, 12, 0, 10},
    {"LeftArm", 12, 13, 0, 0, 40},
    {"RightArm", 13, -13, 0, 0, 40},
    {"LeftForeArm", 14, 27, 0, 0, 50},
    {"RightForeArm", 15, -27, 0, 0, 50},
    {"LeftHand", 16, 25, 0, 0, 20},
    {"RightHand", 17, -25, 0, 0, 20},
    {"LeftToeBase", 6, 0, -5, 12, 15},
    {"RightToeBase", 7, 0, -5, 12, 15},
    {"LeftHandThumb1", 18, 3, -1, 3, 25},
    {"RightHandThumb1", 19, -3, -1, 3, 25},
    {"LeftHandIndex1", 18, 9, 0, 2, 25},
    {"RightHandIndex1", 19, -9, 0, 2, 25},
    {"LeftHandMiddle1", 18, 9.5, 0, 0, 25},
    {"RightHandMiddle1", 19, -9.5, 0, 0, 25},
    // Body captures leave the face still: these channels hold zeros.
    {"Jaw", 11, 0, -1, 4, 0},
    {"LeftEye", 11, 3, 4, 8, 0},
    {"RightEye", 11, -3, 4, 8, 0},
};
constexpr int kBodySize = int(sizeof(kBody) / sizeof(kBody[0]));
constexpr int kHead = 11;

std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [-1, 1).
double signedUnit(std::uint64_t& state) {
    return double(splitmix(state) >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

int addJoint(Skeleton& s, const std::string& name, int parent, double x, double y, double z,
             double amplitude) {
    Joint j;
    j.name = name;
    j.parent = parent;
    j.offset[0] = x;
    j.offset[1] = y;
    j.offset[2] = z;
    j.amplitude = amplitude;
    s.joints.push_back(j);
    int index = int(s.joints.size()) - 1;
    if (parent >= 0) s.joints[parent].children.push_back(index);
    return index;
}

int findJoint(const Skeleton& s, const std::string& name) {
    for (std::size_t i = 0; i < s.joints.size(); ++i)
        if (s.joints[i].name == name) return int(i);
    return -1;
}

void addExtraJoints(Skeleton& s, int jointCount) {
    static const char* const kFingers[] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};
    static const char* const kSides[] = {"Left", "Right"};
    auto full = [&] { return int(s.joints.size()) >= jointCount; };
    // The two missing fingers of each hand, then three more phalanges on all ten.
    for (int finger = 3; finger < 5 && !full(); ++finger)
        for (int side = 0; side < 2 && !full(); ++side) {
            int hand = findJoint(s, std::string(kSides[side]) + "Hand");
            double sign = side == 0 ? 1 : -1;
            addJoint(s, std::string(kSides[side]) + "Hand" + kFingers[finger] + "1", hand, sign * 9,
                     0, -2.0 * (finger - 2), 25);
        }
    for (int level = 2; level <= 4 && !full(); ++level)
        for (int finger = 0; finger < 5 && !full(); ++finger)
            for (int side = 0; side < 2 && !full(); ++side) {
                std::string base = std::string(kSides[side]) + "Hand" + kFingers[finger];
                int parent = findJoint(s, base + std::to_string(level - 1));
                double sign = side == 0 ? 1 : -1;
                addJoint(s, base + std::to_string(level), parent, sign * 3, 0, 0, 30);
            }
    // Face joints under the head, as facial capture rigs have them.
    for (int face = 1; !full(); ++face)
        addJoint(s, "Face" + std::to_string(face), kHead, 0.1 * (face % 17) - 0.8,
                 0.2 * (face % 11), 7, 4);
}

void preorder(const Skeleton& s, int joint, std::vector<int>& out) {
    out.push_back(joint);
    for (int child : s.joints[joint].children) preorder(s, child, out);
}

void appendLine(std::string& text, int tabs, const std::string& line) {
    text.append(std::size_t(tabs), '\t');
    text += line;
    text += '\n';
}

std::string offsetLine(const double* offset) {
    std::string line = "OFFSET";
    char buffer[32];
    for (int axis = 0; axis < 3; ++axis) {
        line += ' ';
        line.append(buffer, formatValue(buffer, offset[axis]));
    }
    return line;
}

void writeBlock(const Skeleton& s, int joint, int depth, std::string& text) {
    const Joint& j = s.joints[joint];
    appendLine(text, depth, (depth == 0 ? "ROOT " : "JOINT ") + j.name);
    appendLine(text, depth, "{");
    if (depth == 0) {
        appendLine(text, depth + 1, "OFFSET 0 0 0");
        appendLine(text, depth + 1,
                   "CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation");
    } else {
        appendLine(text, depth + 1, offsetLine(j.offset));
        appendLine(text, depth + 1, "CHANNELS 3 Zrotation Xrotation Yrotation");
    }
    for (int child : j.children) writeBlock(s, child, depth + 1, text);
    if (j.children.empty()) {
        double end[3] = {0.5 * j.offset[0], 0.5 * j.offset[1], 0.5 * j.offset[2]};
        if (depth == 0) end[1] = 10;
        appendLine(text, depth + 1, "End Site");
        appendLine(text, depth + 1, "{");
        appendLine(text, depth + 2, offsetLine(end));
        appendLine(text, depth + 1, "}");
    }
    appendLine(text, depth, "}");
}

constexpr double kTwoPi = 6.283185307179586;
constexpr double kGaitHz = 0.9;
constexpr double kLapHz = 0.037;
constexpr double kLapRadius = 560;  // a 1.3 m/s walk in centimetres

}  // namespace

Skeleton makeSkeleton(int jointCount) {
    Skeleton s;
    if (jointCount < 1) jointCount = 1;
    for (int i = 0; i < kBodySize && i < jointCount; ++i) {
        const Template& t = kBody[i];
        addJoint(s, t.name, t.parent, t.x, t.y, t.z, t.amplitude);
    }
    addExtraJoints(s, jointCount);
    preorder(s, 0, s.fileOrder);
    return s;
}

MotionSynth::MotionSynth(const Skeleton& skeleton) {
    for (int joint : skeleton.fileOrder) {
        double amplitude = skeleton.joints[std::size_t(joint)].amplitude;
        for (int axis = 0; axis < 3; ++axis) {
            std::uint64_t state = std::uint64_t(joint) * 3 + std::uint64_t(axis) + 1;
            Coefficients c;
            for (int b = 0; b < 4; ++b) c.basis[b] = 0.6 * amplitude * signedUnit(state);
            for (int b = 4; b < 6; ++b) c.basis[b] = 0.3 * amplitude * signedUnit(state);
            c.constant = 0.3 * amplitude * signedUnit(state);
            rotation_.push_back(c);
        }
    }
}

void MotionSynth::frameValues(long frame, std::vector<double>& values) const {
    const std::size_t joints = rotation_.size() / 3;
    values.resize(joints == 0 ? 0 : 3 + rotation_.size());
    if (joints == 0) return;
    const double t = double(frame) / kFramesPerSecond;
    const double gait = kTwoPi * kGaitHz * t;
    const double lap = kTwoPi * kLapHz * t;
    const double basis[6] = {std::sin(gait),     std::cos(gait), std::sin(2 * gait),
                             std::cos(2 * gait), std::sin(lap),  std::cos(lap)};
    double* out = values.data();
    out[0] = kLapRadius * basis[4] + 2 * basis[0];
    out[1] = 92 + 1.5 * basis[3];
    out[2] = kLapRadius * basis[5];
    out += 3;
    for (const Coefficients& c : rotation_) {
        double v = c.constant;
        for (int b = 0; b < 6; ++b) v += c.basis[b] * basis[b];
        *out++ = v;
    }
    // The root's heading follows the lap and wraps into (-180, 180].
    double heading = std::fmod(360.0 * kLapHz * t + 90.0, 360.0);
    if (heading > 180.0) heading -= 360.0;
    values[5] = heading;
}

char* formatValue(char* out, double value) {
    if (value == 0) value = 0;  // no "-0"
    return std::to_chars(out, out + 16, value, std::chars_format::general, 6).ptr;
}

std::string hierarchyText(const Skeleton& skeleton, long frames) {
    std::string text = "HIERARCHY\n";
    if (!skeleton.joints.empty()) writeBlock(skeleton, 0, 0, text);
    text += "MOTION\nFrames: " + std::to_string(frames) + "\nFrame Time: " + kFrameTimeText + "\n";
    return text;
}

namespace {

bool parseCount(const char* text, long& out) {
    const char* end = text + std::strlen(text);
    auto r = std::from_chars(text, end, out);
    return r.ec == std::errc() && r.ptr == end && out >= 0;
}

}  // namespace

bool parseCaptureArgs(const char* program, int argc, char** argv, long& joints, long& frames,
                      const char*& outPath) {
    joints = 31;
    frames = 60000;
    outPath = nullptr;
    bool ok = true;
    for (int i = 1; ok && i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) {
            ok = false;
            break;
        }
        const char* value = argv[++i];
        if (flag == "--joints")
            ok = parseCount(value, joints) && joints >= 1 && joints <= 100000;
        else if (flag == "--frames")
            ok = parseCount(value, frames);
        else if (flag == "--out")
            outPath = value;
        else
            ok = false;
    }
    if (ok && outPath) return true;
    std::fprintf(stderr, "usage: %s --joints N --frames F --out PATH\n", program);
    return false;
}

}  // namespace bvhbench
