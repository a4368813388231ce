// Stand-in scene: node creation and names, hierarchy, transforms, plugs, selection and
// the translator registry.

#include <gtest/gtest.h>
#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFileObject.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
// The plug-in sources linked into this binary define the version symbol.
#ifndef MNoVersionString
#define MNoVersionString
#endif
#include <maya/MFnPlugin.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MMatrix.h>
#include <maya/MPlug.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MSelectionList.h>
#include <maya/MVector.h>
#include <standin/Standin.h>

#include <string>
#include <vector>

namespace {

class HostScene : public testing::Test {
protected:
    void SetUp() override { standin::resetScene(); }
    void TearDown() override { standin::resetScene(); }

    static std::string nameOf(const MObject& o) { return MFnDependencyNode(o).name().asChar(); }
    static MObject joint(const MObject& parent, const char* name) {
        return standin::createNode("joint", parent, name);
    }
};

TEST_F(HostScene, NamesAreMadeUniqueAsTheHostDoes) {
    const struct {
        const char* requested;
        const char* given;
    } steps[] = {
        {"joint", "joint"}, {"joint", "joint1"}, {"joint", "joint2"},    {"joint1", "joint3"},
        {"Hips", "Hips"},   {"Hips", "Hips1"},   {"arm9", "arm9"},       {"arm9", "arm10"},
        {"arm9", "arm11"},  {"a b|c", "a_b_c"},  {"ns:Head", "ns:Head"}, {"ns:Head", "ns:Head1"},
    };
    for (const auto& s : steps) {
        MFnIkJoint fn;
        fn.create(MObject::kNullObj);
        EXPECT_EQ(std::string(s.given), fn.setName(s.requested).asChar()) << s.requested;
        EXPECT_EQ(std::string(s.given), fn.name().asChar());
    }
}

TEST_F(HostScene, DefaultNamesAndRenaming) {
    MFnTransform t;
    const MObject group = t.create();
    EXPECT_EQ("transform1", nameOf(group));
    MFnIkJoint j;
    const MObject a = j.create(group);
    const MObject b = j.create(group);
    EXPECT_EQ("joint1", nameOf(a));
    EXPECT_EQ("joint2", nameOf(b));
    // A freed name is reused.
    MFnDependencyNode(a).setName("Spine");
    EXPECT_EQ("joint1", nameOf(j.create(group)));
    MStatus status;
    MFnDependencyNode fn(b);
    EXPECT_EQ(MString("joint2"), fn.setName("", false, &status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    // Renaming to the own name keeps it.
    EXPECT_EQ(MString("joint2"), fn.setName("joint2"));
}

TEST_F(HostScene, ManyDefaultNamesStayUnique) {
    MFnIkJoint fn;
    for (int i = 1; i <= 2000; ++i) {
        fn.create(MObject::kNullObj);
        ASSERT_EQ("joint" + std::to_string(i), std::string(fn.name().asChar()));
    }
}

TEST_F(HostScene, HierarchyKeepsChildOrderAndTheWorldParent) {
    const MObject root = joint(MObject::kNullObj, "A");
    const MObject b = joint(root, "B");
    const MObject d = joint(root, "D");
    const MObject c = joint(b, "C");
    MFnDagNode fn(root);
    ASSERT_EQ(2u, fn.childCount());
    EXPECT_EQ(b, fn.child(0));
    EXPECT_EQ(d, fn.child(1));
    EXPECT_TRUE(fn.child(2).isNull());
    // A top-level node has one parent, the world, which is no joint or transform.
    ASSERT_EQ(1u, fn.parentCount());
    const MObject world = fn.parent(0);
    EXPECT_FALSE(world.isNull());
    EXPECT_NE(MFn::kJoint, world.apiType());
    EXPECT_FALSE(world.hasFn(MFn::kTransform));
    EXPECT_EQ(0u, MFnDagNode(world).parentCount());
    MFnDagNode fc(c);
    EXPECT_EQ(b, fc.parent(0));
    EXPECT_EQ(MString("|A|B|C"), fc.fullPathName());
    EXPECT_EQ("|A|B|C", standin::fullPath(c));
    EXPECT_EQ(c, standin::findNode("|A|B|C"));
    EXPECT_EQ(c, standin::findNode("C"));
    EXPECT_EQ(c, standin::findNode("B|C"));
    EXPECT_TRUE(standin::findNode("|A|C").isNull());
    const std::vector<MObject> top = standin::topLevelNodes();
    ASSERT_EQ(1u, top.size());
    EXPECT_EQ(root, top[0]);
}

TEST_F(HostScene, InstancingKeepsTheFirstParentFirst) {
    const MObject p1 = standin::createNode("transform", MObject::kNullObj, "P1");
    const MObject p2 = standin::createNode("transform", MObject::kNullObj, "P2");
    const MObject j = joint(p1, "J");
    EXPECT_TRUE(standin::addParent(j, p2));
    EXPECT_FALSE(standin::addParent(j, p2)) << "already a parent";
    EXPECT_FALSE(standin::addParent(p1, j)) << "would make a cycle";
    MFnDagNode fn(j);
    ASSERT_EQ(2u, fn.parentCount());
    EXPECT_EQ(p1, fn.parent(0));
    EXPECT_EQ(p2, fn.parent(1));
    EXPECT_EQ(j, MFnDagNode(p2).child(0));
    EXPECT_EQ("|P1|J", standin::fullPath(j));
}

TEST_F(HostScene, AddChildReparentsAndRefusesCycles) {
    const MObject a = joint(MObject::kNullObj, "A");
    MObject b = joint(a, "B");
    MObject c = joint(MObject::kNullObj, "C");
    MFnDagNode fa(a);
    EXPECT_EQ(MStatus(MS::kSuccess), fa.addChild(c, 0));
    EXPECT_EQ(c, fa.child(0));
    EXPECT_EQ(b, fa.child(1));
    EXPECT_EQ(1u, standin::topLevelNodes().size());
    MObject aa = a;
    EXPECT_EQ(MStatus(MS::kInvalidParameter), MFnDagNode(b).addChild(aa));
}

TEST_F(HostScene, NodeTypesAndFunctionSets) {
    const MObject t = standin::createNode("transform", MObject::kNullObj, "");
    const MObject j = standin::createNode("joint", MObject::kNullObj, "");
    const MObject h = standin::createNode("hikFKJoint", MObject::kNullObj, "");
    EXPECT_TRUE(standin::createNode("mesh", MObject::kNullObj, "m").isNull());
    EXPECT_EQ(MFn::kTransform, t.apiType());
    EXPECT_EQ(MFn::kJoint, j.apiType());
    EXPECT_EQ(121, static_cast<int>(j.apiType()));
    EXPECT_NE(MFn::kJoint, h.apiType());
    EXPECT_LT(static_cast<int>(h.apiType()), 128);
    for (const MObject& o : {t, j, h}) {
        EXPECT_TRUE(o.hasFn(MFn::kTransform));
        EXPECT_TRUE(o.hasFn(MFn::kDagNode));
        EXPECT_TRUE(o.hasFn(MFn::kDependencyNode));
    }
    EXPECT_FALSE(t.hasFn(MFn::kJoint));
    EXPECT_TRUE(j.hasFn(MFn::kJoint));
    EXPECT_TRUE(h.hasFn(MFn::kJoint));
    EXPECT_EQ("transform", standin::nodeTypeName(t));
    EXPECT_EQ("joint", standin::nodeTypeName(j));
    EXPECT_EQ("hikFKJoint", standin::nodeTypeName(h));
    EXPECT_EQ("hikFKJoint1", nameOf(h));

    MStatus status;
    MFnIkJoint onTransform(t, &status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    EXPECT_TRUE(onTransform.object().isNull());
    MFnIkJoint onHik(h, &status);
    EXPECT_EQ(MStatus(MS::kSuccess), status);
    MFnIkJoint fn;
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.setObject(MObject::kNullObj));
    EXPECT_EQ(0u, fn.childCount(&status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
}

TEST_F(HostScene, HandlesDieWithTheScene) {
    const MObject j = joint(MObject::kNullObj, "J");
    standin::resetScene();
    EXPECT_TRUE(j.isNull());
    EXPECT_EQ(MFn::kInvalid, j.apiType());
    EXPECT_TRUE(standin::topLevelNodes().empty());
    EXPECT_EQ("J", nameOf(joint(MObject::kNullObj, "J")));
}

TEST_F(HostScene, TranslationAndRotationOrder) {
    MFnIkJoint fn;
    fn.create(MObject::kNullObj);
    fn.setTranslation(MVector(1, 2, 3), MSpace::kTransform);
    EXPECT_EQ(MVector(1, 2, 3), fn.getTranslation(MSpace::kTransform));
    EXPECT_EQ(MTransformationMatrix::kXYZ, fn.rotationOrder());
    // The host refuses anything but its six orders and keeps the one it has.
    for (int order : {0, 7, 3}) {
        const auto o = static_cast<MTransformationMatrix::RotationOrder>(order);
        const bool valid = order == 3;
        EXPECT_EQ(MStatus(valid ? MS::kSuccess : MS::kInvalidParameter), fn.setRotationOrder(o, false));
        EXPECT_EQ(valid ? o : MTransformationMatrix::kXYZ, fn.rotationOrder()) << order;
    }
    // Reordering keeps the orientation.
    fn.setRotationOrder(MTransformationMatrix::kXYZ, false);
    fn.setRotation(MEulerRotation(0.3, -0.7, 1.1, MEulerRotation::kXYZ));
    MEulerRotation before;
    fn.getRotation(before);
    fn.setRotationOrder(MTransformationMatrix::kZXY, true);
    MEulerRotation after;
    fn.getRotation(after);
    EXPECT_EQ(MEulerRotation::kZXY, after.order);
    EXPECT_TRUE(before.asMatrix().isEquivalent(after.asMatrix(), 1e-12));
    EXPECT_FALSE(before.isEquivalent(MEulerRotation(after.x, after.y, after.z), 1e-3));
}

TEST_F(HostScene, AttributesAndPlugNames) {
    const MObject hips = joint(MObject::kNullObj, "Hips");
    MFnDependencyNode fn(hips);
    const char* names[] = {"translateX", "translateY", "translateZ",
                           "rotateX",    "rotateY",    "rotateZ"};
    for (const char* n : names) {
        MStatus status;
        const MObject attr = fn.attribute(n, &status);
        ASSERT_EQ(MStatus(MS::kSuccess), status) << n;
        EXPECT_EQ("Hips." + std::string(n), MPlug(hips, attr).name().asChar());
    }
    EXPECT_EQ(fn.attribute("rotateX"), fn.attribute("rx"));
    EXPECT_EQ(MString("rx"), MPlug(hips, fn.attribute("rotateX")).partialName());
    MStatus status;
    EXPECT_TRUE(fn.attribute("scaleX", &status).isNull());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    // Attribute objects are shared by every node and survive scene resets.
    const MObject rx = fn.attribute("rotateX");
    standin::resetScene();
    const MObject other = joint(MObject::kNullObj, "Other");
    EXPECT_EQ(rx, MFnDependencyNode(other).attribute("rotateX"));
    EXPECT_EQ(MString("Other.rotateX"), MPlug(other, rx).name());
}

TEST_F(HostScene, SelectionFilterKeepsOrder) {
    const MObject group = standin::createNode("transform", MObject::kNullObj, "group");
    const MObject b = joint(group, "B");
    const MObject a = joint(MObject::kNullObj, "A");
    const MObject h = standin::createNode("hikFKJoint", MObject::kNullObj, "H");
    MSelectionList list;
    list.add(b);
    list.add(group);
    list.add(h);
    list.add(a);
    list.add(a, true);  // merged away
    EXPECT_EQ(4u, list.length());
    MGlobal::setActiveSelectionList(list);

    MSelectionList active;
    MGlobal::getActiveSelectionList(active);
    std::vector<std::string> joints;
    for (MItSelectionList it(active, MFn::kJoint); !it.isDone(); it.next()) {
        MDagPath path;
        ASSERT_EQ(MStatus(MS::kSuccess), it.getDagPath(path));
        joints.push_back(path.fullPathName().asChar());
    }
    EXPECT_EQ((std::vector<std::string>{"|group|B", "|H", "|A"}), joints);
    unsigned int all = 0;
    for (MItSelectionList it(active); !it.isDone(); it.next()) ++all;
    EXPECT_EQ(4u, all);
    MItSelectionList none(MSelectionList(), MFn::kJoint);
    EXPECT_TRUE(none.isDone());
}

TEST_F(HostScene, SelectionAdjustmentsAndNames) {
    joint(MObject::kNullObj, "A");
    joint(MObject::kNullObj, "B");
    joint(MObject::kNullObj, "Arm");
    EXPECT_EQ(MStatus(MS::kSuccess), MGlobal::selectByName("B"));
    EXPECT_EQ(MStatus(MS::kSuccess), MGlobal::selectByName("A*"));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), MGlobal::selectByName("Nothing"));
    MSelectionList active;
    MGlobal::getActiveSelectionList(active);
    ASSERT_EQ(3u, active.length());
    MDagPath first;
    active.getDagPath(0, first);
    EXPECT_EQ(MString("|B"), first.fullPathName());
    MSelectionList b;
    b.add("B");
    MGlobal::setActiveSelectionList(b, MGlobal::kRemoveFromList);
    MGlobal::getActiveSelectionList(active);
    EXPECT_EQ(2u, active.length());
    MGlobal::setActiveSelectionList(active, MGlobal::kAddToList);  // the list itself
    MGlobal::getActiveSelectionList(active);
    EXPECT_EQ(2u, active.length());
}

TEST_F(HostScene, DagPaths) {
    const MObject a = joint(MObject::kNullObj, "A");
    const MObject b = joint(a, "B");
    MDagPath path;
    ASSERT_EQ(MStatus(MS::kSuccess), MDagPath::getAPathTo(b, path));
    EXPECT_EQ(2u, path.length());
    EXPECT_EQ(b, path.node());
    EXPECT_TRUE(path.isValid());
    EXPECT_EQ(MFn::kJoint, path.apiType());
    MFnDagNode fn(path);
    EXPECT_EQ(MString("B"), fn.name());
    path.pop();
    EXPECT_EQ(a, path.node());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), path.push(a));
    EXPECT_EQ(MStatus(MS::kSuccess), path.push(b));
    EXPECT_EQ(MString("|A|B"), path.fullPathName());
}

class Probe : public MPxFileTranslator {
public:
    static void* creator() { return new Probe; }
};

TEST_F(HostScene, TranslatorRegistryRefusesDoubleRegistration) {
    MObject pluginObject;
    MFnPlugin plugin(pluginObject, "Vendor", "1.2", "Any");
    EXPECT_EQ(MString("Vendor"), plugin.vendor());
    EXPECT_EQ(MString("1.2"), plugin.version());
    const size_t before = standin::registeredTranslators().size();
    EXPECT_EQ(MStatus(MS::kSuccess), plugin.registerFileTranslator("probeT", "", Probe::creator,
                                                                   "probeOpts", "a=1;", true));
    EXPECT_EQ(MStatus(MS::kFailure), plugin.registerFileTranslator("probeT", "", Probe::creator));
    EXPECT_EQ(before + 1, standin::registeredTranslators().size());
    const standin::TranslatorInfo* info = standin::findTranslator("probeT");
    ASSERT_NE(nullptr, info);
    EXPECT_EQ("probeOpts", info->optionsScript);
    EXPECT_EQ("a=1;", info->defaultOptions);
    EXPECT_TRUE(info->requiresFullMel);
    EXPECT_EQ(MStatus(MS::kSuccess), plugin.deregisterFileTranslator("probeT"));
    EXPECT_EQ(MStatus(MS::kFailure), plugin.deregisterFileTranslator("probeT"));
    EXPECT_EQ(nullptr, standin::findTranslator("probeT"));
}

TEST_F(HostScene, TranslatorBaseAnswers) {
    Probe probe;
    MFileObject file;
    file.setRawFullName("/tmp/some dir/take.bvh");
    // The deprecated members still answer as their replacements do.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    EXPECT_EQ(MString("/tmp/some dir/take.bvh"), file.fullName());
    EXPECT_EQ(MString("take.bvh"), file.name());
    EXPECT_EQ(MString("/tmp/some dir/"), file.path());
#pragma GCC diagnostic pop
    EXPECT_EQ(MStatus(MS::kFailure), probe.reader(file, "", MPxFileTranslator::kImportAccessMode));
    EXPECT_EQ(MStatus(MS::kFailure), probe.writer(file, "", MPxFileTranslator::kExportAccessMode));
    EXPECT_FALSE(probe.haveReadMethod());
    EXPECT_FALSE(probe.haveWriteMethod());
    EXPECT_FALSE(probe.canBeOpened());
    EXPECT_EQ(MString(), probe.defaultExtension());
    EXPECT_EQ(MPxFileTranslator::kNotMyFileType, probe.identifyFile(file, "HIERARCHY", 9));
}

}  // namespace
