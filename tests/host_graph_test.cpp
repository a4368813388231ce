// The stand-in's dependency graph: connections, values at a time through every kind of node
// it has, what MAnimUtil reports, and constraints checked against their definition with the
// reference's own arithmetic, on the scenes of the driven export cases.

#include <gtest/gtest.h>
#include <maya/MAngle.h>
#include <maya/MAnimControl.h>
#include <maya/MAnimUtil.h>
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MDGModifier.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <standin/Standin.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "test_support.h"

namespace {

using bvhref::Mat3;
using bvhref::Vec3;

MPlug plug(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const MObject node = standin::findNode(name.substr(0, dot));
    return MPlug(node, MFnDependencyNode(node).attribute(name.substr(dot + 1).c_str()));
}

std::string nameOf(const MPlug& p) { return p.isNull() ? "" : p.name().asChar(); }

double valueAt(const std::string& name, double frame) {
    const MDGContextGuard context(MDGContext(MTime(frame, MTime::kFilm)));
    return plug(name).asDouble();
}

/// A rig with one of each: a curve through a conversion, a base and a layer curve through an
/// additive layer (rotation and linear), a driven key, a constraint (see the export cases for
/// constraints' values).
const char* const kRig = R"({
"nodes": [
  {"path": "|ctrl", "type": "transform"},
  {"path": "|Hips", "type": "joint"},
  {"path": "|Hips|Chest", "type": "joint"},
  {"path": "|Hips|Hips_pointConstraint1", "type": "pointConstraint", "target": "|ctrl"},
  {"path": "degrees", "type": "unitConversion", "conversionFactor": 0.5},
  {"path": "layer", "type": "animBlendNodeAdditiveRotation", "weightB": 0.25},
  {"path": "slide", "type": "animBlendNodeAdditiveDL"}],
"curves": [
  {"plug": "|ctrl.translateY", "keys": [[0, 0], [10, 10]]},
  {"plug": "degrees.input", "keys": [[0, 0], [10, 100]]},
  {"plug": "layer.inputAX", "keys": [[0, 1], [10, 2]]},
  {"plug": "layer.inputBX", "keys": [[0, 4], [10, 8]]},
  {"plug": "slide.inputA", "keys": [[0, 1]]},
  {"plug": "slide.inputB", "keys": [[0, 2]]},
  {"plug": "|Hips|Chest.rotateY", "input": "|ctrl.translateY", "keys": [[0, 0], [10, 1]]}],
"connections": [
  ["degrees.output", "|Hips.rotateZ"],
  ["layer.outputX", "|Hips|Chest.rotateX"],
  ["slide.output", "|Hips|Chest.translateZ"],
  ["|Hips|Hips_pointConstraint1.constraintTranslateY", "|Hips.translateY"]]})";

class HostGraph : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(standin::sceneFromJson(kRig, error)) << error;
    }
    void TearDown() override { standin::resetScene(); }
};

TEST_F(HostGraph, ConnectionsAreMadeCheckedAndTakenBack) {
    EXPECT_TRUE(plug("|Hips.rotateZ").isDestination());
    EXPECT_EQ(nameOf(plug("|Hips.rotateZ").source()), "degrees.output");
    EXPECT_TRUE(plug("degrees.output").isSource());
    MPlugArray connected;
    EXPECT_TRUE(plug("layer.outputX").connectedTo(connected, false, true));
    ASSERT_EQ(connected.length(), 1u);
    EXPECT_EQ(nameOf(connected[0]), "Chest.rotateX");
    EXPECT_FALSE(plug("|Hips.rotateX").isConnected());
    EXPECT_TRUE(plug("|Hips.rotateX").source().isNull());

    // A destination takes one source, an output none; a failing doIt keeps what it made.
    MDGModifier modifier;
    EXPECT_EQ(modifier.connect(plug("|ctrl.translateY"), MPlug()), MS::kInvalidParameter);
    modifier.connect(plug("|ctrl.translateY"), plug("|Hips.rotateX"));
    modifier.connect(plug("|ctrl.translateY"), plug("|Hips.rotateZ"));
    modifier.connect(plug("|ctrl.translateY"), plug("layer.outputY"));
    EXPECT_EQ(modifier.doIt(), MS::kFailure);
    EXPECT_EQ(nameOf(plug("|Hips.rotateX").source()), "ctrl.translateY");
    EXPECT_EQ(nameOf(plug("|Hips.rotateZ").source()), "degrees.output");
    EXPECT_FALSE(plug("layer.outputY").isDestination());
    modifier.undoIt();
    EXPECT_FALSE(plug("|Hips.rotateX").isDestination());

    // As in the host, an attribute that something drives takes no curve of its own.
    MFnAnimCurve curve;
    MStatus status;
    EXPECT_TRUE(curve.create(plug("|Hips.rotateZ"), nullptr, &status).isNull());
    EXPECT_EQ(status, MS::kInvalidParameter);
    EXPECT_TRUE(curve.create(plug("layer.outputZ"), nullptr, &status).isNull());
    EXPECT_FALSE(curve.create(plug("|Hips.rotateX"), nullptr, &status).isNull());

    MDGModifier undo;
    undo.disconnect(plug("degrees.output"), plug("|Hips.rotateZ"));
    EXPECT_EQ(undo.doIt(), MS::kSuccess);
    EXPECT_FALSE(plug("|Hips.rotateZ").isDestination());
    EXPECT_EQ(undo.doIt(), MS::kSuccess) << "nothing left to do";
    undo.disconnect(plug("degrees.output"), plug("|Hips.rotateZ"));
    EXPECT_EQ(undo.doIt(), MS::kFailure) << "not connected any more";
}

