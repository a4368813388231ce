// Scene files of the stand-in host: what is written, what loads back, what is refused.

#include <gtest/gtest.h>
#include <maya/MAnimControl.h>
#include <maya/MAnimUtil.h>
#include <maya/MDoubleArray.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MSelectionList.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include <standin/Standin.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "test_support.h"

namespace {

using Json = nlohmann::json;

MObject curveOn(const MObject& node, const char* attribute) {
    MFnDependencyNode dep(node);
    MObject attr = dep.attribute(attribute);
    MFnAnimCurve curve;
    return curve.create(node, attr);
}

void addKey(const MObject& curveObject, const MTime& time, double value) {
    MFnAnimCurve curve(curveObject);
    curve.addKey(time, value);
}

MObject findCurve(const std::string& node, const char* attribute) {
    MObject obj = standin::findNode(node);
    if (obj.isNull()) return MObject();
    MFnDependencyNode dep(obj);
    MObjectArray curves;
    MAnimUtil::findAnimation(MPlug(obj, dep.attribute(attribute)), curves);
    return curves.length() == 1 ? curves[0] : MObject();
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

/// A scene with every feature a scene file carries: all three node types, nesting and child
/// order, offsets and rotation orders, curves with awkward times and values, a selection
/// that is not in node order.
void buildRichScene() {
    standin::resetScene();
    MTime::setUIUnit(MTime::kNTSCFrame);
    MObject top = standin::createNode("transform", MObject::kNullObj, "bvh_import");
    MObject hips = standin::createNode("joint", top, "Hips");
    MObject spine = standin::createNode("joint", hips, "Spine");
    MObject leg = standin::createNode("hikFKJoint", hips, "mixamorig:LeftUpLeg");
    MObject group = standin::createNode("transform", spine, "group");
    MObject head = standin::createNode("joint", group, "Head");
    standin::createNode("transform", MObject::kNullObj, "other");

    MFnTransform(hips).setTranslation(MVector(0.1, 0.2 + 0.1, 1.0 / 3.0), MSpace::kTransform);
    MFnTransform(leg).setTranslation(MVector(-1e-300, 12345.678901234567, -0.0),
                                     MSpace::kTransform);
    MFnTransform(spine).setRotationOrder(MTransformationMatrix::kZXY, false);
    MFnTransform(head).setRotationOrder(MTransformationMatrix::kZYX, false);
    MFnTransform(spine).setRotation(MEulerRotation(0.1, -0.2, 1.0 / 3.0, MEulerRotation::kZXY));
    MFnIkJoint(head).setOrientation(MEulerRotation(0.25, 0.0, -1e-300));
    const double axis[3] = {0.0, 0.7, 0.1 + 0.2};
    standin::setRotateAxis(group, axis);

    // Added out of attribute order: the file still lists translateX..rotateZ.
    MObject rz = curveOn(hips, "rotateZ");
    MObject tx = curveOn(hips, "translateX");
    addKey(tx, MTime(1.0, MTime::kFilm), 0.5);
    addKey(tx, MTime(2.0, MTime::kFilm), 0.75);
    addKey(tx, MTime(1.0 / 3.0, MTime::kSeconds), 1.0 / 7.0);
    addKey(rz, MTime(0.0, MTime::kNTSCFrame), std::numeric_limits<double>::quiet_NaN());
    addKey(rz, MTime(7.0, MTime::kNTSCFrame), -std::numeric_limits<double>::infinity());
    curveOn(head, "translateY");  // a curve without keys

    MSelectionList selection;
    selection.add(head);
    selection.add(top);
    MGlobal::setActiveSelectionList(selection);
}

class SceneFileTest : public bvhtest::SceneFolderTest {};

TEST_F(SceneFileTest, WritesTheDocumentedSchemaInOrder) {
    buildRichScene();
    const Json j = Json::parse(standin::sceneToJson());
    EXPECT_EQ(j["uiUnit"], "ntsc");

    std::vector<std::string> paths, types;
    for (const Json& n : j["nodes"]) {
        paths.push_back(n["path"]);
        types.push_back(n["type"]);
    }
    const std::vector<std::string> expectedPaths = {"|bvh_import",
                                                    "|bvh_import|Hips",
                                                    "|bvh_import|Hips|Spine",
                                                    "|bvh_import|Hips|Spine|group",
                                                    "|bvh_import|Hips|Spine|group|Head",
                                                    "|bvh_import|Hips|mixamorig:LeftUpLeg",
                                                    "|other"};
    EXPECT_EQ(paths, expectedPaths) << "parents first, siblings in child order";
    EXPECT_EQ(types, (std::vector<std::string>{"transform", "joint", "joint", "transform", "joint",
                                               "hikFKJoint", "transform"}));
    EXPECT_EQ(j["nodes"][2]["rotateOrder"], 3) << "kZXY is stored as 3";
    EXPECT_EQ(j["nodes"][0]["rotateOrder"], 1) << "new nodes have kXYZ";
    EXPECT_EQ(j["nodes"][1]["translate"][2].get<double>(), 1.0 / 3.0);
    EXPECT_EQ(j["nodes"][2]["rotate"], (Json{0.1, -0.2, 1.0 / 3.0})) << "in the node's order";
    EXPECT_EQ(j["nodes"][3]["rotateAxis"], (Json{0.0, 0.7, 0.1 + 0.2}));
    EXPECT_EQ(j["nodes"][4]["jointOrient"], (Json{0.25, 0.0, -1e-300}));
    for (const char* zero : {"rotate", "jointOrient", "rotateAxis"})
        EXPECT_FALSE(j["nodes"][1].contains(zero)) << zero << " is left out when zero";

    ASSERT_EQ(j["curves"].size(), 3u);
    EXPECT_EQ(j["curves"][0]["plug"], "|bvh_import|Hips.translateX");
    EXPECT_EQ(j["curves"][1]["plug"], "|bvh_import|Hips.rotateZ");
    EXPECT_EQ(j["curves"][2]["plug"], "|bvh_import|Hips|Spine|group|Head.translateY");
    // Key times in the scene's UI unit (ntsc, 30 per second), sorted.
    const Json& keys = j["curves"][0]["keys"];
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_DOUBLE_EQ(keys[0][0].get<double>(), 1.25);
    EXPECT_DOUBLE_EQ(keys[1][0].get<double>(), 2.5);
    EXPECT_DOUBLE_EQ(keys[2][0].get<double>(), 10.0);
    EXPECT_EQ(keys[2][1].get<double>(), 1.0 / 7.0);
    EXPECT_EQ(j["curves"][1]["keys"][0][1], "nan");
    EXPECT_EQ(j["curves"][1]["keys"][1][1], "-inf");
    EXPECT_TRUE(j["curves"][2]["keys"].empty());

    EXPECT_EQ(j["selection"], (Json{"|bvh_import|Hips|Spine|group|Head", "|bvh_import"}))
        << "selection order kept";
}

TEST_F(SceneFileTest, RoundTripGivesTheSameSceneBitForBit) {
    buildRichScene();
    const std::string first = standin::sceneToJson();
    standin::resetScene();
    std::string error;
    ASSERT_TRUE(standin::sceneFromJson(first, error)) << error;
    EXPECT_EQ(standin::sceneToJson(), first);
    EXPECT_EQ(MTime::uiUnit(), MTime::kNTSCFrame);

    MFnTransform leg(standin::findNode("|bvh_import|Hips|mixamorig:LeftUpLeg"));
    const MVector t = leg.getTranslation(MSpace::kTransform);
    EXPECT_TRUE(sameBits(t.x, -1e-300));
    EXPECT_TRUE(sameBits(t.y, 12345.678901234567));
    EXPECT_TRUE(sameBits(t.z, -0.0)) << "the sign of zero survives";
    EXPECT_EQ(standin::nodeTypeName(leg.object()), "hikFKJoint");

    MFnAnimCurve tx(findCurve("|bvh_import|Hips", "translateX"));
    ASSERT_EQ(tx.numKeys(), 3u);
    EXPECT_TRUE(tx.time(2) == MTime(1.0 / 3.0, MTime::kSeconds)) << "key time exact";
    EXPECT_TRUE(sameBits(tx.value(2), 1.0 / 7.0));
    unsigned int index = 99;
    EXPECT_TRUE(tx.find(MTime(1.0, MTime::kFilm), index));
    EXPECT_EQ(index, 0u);
    MFnAnimCurve rz(findCurve("|bvh_import|Hips", "rotateZ"));
    EXPECT_TRUE(std::isnan(rz.value(0)));
    EXPECT_EQ(rz.value(1), -std::numeric_limits<double>::infinity());

    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    ASSERT_EQ(selection.length(), 2u);
    MObject first_selected;
    selection.getDependNode(0, first_selected);
    EXPECT_EQ(standin::fullPath(first_selected), "|bvh_import|Hips|Spine|group|Head");
}

TEST_F(SceneFileTest, FileRoundTripAndMinimalDocument) {
    buildRichScene();
    const std::string before = standin::sceneToJson();
    std::string error;
    ASSERT_TRUE(standin::saveSceneFile(file("scene.json"), error)) << error;
    standin::resetScene();
    ASSERT_TRUE(standin::loadSceneFile(file("scene.json"), error)) << error;
    EXPECT_EQ(standin::sceneToJson(), before);
    EXPECT_FALSE(std::filesystem::exists(file("scene.json.part")));

    // Missing uiUnit means film; unknown fields are ignored; translate and rotateOrder may
    // be left out.
    MTime::setUIUnit(MTime::kPALFrame);
    ASSERT_TRUE(standin::sceneFromJson(
        R"({"comment": "hand-written", "nodes": [{"path": "|a", "type": "joint", "colour": 3}],
            "curves": [{"plug": "|a.rotateY", "keys": [[2, 1.5]], "extra": null}]})",
        error))
        << error;
    EXPECT_EQ(MTime::uiUnit(), MTime::kFilm);
    MFnAnimCurve ry(findCurve("|a", "rotateY"));
    ASSERT_EQ(ry.numKeys(), 1u);
    EXPECT_TRUE(ry.time(0) == MTime(2.0, MTime::kFilm));
    EXPECT_EQ(MFnTransform(standin::findNode("|a")).rotationOrder(), MTransformationMatrix::kXYZ);
}

