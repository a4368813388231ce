// Skeleton import: rotation orders and what a read leaves in the settings, and the shared
// samples' skeletons. The joints, names, parents, offsets and channel curves that one file
// gives are import cases (tests/cases/import).

#include <gtest/gtest.h>
#include <maya/MFnDagNode.h>

#include <cmath>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/ImportSettings.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using bvhref::curveCount;
using bvhref::runImport;
using bvhref::sceneRotationOrder;
using bvhref::sceneTranslation;
using bvhref::writeTempFile;
using bvhtest::kAttributes;
using Paths = std::vector<std::string>;

// Hips with six channels, two branches, end sites below both.
const std::string kTwoLegs =
    "HIERARCHY\n"
    "ROOT Hips\n"
    "{\n"
    "\tOFFSET 1 2 3\n"
    "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "\tJOINT LeftLeg\n"
    "\t{\n"
    "\t\tOFFSET 4 -5 0.5\n"
    "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\tJOINT LeftFoot\n"
    "\t\t{\n"
    "\t\t\tOFFSET 0 -6 0\n"
    "\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\t\tEnd Site\n"
    "\t\t\t{\n"
    "\t\t\t\tOFFSET 0 0 2\n"
    "\t\t\t}\n"
    "\t\t}\n"
    "\t}\n"
    "\tJOINT RightLeg\n"
    "\t{\n"
    "\t\tOFFSET -4 -5 0.5\n"
    "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\tEnd Site\n"
    "\t\t{\n"
    "\t\t\tOFFSET 0 -7 0\n"
    "\t\t}\n"
    "\t}\n"
    "}\n"
    "MOTION\n"
    "Frames: 1\n"
    "Frame Time: 0.04\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";

const Paths kTwoLegsJoints = {"|bvh_import|Hips",
                              "|bvh_import|Hips|LeftLeg",
                              "|bvh_import|Hips|LeftLeg|LeftFoot",
                              "|bvh_import|Hips|LeftLeg|LeftFoot|EffectorLeftFoot",
                              "|bvh_import|Hips|RightLeg",
                              "|bvh_import|Hips|RightLeg|EffectorRightLeg"};

// A tiny file around one hierarchy text, with one frame of zeros for `channels` channels.
std::string withMotion(const std::string& hierarchy, int channels) {
    std::string frame;
    for (int i = 0; i < channels; ++i) frame += "0 ";
    return "HIERARCHY\n" + hierarchy + "MOTION\nFrames: 1\nFrame Time: 0.1\n" + frame + "\n";
}

class ImportHierarchy : public bvhtest::ImportTest {};

// What a read tells of itself: the root's scaled OFFSET when it makes joints. (The joints,
// offsets and curves themselves are import cases, tests/cases/import.)
TEST_F(ImportHierarchy, ResultHoldsTheRootOffset) {
    for (const double scale : {1.0, 2.0}) {
        standin::resetScene();
        bvhimport::ImportSettings imp;
        const auto run = bvhtest::jobText(imp, kTwoLegs, "scale=" + std::to_string(scale) + ";");
        ASSERT_TRUE(run.success);
        for (int a = 0; a < 3; ++a) EXPECT_DOUBLE_EQ(run.result.rootOffset[a], scale * (a + 1));
    }
}

TEST_F(ImportHierarchy, RotationOrderFromTheOptionOrFromTheFirstChannelsLine) {
    const struct {
        const char* option;
        int jointOrder;
        const char* afterRead;
    } cases[] = {
        {"XYZ", 1, "XYZ"}, {"ZYX", 6, "ZYX"},     {"auto", 5, "YXZ"},  // Z X Y channels -> YXZ
        {"xyz", 1, "xyz"}, {"Euler", 1, "Euler"},  // the host holds no other order: XYZ
    };
    for (const auto& c : cases) {
        standin::resetScene();
        bvhimport::ImportSettings imp;
        const auto run = bvhtest::jobText(imp, kTwoLegs, std::string("rotationOrder=") + c.option + ";");
        ASSERT_TRUE(run.success) << run.messages;
        for (const auto& path :
             {kTwoLegsJoints[0], kTwoLegsJoints[1], kTwoLegsJoints[2], kTwoLegsJoints[4]})
            EXPECT_EQ(sceneRotationOrder(path), c.jointOrder) << c.option << " " << path;
        EXPECT_EQ(run.result.rotationOrder, c.afterRead) << c.option;
        EXPECT_EQ(imp.rotationOrder, c.option) << "the settings keep the option";
        EXPECT_EQ(run.result.fileRotationOrder, 4) << "the channels name YXZ whatever the option";
    }
}

TEST_F(ImportHierarchy, ChannelOrderNamesTheRotationOrder) {
    // The letters of the rotation channels, last to first, name the order.
    const struct {
        const char* channels;
        const char* order;
        int transformOrder;
        int eulerOrder;
    } cases[] = {
        {"Zrotation Yrotation Xrotation", "XYZ", 1, 0},
        {"Xrotation Zrotation Yrotation", "YZX", 2, 1},
        {"Yrotation Xrotation Zrotation", "ZXY", 3, 2},
        {"Yrotation Zrotation Xrotation", "XZY", 4, 3},
        {"Zrotation Xrotation Yrotation", "YXZ", 5, 4},
        {"Xrotation Yrotation Zrotation", "ZYX", 6, 5},
    };
    for (const auto& c : cases) {
        standin::resetScene();
        bvhimport::ImportSettings imp;
        const std::string text = withMotion(std::string("ROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 ") +
                                                c.channels + "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n",
                                            3);
        const auto run = bvhtest::jobText(imp, text, "rotationOrder=auto;");
        ASSERT_TRUE(run.success);
        EXPECT_EQ(run.result.rotationOrder, c.order) << c.channels;
        EXPECT_EQ(sceneRotationOrder("|bvh_import|A"), c.transformOrder) << c.channels;
        EXPECT_EQ(run.result.fileRotationOrder, c.eulerOrder) << c.channels;
    }
}

