// The skeletons of a selection: the targets of an animation-only import (whole skeletons)
// and the joints an export writes (from the topmost selected joint). Which target receives
// the motion of which file node is a set of import cases (tests/cases/import, targets_*);
// what an export writes for a selection, export cases (tests/cases/export, selection_*).

#include <gtest/gtest.h>
#include <maya/MObjectArray.h>

#include <string>
#include <vector>

#include "bvh_reference.h"
#include "plugin/SelectedSkeletons.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using Paths = std::vector<std::string>;

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
    Paths targets(const Paths& selection, SkeletonTop top = SkeletonTop::kSkeletonRoot) {
        bvhref::selectNodes(selection);
        MObjectArray joints;
        appendSkeletonJoints(selectedSkeletons(top), joints);
        Paths paths;
        for (unsigned int i = 0; i < joints.length(); ++i)
            paths.push_back(standin::fullPath(joints[i]));
        return paths;
    }
};

// Skeleton |A with B (and C below it) and D.
const Paths kSkeletonA = {"|A", "|A|B", "|A|B|C", "|A|D"};

TEST_F(ImportTargets, AnySelectedJointGivesItsWholeSkeleton) {
    makeJoints(kSkeletonA);
    for (const auto& selected : kSkeletonA) EXPECT_EQ(targets({selected}), kSkeletonA) << selected;
}

// Each skeleton once, however many of its joints are selected, in the order of the first
// selected joint of each.
TEST_F(ImportTargets, EachSkeletonOnceInSelectionOrder) {
    makeJoints(kSkeletonA);
    makeJoints({"|X", "|X|Y"});
    EXPECT_EQ(targets({"|A|B", "|A|D"}), kSkeletonA);
    EXPECT_EQ(targets({"|A|B|C", "|A|B", "|A", "|A|D"}), kSkeletonA);
    EXPECT_EQ(targets({"|X|Y", "|A"}), (Paths{"|X", "|X|Y", "|A", "|A|B", "|A|B|C", "|A|D"}));
    EXPECT_EQ(targets({"|A", "|X", "|A|D", "|X|Y"}),
              (Paths{"|A", "|A|B", "|A|B|C", "|A|D", "|X", "|X|Y"}));
}

// The export's root: the highest selected joint above the first selected one; one joint alone
// is its own root. Every joint once; joints outside that root's subtree start skeletons of
// their own (the export leaves them out).
TEST_F(ImportTargets, TopmostSelectedJointIsTheRoot) {
    makeJoints(kSkeletonA);
    const auto top = SkeletonTop::kTopmostSelected;
    EXPECT_EQ(targets({"|A|B"}, top), (Paths{"|A|B", "|A|B|C"}));
    EXPECT_EQ(targets({"|A|B", "|A", "|A|D"}, top), kSkeletonA);
    EXPECT_EQ(targets({"|A|B|C", "|A", "|A|B"}, top), kSkeletonA);
    EXPECT_EQ(targets({"|A|B|C", "|A|D"}, top), (Paths{"|A|B|C", "|A|D"}));
    bvhref::selectNodes({"|A|B|C", "|A|D", "|A|B"});
    const std::vector<SelectedSkeleton> skeletons = selectedSkeletons(top);
    ASSERT_EQ(skeletons.size(), 2u);
    EXPECT_EQ(skeletons[0].selected, (std::vector<std::string>{"C", "B"}));
    EXPECT_EQ(skeletons[1].selected, (std::vector<std::string>{"D"}));
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
    EXPECT_EQ(targets({"|A|grp|B|C", "|A|D"}), (Paths{"|A", "|A|grp|B", "|A|grp|B|C", "|A|D"}))
        << "a skeleton above one listed before takes it in";
}

TEST_F(ImportTargets, DerivedJointTypesAreTargets) {
    makeJoints({"|A"});
    make("hikFKJoint", "|A|H");
    makeJoints({"|A|H|C"});
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|H", "|A|H|C"}));
    EXPECT_EQ(targets({"|A|H|C"}), (Paths{"|A|H|C"})) << "the climb stops at the derived type";
}

}  // namespace
