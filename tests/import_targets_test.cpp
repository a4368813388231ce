// Animation-only import: which scene joints are targets for a selection. Which target
// receives the motion of which file node is a set of import cases (tests/cases/import,
// targets_*).

#include <gtest/gtest.h>
#include <maya/MObjectArray.h>

#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/ImportJob.h"
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
    Paths targets(const Paths& selection) {
        bvhref::selectNodes(selection);
        MObjectArray joints;
        bvhimport::collectTargetJoints(joints);
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

TEST_F(ImportTargets, DerivedJointTypesAreTargets) {
    makeJoints({"|A"});
    make("hikFKJoint", "|A|H");
    makeJoints({"|A|H|C"});
    EXPECT_EQ(targets({"|A"}), (Paths{"|A", "|A|H", "|A|H|C"}));
    EXPECT_EQ(targets({"|A|H|C"}), (Paths{"|A|H|C"})) << "the climb stops at the derived type";
}

}  // namespace