TEST_F(SceneFileTest, InstancedNodeKeepsItsFurtherParents) {
    MObject a = standin::createNode("transform", MObject::kNullObj, "a");
    MObject b = standin::createNode("transform", MObject::kNullObj, "b");
    MObject j = standin::createNode("joint", a, "j");
    ASSERT_TRUE(standin::addParent(j, b));
    const std::string text = standin::sceneToJson();
    EXPECT_EQ(Json::parse(text)["nodes"].size(), 3u) << "listed once, under its first parent";
    standin::resetScene();
    std::string error;
    ASSERT_TRUE(standin::sceneFromJson(text, error)) << error;
    MFnDagNode dag(standin::findNode("|a|j"));
    ASSERT_EQ(dag.parentCount(), 2u);
    EXPECT_EQ(standin::fullPath(dag.parent(1)), "|b");
}

struct BadFile {
    const char* name;
    const char* text;
    const char* expected;  // part of the message
};
void PrintTo(const BadFile& c, std::ostream* out) { *out << c.name; }

class SceneFileRefusal : public SceneFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(SceneFileRefusal, LeavesTheSceneAsItWas) {
    buildRichScene();
    MAnimControl::setMinMaxTime(MTime(3.0, MTime::kNTSCFrame), MTime(40.0, MTime::kNTSCFrame));
    MAnimControl::setCurrentTime(MTime(7.0, MTime::kNTSCFrame));
    const std::string before = standin::sceneToJson();
    std::string error;
    EXPECT_FALSE(standin::sceneFromJson(GetParam().text, error));
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    EXPECT_EQ(standin::sceneToJson(), before);
    EXPECT_EQ(MTime::uiUnit(), MTime::kNTSCFrame);
    EXPECT_EQ(MAnimControl::minTime(), MTime(3.0, MTime::kNTSCFrame)) << "the time slider too";
    EXPECT_EQ(MAnimControl::maxTime(), MTime(40.0, MTime::kNTSCFrame));
    EXPECT_EQ(MAnimControl::currentTime(), MTime(7.0, MTime::kNTSCFrame));
}

