// Animation-only import: which scene joints receive the motion of which file nodes.

#include <gtest/gtest.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MSelectionList.h>

#include <cmath>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/BvhImport.h"
#include "standin/Standin.h"

namespace {

using bvhref::curveKeys;
using bvhref::runImport;
using Paths = std::vector<std::string>;

constexpr double kDeg = 3.14159 / 180.0;

// A file node: its parent (index, -1 for the root) and whether it is an end site. Every
// other node has one channel, Zrotation, whose value in the single frame is 10 * (index + 1).
struct FileNode {
    const char* name;
    int parent;
    bool endSite = false;
};

std::string block(const std::vector<FileNode>& nodes, std::size_t i, int& channels) {
    const FileNode& n = nodes[i];
    std::string text = n.parent < 0 ? std::string("ROOT ") + n.name
                       : n.endSite  ? std::string("End Site")
                                    : std::string("JOINT ") + n.name;
    text += "\n{\nOFFSET 0 1 0\n";
    if (!n.endSite) {
        text += "CHANNELS 1 Zrotation\n";
        ++channels;
    }
    for (std::size_t c = i + 1; c < nodes.size(); ++c)
        if (nodes[c].parent == static_cast<int>(i)) text += block(nodes, c, channels);
    return text + "}\n";
}

std::string fileOf(const std::vector<FileNode>& nodes) {
    int channels = 0;
    std::string text =
        "HIERARCHY\n" + block(nodes, 0, channels) + "MOTION\nFrames: 1\nFrame Time: 0.1\n";
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!nodes[i].endSite) text += std::to_string(10 * (i + 1)) + " ";
    return text + "\n";
}

// The value that drove a joint's rotateZ in degrees / 10 - 1, i.e. the file node index; -1
// when it has no key.
int drivenBy(const std::string& path) {
    const auto keys = curveKeys(path, "rotateZ");
    if (keys.size() != 1) return -1;
    return static_cast<int>(std::lround(keys[0].second / kDeg / 10.0)) - 1;
}

class ImportTargets : public testing::Test {
protected:
    void SetUp() override { standin::resetScene(); }
    void TearDown() override { bvhref::removeTempFiles(); }

    MObject make(const std::string& type, const std::string& parentPath, const std::string& name) {
        MObject parent = parentPath.empty() ? MObject::kNullObj : standin::findNode(parentPath);
        MObject node = standin::createNode(type, parent, name);
        EXPECT_FALSE(node.isNull()) << name;
        return node;
    }
    Paths targets(const Paths& selection) {
        bvhref::selectNodes(selection);
        BvhImport imp;
        MObjectArray joints;
        imp.collectTargetJoints(joints);
        Paths paths;
        for (unsigned int i = 0; i < joints.length(); ++i)
            paths.push_back(standin::fullPath(joints[i]));
        return paths;
    }
    // Skeleton |A with B (and C below it) and D.
    void makeSkeletonA() {
        make("joint", "", "A");
        make("joint", "|A", "B");
        make("joint", "|A|B", "C");
        make("joint", "|A", "D");
    }
};

const Paths kSkeletonA = {"|A", "|A|B", "|A|B|C", "|A|D"};

TEST_F(ImportTargets, AnySelectedJointGivesItsWholeSkeleton) {
    makeSkeletonA();
    for (const auto& selected : kSkeletonA) EXPECT_EQ(targets({selected}), kSkeletonA) << selected;
}

TEST_F(ImportTargets, OneCopyPerSelectedJointInSelectionOrder) {
    makeSkeletonA();
    make("joint", "", "X");
    make("joint", "|X", "Y");
    Paths twice = kSkeletonA;
    twice.insert(twice.end(), kSkeletonA.begin(), kSkeletonA.end());
    EXPECT_EQ(targets({"|A|B", "|A|D"}), twice);
    EXPECT_EQ(targets({"|X|Y", "|A"}), (Paths{"|X", "|X|Y", "|A", "|A|B", "|A|B|C", "|A|D"}));
    EXPECT_EQ(targets({"|A", "|X"}), (Paths{"|A", "|A|B", "|A|B|C", "|A|D", "|X", "|X|Y"}));
}

TEST_F(ImportTargets, OnlyJointsOfTheSelectionCount) {
    makeSkeletonA();
    make("transform", "", "grp");
    EXPECT_EQ(targets({"|grp", "|A|D"}), kSkeletonA);
    EXPECT_TRUE(targets({"|grp"}).empty());
    EXPECT_TRUE(targets({}).empty());
}

