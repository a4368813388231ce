// Skeleton import: joints, names, parents, offsets, channel curves and rotation orders built
// from the HIERARCHY section.

#include <gtest/gtest.h>
#include <maya/MFnDagNode.h>

#include <cmath>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/BvhImport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using bvhref::curveCount;
using bvhref::curveKeys;
using bvhref::runImport;
using bvhref::sceneRotationOrder;
using bvhref::sceneTranslation;
using bvhref::writeTempFile;
using bvhtest::importText;
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

void expectVec(const bvhref::Vec3& actual, const bvhref::Vec3& expected, const std::string& what) {
    for (std::size_t a = 0; a < 3; ++a)
        EXPECT_NEAR(actual[a], expected[a], 1e-9) << what << " axis " << a;
}

class ImportHierarchy : public bvhtest::ImportTest {
protected:
    /// Imports `text` with the registered defaults and lists the joints at and below `root`;
    /// nothing (and a failure) when the import fails.
    static Paths importedJoints(const std::string& text, const std::string& root) {
        const auto run = importText(text);
        EXPECT_TRUE(run.success) << run.messages;
        return run.success ? bvhref::sceneJointPaths(root) : Paths{};
    }
};

TEST_F(ImportHierarchy, OneJointPerBlockNamedAndParentedAsInTheFile) {
    BvhImport imp;
    const auto run = importText(imp, kTwoLegs);
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(run.messages, "");
    const auto top = standin::topLevelNodes();
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(standin::nodeTypeName(top[0]), "transform");
    EXPECT_EQ(bvhref::sceneJointPaths("|bvh_import|Hips"), kTwoLegsJoints);
    for (const auto& path : kTwoLegsJoints)
        EXPECT_EQ(standin::nodeTypeName(standin::findNode(path)), "joint") << path;

    expectVec(sceneTranslation(kTwoLegsJoints[0]), {1, 2, 3}, "Hips");
    expectVec(sceneTranslation(kTwoLegsJoints[1]), {4, -5, 0.5}, "LeftLeg");
    expectVec(sceneTranslation(kTwoLegsJoints[3]), {0, 0, 2}, "EffectorLeftFoot");
    expectVec(sceneTranslation(kTwoLegsJoints[5]), {0, -7, 0}, "EffectorRightLeg");
    for (int a = 0; a < 3; ++a) EXPECT_DOUBLE_EQ(imp.rootOffset[a], a + 1.0);

    // One curve per channel, none for the end sites.
    for (const char* attribute : kAttributes)
        EXPECT_EQ(curveCount(kTwoLegsJoints[0], attribute), 1u) << attribute;
    for (const auto& path : {kTwoLegsJoints[1], kTwoLegsJoints[2], kTwoLegsJoints[4]}) {
        for (int a = 0; a < 6; ++a)
            EXPECT_EQ(curveCount(path, kAttributes[a]), a < 3 ? 0u : 1u) << path << kAttributes[a];
    }
    for (const auto& path : {kTwoLegsJoints[3], kTwoLegsJoints[5]})
        for (const char* attribute : kAttributes)
            EXPECT_EQ(curveCount(path, attribute), 0u) << path;
}

TEST_F(ImportHierarchy, ScaleMultipliesEveryOffset) {
    BvhImport imp;
    ASSERT_TRUE(importText(imp, kTwoLegs, "scale=2;").success);
    expectVec(sceneTranslation(kTwoLegsJoints[0]), {2, 4, 6}, "Hips");
    expectVec(sceneTranslation(kTwoLegsJoints[2]), {0, -12, 0}, "LeftFoot");
    expectVec(sceneTranslation(kTwoLegsJoints[3]), {0, 0, 4}, "EffectorLeftFoot");
    for (int a = 0; a < 3; ++a) EXPECT_DOUBLE_EQ(imp.rootOffset[a], 2.0 * (a + 1));
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
        BvhImport imp;
        const auto run = importText(imp, kTwoLegs, std::string("rotationOrder=") + c.option + ";");
        ASSERT_TRUE(run.success) << run.messages;
        for (const auto& path :
             {kTwoLegsJoints[0], kTwoLegsJoints[1], kTwoLegsJoints[2], kTwoLegsJoints[4]})
            EXPECT_EQ(sceneRotationOrder(path), c.jointOrder) << c.option << " " << path;
        EXPECT_EQ(std::string(imp.rotationOrder.asChar()), c.afterRead) << c.option;
        EXPECT_EQ(imp.fileRotationOrder, 4) << "the channels name YXZ whatever the option";
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
        BvhImport imp;
        const std::string text = withMotion(std::string("ROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 ") +
                                                c.channels + "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n",
                                            3);
        ASSERT_TRUE(importText(imp, text, "rotationOrder=auto;").success);
        EXPECT_EQ(std::string(imp.rotationOrder.asChar()), c.order) << c.channels;
        EXPECT_EQ(sceneRotationOrder("|bvh_import|A"), c.transformOrder) << c.channels;
        EXPECT_EQ(imp.fileRotationOrder, c.eulerOrder) << c.channels;
    }
}

