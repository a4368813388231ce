// Stand-in animation curves and the animation queries.

#include <gtest/gtest.h>
#include <maya/MAnimUtil.h>
#include <maya/MDoubleArray.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>
#include <standin/Standin.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

class HostAnim : public testing::Test {
protected:
    void SetUp() override {
        standin::resetScene();
        hips = standin::createNode("joint", MObject::kNullObj, "Hips");
    }
    void TearDown() override { standin::resetScene(); }

    MObject attr(const char* name) const { return MFnDependencyNode(hips).attribute(name); }
    MObject curveOn(const char* name) {
        MFnAnimCurve fn;
        return fn.create(hips, attr(name));
    }
    static std::vector<double> keyValues(const MObject& curve) {
        MFnAnimCurve fn(curve);
        std::vector<double> out;
        for (unsigned int i = 0; i < fn.numKeys(); ++i) out.push_back(fn.value(i));
        return out;
    }
    static std::vector<double> keyFrames(const MObject& curve) {
        MFnAnimCurve fn(curve);
        std::vector<double> out;
        for (unsigned int i = 0; i < fn.numKeys(); ++i) out.push_back(fn.time(i).value());
        return out;
    }

    MObject hips;
};

TEST_F(HostAnim, CreateConnectsByAttributeKind) {
    MFnAnimCurve fn;
    MStatus status;
    const MObject rx = fn.create(hips, attr("rotateX"), nullptr, &status);
    ASSERT_EQ(MStatus(MS::kSuccess), status);
    EXPECT_TRUE(rx.hasFn(MFn::kAnimCurve));
    EXPECT_EQ(MFn::kAnimCurveTimeToAngular, rx.apiType());
    EXPECT_EQ(MFnAnimCurve::kAnimCurveTA, fn.animCurveType());
    const MObject tx = curveOn("translateX");
    EXPECT_EQ(MFn::kAnimCurveTimeToDistance, tx.apiType());
    EXPECT_EQ("Hips_rotateX", std::string(MFnDependencyNode(rx).name().asChar()));

    const MPlug plug(hips, attr("rotateX"));
    EXPECT_TRUE(MAnimUtil::isAnimated(plug));
    EXPECT_FALSE(MAnimUtil::isAnimated(MPlug(hips, attr("rotateY"))));
    MObjectArray curves;
    EXPECT_TRUE(MAnimUtil::findAnimation(plug, curves));
    ASSERT_EQ(1u, curves.length());
    EXPECT_EQ(rx, curves[0]);

    // As in the host, the attribute that the first curve drives takes no second one.
    MFnAnimCurve second;
    EXPECT_TRUE(second.create(hips, attr("rotateX"), nullptr, &status).isNull());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    curves.clear();
    MAnimUtil::findAnimation(plug, curves);
    ASSERT_EQ(1u, curves.length());
    EXPECT_EQ(rx, curves[0]);
    EXPECT_EQ(rx, MFnAnimCurve(plug).object());

    EXPECT_TRUE(fn.create(hips, MObject::kNullObj, nullptr, &status).isNull());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
}

TEST_F(HostAnim, AnimatedPlugsComeInAttributeOrder) {
    curveOn("rotateZ");
    curveOn("translateY");
    curveOn("rotateX");
    MPlugArray plugs;
    plugs.append(MPlug());  // findAnimatedPlugs appends
    EXPECT_TRUE(MAnimUtil::findAnimatedPlugs(hips, plugs));
    std::vector<std::string> names;
    for (unsigned int i = 1; i < plugs.length(); ++i) names.push_back(plugs[i].name().asChar());
    EXPECT_EQ((std::vector<std::string>{"Hips.translateY", "Hips.rotateX", "Hips.rotateZ"}), names);
    EXPECT_TRUE(MAnimUtil::isAnimated(hips));
    const MObject still = standin::createNode("joint", MObject::kNullObj, "Still");
    EXPECT_FALSE(MAnimUtil::isAnimated(still));
    MPlugArray none;
    EXPECT_FALSE(MAnimUtil::findAnimatedPlugs(still, none));
    EXPECT_EQ(0u, none.length());
}

