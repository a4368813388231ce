#include "bvh_reference.h"

#include <gtest/gtest.h>
#include <maya/MAnimUtil.h>
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFileObject.h>
#include <maya/MFn.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MQuaternion.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MVector.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "import/BvhImport.h"
#include "standin/Standin.h"

namespace bvhref {

namespace {

class Tokens {
public:
    explicit Tokens(const std::string& text) {
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            const std::size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            if (i > start) list_.push_back(text.substr(start, i - start));
        }
    }
    bool done() const { return pos_ >= list_.size(); }
    const std::string& peek() const {
        static const std::string empty;
        return done() ? empty : list_[pos_];
    }
    std::string take() { return done() ? std::string() : list_[pos_++]; }
    std::size_t position() const { return pos_; }

private:
    std::vector<std::string> list_;
    std::size_t pos_ = 0;
};

bool toNumber(const std::string& token, double& value) {
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (begin < end && *begin == '+') ++begin;
#if BVHIO_NUMBER_FALLBACK
    // No std::from_chars for double (libc++): strtod, held to what from_chars takes (no
    // blank, no hexadecimal, nothing out of range).
    if (begin == end || *begin == ' ' || token.find_first_of("xX") != std::string::npos)
        return false;
    errno = 0;
    char* stop = nullptr;
    value = std::strtod(begin, &stop);
    return stop == end && errno != ERANGE;
#else
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end;
#endif
}

struct Parser {
    Tokens tokens;
    BvhFile& out;
    std::string& error;

    bool fail(const std::string& what) {
        error = "token " + std::to_string(tokens.position()) + ": " + what + " (found \"" +
                tokens.peek() + "\")";
        return false;
    }
    bool expect(const std::string& word) {
        if (tokens.peek() != word) return fail("expected \"" + word + "\"");
        tokens.take();
        return true;
    }
    bool number(double& value) {
        if (!toNumber(tokens.peek(), value)) return fail("expected a number");
        tokens.take();
        return true;
    }

    // A block whose header keyword has been consumed.
    bool block(int parent, int depth, bool endSite) {
        Node node;
        node.parent = parent;
        node.depth = depth;
        node.endSite = endSite;
        if (tokens.done()) return fail("expected a name");
        node.name = tokens.take();
        if (!expect("{") || !expect("OFFSET")) return false;
        for (double& v : node.offset)
            if (!number(v)) return false;
        node.firstChannel = out.channelCount;
        if (!endSite && tokens.peek() == "CHANNELS") {
            tokens.take();
            double count = 0;
            if (!number(count) || count < 0 || count != std::floor(count))
                return fail("expected a channel count");
            for (int i = 0; i < static_cast<int>(count); ++i) {
                if (tokens.done()) return fail("expected a channel name");
                node.channels.push_back(tokens.take());
            }
            out.channelCount += node.channels.size();
        }
        const int index = static_cast<int>(out.nodes.size());
        out.nodes.push_back(node);
        for (;;) {
            const std::string word = tokens.peek();
            if (word == "}") {
                tokens.take();
                return true;
            }
            if (endSite) return fail("expected \"}\" closing an end site");
            if (word == "JOINT") {
                tokens.take();
                if (!block(index, depth + 1, false)) return false;
            } else if (word == "End") {
                tokens.take();
                if (!block(index, depth + 1, true)) return false;
            } else {
                return fail("expected JOINT, End or \"}\"");
            }
        }
    }