TEST_F(ImportHierarchy, AutoOrderComesFromTheFirstChannelsLineOnly) {
    const std::string text = withMotion(
        "ROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "JOINT B\n{\nOFFSET 0 1 0\nCHANNELS 3 Zrotation Yrotation Xrotation\n"
        "End Site\n{\nOFFSET 0 1 0\n}\n}\n}\n",
        6);
    BvhImport imp;
    ASSERT_TRUE(importText(imp, text, "rotationOrder=auto;").success);
    EXPECT_EQ(std::string(imp.rotationOrder.asChar()), "ZYX");
    EXPECT_EQ(sceneRotationOrder("|bvh_import|A"), 6);
    EXPECT_EQ(sceneRotationOrder("|bvh_import|A|B"), 6)
        << "every joint gets the first line's order";
    EXPECT_EQ(imp.fileRotationOrder, 0) << "follows the last CHANNELS line (XYZ)";
}

TEST_F(ImportHierarchy, AutoOrderStaysResolvedForTheNextRead) {
    const std::string file = writeTempFile(kTwoLegs);
    BvhImport imp;
    ASSERT_TRUE(runImport(imp, file, "rotationOrder=auto;").success);
    standin::resetScene();
    ASSERT_TRUE(runImport(imp, file, "scale=1;").success);
    EXPECT_EQ(std::string(imp.rotationOrder.asChar()), "YXZ");
    EXPECT_EQ(sceneRotationOrder(kTwoLegsJoints[1]), 5);
}

TEST_F(ImportHierarchy, WithoutAnimationNoChannelIsBound) {
    BvhImport imp;
    ASSERT_TRUE(importText(imp, kTwoLegs, "importAnimation=0;rotationOrder=ZYX;").success);
    EXPECT_EQ(bvhref::sceneJointPaths("|bvh_import|Hips"), kTwoLegsJoints)
        << "joints and end sites are still made";
    for (const auto& path : kTwoLegsJoints) {
        for (const char* attribute : kAttributes)
            EXPECT_EQ(curveCount(path, attribute), 0u) << path;
        EXPECT_EQ(sceneRotationOrder(path), 1) << "no rotation order is set: " << path;
    }
    expectVec(sceneTranslation(kTwoLegsJoints[1]), {4, -5, 0.5}, "LeftLeg");
}

TEST_F(ImportHierarchy, ImportWithoutJointsLeavesTheRootOffsetAlone) {
    BvhImport imp;
    imp.rootOffset[0] = 9;
    imp.rootOffset[1] = 8;
    imp.rootOffset[2] = 7;
    ASSERT_TRUE(importText(imp, kTwoLegs, "importSkelton=0;").success);
    EXPECT_DOUBLE_EQ(imp.rootOffset[0], 9);
    EXPECT_DOUBLE_EQ(imp.rootOffset[1], 8);
    EXPECT_DOUBLE_EQ(imp.rootOffset[2], 7);
}

TEST_F(ImportHierarchy, ExistingCurvesAreReused) {
    const std::string file = writeTempFile(kTwoLegs);
    ASSERT_TRUE(runImport(file, bvhref::kDefaultImportOptions).success);
    bvhref::selectNodes({"|bvh_import|Hips|LeftLeg"});
    const auto run = runImport(file, "importSkelton=2;startTime=5;");
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(bvhref::sceneJointPaths("|bvh_import|Hips"), kTwoLegsJoints) << "no joint is created";
    EXPECT_EQ(standin::topLevelNodes().size(), 1u) << "no transform is created";
    for (const auto& path : {kTwoLegsJoints[0], kTwoLegsJoints[2]}) {
        EXPECT_EQ(curveCount(path, "rotateZ"), 1u) << path;
        EXPECT_EQ(curveKeys(path, "rotateZ").size(), 2u)
            << "keys at 1 and 5 on one curve: " << path;
    }
}

TEST_F(ImportHierarchy, BraceLinesAndSurplusClosingBraces) {
    // Extra "}" lines beyond the open blocks keep the depth at 0: the next ROOT is still a
    // direct child of the import transform.
    const std::string text =
        "HIERARCHY\n}\n}\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 0\nJOINT B\n{\n{\nOFFSET 1 0 0\n"
        "CHANNELS 0\n}\n}\n}\n}\nMOTION\nFrames: 0\nFrame Time: 0.1\n";
    EXPECT_EQ(importedJoints(text, "|bvh_import|A"), (Paths{"|bvh_import|A", "|bvh_import|A|B"}));
}

TEST_F(ImportHierarchy, KeywordsAreFoundAnywhereInALine) {
    const std::string text = withMotion(
        "xROOT A\n{\nmy OFFSET 1 2 3\n CHANNELS 1 Xposition\n"
        "  theJOINT B\n{\nOFFSET 0 1 0\nCHANNELS 0\n}x\n}\n",
        1);
    EXPECT_EQ(importedJoints(text, "|bvh_import|A"), (Paths{"|bvh_import|A", "|bvh_import|A|B"}));
    expectVec(sceneTranslation("|bvh_import|A"), {1, 2, 3}, "A");
}

TEST_F(ImportHierarchy, KeywordTextInsideANameIsPartOfTheName) {
    const std::string text = withMotion(
        "ROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 0\n"
        "JOINT LeftFootEnd\n{\nOFFSET 1 0 0\nCHANNELS 0\n"
        "JOINT OFFSETx\n{\nOFFSET 0 1 0\nCHANNELS 0\n"
        "JOINT CHANNELS_3\n{\nOFFSET 0 0 1\nCHANNELS 0\n"
        "End Site\n{\nOFFSET 0 0 2\n}\n}\n}\n}\n}\n",
        0);
    EXPECT_EQ(importedJoints(text, "|bvh_import|Hips"),
              (Paths{"|bvh_import|Hips", "|bvh_import|Hips|LeftFootEnd",
                     "|bvh_import|Hips|LeftFootEnd|OFFSETx",
                     "|bvh_import|Hips|LeftFootEnd|OFFSETx|CHANNELS_3",
                     "|bvh_import|Hips|LeftFootEnd|OFFSETx|CHANNELS_3|EffectorCHANNELS_3"}));
    expectVec(sceneTranslation("|bvh_import|Hips|LeftFootEnd|OFFSETx"), {0, 1, 0}, "OFFSETx");
}

TEST_F(ImportHierarchy, ClosingBraceInsideANameDoesNotCloseABlock) {
    const std::string text = withMotion(
        "ROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 0\nJOINT a}b\n{\nOFFSET 1 0 0\nCHANNELS 0\n"
        "JOINT c\n{\nOFFSET 0 1 0\nCHANNELS 0\n}\n}\n}\n",
        0);
    const auto joints = importedJoints(text, "|bvh_import|Hips");
    ASSERT_EQ(joints.size(), 3u);
    // Whatever the host makes of the name, c is a child of the second joint.
    EXPECT_EQ(joints[2], joints[1] + "|c");
    EXPECT_EQ(joints[1].rfind("|bvh_import|Hips|", 0), 0u);
}

TEST_F(ImportHierarchy, MissingNamesAndEndSiteSpellings) {
    const std::string text = withMotion(
        "ROOT\n{\nOFFSET 0 0 0\nCHANNELS 0\n"
        "JOINT\n{\nOFFSET 1 0 0\nCHANNELS 0\nEnd\n{\nOFFSET 0 1 0\n}\n}\n"
        "JOINT B\n{\nOFFSET 2 0 0\nCHANNELS 0\nEndSite\n{\nOFFSET 0 2 0\n}\n}\n"
        "JOINT Site\n{\nOFFSET 3 0 0\nCHANNELS 0\n}\n"
        "}\n",
        0);
    const auto run = importText(text);
    ASSERT_TRUE(run.success) << run.messages;
    const auto top = standin::topLevelNodes();
    ASSERT_EQ(top.size(), 1u);
    MFnDagNode transform(top[0]);
    ASSERT_EQ(transform.childCount(), 1u) << "the nameless root is still made";
    const std::string root = standin::fullPath(transform.child(0));
    EXPECT_NE(root, "|bvh_import|") << "the root keeps the host's default name";
    const auto joints = bvhref::sceneJointPaths(root);
    ASSERT_EQ(joints.size(), 6u);
    const std::string unnamed = joints[1];
    EXPECT_NE(bvhref::sceneName(unnamed), "");
    EXPECT_EQ(bvhref::sceneName(joints[2]).rfind("Effector", 0), 0u)
        << "\"End\" alone is an end site, named after its parent's (missing) name";
    EXPECT_EQ(joints[3], root + "|B");
    EXPECT_EQ(joints[4], root + "|B|EffectorB") << "\"EndSite\" is an end site";
    EXPECT_EQ(bvhref::sceneName(joints[5]).rfind("Effector", 0), 0u)
        << "a joint named Site is read as an end site";
    expectVec(sceneTranslation(joints[5]), {3, 0, 0}, "Site joint");
}

TEST_F(ImportHierarchy, MissingOffsetNumbersReadAsZero) {
    const std::string text = withMotion(
        "ROOT A\n{\nOFFSET 1 2\nCHANNELS 0\nJOINT B\n{\nOFFSET\nCHANNELS 0\nJOINT C\n{\n"
        "OFFSET 4 x 6\nCHANNELS 0\n}\n}\n}\n",
        0);
    ASSERT_TRUE(importText(text).success);
    expectVec(sceneTranslation("|bvh_import|A"), {1, 2, 0}, "A");
    expectVec(sceneTranslation("|bvh_import|A|B"), {0, 0, 0}, "B");
    expectVec(sceneTranslation("|bvh_import|A|B|C"), {4, 0, 6}, "C");
}

TEST_F(ImportHierarchy, EveryRootStartsASkeletonUnderTheSameTransform) {
    const std::string text =
        "HIERARCHY\n"
        "ROOT A\n{\nOFFSET 1 0 0\nCHANNELS 1 Xposition\nJOINT A1\n{\nOFFSET 0 1 0\n"
        "CHANNELS 1 Zrotation\n}\n}\n"
        "ROOT B\n{\nOFFSET 5 0 0\nCHANNELS 1 Xposition\nJOINT B1\n{\nOFFSET 0 2 0\n"
        "CHANNELS 1 Zrotation\n}\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.1\n10 20 30 40\n";
    const auto run = importText(text);
    ASSERT_TRUE(run.success) << run.messages;
    const auto top = standin::topLevelNodes();
    ASSERT_EQ(top.size(), 1u);
    MFnDagNode transform(top[0]);
    ASSERT_EQ(transform.childCount(), 2u);
    EXPECT_EQ(bvhref::sceneJointPaths("|bvh_import|A"),
              (Paths{"|bvh_import|A", "|bvh_import|A|A1"}));
    EXPECT_EQ(bvhref::sceneJointPaths("|bvh_import|B"),
              (Paths{"|bvh_import|B", "|bvh_import|B|B1"}));
    expectVec(sceneTranslation("|bvh_import|B|B1"), {0, 2, 0}, "B1");
    const auto keys = curveKeys("|bvh_import|B", "translateX");
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_DOUBLE_EQ(keys[0].second, 30 + 5) << "the second skeleton's channels line up";
    const auto b1 = curveKeys("|bvh_import|B|B1", "rotateZ");
    ASSERT_EQ(b1.size(), 1u);
    EXPECT_NEAR(b1[0].second, 40 * 3.14159 / 180, 1e-12);
}

TEST_F(ImportHierarchy, UnknownChannelKeepsItsPlace) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n"
        "CHANNELS 4 Xposition Wrotation Yposition Zposition\n}\n"
        "MOTION\nFrames: 2\nFrame Time: 0.1\n1 2 3 4\n5 6 7 8\n";
    const std::string file = writeTempFile(text);
    const auto run = runImport(file, bvhref::kDefaultImportOptions);
    ASSERT_TRUE(run.success) << run.messages;
    // One warning line, naming the file and the channel.
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(run.messages.find('\n'), run.messages.size() - 1) << run.messages;
    EXPECT_NE(run.messages.find(file), std::string::npos) << run.messages;
    EXPECT_NE(run.messages.find("Wrotation"), std::string::npos) << run.messages;

    const auto x = curveKeys("|bvh_import|A", "translateX");
    const auto y = curveKeys("|bvh_import|A", "translateY");
    const auto z = curveKeys("|bvh_import|A", "translateZ");
    ASSERT_EQ(x.size(), 2u);
    ASSERT_EQ(y.size(), 2u);
    ASSERT_EQ(z.size(), 2u);
    EXPECT_DOUBLE_EQ(x[1].second, 5);
    EXPECT_DOUBLE_EQ(y[1].second, 7) << "the value after the unknown channel's";
    EXPECT_DOUBLE_EQ(z[1].second, 8);
    for (const char* attribute : {"rotateX", "rotateY", "rotateZ"})
        EXPECT_EQ(curveCount("|bvh_import|A", attribute), 0u) << attribute;
}

TEST_F(ImportHierarchy, DeclaredChannelCountIsNotUsed) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 2 Xposition Yposition Zposition\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.1\n1 2 3\n";
    ASSERT_TRUE(importText(text).success);
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateZ"),
              (std::vector<std::pair<double, double>>{{1, 3}}));
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
                const std::string name =
                    node.endSite
                        ? "Effector" + ref.nodes[static_cast<std::size_t>(node.parent)].name
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