TEST_F(HostAnim, KeysStaySortedAndSameTimeReplaces) {
    MFnAnimCurve fn(curveOn("rotateX"));
    EXPECT_EQ(0u, fn.addKey(MTime(5.0), 50.0));
    EXPECT_EQ(0u, fn.addKey(MTime(1.0), 10.0));
    EXPECT_EQ(1u, fn.addKey(MTime(3.0), 30.0));
    EXPECT_EQ(3u, fn.addKey(MTime(7.0), 70.0));
    EXPECT_EQ(1u, fn.addKey(MTime(3.0), 33.0)) << "same time replaces";
    // The same real time in another unit is the same key.
    EXPECT_EQ(2u, fn.addKey(MTime(6.25, MTime::kNTSCFrame), 55.0));
    EXPECT_EQ((std::vector<double>{1, 3, 5, 7}), keyFrames(fn.object()));
    EXPECT_EQ((std::vector<double>{10, 33, 55, 70}), keyValues(fn.object()));
    unsigned int index = 99;
    EXPECT_TRUE(fn.find(MTime(5.0), index));
    EXPECT_EQ(2u, index);
    index = 99;
    EXPECT_FALSE(fn.find(MTime(5.5), index));
    EXPECT_EQ(99u, index) << "unchanged when not found";
    EXPECT_EQ(1u, fn.findClosest(MTime(3.9)));
    EXPECT_EQ(3u, fn.findClosest(MTime(100.0)));
}

TEST_F(HostAnim, FractionalKeyTimesAreFoundAgain) {
    MFnAnimCurve fn(curveOn("translateX"));
    // Key times a frame rate of 30 gives in film frames: 0, 0.8, 1.6 ...
    MTime t(0.0, MTime::kFilm);
    for (int i = 0; i < 300; ++i) {
        fn.addKey(t, double(i));
        t.setValue(t.value() + 0.8);
    }
    t.setValue(0.0);
    for (int i = 0; i < 300; ++i) {
        unsigned int index = 0;
        ASSERT_TRUE(fn.find(t, index)) << "key " << i;
        EXPECT_EQ(unsigned(i), index);
        t.setValue(t.value() + 0.8);
    }
}

TEST_F(HostAnim, EvaluateInterpolatesAndHoldsEnds) {
    MFnAnimCurve fn(curveOn("translateX"));
    EXPECT_EQ(0.0, fn.evaluate(MTime(3.0))) << "no keys";
    fn.addKey(MTime(10.0), 1.0);
    EXPECT_EQ(1.0, fn.evaluate(MTime(-5.0)));
    fn.addKey(MTime(20.0), 3.0);
    fn.addKey(MTime(30.0), -1.0);
    const struct {
        double frame;
        double value;
    } cases[] = {{-100, 1}, {10, 1}, {15, 2}, {20, 3}, {25, 1}, {30, -1}, {1e9, -1}, {12.5, 1.5}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.value, fn.evaluate(MTime(c.frame))) << "frame " << c.frame;
    }
    // Sequential and backward evaluation agree.
    std::vector<double> forward;
    for (int f = 0; f <= 40; ++f) forward.push_back(fn.evaluate(MTime(double(f))));
    for (int f = 40; f >= 0; --f) EXPECT_EQ(forward[size_t(f)], fn.evaluate(MTime(double(f))));
    double value = 0;
    EXPECT_EQ(MStatus(MS::kSuccess), fn.evaluate(MTime(0.625, MTime::kSeconds), value));
    EXPECT_DOUBLE_EQ(2.0, value);
}