// A scene of nodes outside the DAG alone is a scene too.
TEST_F(SceneFileTest, RefusedFileKeepsNodesOutsideTheDag) {
    standin::createNode("unitConversion", MObject::kNullObj, "c");
    const std::string before = standin::sceneToJson();
    std::string error;
    EXPECT_FALSE(standin::sceneFromJson(R"({"nodes": [{"path": "|a", "type": "joint"}],
        "connections": [["|a.translateX", "|a.translateX"]]})", error));
    EXPECT_EQ(standin::sceneToJson(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SceneFileRefusal,
    ::testing::Values(
        BadFile{"NotJson", "{\"nodes\": [", "parse error"}, BadFile{"Empty", "", "parse error"},
        BadFile{"TopLevelArray", "[]", "not a JSON object"},
        BadFile{"UnknownUnit", R"({"uiUnit": "fortnight"})", "uiUnit"},
        BadFile{"UnknownType", R"({"nodes": [{"path": "|a", "type": "mesh"}]})", "mesh"},
        BadFile{"MissingParent", R"({"nodes": [{"path": "|a|b", "type": "joint"}]})",
                "parent of \"|a|b\" is missing"},
        BadFile{
            "ChildBeforeParent",
            R"({"nodes": [{"path": "|a|b", "type": "joint"}, {"path": "|a", "type": "joint"}]})",
            "parent"},
        BadFile{"RelativePath", R"({"nodes": [{"path": "a", "type": "joint"}]})",
                "not a full DAG path"},
        BadFile{"DuplicatePath",
                R"({"nodes": [{"path": "|a", "type": "joint"}, {"path": "|a", "type": "joint"}]})",
                "twice"},
        BadFile{"ShortTranslate",
                R"({"nodes": [{"path": "|a", "type": "joint", "translate": [1, 2]}]})",
                "translate"},
        BadFile{"ShortRotateAxis",
                R"({"nodes": [{"path": "|a", "type": "joint", "rotateAxis": [1, 2]}]})",
                "\"rotateAxis\" is not three numbers"},
        BadFile{"JointOrientOnATransform",
                R"({"nodes": [{"path": "|a", "type": "transform", "jointOrient": [1, 2, 3]}]})",
                "\"jointOrient\" on a node that is not a joint"},
        BadFile{"BadRotateOrder",
                R"({"nodes": [{"path": "|a", "type": "joint", "rotateOrder": 9}]})", "rotateOrder"},
        BadFile{"CurveOnMissingNode", R"({"curves": [{"plug": "|x.translateX", "keys": []}]})",
                "no node"},
        BadFile{"CurveOnUnknownAttribute",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.scaleX", "keys": []}]})",
                "unknown attribute"},
        BadFile{"KeyWithoutValue",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": [[1]]}]})",
                "key 0"},
        BadFile{"KeysNotAList",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": 5}]})",
                "\"keys\" is not a list"},
        BadFile{"KeyTimeNotANumber",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": [[1, 2], ["nan", 1]]}]})",
                "key 1"},
        BadFile{"KeyWithThreeNumbers",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": [[1, 2, 3]]}]})",
                "key 0"},
        BadFile{"InstanceParentBelowItself",
                R"({"nodes": [{"path": "|a", "type": "joint", "instanceParents": ["|a|b"]},
                              {"path": "|a|b", "type": "joint"}]})",
                "cannot be a further parent"},
        BadFile{"TwoCurvesOnOnePlug",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": []},
                               {"plug": "|a.translateX", "keys": []}]})",
                "second curve"},
        BadFile{"SelectionOfMissingNode", R"({"selection": ["|nobody"]})", "selection"},
        BadFile{"NodeOutsideTheDagWithAPath",
                R"({"nodes": [{"path": "|c", "type": "unitConversion"}]})", "no \"|\""},
        BadFile{"ConstraintWithoutItsTarget",
                R"({"nodes": [{"path": "|a", "type": "joint"},
                              {"path": "|a|p", "type": "pointConstraint", "target": "|b"}]})",
                "the target \"|b\""},
        BadFile{"ConnectionToAMissingNode",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "connections": [["|b.translateX", "|a.translateX"]]})",
                "connections[0]: no node"},
        BadFile{"ConnectionNotAPair",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "connections": [["|a.translateX"]]})",
                "not a pair"},
        BadFile{"ConnectionToAnUnknownAttribute",
                R"({"nodes": [{"path": "|a", "type": "joint"}, {"path": "c", "type": "unitConversion"}],
                    "connections": [["c.output", "|a.scaleX"]]})",
                "unknown attribute in \"|a.scaleX\""},
        BadFile{"ConnectionToADrivenPlug",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "keys": []}],
                    "connections": [["|a.translateY", "|a.translateX"]]})",
                "has an input already"},
        BadFile{"ConnectionToAnOutput",
                R"({"nodes": [{"path": "|a", "type": "joint"}, {"path": "c", "type": "unitConversion"}],
                    "connections": [["|a.translateX", "c.output"]]})",
                "is an output"},
        BadFile{"ConnectionOfAPlugToItself",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "connections": [["|a.translateX", "|a.translateX"]]})",
                "cannot drive itself"},
        BadFile{"DrivenKeyOfAMissingDriver",
                R"({"nodes": [{"path": "|a", "type": "joint"}],
                    "curves": [{"plug": "|a.translateX", "input": "|b.translateY", "keys": []}]})",
                "\"input\": no node"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(SceneFileTest, FileErrorsNameThePath) {
    std::string error;
    const std::string missing = file("missing.json");
    EXPECT_FALSE(standin::loadSceneFile(missing, error));
    EXPECT_EQ(error.rfind(missing + ":", 0), 0u) << error;

    { std::ofstream(file("bad.json")) << R"({"nodes": [{"path": "|a", "type": "cube"}]})"; }
    EXPECT_FALSE(standin::loadSceneFile(file("bad.json"), error));
    EXPECT_EQ(error.rfind(file("bad.json") + ": nodes[0]", 0), 0u) << error;

    const std::string unwritable = file("no/such/dir/scene.json");
    EXPECT_FALSE(standin::saveSceneFile(unwritable, error));
    EXPECT_NE(error.find(unwritable), std::string::npos) << error;
}

}  // namespace
