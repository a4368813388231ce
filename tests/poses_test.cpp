// Poses of skeletons built in the host: joint orients, rotate axes and static rotations, in
// both directions, and matching the file's nodes to joints by name. Every check compares
// world positions: of the scene, composed as the host composes a joint's transform, and of
// the file, read by the independent reference reader.

#include <gtest/gtest.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MQuaternion.h>
#include <standin/Standin.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "test_support.h"

namespace {

using bvhref::Vec3;
using bvhtest::Keys;

/// The export's degrees-to-radians factor: the file must be read back with the same pi.
constexpr double kFilePi = 3.14159;

/// What the joints of a generated scene carry besides their translations and curves.
struct PoseCase {
    const char* name;
    unsigned seed;
    bool orients;        ///< joint orients
    bool axes;           ///< rotate axes
    bool statics;        ///< static rotate values on the attributes without a curve
    bool partialCurves;  ///< some rotate attributes keyed, not all three
};

void PrintTo(const PoseCase& test, std::ostream* out) { *out << test.name; }

/// Key times shared by every curve of a generated scene (UI frames): in key mode a channel
/// gives its own key k on line k, which is the scene's pose only where the keys line up.
const std::vector<double> kKeyTimes = {1, 2, 3, 5, 8, 9};

double uniform(std::mt19937& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

MEulerRotation randomAngles(std::mt19937& random) {
    return MEulerRotation(uniform(random, -3.1, 3.1), uniform(random, -1.5, 1.5),
                          uniform(random, -3.1, 3.1));
}

/// Gives `joint` a joint orient and a rotate axis as `test` asks, each on most joints.
void orientJoint(std::mt19937& random, const PoseCase& test, const MObject& joint) {
    if (test.orients && uniform(random, 0, 1) < 0.75)
        MFnIkJoint(joint).setOrientation(randomAngles(random));
    if (test.axes && uniform(random, 0, 1) < 0.75)
        MFnTransform(joint).setRotateOrientation(randomAngles(random).asQuaternion(),
                                                 MSpace::kTransform, false);
}

/// A random tree of joints under a top-level "Root" whose translation is keyed on all three
/// axes, each joint with a random rotation order, rotate curves and the features of `test`.
void buildScene(const PoseCase& test) {
    std::mt19937 random(test.seed);
    std::vector<MObject> joints;
    joints.push_back(bvhtest::makeJoint(MObject::kNullObj, "Root"));
    for (int i = 1; i < 9; ++i) {
        const MObject parent = joints[std::uniform_int_distribution<std::size_t>(
            0, joints.size() - 1)(random)];
        joints.push_back(bvhtest::makeJoint(parent, "J" + std::to_string(i),
                                            uniform(random, -5, 5), uniform(random, 1, 8),
                                            uniform(random, -5, 5)));
    }
    for (const MObject& joint : joints) {
        const auto order = static_cast<MTransformationMatrix::RotationOrder>(
            std::uniform_int_distribution<int>(1, 6)(random));
        MFnTransform(joint).setRotationOrder(order, false);
        orientJoint(random, test, joint);
        MEulerRotation rest = test.statics ? randomAngles(random) : MEulerRotation();
        rest.order = static_cast<MEulerRotation::RotationOrder>(order - 1);
        MFnTransform(joint).setRotation(rest);
        for (int axis = 0; axis < 3; ++axis) {
            if (test.partialCurves && uniform(random, 0, 1) < 0.5) continue;
            Keys keys;
            for (double time : kKeyTimes) keys.emplace_back(time, uniform(random, -3.1, 3.1));
            bvhtest::animate(joint, bvhtest::kAttributes[3 + axis], keys);
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        Keys keys;
        for (double time : kKeyTimes) keys.emplace_back(time, uniform(random, -20, 20));
        bvhtest::animate(joints[0], bvhtest::kAttributes[axis], keys);
    }
    bvhtest::select({joints[0]});
}

/// An export mode, its options and the UI time of each line it writes.
struct Mode {
    const char* options;
    double (*time)(std::size_t line);
};
const Mode kModes[] = {
    {"exportMode=1;", [](std::size_t line) { return kKeyTimes[line]; }},
    {"exportMode=2;startFrame=1;endFrame=9;", [](std::size_t line) { return 1.0 + line; }},
    {"exportMode=3;startFrame=1;endFrame=9;frameRateNum=60;",
     [](std::size_t line) { return 1.0 + line * 24.0 / 60.0; }},
};

class PoseExportTest : public bvhtest::ExportTest,
                       public testing::WithParamInterface<std::tuple<PoseCase, int>> {};

TEST_P(PoseExportTest, FileMovesEveryJointAsTheSceneDoes) {
    const PoseCase& test = std::get<0>(GetParam());
    const Mode& mode = kModes[std::get<1>(GetParam())];
    buildScene(test);
    const std::string text = exported(mode.options);
    bvhref::BvhFile file;
    std::string error;
    ASSERT_TRUE(bvhref::parseBvh(text, file, error)) << error << "\n" << text;
    ASSERT_FALSE(file.frames.empty()) << text;
    const double tolerance = 1e-4 * bvhref::restPoseSize(file);
    for (std::size_t line = 0; line < file.frames.size(); ++line) {
        const double time = mode.time(line);
        const std::vector<Vec3> scene = bvhref::sceneWorldPositions("|Root", time);
        const std::vector<Vec3> written = bvhref::fileWorldPositions(file, line, 1.0, kFilePi);
        ASSERT_EQ(written.size(), scene.size()) << "one block per joint";
        for (std::size_t j = 0; j < scene.size(); ++j)
            for (std::size_t a = 0; a < 3; ++a)
                ASSERT_NEAR(written[j][a], scene[j][a], tolerance)
                    << "joint " << file.nodes[j].name << " axis " << a << " at time " << time
                    << "\n"
                    << text;
    }
}

const PoseCase kPoseCases[] = {
    {"Orients", 1, true, false, false, false},
    {"Axes", 2, false, true, false, false},
    {"StaticRotations", 3, false, false, true, true},
    {"OrientsAndPartialCurves", 4, true, false, false, true},
    {"Everything", 5, true, true, true, true},
    {"EverythingAgain", 6, true, true, true, true},
    {"EverythingFullCurves", 7, true, true, true, false},
    {"PlainJoints", 8, false, false, false, true},
};

INSTANTIATE_TEST_SUITE_P(
    Generated, PoseExportTest, testing::Combine(testing::ValuesIn(kPoseCases), testing::Range(0, 3)),
    [](const testing::TestParamInfo<std::tuple<PoseCase, int>>& info) {
        return std::string(std::get<0>(info.param).name) + "Mode" +
               std::to_string(std::get<1>(info.param) + 1);
    });

// --- import ----------------------------------------------------------------------------

/// Copies the joints at and below `from` (a full path) under `parent`, with the same
/// translations, giving most of them a random joint orient and rotate axis. Returns the
/// copy of `from`.
MObject copyWithOrients(const std::string& from, const MObject& parent, std::mt19937& random) {
    const PoseCase everything{"", 0, true, true, false, false};
    MObject copy;
    std::vector<std::pair<std::string, MObject>> made;
    for (const std::string& path : bvhref::sceneJointPaths(from)) {
        MObject under = parent;
        for (const auto& entry : made)
            if (path.rfind(entry.first + "|", 0) == 0) under = entry.second;
        const Vec3 t = bvhref::sceneTranslation(path);
        const MObject joint =
            bvhtest::makeJoint(under, bvhref::sceneName(path) + "_copy", t[0], t[1], t[2]);
        orientJoint(random, everything, joint);
        made.emplace_back(path, joint);
        if (copy.isNull()) copy = joint;
    }
    return copy;
}

class PoseImportTest : public bvhtest::ImportTest,
                       public testing::WithParamInterface<const char*> {};

TEST_P(PoseImportTest, OrientedSkeletonMovesAsAnImportedOne) {
    const std::vector<bvhtest::Sample> samples = bvhtest::referenceSamples();
    BVHREF_REQUIRE_SAMPLES(samples);
    const std::string options = std::string(bvhref::kDefaultImportOptions) +
                                "importFrameRange=3;startFrame=1;endFrame=25;" + GetParam();
    std::mt19937 random(11);
    for (const bvhtest::Sample& sample : samples) {
        SCOPED_TRACE(sample.path);
        standin::resetScene();
        ASSERT_TRUE(bvhref::runImport(sample.path, options).success);
        const std::string imported = bvhref::sceneJointPaths("|bvh_import").front();
        const MObject copy = copyWithOrients(imported, bvhtest::makeGroup(MObject::kNullObj, "rig"),
                                             random);
        bvhtest::select({copy});
        const bvhref::ImportRun run = bvhref::runImport(sample.path, options + "importSkelton=2;");
        ASSERT_TRUE(run.success) << run.messages;
        const double tolerance = 1e-6 * bvhref::restPoseSize(sample.file);
        for (double time : bvhtest::keyTimes(imported, "rotateX")) {
            const std::vector<Vec3> expected = bvhref::sceneWorldPositions(imported, time);
            const std::vector<Vec3> actual =
                bvhref::sceneWorldPositions(standin::fullPath(copy), time);
            ASSERT_EQ(actual.size(), expected.size());
            for (std::size_t j = 0; j < expected.size(); ++j)
                for (std::size_t a = 0; a < 3; ++a)
                    ASSERT_NEAR(actual[j][a], expected[j][a], tolerance)
                        << "joint " << j << " axis " << a << " at time " << time;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RotationOrders, PoseImportTest,
                         testing::Values("rotationOrder=XYZ;", "rotationOrder=ZXY;",
                                         "rotationOrder=auto;"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             // "rotationOrder=ZXY;" is named ZXY.
                             const std::string option = info.param;
                             return option.substr(14, option.size() - 15);
                         });

// --- matching by name --------------------------------------------------------------------

class MatchByNameTest : public bvhtest::ImportTest {};

TEST_F(MatchByNameTest, FindsJointsInAnyOrderPastExtraOnes) {
    const std::string text =
        "HIERARCHY\nROOT Hips\n{\n OFFSET 0 0 0\n CHANNELS 6 Xposition Yposition Zposition "
        "Zrotation Xrotation Yrotation\n JOINT Spine\n {\n  OFFSET 0 10 0\n  CHANNELS 3 "
        "Zrotation Xrotation Yrotation\n  JOINT Head\n  {\n   OFFSET 0 5 0\n   CHANNELS 3 "
        "Zrotation Xrotation Yrotation\n   End Site\n   {\n    OFFSET 0 2 0\n   }\n  }\n }\n "
        "JOINT Left-Leg\n {\n  OFFSET 3 -2 0\n  CHANNELS 3 Zrotation Xrotation Yrotation\n  "
        "End Site\n  {\n   OFFSET 0 -8 0\n  }\n }\n}\nMOTION\nFrames: 2\nFrame Time: 0.04\n"
        "1 2 3 10 20 30 40 50 60 70 80 90 15 25 35\n"
        "4 5 6 -10 -20 -30 -40 -50 -60 -70 -80 -90 -15 -25 -35\n";
    ASSERT_TRUE(bvhtest::importText(text).success);
    // The target: children in the other order, namespaced, a twist joint (which moves
    // nothing) between Spine and Head, an extra animated joint, no joint for Head's end site.
    const MObject hips = bvhtest::makeJoint(MObject::kNullObj, "rig:Hips");
    const MObject leg = bvhtest::makeJoint(hips, "rig:Left_Leg", 3, -2, 0);
    bvhtest::makeJoint(leg, "rig:EffectorLeft_Leg", 0, -8, 0);
    const MObject extra = bvhtest::makeJoint(hips, "rig:Extra", 1, 1, 1);
    bvhtest::animate(extra, "rotateX", {{1, 0.5}, {2, 0.25}});
    const MObject spine = bvhtest::makeJoint(hips, "rig:Spine", 0, 10, 0);
    const MObject twist = bvhtest::makeJoint(spine, "rig:SpineTwist");
    bvhtest::makeJoint(twist, "rig:Head", 0, 5, 0);
    bvhtest::select({spine});

    const bvhref::ImportRun run = bvhtest::importText(
        text, std::string(bvhref::kDefaultImportOptions) + "importSkelton=2;matchBy=name;");
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_NE(run.messages.find("warning: matching by name: 1 nodes of the file have no joint "
                                "(EffectorHead) and are skipped; 2 joints have no node "
                                "(rig:Extra, rig:SpineTwist) and keep their animation"),
              std::string::npos)
        << run.messages;
    EXPECT_EQ(bvhtest::keyValues("|rig:Hips|rig:Extra", "rotateX"), (std::vector<double>{0.5, 0.25}))
        << "a joint without a node keeps its curve";

    const std::vector<std::string> names = {"Hips", "Spine", "Head", "Left-Leg"};
    std::vector<std::string> imported;
    for (const std::string& name : names)
        imported.push_back(standin::fullPath(standin::findNode(name).isNull()
                                                 ? standin::findNode("Left_Leg")
                                                 : standin::findNode(name)));
    const std::vector<std::string> targets = {
        "|rig:Hips", "|rig:Hips|rig:Spine", "|rig:Hips|rig:Spine|rig:SpineTwist|rig:Head",
        "|rig:Hips|rig:Left_Leg"};
    for (double time : {1.0, 2.0}) {
        const std::vector<Vec3> expected = bvhref::sceneWorldPositions("|bvh_import|Hips", time);
        const std::vector<Vec3> actual = bvhref::sceneWorldPositions("|rig:Hips", time);
        const std::vector<std::string> expectedPaths = bvhref::sceneJointPaths("|bvh_import|Hips");
        const std::vector<std::string> actualPaths = bvhref::sceneJointPaths("|rig:Hips");
        for (std::size_t n = 0; n < names.size(); ++n) {
            const auto e = std::find(expectedPaths.begin(), expectedPaths.end(), imported[n]);
            const auto a = std::find(actualPaths.begin(), actualPaths.end(), targets[n]);
            ASSERT_TRUE(e != expectedPaths.end() && a != actualPaths.end()) << names[n];
            const Vec3& want = expected[static_cast<std::size_t>(e - expectedPaths.begin())];
            const Vec3& got = actual[static_cast<std::size_t>(a - actualPaths.begin())];
            for (std::size_t axis = 0; axis < 3; ++axis)
                EXPECT_NEAR(got[axis], want[axis], 1e-9) << names[n] << " at time " << time;
        }
    }
}

}  // namespace