TEST_F(HostAnim, BadIndicesAndTimesFailSafely) {
    MFnAnimCurve fn(curveOn("rotateY"));
    fn.addKey(MTime(1.0), 4.0);
    MStatus status;
    EXPECT_EQ(0.0, fn.value(1, &status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    EXPECT_EQ(0.0, fn.value(4000000000u, &status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    fn.time(1, &status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.remove(1));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.setValue(1, 0.0));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    fn.addKey(MTime(nan), 1.0, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal, nullptr,
              &status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    fn.addKey(MTime(inf), 1.0, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal, nullptr,
              &status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    EXPECT_EQ(1u, fn.numKeys());
    EXPECT_EQ(0.0, fn.evaluate(MTime(nan), &status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    EXPECT_EQ(4.0, fn.evaluate(MTime(inf)));
    EXPECT_EQ(4.0, fn.evaluate(MTime(-inf)));
    unsigned int index = 0;
    EXPECT_FALSE(fn.find(MTime(nan), index));
    // Huge finite times are clamped, not wrapped.
    fn.addKey(MTime(1e300), 9.0);
    fn.addKey(MTime(-1e300), -9.0);
    EXPECT_EQ((std::vector<double>{-9, 4, 9}), keyValues(fn.object()));

    MFnAnimCurve detached;
    EXPECT_EQ(0u, detached.numKeys(&status));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
    detached.addKey(MTime(1.0), 1.0, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                    nullptr, &status);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), status);
}

TEST_F(HostAnim, AddKeysMergesAndRemoveWorksFromBothEnds) {
    MFnAnimCurve fn(curveOn("rotateZ"));
    for (int f = 0; f < 10; ++f) fn.addKey(MTime(double(f)), double(f));
    // Remove every key from the front, as whole-step re-keying does.
    for (int f = 0; f < 5; ++f) {
        unsigned int index = 0;
        ASSERT_TRUE(fn.find(MTime(double(f)), index));
        ASSERT_EQ(0u, index);
        ASSERT_EQ(MStatus(MS::kSuccess), fn.remove(index));
    }
    EXPECT_EQ((std::vector<double>{5, 6, 7, 8, 9}), keyFrames(fn.object()));
    EXPECT_EQ(MStatus(MS::kSuccess), fn.remove(fn.numKeys() - 1));
    EXPECT_EQ(MStatus(MS::kSuccess), fn.remove(1));
    EXPECT_EQ((std::vector<double>{5, 7, 8}), keyFrames(fn.object()));

    MTimeArray times;
    MDoubleArray values;
    for (double f : {8.0, 2.0, 6.0, 2.0}) {
        times.append(MTime(f));
        values.append(f * 100);
    }
    EXPECT_EQ(MStatus(MS::kSuccess), fn.addKeys(&times, &values));
    EXPECT_EQ((std::vector<double>{2, 5, 6, 7, 8}), keyFrames(fn.object()));
    EXPECT_EQ((std::vector<double>{200, 5, 600, 7, 800}), keyValues(fn.object()))
        << "same-time keys replaced, the later of two new keys wins";

    MTimeArray keep(1, MTime(5.0));
    MDoubleArray keepValues(1, -1.0);
    fn.addKeys(&keep, &keepValues, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
               true);
    EXPECT_EQ(5.0, fn.value(1)) << "keepExistingKeys leaves the existing value";

    MDoubleArray shortValues(0);
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.addKeys(&times, &shortValues));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.addKeys(nullptr, &values));
    EXPECT_EQ(5u, fn.numKeys());

    // Emptied from the front, then filled again by addKeys.
    while (fn.numKeys() > 0) fn.remove(0);
    EXPECT_EQ(MStatus(MS::kSuccess), fn.addKeys(&times, &values));
    EXPECT_EQ((std::vector<double>{2, 6, 8}), keyFrames(fn.object()));
}

TEST_F(HostAnim, KeyTimesReadInTheUIUnit) {
    MFnAnimCurve fn(curveOn("translateZ"));
    fn.addKey(MTime(24.0, MTime::kFilm), 1.0);
    EXPECT_EQ(24.0, fn.time(0).value());
    EXPECT_EQ(MTime::kFilm, fn.time(0).unit());
    MTime::setUIUnit(MTime::kNTSCFrame);
    EXPECT_EQ(30.0, fn.time(0).value());
    EXPECT_EQ(MTime::kNTSCFrame, fn.time(0).unit());
}

TEST_F(HostAnim, ManyAppendedKeysStayCheap) {
    // Appending in time order and evaluating in time order are linear overall; a quadratic
    // implementation would take minutes here.
    MFnAnimCurve fn(curveOn("translateX"));
    const int count = 200000;
    MTime t(0.0, MTime::kFilm);
    for (int i = 0; i < count; ++i) {
        fn.addKey(t, double(i));
        ++t;
    }
    ASSERT_EQ(unsigned(count), fn.numKeys());
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += fn.evaluate(MTime(double(i) + 0.5));
    EXPECT_DOUBLE_EQ(double(count) * (count - 1) / 2 + (count - 1) * 0.5, sum);
    for (int i = 0; i < count; ++i) fn.remove(0);
    EXPECT_EQ(0u, fn.numKeys());
}

// A curve large enough to leave the allocator's small blocks, edited every way a translator
// edits one, against a plain map of time to value.
TEST_F(HostAnim, LargeCurvesKeepEveryKeyThroughEdits) {
    MFnAnimCurve fn(curveOn("rotateY"));
    std::map<double, double> model;
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(model.size(), fn.numKeys());
        unsigned int i = 0;
        for (const auto& [time, value] : model) {
            ASSERT_EQ(time, fn.time(i).value()) << "key " << i;
            ASSERT_EQ(value, fn.value(i)) << "key " << i;
            ++i;
        }
    };
    for (int f = 0; f < 100000; f += 2) {
        fn.addKey(MTime(double(f)), f * 0.5);
        model[f] = f * 0.5;
    }
    check("appended one by one");

    for (int f = 50001; f < 50101; f += 2) {  // into the middle
        fn.addKey(MTime(double(f)), -f);
        model[f] = -f;
    }
    check("inserted in the middle");

    MTimeArray times;
    MDoubleArray values;
    for (int f = 100000; f < 300000; ++f) {
        times.append(MTime(double(f)));
        values.append(f + 0.25);
        model[f] = f + 0.25;
    }
    ASSERT_EQ(MStatus(MS::kSuccess), fn.addKeys(&times, &values));
    check("appended in order by addKeys");

    times.clear();
    values.clear();
    for (int f = 299999; f >= 1; f -= 3) {  // backwards, over existing and new times
        times.append(MTime(double(f)));
        values.append(7.0 * f);
        model[f] = 7.0 * f;
    }
    ASSERT_EQ(MStatus(MS::kSuccess), fn.addKeys(&times, &values));
    check("merged by addKeys");

    times.clear();
    values.clear();
    for (int f = 400000; f < 410000; ++f) {
        times.append(MTime(f == 405000 ? std::numeric_limits<double>::quiet_NaN() : double(f)));
        values.append(1.0);
    }
    EXPECT_EQ(MStatus(MS::kInvalidParameter), fn.addKeys(&times, &values));
    check("an invalid time in the middle adds nothing");

    for (int n = 0; n < 200; ++n) {
        const unsigned int index = fn.numKeys() / 2;
        model.erase(std::next(model.begin(), index));
        ASSERT_EQ(MStatus(MS::kSuccess), fn.remove(index));
    }
    for (int n = 0; n < 1000; ++n) {
        model.erase(model.begin());
        ASSERT_EQ(MStatus(MS::kSuccess), fn.remove(0));
    }
    check("removed from the middle and the front");
    EXPECT_DOUBLE_EQ(fn.evaluate(MTime(299999.0)), 7.0 * 299999);
}

}  // namespace