TEST_F(ImportTargets, GroupInsideASkeleton) {
    make("joint", "", "A");
    make("transform", "|A", "grp");
    make("joint", "|A|grp", "B");
    make("joint", "|A|grp|B", "C");
    make("joint", "|A", "D");
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|grp|B", "|A|grp|B|C", "|A|D"}));
    EXPECT_EQ(targets({"|A|grp|B|C"}), (Paths{"|A|grp|B", "|A|grp|B|C"}))
        << "the climb stops below the group";
    EXPECT_EQ(targets({"|A|grp|B"}), (Paths{"|A|grp|B", "|A|grp|B|C"}));
}

TEST_F(ImportTargets, FileNodesDriveTargetsByPosition) {
    makeSkeletonA();
    // Same shape, other names: names are never compared.
    const std::string file =
        bvhref::writeTempFile(fileOf({{"R", -1}, {"S", 0}, {"T", 1}, {"U", 0}}));
    bvhref::selectNodes({"|A|B|C"});
    const auto run = runImport(file, "importSkelton=2;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    for (std::size_t i = 0; i < kSkeletonA.size(); ++i)
        EXPECT_EQ(drivenBy(kSkeletonA[i]), static_cast<int>(i)) << kSkeletonA[i];
    EXPECT_EQ(standin::topLevelNodes().size(), 1u) << "nothing is created";
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    EXPECT_EQ(selection.length(), 1u) << "the selection is left as it was";
}

TEST_F(ImportTargets, SurplusFileNodesAreIgnored) {
    makeSkeletonA();
    const std::string file = bvhref::writeTempFile(
        fileOf({{"R", -1}, {"S", 0}, {"T", 1}, {"U", 0}, {"V", 3}, {"W", 4}}));
    bvhref::selectNodes({"|A"});
    BvhImport imp;
    const auto run = runImport(imp, file, "importSkelton=2;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    for (std::size_t i = 0; i < kSkeletonA.size(); ++i)
        EXPECT_EQ(drivenBy(kSkeletonA[i]), static_cast<int>(i)) << kSkeletonA[i];
    EXPECT_EQ(bvhref::sceneJointPaths("|A"), kSkeletonA) << "no joint is created for V and W";
}

TEST_F(ImportTargets, JointsPastTheFilesLastNodeReceiveNothing) {
    makeSkeletonA();
    bvhref::selectNodes({"|A"});
    const auto run = runImport(bvhref::writeTempFile(fileOf({{"R", -1}, {"S", 0}})),
                               "importSkelton=2;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(drivenBy("|A"), 0);
    EXPECT_EQ(drivenBy("|A|B"), 1);
    EXPECT_EQ(bvhref::curveCount("|A|B|C", "rotateZ"), 0u);
    EXPECT_EQ(bvhref::curveCount("|A|D", "rotateZ"), 0u);
}

TEST_F(ImportTargets, WithoutEndSiteJointsLaterNodesShiftByPosition) {
    // Scene: Hips with L, R, R2 (no joints for end sites). File: Hips, L, End Site, R, R2.
    make("joint", "", "Hips");
    make("joint", "|Hips", "L");
    make("joint", "|Hips", "R");
    make("joint", "|Hips|R", "R2");
    const std::string file = bvhref::writeTempFile(
        fileOf({{"Hips", -1}, {"L", 0}, {"Site", 1, true}, {"R", 0}, {"R2", 3}}));
    bvhref::selectNodes({"|Hips"});
    const auto run = runImport(file, "importSkelton=2;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(drivenBy("|Hips"), 0);
    EXPECT_EQ(drivenBy("|Hips|L"), 1);
    EXPECT_EQ(drivenBy("|Hips|R"), -1) << "the end site's place: no channel";
    EXPECT_EQ(drivenBy("|Hips|R|R2"), 3) << "file node R lands on the joint at its position";
}

TEST_F(ImportTargets, TwoSkeletonsFormOneTargetList) {
    make("joint", "", "A");
    make("joint", "|A", "B");
    make("joint", "", "X");
    make("joint", "|X", "Y");
    make("joint", "|X|Y", "Z");
    const std::string file =
        bvhref::writeTempFile(fileOf({{"n0", -1}, {"n1", 0}, {"n2", 1}, {"n3", 2}, {"n4", 3}}));
    bvhref::selectNodes({"|A|B", "|X|Y|Z"});
    const auto run = runImport(file, "importSkelton=2;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    const Paths order = {"|A", "|A|B", "|X", "|X|Y", "|X|Y|Z"};
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(drivenBy(order[i]), static_cast<int>(i)) << order[i];
}

TEST_F(ImportTargets, DerivedJointTypesAreTargets) {
    make("joint", "", "A");
    make("hikFKJoint", "|A", "H");
    make("joint", "|A|H", "C");
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|H", "|A|H|C"}));
    EXPECT_EQ(targets({"|A|H|C"}), (Paths{"|A|H|C"})) << "the climb stops at the derived type";
}

}  // namespace
