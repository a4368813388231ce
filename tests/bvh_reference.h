#pragma once
// An independent reading of BVH files for the tests, and forward kinematics over both a file
// and a stand-in scene, so that tests can compare what an import or an export produced with
// what the file means. Nothing here shares code with the translators: the file is read as a
// stream of whitespace-separated tokens, not line by line, and poses are computed from
// rotation matrices, not from the host's Euler arithmetic.
//
// Conventions: rotation matrices act on column vectors. A file joint whose rotation channels
// are listed A, B, C rotates by R_A * R_B * R_C (the channel listed first is outermost). A
// host joint with rotation order "XYZ" rotates by R_Z * R_Y * R_X (X applied first). A node's
// world matrix is parent * T(translation) * R(rotation).

#include <array>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "plugin/Registration.h"

class BvhImport;

namespace bvhref {

using Vec3 = std::array<double, 3>;
/// Row-major 3x3 matrix.
using Mat3 = std::array<double, 9>;

/// One node of a file: a ROOT, JOINT or End Site block.
struct Node {
    std::string name;  ///< the token after ROOT/JOINT; "Site" for an end site
    bool endSite = false;
    int parent = -1;                    ///< index into BvhFile::nodes; -1 for a root
    int depth = 0;                      ///< 0 for a root
    Vec3 offset{0, 0, 0};               ///< as written in the file
    std::vector<std::string> channels;  ///< channel names in file order
    std::size_t firstChannel = 0;       ///< index of its first value in a frame
};

/// A whole file: nodes in file order (parents before children), one value per channel per
/// frame.
struct BvhFile {
    std::vector<Node> nodes;
    std::size_t channelCount = 0;
    long declaredFrames = -1;                 ///< the "Frames:" value; -1 when the file has none
    double frameTime = 0.0;                   ///< the "Frame Time:" value; 0 when the file has none
    std::vector<std::vector<double>> frames;  ///< frames[f][c]
};

/// Parses BVH text given as a token stream (any whitespace, any line ends). Accepts several
/// ROOT blocks, "{" and "}" as their own tokens, End Site blocks with only an OFFSET. The
/// motion values are grouped into frames of channelCount values. On a syntax error returns
/// false and says why in `error` (with the token number).
bool parseBvh(const std::string& text, BvhFile& out, std::string& error);

/// Reads the file at `path` and parses it (false with `error` when it cannot be read).
bool loadBvh(const std::string& path, BvhFile& out, std::string& error);

// --- rotations ---------------------------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

Mat3 identity();
Mat3 multiply(const Mat3& a, const Mat3& b);
Vec3 apply(const Mat3& m, const Vec3& v);
/// Rotation by `radians` about axis 'X', 'Y' or 'Z'.
Mat3 axisRotation(char axis, double radians);
/// The rotation of a file joint from its own channel names and frame values (degrees,
/// converted with `pi`); position channels and unknown names are skipped.
Mat3 channelRotation(const std::vector<std::string>& channels, const std::vector<double>& values,
                     double pi = kPi);
/// The rotation of a host joint: angles in radians, `order` an order name ("XYZ" .. "ZYX";
/// "XYZ" means R_Z * R_Y * R_X).
Mat3 hostRotation(double x, double y, double z, const std::string& order);
/// Name of a host MTransformationMatrix rotation order value (1..6); "XYZ" for others.
std::string transformOrderName(int transformOrder);
/// Largest absolute difference of two matrices' elements.
double maxDifference(const Mat3& a, const Mat3& b);

// --- forward kinematics over a file ------------------------------------------------------

/// Rotation of node `node` in frame `frame` (identity for nodes without rotation channels).
Mat3 fileLocalRotation(const BvhFile& file, std::size_t node, std::size_t frame, double pi = kPi);
/// Translation of node `node` relative to its parent in frame `frame`: OFFSET plus the
/// values of its position channels, both times `scale`.
Vec3 fileLocalTranslation(const BvhFile& file, std::size_t node, std::size_t frame,
                          double scale = 1.0);
/// World positions of every node in frame `frame`, in file order. The roots' parent frame
/// is the identity. `frame` past the last frame (or a file without frames) gives the rest
/// pose: offsets only.
std::vector<Vec3> fileWorldPositions(const BvhFile& file, std::size_t frame, double scale = 1.0,
                                     double pi = kPi);
/// Diagonal of the bounding box of the rest pose (offsets only): the skeleton's size.
double restPoseSize(const BvhFile& file, double scale = 1.0);

// --- the stand-in scene ------------------------------------------------------------------

/// Full paths of the joints at and below `rootPath`, root first, depth-first, children in
/// child order (nodes that are not joints are passed through). Empty when no such node.
std::vector<std::string> sceneJointPaths(const std::string& rootPath);
/// Short name of the node at `path` ("" when none).
std::string sceneName(const std::string& path);
/// Keys of the animation curve driving `path`.`attribute` (the first one the host reports),
/// as (time in the UI unit, value) pairs in key order; empty when the plug is not animated.
std::vector<std::pair<double, double>> curveKeys(const std::string& path,
                                                 const std::string& attribute);
/// Number of animation curves driving `path`.`attribute`.
std::size_t curveCount(const std::string& path, const std::string& attribute);
/// Value of `path`.`attribute` at UI time `time` as the stand-in shows it then (read in that
/// time's context: through whatever drives it); NaN when the node has no such attribute.
double sceneValue(const std::string& path, const std::string& attribute, double time);
/// The joint's translation in transform space (its rest offset) and rotation order value.
Vec3 sceneTranslation(const std::string& path);
int sceneRotationOrder(const std::string& path);
/// A node's rotate axis and joint orient at UI time `time` (identity for a node that is not
/// a joint).
Mat3 sceneRotateAxis(const std::string& path, double time = 0);
Mat3 sceneJointOrient(const std::string& path, double time = 0);
/// World positions, relative to the parent of `rootPath`, of every node of
/// sceneJointPaths(rootPath) at UI time `time`, from translate and rotate values, each joint's
/// own rotation order, rotate axis and joint orient, all as the stand-in shows them then (nodes
/// between joints that are not joints taken as identity transforms): the local rotation is
/// orient * rotate * axis.
std::vector<Vec3> sceneWorldPositions(const std::string& rootPath, double time);
/// The world rotation and position of the node at `path` at UI time `time`, composed over
/// every node above it (transforms and joints alike).
void sceneWorld(const std::string& path, double time, Mat3& rotation, Vec3& position);

// --- driving an import ------------------------------------------------------------------

/// The import translator's registered default option string.
inline constexpr const char* kDefaultImportOptions = ::kImportDefaultOptions;

/// What one import call returned and wrote to standard error.
struct ImportRun {
    bool success = false;
    std::string messages;
};
/// Calls `translator`.reader on `path` with `options` in import access mode, capturing
/// standard error.
ImportRun runImport(BvhImport& translator, const std::string& path, const std::string& options);
/// Checks that the Script Editor holds exactly the lines of `messages` (standard error of one
/// translator call), as the host shows them: "Error: <line>", or "Warning: <line>" without
/// its "warning: ".
void expectScriptEditorShows(const std::string& messages);
/// The same with a new translator object.
ImportRun runImport(const std::string& path, const std::string& options);
/// Replaces the active selection by the nodes at `paths`, in that order (unknown paths are
/// skipped).
void selectNodes(const std::vector<std::string>& paths);

// --- files and processes -----------------------------------------------------------------

/// Writes `bytes` to a new file under the system's temporary folder whose name ends in
/// `suffix`, and returns its path. The file is removed by removeTempFiles().
std::string writeTempFile(const std::string& bytes, const std::string& suffix = ".bvh");
/// A new, not yet existing path under the temporary folder (removed by removeTempFiles()).
std::string tempPath(const std::string& suffix);
void removeTempFiles();
/// The shared sample captures (*.bvh of the samples folder), sorted by name; empty when the
/// folder is missing.
std::vector<std::string> sampleFiles();
/// The samples folder the tests were built with.
std::string samplesDir();
/// Reads a whole file; false when it cannot be read.
bool readFile(const std::string& path, std::string& bytes);

}  // namespace bvhref

/// In a test body: skips the test when `files` (from sampleFiles()) is empty, or fails it when
/// the environment variable CI is set, since a CI run must not pass without the samples.
#define BVHREF_REQUIRE_SAMPLES(files)                                                       \
    do {                                                                                    \
        if ((files).empty()) {                                                              \
            if (std::getenv("CI")) FAIL() << "no sample files in " << bvhref::samplesDir(); \
            GTEST_SKIP() << "no sample files in " << bvhref::samplesDir();                  \
        }                                                                                   \
    } while (0)