    bool file() {
        if (!expect("HIERARCHY")) return false;
        if (tokens.peek() != "ROOT") return fail("expected ROOT");
        while (tokens.peek() == "ROOT") {
            tokens.take();
            if (!block(-1, 0, false)) return false;
        }
        if (!expect("MOTION")) return false;
        if (tokens.peek() == "Frames:") {
            tokens.take();
            double frames = 0;
            if (!number(frames)) return false;
            out.declaredFrames = static_cast<long>(frames);
        }
        if (tokens.peek() == "Frame") {
            tokens.take();
            if (!expect("Time:") || !number(out.frameTime)) return false;
        }
        std::vector<double> values;
        while (!tokens.done()) {
            double v = 0;
            if (!number(v)) return false;
            values.push_back(v);
        }
        if (out.channelCount == 0) {
            if (!values.empty()) return fail("frame values without channels");
            return true;
        }
        if (values.size() % out.channelCount != 0) {
            error = std::to_string(values.size()) + " frame values are not a whole number of " +
                    std::to_string(out.channelCount) + "-channel frames";
            return false;
        }
        for (std::size_t i = 0; i < values.size(); i += out.channelCount)
            out.frames.emplace_back(values.begin() + static_cast<std::ptrdiff_t>(i),
                                    values.begin() + static_cast<std::ptrdiff_t>(i) +
                                        static_cast<std::ptrdiff_t>(out.channelCount));
        return true;
    }
};

int positionAxis(const std::string& channel) {
    if (channel == "Xposition") return 0;
    if (channel == "Yposition") return 1;
    if (channel == "Zposition") return 2;
    return -1;
}

char rotationAxis(const std::string& channel) {
    if (channel == "Xrotation") return 'X';
    if (channel == "Yrotation") return 'Y';
    if (channel == "Zrotation") return 'Z';
    return 0;
}

// World transform as rotation + translation.
struct Frame {
    Mat3 r = identity();
    Vec3 t{0, 0, 0};
};

Frame compose(const Frame& parent, const Vec3& translation, const Mat3& rotation) {
    Frame f;
    const Vec3 moved = apply(parent.r, translation);
    for (int i = 0; i < 3; ++i) f.t[static_cast<std::size_t>(i)] = parent.t[i] + moved[i];
    f.r = multiply(parent.r, rotation);
    return f;
}

MPlug plugOf(const std::string& path, const std::string& attribute) {
    MObject node = standin::findNode(path);
    if (node.isNull()) return MPlug();
    MFnDagNode fn(node);
    MObject attr = fn.attribute(MString(attribute.c_str()));
    return MPlug(node, attr);
}

std::vector<std::string>& tempFiles() {
    static std::vector<std::string> files;
    return files;
}

}  // namespace

bool parseBvh(const std::string& text, BvhFile& out, std::string& error) {
    out = BvhFile();
    Parser parser{Tokens(text), out, error};
    return parser.file();
}

bool loadBvh(const std::string& path, BvhFile& out, std::string& error) {
    std::string bytes;
    if (!readFile(path, bytes)) {
        error = path + ": cannot be read";
        return false;
    }
    if (!parseBvh(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

Mat3 identity() { return {1, 0, 0, 0, 1, 0, 0, 0, 1}; }

Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k)
                s +=
                    a[static_cast<std::size_t>(i * 3 + k)] * b[static_cast<std::size_t>(k * 3 + j)];
            m[static_cast<std::size_t>(i * 3 + j)] = s;
        }
    return m;
}

Vec3 apply(const Mat3& m, const Vec3& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Mat3 axisRotation(char axis, double radians) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    switch (axis) {
        case 'X':
            return {1, 0, 0, 0, c, -s, 0, s, c};
        case 'Y':
            return {c, 0, s, 0, 1, 0, -s, 0, c};
        case 'Z':
            return {c, -s, 0, s, c, 0, 0, 0, 1};
        default:
            return identity();
    }
}

Mat3 channelRotation(const std::vector<std::string>& channels, const std::vector<double>& values,
                     double pi) {
    Mat3 r = identity();
    for (std::size_t i = 0; i < channels.size() && i < values.size(); ++i) {
        const char axis = rotationAxis(channels[i]);
        if (axis) r = multiply(r, axisRotation(axis, values[i] * pi / 180.0));
    }
    return r;
}

Mat3 hostRotation(double x, double y, double z, const std::string& order) {
    const std::string name = order.size() == 3 ? order : std::string("XYZ");
    Mat3 r = identity();
    // The first letter is applied first, so it is the innermost factor.
    for (char axis : name) {
        const double angle = axis == 'X' ? x : axis == 'Y' ? y : z;
        r = multiply(axisRotation(axis, angle), r);
    }
    return r;
}

std::string transformOrderName(int transformOrder) {
    static const char* const kNames[] = {"XYZ", "YZX", "ZXY", "XZY", "YXZ", "ZYX"};
    if (transformOrder < 1 || transformOrder > 6) return "XYZ";
    return kNames[transformOrder - 1];
}