TEST_F(HostGraph, ValuesFollowTheirSourcesAtTheContextsTime) {
    struct Expected {
        const char* plug;
        double frame;
        double value;
    };
    const Expected expected[] = {
        {"|Hips.rotateZ", 5, 25},                    // conversion: input 50 * factor 0.5
        {"|Hips|Chest.rotateX", 5, 1.5 + 6 * 0.25},  // layer: base + layer * weightB
        {"|Hips|Chest.rotateX", 20, 2 + 8 * 0.25},   // curves hold their last keys
        {"|Hips|Chest.translateZ", 3, 1 + 2},        // a linear layer, weights 1
        {"|Hips|Chest.rotateY", 4, 0.4},             // driven key at the driver's value then
        {"|Hips.translateY", 7, 7},                  // the constraint moves it to the target
        {"|Hips.translateX", 7, 0},
        {"|ctrl.translateX", 7, 0},  // its own value
    };
    for (const Expected& e : expected)
        EXPECT_NEAR(valueAt(e.plug, e.frame), e.value, 1e-12) << e.plug << " at " << e.frame;

    // The normal context is the time slider's current time; guards nest and restore.
    EXPECT_EQ(MAnimControl::minTime(), MTime(1.0, MTime::kFilm));
    EXPECT_EQ(MAnimControl::maxTime(), MTime(120.0, MTime::kFilm));
    EXPECT_EQ(MAnimControl::setMinMaxTime(MTime(9.0), MTime(8.0)), MS::kInvalidParameter);
    MAnimControl::setCurrentTime(MTime(2.0, MTime::kFilm));
    EXPECT_NEAR(plug("|Hips.rotateZ").asDouble(), 10, 1e-12);
    {
        const MDGContextGuard outer(MDGContext(MTime(4.0, MTime::kFilm)));
        {
            const MDGContextGuard inner(MDGContext(MTime(6.0, MTime::kFilm)));
            EXPECT_NEAR(plug("|Hips.rotateZ").asDouble(), 30, 1e-12);
        }
        EXPECT_NEAR(plug("|Hips.rotateZ").asDouble(), 20, 1e-12);
        EXPECT_FALSE(MDGContext::current().isNormal());
    }
    // The outer context comes back at its very time, whatever the unit it was given in.
    for (double seconds = 0.01; seconds < 0.4; seconds += 0.0137) {
        const MDGContextGuard outer(MDGContext(MTime(seconds, MTime::kSeconds)));
        const double before = plug("|Hips.rotateZ").asDouble();
        { const MDGContextGuard inner(MDGContext(MTime(6.0, MTime::kFilm))); }
        EXPECT_EQ(plug("|Hips.rotateZ").asDouble(), before) << seconds << " s";
    }
    EXPECT_TRUE(MDGContext::current().isNormal());

    // Units as the attributes have them; a driven plug's own value cannot be set.
    MStatus status;
    EXPECT_NEAR(plug("|Hips.rotateZ").asMAngle(&status).asDegrees(), 10 * 180 / bvhref::kPi, 1e-9);
    EXPECT_EQ(status, MS::kSuccess);
    plug("|Hips|Chest.translateZ").asMAngle(&status);
    EXPECT_EQ(status, MS::kInvalidParameter) << "a length is no angle";
    EXPECT_EQ(plug("|Hips.rotateZ").setDouble(1), MS::kInvalidParameter);
    EXPECT_EQ(plug("degrees.conversionFactor").setDouble(1), MS::kSuccess);
    EXPECT_NEAR(valueAt("|Hips.rotateZ", 5), 50, 1e-12) << "a change is seen at once";
}