TEST_F(ImportHierarchy, AutoOrderComesFromTheFirstChannelsLineOnly) {
    const std::string text = withMotion(
        "ROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "JOINT B\n{\nOFFSET 0 1 0\nCHANNELS 3 Zrotation Yrotation Xrotation\n"
        "End Site\n{\nOFFSET 0 1 0\n}\n}\n}\n",
        6);
    bvhimport::ImportSettings imp;
    const auto run = bvhtest::jobText(imp, text, "rotationOrder=auto;");
    ASSERT_TRUE(run.success);
    EXPECT_EQ(run.result.rotationOrder, "ZYX");
    EXPECT_EQ(sceneRotationOrder("|bvh_import|A"), 6);
    EXPECT_EQ(sceneRotationOrder("|bvh_import|A|B"), 6)
        << "every joint gets the first line's order";
    EXPECT_EQ(run.result.fileRotationOrder, 0) << "follows the last CHANNELS line (XYZ)";
}

// "auto" stays the setting: each read takes the order of its own file.
TEST_F(ImportHierarchy, AutoOrderIsResolvedByEachRead) {
    bvhimport::ImportSettings imp;
    ASSERT_TRUE(bvhtest::jobText(imp, kTwoLegs, "rotationOrder=auto;").success);
    standin::resetScene();
    const std::string zyx = withMotion(
        "ROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "End Site\n{\nOFFSET 0 1 0\n}\n}\n",
        3);
    const auto run = bvhtest::jobText(imp, zyx, "scale=1;");
    ASSERT_TRUE(run.success);
    EXPECT_EQ(imp.rotationOrder, "auto");
    EXPECT_EQ(run.result.rotationOrder, "ZYX");
    EXPECT_EQ(sceneRotationOrder("|bvh_import|A"), 6);
}

// Every sample: one joint per OFFSET line, named and parented as in the file, with the
// scaled offsets, under one transform.
TEST_F(ImportHierarchy, SampleSkeletons) {
    const auto samples = bvhtest::referenceSamples();
    BVHREF_REQUIRE_SAMPLES(samples);
    for (const auto& [path, ref] : samples) {
        std::string bytes;
        ASSERT_TRUE(bvhref::readFile(path, bytes));
        std::size_t offsetLines = 0;
        for (std::size_t p = bytes.find("OFFSET"); p != std::string::npos;
             p = bytes.find("OFFSET", p + 1))
            ++offsetLines;
        ASSERT_EQ(ref.nodes.size(), offsetLines) << path;

        for (double scale : {1.0, 2.5}) {
            standin::resetScene();
            const std::string options =
                std::string(bvhref::kDefaultImportOptions) + "scale=" + std::to_string(scale) + ";";
            const auto run = runImport(path, options);
            ASSERT_TRUE(run.success) << path << ": " << run.messages;
            EXPECT_EQ(run.messages, "") << path;
            const auto top = standin::topLevelNodes();
            ASSERT_EQ(top.size(), 1u) << path;
            ASSERT_EQ(MFnDagNode(top[0]).childCount(), 1u) << path;
            const std::string rootPath = "|bvh_import|" + ref.nodes[0].name;
            const auto joints = bvhref::sceneJointPaths(rootPath);
            ASSERT_EQ(joints.size(), ref.nodes.size()) << path;
            for (std::size_t i = 0; i < joints.size(); ++i) {
                const bvhref::Node& node = ref.nodes[i];
                const std::string parentPath =
                    node.parent < 0 ? "|bvh_import" : joints[static_cast<std::size_t>(node.parent)];
                // An end site is named after its parent, inside the parent's namespaces.
                const std::string& parentName =
                    node.endSite ? ref.nodes[static_cast<std::size_t>(node.parent)].name : node.name;
                const std::size_t part = parentName.rfind(':') + 1;  // 0 without a namespace
                const std::string name = node.endSite ? parentName.substr(0, part) + "Effector" +
                                                            parentName.substr(part)
                                                      : node.name;
                EXPECT_EQ(joints[i], parentPath + "|" + name) << path << " node " << i;
                const auto t = sceneTranslation(joints[i]);
                for (std::size_t a = 0; a < 3; ++a)
                    EXPECT_NEAR(t[a], node.offset[a] * scale, 1e-9) << joints[i];
                for (int a = 0; a < 6; ++a) {
                    bool declared = false;
                    for (const auto& channel : node.channels)
                        declared = declared || channel == std::string("XYZXYZ").substr(a, 1) +
                                                              (a < 3 ? "position" : "rotation");
                    EXPECT_EQ(curveCount(joints[i], kAttributes[a]), declared ? 1u : 0u)
                        << joints[i] << "." << kAttributes[a];
                }
            }
        }
    }
}

}  // namespace
