// Joint walks: climbing to a skeleton's root and listing its joints depth-first.

#include <gtest/gtest.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MObjectArray.h>

#include <string>
#include <vector>

#include "plugin/JointWalk.h"
#include "standin/Standin.h"

namespace {

MObject make(const std::string& type, const MObject& parent, const std::string& name) {
    MObject node = standin::createNode(type, parent, name);
    EXPECT_FALSE(node.isNull()) << "creating " << type << " " << name;
    return node;
}

std::string rootName(const MObject& start) {
    MFnDagNode fn(start);
    return standin::fullPath(findRootJoint(fn));
}

std::vector<std::string> collected(const MObject& start) {
    MObjectArray joints;
    collectJoints(start, joints);
    std::vector<std::string> paths;
    for (unsigned int i = 0; i < joints.length(); ++i)
        paths.push_back(standin::fullPath(joints[i]));
    return paths;
}

using Paths = std::vector<std::string>;

class JointWalk : public testing::Test {
protected:
    void SetUp() override { standin::resetScene(); }
};

TEST_F(JointWalk, TopLevelJointIsItsOwnRoot) {
    MObject a = make("joint", MObject::kNullObj, "A");
    EXPECT_EQ(rootName(a), "|A");
    EXPECT_EQ(collected(a), Paths{"|A"});
}

TEST_F(JointWalk, ChainClimbsToTheTopAndListsInOrder) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject b = make("joint", a, "B");
    MObject c = make("joint", b, "C");
    EXPECT_EQ(rootName(c), "|A");
    EXPECT_EQ(rootName(b), "|A");
    EXPECT_EQ(collected(a), (Paths{"|A", "|A|B", "|A|B|C"}));
}

TEST_F(JointWalk, BranchesAreVisitedDepthFirstInChildOrder) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject b = make("joint", a, "B");
    make("joint", a, "D");
    make("joint", b, "C");
    EXPECT_EQ(collected(a), (Paths{"|A", "|A|B", "|A|B|C", "|A|D"}));
}

TEST_F(JointWalk, JointUnderATopLevelTransformIsItsOwnRoot) {
    MObject group = make("transform", MObject::kNullObj, "grp");
    MObject a = make("joint", group, "A");
    MObject b = make("joint", a, "B");
    EXPECT_EQ(rootName(b), "|grp|A") << "the climb stops below the transform";
    EXPECT_EQ(collected(group), (Paths{"|grp|A", "|grp|A|B"})) << "the group is passed through";
}

TEST_F(JointWalk, GroupInsideASkeleton) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject group = make("transform", a, "grp");
    MObject b = make("joint", group, "B");
    make("joint", b, "C");
    make("joint", a, "D");
    EXPECT_EQ(rootName(b), "|A|grp|B") << "the climb does not pass the group";
    EXPECT_EQ(collected(a), (Paths{"|A", "|A|grp|B", "|A|grp|B|C", "|A|D"}))
        << "joints below the group keep their depth-first place, the group is omitted";
}

TEST_F(JointWalk, DerivedJointTypeIsCollectedButNotClimbedThrough) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject hik = make("hikFKJoint", a, "H");
    MObject c = make("joint", hik, "C");
    EXPECT_EQ(collected(a), (Paths{"|A", "|A|H", "|A|H|C"}));
    EXPECT_EQ(rootName(c), "|A|H|C") << "the parent is not exactly of the joint type";
    EXPECT_EQ(rootName(hik), "|A") << "a derived node climbs through its joint parent";
}

TEST_F(JointWalk, NothingToCollectBelowAPlainNode) {
    MObject group = make("transform", MObject::kNullObj, "grp");
    make("transform", group, "inner");
    EXPECT_TRUE(collected(group).empty());
}

TEST_F(JointWalk, CollectAppendsToTheGivenList) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject other = make("joint", MObject::kNullObj, "Other");
    MObjectArray joints;
    joints.append(other);
    collectJoints(a, joints);
    ASSERT_EQ(joints.length(), 2u);
    EXPECT_EQ(standin::fullPath(joints[0]), "|Other");
    EXPECT_EQ(standin::fullPath(joints[1]), "|A");
}

TEST_F(JointWalk, OnlyTheFirstParentOfAnInstanceIsClimbed) {
    MObject a = make("joint", MObject::kNullObj, "A");
    MObject top = make("joint", MObject::kNullObj, "Top");
    MObject b = make("joint", top, "B");
    MObject shared = make("joint", b, "Shared");
    ASSERT_TRUE(standin::addParent(shared, a));
    EXPECT_EQ(rootName(shared), "|Top");
}

TEST_F(JointWalk, DeepChainsNeedNoDeepRecursion) {
    constexpr int kDepth = 3000;
    MObject top = make("joint", MObject::kNullObj, "j0");
    MObject last = top;
    for (int i = 1; i < kDepth; ++i) last = make("joint", last, "j" + std::to_string(i));
    MFnDagNode fn(last);
    EXPECT_TRUE(findRootJoint(fn) == top);
    MObjectArray joints;
    collectJoints(top, joints);
    ASSERT_EQ(joints.length(), static_cast<unsigned int>(kDepth));
    EXPECT_TRUE(joints[kDepth - 1] == last);
}

}  // namespace