TEST_F(HostGraph, AnimationIsFoundThroughConversionsAndLayersOnly) {
    auto curvesOf = [](const std::string& name) {
        MObjectArray curves;
        MAnimUtil::findAnimation(plug(name), curves);
        std::vector<std::string> plugs;
        for (unsigned i = 0; i < curves.length(); ++i) {
            MPlugArray driven;
            MFnDependencyNode(curves[i]).findPlug("output", false).destinations(driven);
            plugs.push_back(nameOf(driven[0]));
        }
        return plugs;
    };
    EXPECT_EQ(curvesOf("|Hips.rotateZ"), std::vector<std::string>{"degrees.input"});
    EXPECT_EQ(curvesOf("|Hips|Chest.rotateX"),
              (std::vector<std::string>{"layer.inputAX", "layer.inputBX"}))
        << "the base layer first";
    EXPECT_TRUE(curvesOf("|Hips.translateY").empty()) << "a constraint is no animation";
    EXPECT_FALSE(MAnimUtil::isAnimated(plug("|Hips.translateY")));
    MPlugArray animated;
    EXPECT_TRUE(MAnimUtil::findAnimatedPlugs(standin::findNode("|Hips|Chest"), animated));
    ASSERT_EQ(animated.length(), 3u);
    EXPECT_EQ(nameOf(animated[0]), "Chest.translateZ");

    MObjectArray keys;
    MPlugArray drivers;
    EXPECT_TRUE(MAnimUtil::findSetDrivenKeyAnimation(plug("|Hips|Chest.rotateY"), keys, drivers));
    ASSERT_EQ(drivers.length(), 1u);
    EXPECT_EQ(nameOf(drivers[0]), "ctrl.translateY");
    MFnAnimCurve drivenKey(keys[0]);
    EXPECT_FALSE(drivenKey.isTimeInput());
    EXPECT_EQ(drivenKey.animCurveType(), MFnAnimCurve::kAnimCurveUA);
    EXPECT_FALSE(MAnimUtil::findSetDrivenKeyAnimation(plug("|Hips.rotateZ"), keys, drivers));

    MObject constraint;
    MObjectArray targets;
    EXPECT_TRUE(MAnimUtil::findConstraint(plug("|Hips.translateY"), constraint, targets));
    EXPECT_TRUE(constraint.hasFn(MFn::kConstraint));
    ASSERT_EQ(targets.length(), 1u);
    EXPECT_EQ(standin::fullPath(targets[0]), "|ctrl");
    EXPECT_FALSE(MAnimUtil::findConstraint(plug("|Hips.rotateZ"), constraint, targets));
}

TEST_F(HostGraph, DrivenKeyCurvesKeyOverTheirInput) {
    MObjectArray keys;
    MPlugArray drivers;
    MAnimUtil::findSetDrivenKeyAnimation(plug("|Hips|Chest.rotateY"), keys, drivers);
    MFnAnimCurve curve(keys[0]);
    EXPECT_EQ(curve.addKey(5.0, 0.25), 1u) << "between the two keys";
    EXPECT_EQ(curve.addKey(5.0, 0.75), 1u) << "the same input replaces the value";
    double value = 0;
    EXPECT_EQ(curve.evaluate(7.5, value), MS::kSuccess);
    EXPECT_DOUBLE_EQ(value, 0.875);
    unsigned int index = 0;
    EXPECT_TRUE(curve.find(10.0, index));
    EXPECT_EQ(index, 2u);
    EXPECT_DOUBLE_EQ(curve.unitlessInput(1), 5.0);
    MStatus status;
    curve.time(0, &status);
    EXPECT_EQ(status, MS::kInvalidParameter) << "its keys have no times";
    EXPECT_EQ(curve.addKey(std::nan(""), 1.0, MFnAnimCurve::kTangentGlobal,
                           MFnAnimCurve::kTangentGlobal, nullptr, &status),
              0u);
    EXPECT_EQ(status, MS::kInvalidParameter);

    // One key left of a full buffer, and an input that is no number (the time is none): the
    // value is no number, and no key past the last one is read.
    for (double input = 20; curve.numKeys() < 16; ++input) curve.addKey(input, 1.0);
    while (curve.numKeys() > 1) curve.remove(0);
    EXPECT_TRUE(std::isnan(valueAt("|Hips|Chest.rotateY", std::nan(""))));

    MFnAnimCurve timed(MFnAnimCurve(plug("|ctrl.translateY")).object());
    EXPECT_TRUE(timed.isTimeInput());
    timed.addKey(1.0, 1.0, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal, nullptr,
                 &status);
    EXPECT_EQ(status, MS::kInvalidParameter) << "a time curve takes no unitless key";
}