double maxDifference(const Mat3& a, const Mat3& b) {
    double d = 0;
    for (std::size_t i = 0; i < 9; ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

Mat3 fileLocalRotation(const BvhFile& file, std::size_t node, std::size_t frame, double pi) {
    const Node& n = file.nodes.at(node);
    if (frame >= file.frames.size()) return identity();
    const std::vector<double>& values = file.frames[frame];
    std::vector<double> own(values.begin() + static_cast<std::ptrdiff_t>(n.firstChannel),
                            values.begin() + static_cast<std::ptrdiff_t>(n.firstChannel) +
                                static_cast<std::ptrdiff_t>(n.channels.size()));
    return channelRotation(n.channels, own, pi);
}

Vec3 fileLocalTranslation(const BvhFile& file, std::size_t node, std::size_t frame, double scale) {
    const Node& n = file.nodes.at(node);
    Vec3 t = n.offset;
    if (frame < file.frames.size()) {
        const std::vector<double>& values = file.frames[frame];
        for (std::size_t i = 0; i < n.channels.size(); ++i) {
            const int axis = positionAxis(n.channels[i]);
            if (axis >= 0) t[static_cast<std::size_t>(axis)] += values[n.firstChannel + i];
        }
    }
    for (double& v : t) v *= scale;
    return t;
}

std::vector<Vec3> fileWorldPositions(const BvhFile& file, std::size_t frame, double scale,
                                     double pi) {
    std::vector<Frame> world(file.nodes.size());
    std::vector<Vec3> positions(file.nodes.size());
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        const Node& n = file.nodes[i];
        const Frame parent = n.parent < 0 ? Frame() : world[static_cast<std::size_t>(n.parent)];
        world[i] = compose(parent, fileLocalTranslation(file, i, frame, scale),
                           fileLocalRotation(file, i, frame, pi));
        positions[i] = world[i].t;
    }
    return positions;
}

double restPoseSize(const BvhFile& file, double scale) {
    const std::vector<Vec3> rest = fileWorldPositions(file, file.frames.size() + 1, scale);
    if (rest.empty()) return 0.0;
    Vec3 lo = rest[0];
    Vec3 hi = rest[0];
    for (const Vec3& p : rest)
        for (std::size_t a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    return std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                     (hi[2] - lo[2]) * (hi[2] - lo[2]));
}

std::vector<std::string> sceneJointPaths(const std::string& rootPath) {
    std::vector<std::string> paths;
    MObject root = standin::findNode(rootPath);
    if (root.isNull()) return paths;
    std::vector<MObject> stack{root};
    while (!stack.empty()) {
        MObject node = stack.back();
        stack.pop_back();
        if (node.hasFn(MFn::kJoint)) paths.push_back(standin::fullPath(node));
        MFnDagNode fn(node);
        for (unsigned int i = fn.childCount(); i-- > 0;) stack.push_back(fn.child(i));
    }
    return paths;
}

std::string sceneName(const std::string& path) {
    MObject node = standin::findNode(path);
    if (node.isNull()) return "";
    MFnDagNode fn(node);
    return fn.name().asChar();
}

std::vector<std::pair<double, double>> curveKeys(const std::string& path,
                                                 const std::string& attribute) {
    std::vector<std::pair<double, double>> keys;
    MPlug plug = plugOf(path, attribute);
    if (plug.isNull()) return keys;
    MObjectArray curves;
    if (!MAnimUtil::findAnimation(plug, curves) || curves.length() == 0) return keys;
    MFnAnimCurve curve(curves[0]);
    const MTime::Unit unit = MTime::uiUnit();
    for (unsigned int i = 0; i < curve.numKeys(); ++i)
        keys.emplace_back(curve.time(i).as(unit), curve.value(i));
    return keys;
}

std::size_t curveCount(const std::string& path, const std::string& attribute) {
    MPlug plug = plugOf(path, attribute);
    if (plug.isNull()) return 0;
    MObjectArray curves;
    MAnimUtil::findAnimation(plug, curves);
    return curves.length();
}

double sceneValue(const std::string& path, const std::string& attribute, double time) {
    const MPlug plug = plugOf(path, attribute);
    if (plug.isNull()) return std::numeric_limits<double>::quiet_NaN();
    const MDGContextGuard context(MDGContext(MTime(time, MTime::uiUnit())));
    return plug.asDouble();
}

Vec3 sceneTranslation(const std::string& path) {
    MFnTransform fn(standin::findNode(path));
    const MVector t = fn.getTranslation(MSpace::kTransform);
    return {t.x, t.y, t.z};
}

int sceneRotationOrder(const std::string& path) {
    MFnTransform fn(standin::findNode(path));
    return static_cast<int>(fn.rotationOrder());
}

Mat3 sceneRotateAxis(const std::string& path, double time) {
    return hostRotation(sceneValue(path, "rotateAxisX", time),
                        sceneValue(path, "rotateAxisY", time),
                        sceneValue(path, "rotateAxisZ", time), "XYZ");
}

Mat3 sceneJointOrient(const std::string& path, double time) {
    if (!standin::findNode(path).hasFn(MFn::kJoint)) return identity();
    return hostRotation(sceneValue(path, "jointOrientX", time),
                        sceneValue(path, "jointOrientY", time),
                        sceneValue(path, "jointOrientZ", time), "XYZ");
}

namespace {

/// A node's transform relative to its parent at `time`: translate, and rotate axis, rotate
/// values (in its order) and joint orient, the axis turning first.
Frame sceneLocal(const std::string& path, double time) {
    const Vec3 t{sceneValue(path, "translateX", time), sceneValue(path, "translateY", time),
                 sceneValue(path, "translateZ", time)};
    const Mat3 r = hostRotation(
        sceneValue(path, "rotateX", time), sceneValue(path, "rotateY", time),
        sceneValue(path, "rotateZ", time), transformOrderName(sceneRotationOrder(path)));
    return compose(
        Frame(), t,
        multiply(sceneJointOrient(path, time), multiply(r, sceneRotateAxis(path, time))));
}

}  // namespace

void sceneWorld(const std::string& path, double time, Mat3& rotation, Vec3& position) {
    Frame world;
    // From the top down: every prefix of the path ending at a "|" names an ancestor.
    for (std::size_t bar = path.find('|', 1);; bar = path.find('|', bar + 1)) {
        const std::string node = path.substr(0, bar);
        const Frame local = sceneLocal(node, time);
        world = compose(world, local.t, local.r);
        if (bar == std::string::npos) break;
    }
    rotation = world.r;
    position = world.t;
}

std::vector<Vec3> sceneWorldPositions(const std::string& rootPath, double time) {
    const std::vector<std::string> paths = sceneJointPaths(rootPath);
    std::vector<Vec3> positions;
    std::vector<std::pair<std::string, Frame>> done;  // path -> world frame
    for (const std::string& path : paths) {
        // The nearest listed ancestor; nodes between joints that are not joints (groups) are
        // taken as identity transforms.
        Frame parent;
        std::string ancestor = path;
        bool found = false;
        for (std::size_t slash = ancestor.rfind('|');
             !found && slash != std::string::npos && slash > 0; slash = ancestor.rfind('|')) {
            ancestor.resize(slash);
            for (const auto& entry : done)
                if (entry.first == ancestor) {
                    parent = entry.second;
                    found = true;
                }
        }
        const Frame local = sceneLocal(path, time);
        const Frame world = compose(parent, local.t, local.r);
        done.emplace_back(path, world);
        positions.push_back(world.t);
    }
    return positions;
}

void expectScriptEditorShows(const std::string& messages) {
    std::vector<std::string> expected;
    std::size_t start = 0;
    while (start < messages.size()) {
        std::size_t end = messages.find('\n', start);
        if (end == std::string::npos) end = messages.size();
        std::string line = messages.substr(start, end - start);
        start = end + 1;
        const std::size_t warning = line.find(": warning: ");
        expected.push_back(warning == std::string::npos ? "Error: " + line
                                                        : "Warning: " + line.erase(warning + 2, 9));
    }
    EXPECT_EQ(standin::scriptEditorLines(), expected)
        << "every message on standard error is in the Script Editor too";
}

ImportRun runImport(BvhImport& translator, const std::string& path, const std::string& options) {
    MFileObject file;
    file.setRawFullName(MString(path.c_str()));
    ImportRun run;
    standin::clearScriptEditor();
    testing::internal::CaptureStderr();
    const MStatus status =
        translator.reader(file, MString(options.c_str()), MPxFileTranslator::kImportAccessMode);
    run.messages = testing::internal::GetCapturedStderr();
    run.success = status == MS::kSuccess;
    expectScriptEditorShows(run.messages);
    return run;
}

ImportRun runImport(const std::string& path, const std::string& options) {
    BvhImport translator;
    return runImport(translator, path, options);
}

void selectNodes(const std::vector<std::string>& paths) {
    MSelectionList list;
    for (const std::string& path : paths) {
        MObject node = standin::findNode(path);
        if (node.isNull()) continue;
        MDagPath dagPath;
        if (MDagPath::getAPathTo(node, dagPath) == MS::kSuccess)
            list.add(dagPath);
        else
            list.add(node);
    }
    MGlobal::setActiveSelectionList(list);
}

std::string tempPath(const std::string& suffix) {
    static std::atomic<unsigned> counter{0};
    static const unsigned process = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() /
            ("bvhio_test_" + std::to_string(process) + "_" + std::to_string(++counter) + suffix);
        std::error_code ec;
        if (std::filesystem::exists(path, ec) || ec) continue;
        tempFiles().push_back(path.string());
        return path.string();
    }
    return "";
}

std::string writeTempFile(const std::string& bytes, const std::string& suffix) {
    const std::string path = tempPath(suffix);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void removeTempFiles() {
    std::error_code ignored;
    for (const std::string& path : tempFiles()) std::filesystem::remove_all(path, ignored);
    tempFiles().clear();
}

std::string samplesDir() { return BVHIO_SAMPLES_DIR; }

std::vector<std::string> sampleFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(samplesDir(), error))
        if (entry.path().extension() == ".bvh") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return !in.bad();
}

}  // namespace bvhref
