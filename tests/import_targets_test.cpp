// Animation-only import: which scene joints receive the motion of which file nodes.

#include <gtest/gtest.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MSelectionList.h>

#include <cmath>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/ImportJob.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using bvhref::curveKeys;
using bvhtest::importText;
using bvhtest::kDeg;
using Paths = std::vector<std::string>;

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

class ImportTargets : public bvhtest::ImportTest {
protected:
    /// A new node of `type` at the full path `path`, below the node its parent path names.
    static void make(const std::string& type, const std::string& path) {
        const std::size_t bar = path.rfind('|');
        const std::string parentPath = path.substr(0, bar);
        MObject parent = parentPath.empty() ? MObject::kNullObj : standin::findNode(parentPath);
        EXPECT_FALSE(standin::createNode(type, parent, path.substr(bar + 1)).isNull()) << path;
    }
    /// New joints at `paths`, parents first.
    static void makeJoints(const Paths& paths) {
        for (const std::string& path : paths) make("joint", path);
    }
    Paths targets(const Paths& selection) {
        bvhref::selectNodes(selection);
        MObjectArray joints;
        bvhimport::collectTargetJoints(joints);
        Paths paths;
        for (unsigned int i = 0; i < joints.length(); ++i)
            paths.push_back(standin::fullPath(joints[i]));
        return paths;
    }
    /// Selects `selection` and imports the motion of a file of `nodes` onto it.
    static bvhref::ImportRun importOnto(const Paths& selection,
                                        const std::vector<FileNode>& nodes) {
        bvhref::selectNodes(selection);
        return importText(fileOf(nodes), "importSkelton=2;startTime=1;");
    }
    /// Each joint of `order` received the motion of the file node at its own position.
    static void expectDrivenInOrder(const Paths& order) {
        for (std::size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(drivenBy(order[i]), static_cast<int>(i)) << order[i];
    }
};

// Skeleton |A with B (and C below it) and D.
const Paths kSkeletonA = {"|A", "|A|B", "|A|B|C", "|A|D"};

TEST_F(ImportTargets, AnySelectedJointGivesItsWholeSkeleton) {
    makeJoints(kSkeletonA);
    for (const auto& selected : kSkeletonA) EXPECT_EQ(targets({selected}), kSkeletonA) << selected;
}

TEST_F(ImportTargets, OneCopyPerSelectedJointInSelectionOrder) {
    makeJoints(kSkeletonA);
    makeJoints({"|X", "|X|Y"});
    Paths twice = kSkeletonA;
    twice.insert(twice.end(), kSkeletonA.begin(), kSkeletonA.end());
    EXPECT_EQ(targets({"|A|B", "|A|D"}), twice);
    EXPECT_EQ(targets({"|X|Y", "|A"}), (Paths{"|X", "|X|Y", "|A", "|A|B", "|A|B|C", "|A|D"}));
    EXPECT_EQ(targets({"|A", "|X"}), (Paths{"|A", "|A|B", "|A|B|C", "|A|D", "|X", "|X|Y"}));
}

TEST_F(ImportTargets, OnlyJointsOfTheSelectionCount) {
    makeJoints(kSkeletonA);
    make("transform", "|grp");
    EXPECT_EQ(targets({"|grp", "|A|D"}), kSkeletonA);
    EXPECT_TRUE(targets({"|grp"}).empty());
    EXPECT_TRUE(targets({}).empty());
}

TEST_F(ImportTargets, GroupInsideASkeleton) {
    makeJoints({"|A"});
    make("transform", "|A|grp");
    makeJoints({"|A|grp|B", "|A|grp|B|C", "|A|D"});
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|grp|B", "|A|grp|B|C", "|A|D"}));
    EXPECT_EQ(targets({"|A|grp|B|C"}), (Paths{"|A|grp|B", "|A|grp|B|C"}))
        << "the climb stops below the group";
    EXPECT_EQ(targets({"|A|grp|B"}), (Paths{"|A|grp|B", "|A|grp|B|C"}));
}

TEST_F(ImportTargets, FileNodesDriveTargetsByPosition) {
    makeJoints(kSkeletonA);
    // Same shape, other names: names are never compared.
    const auto run = importOnto({"|A|B|C"}, {{"R", -1}, {"S", 0}, {"T", 1}, {"U", 0}});
    ASSERT_TRUE(run.success) << run.messages;
    expectDrivenInOrder(kSkeletonA);
    EXPECT_EQ(standin::topLevelNodes().size(), 1u) << "nothing is created";
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    EXPECT_EQ(selection.length(), 1u) << "the selection is left as it was";
}

TEST_F(ImportTargets, SurplusFileNodesAreIgnored) {
    makeJoints(kSkeletonA);
    const auto run =
        importOnto({"|A"}, {{"R", -1}, {"S", 0}, {"T", 1}, {"U", 0}, {"V", 3}, {"W", 4}});
    ASSERT_TRUE(run.success) << run.messages;
    expectDrivenInOrder(kSkeletonA);
    EXPECT_EQ(bvhref::sceneJointPaths("|A"), kSkeletonA) << "no joint is created for V and W";
}

TEST_F(ImportTargets, JointsPastTheFilesLastNodeReceiveNothing) {
    makeJoints(kSkeletonA);
    const auto run = importOnto({"|A"}, {{"R", -1}, {"S", 0}});
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(drivenBy("|A"), 0);
    EXPECT_EQ(drivenBy("|A|B"), 1);
    EXPECT_EQ(bvhref::curveCount("|A|B|C", "rotateZ"), 0u);
    EXPECT_EQ(bvhref::curveCount("|A|D", "rotateZ"), 0u);
}

TEST_F(ImportTargets, WithoutEndSiteJointsLaterNodesShiftByPosition) {
    // Scene: Hips with L, R, R2 (no joints for end sites). File: Hips, L, End Site, R, R2.
    makeJoints({"|Hips", "|Hips|L", "|Hips|R", "|Hips|R|R2"});
    const auto run =
        importOnto({"|Hips"}, {{"Hips", -1}, {"L", 0}, {"Site", 1, true}, {"R", 0}, {"R2", 3}});
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(drivenBy("|Hips"), 0);
    EXPECT_EQ(drivenBy("|Hips|L"), 1);
    EXPECT_EQ(drivenBy("|Hips|R"), -1) << "the end site's place: no channel";
    EXPECT_EQ(drivenBy("|Hips|R|R2"), 3) << "file node R lands on the joint at its position";
}

TEST_F(ImportTargets, TwoSkeletonsFormOneTargetList) {
    makeJoints({"|A", "|A|B", "|X", "|X|Y", "|X|Y|Z"});
    const auto run =
        importOnto({"|A|B", "|X|Y|Z"}, {{"n0", -1}, {"n1", 0}, {"n2", 1}, {"n3", 2}, {"n4", 3}});
    ASSERT_TRUE(run.success) << run.messages;
    expectDrivenInOrder({"|A", "|A|B", "|X", "|X|Y", "|X|Y|Z"});
}

TEST_F(ImportTargets, DerivedJointTypesAreTargets) {
    makeJoints({"|A"});
    make("hikFKJoint", "|A|H");
    makeJoints({"|A|H|C"});
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|H", "|A|H|C"}));
    EXPECT_EQ(targets({"|A|H|C"}), (Paths{"|A|H|C"})) << "the climb stops at the derived type";
}

}  // namespace