TEST_F(HostGraph, SceneFilesKeepEveryConnection) {
    const std::string saved = standin::sceneToJson();
    std::string error;
    ASSERT_TRUE(standin::sceneFromJson(saved, error)) << error;
    EXPECT_EQ(standin::sceneToJson(), saved);
    const nlohmann::json j = nlohmann::json::parse(saved);
    EXPECT_EQ(j["connections"].size(), 4u) << "curves' own connections are their plug and input";
    EXPECT_EQ(j["curves"][1]["input"], "|ctrl.translateY");
    EXPECT_EQ(j["nodes"][4]["path"], "degrees") << "after the DAG, by name";
}

/// The constraints of the driven export cases' scenes, checked against their definition in
/// column form with O = translate(offsetTranslate) * rotate(offsetRotate): parent, the node's
/// world transform is the target's times O; orient, its world rotation is the target's times
/// rotate(offsetRotate); point, its world position is the target's plus offsetTranslate. The
/// world transforms are composed by the reference from each node's attribute values.
class ConstraintScene : public testing::TestWithParam<std::string> {
protected:
    void TearDown() override { standin::resetScene(); }
};

TEST_P(ConstraintScene, ConstraintsHoldTheirDefinition) {
    const std::filesystem::path path = bvhtest::exportCaseFile(GetParam(), ".json");
    std::string error;
    ASSERT_TRUE(standin::loadSceneFile(path.string(), error)) << error;
    const nlohmann::json scene = nlohmann::json::parse(bvhtest::readFile(path));
    int checked = 0;
    for (const nlohmann::json& node : scene["nodes"]) {
        const std::string type = node["type"];
        if (type.find("Constraint") == std::string::npos) continue;
        const std::string self = node["path"];
        const std::string joint = self.substr(0, self.rfind('|'));
        const std::string target = node["target"];
        const Vec3 offsetT{node["offsetTranslate"][0], node["offsetTranslate"][1],
                           node["offsetTranslate"][2]};
        const Mat3 offsetR = bvhref::hostRotation(node["offsetRotate"][0], node["offsetRotate"][1],
                                                  node["offsetRotate"][2], "XYZ");
        for (double frame = 1; frame <= 9; frame += 0.5) {
            Mat3 jointR, targetR;
            Vec3 jointP, targetP;
            bvhref::sceneWorld(joint, frame, jointR, jointP);
            bvhref::sceneWorld(target, frame, targetR, targetP);
            const Vec3 moved = bvhref::apply(targetR, offsetT);
            for (int a = 0; a < 3 && type != "orientConstraint"; ++a) {
                const double position =
                    type == "pointConstraint" ? targetP[a] + offsetT[a] : targetP[a] + moved[a];
                EXPECT_NEAR(jointP[a], position, 1e-9) << joint << " at " << frame;
            }
            if (type != "pointConstraint") {
                EXPECT_LT(bvhref::maxDifference(jointR, bvhref::multiply(targetR, offsetR)), 1e-9)
                    << joint << " turns as " << target << " at " << frame;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 0) << "the scene has a constraint";
}

INSTANTIATE_TEST_SUITE_P(DrivenCases, ConstraintScene,
                         testing::Values("driven_parent_constraint", "driven_orient_constraint",
                                         "driven_point_constraint",
                                         "driven_joint_orient_under_a_constraint"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

}  // namespace
