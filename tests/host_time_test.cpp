// Host time: units, conversions, stepping and the UI unit.

#include <gtest/gtest.h>
#include <maya/MTime.h>
#include <standin/Standin.h>

#include <cmath>
#include <string>

namespace {

struct UnitRate {
    MTime::Unit unit;
    double perSecond;  // units per second
    const char* name;
};

// Every unit and its rate; names as the host's tools write them.
const UnitRate kUnits[] = {
    {MTime::kHours, 1.0 / 3600, "hour"},
    {MTime::kMinutes, 1.0 / 60, "min"},
    {MTime::kSeconds, 1, "sec"},
    {MTime::kMilliseconds, 1000, "millisec"},
    {MTime::kGames, 15, "game"},
    {MTime::kFilm, 24, "film"},
    {MTime::kPALFrame, 25, "pal"},
    {MTime::kNTSCFrame, 30, "ntsc"},
    {MTime::kShowScan, 48, "show"},
    {MTime::kPALField, 50, "palf"},
    {MTime::kNTSCField, 60, "ntscf"},
    {MTime::k2FPS, 2, "2fps"},
    {MTime::k3FPS, 3, "3fps"},
    {MTime::k4FPS, 4, "4fps"},
    {MTime::k5FPS, 5, "5fps"},
    {MTime::k6FPS, 6, "6fps"},
    {MTime::k8FPS, 8, "8fps"},
    {MTime::k10FPS, 10, "10fps"},
    {MTime::k12FPS, 12, "12fps"},
    {MTime::k16FPS, 16, "16fps"},
    {MTime::k20FPS, 20, "20fps"},
    {MTime::k40FPS, 40, "40fps"},
    {MTime::k75FPS, 75, "75fps"},
    {MTime::k80FPS, 80, "80fps"},
    {MTime::k100FPS, 100, "100fps"},
    {MTime::k120FPS, 120, "120fps"},
    {MTime::k125FPS, 125, "125fps"},
    {MTime::k150FPS, 150, "150fps"},
    {MTime::k200FPS, 200, "200fps"},
    {MTime::k240FPS, 240, "240fps"},
    {MTime::k250FPS, 250, "250fps"},
    {MTime::k300FPS, 300, "300fps"},
    {MTime::k375FPS, 375, "375fps"},
    {MTime::k400FPS, 400, "400fps"},
    {MTime::k500FPS, 500, "500fps"},
    {MTime::k600FPS, 600, "600fps"},
    {MTime::k750FPS, 750, "750fps"},
    {MTime::k1200FPS, 1200, "1200fps"},
    {MTime::k1500FPS, 1500, "1500fps"},
    {MTime::k2000FPS, 2000, "2000fps"},
    {MTime::k3000FPS, 3000, "3000fps"},
    {MTime::k6000FPS, 6000, "6000fps"},
    {MTime::k23_976FPS, 24000.0 / 1001, "23.976fps"},
    {MTime::k29_97FPS, 30000.0 / 1001, "29.97fps"},
    {MTime::k29_97DF, 30000.0 / 1001, "29.97df"},
    {MTime::k47_952FPS, 48000.0 / 1001, "47.952fps"},
    {MTime::k59_94FPS, 60000.0 / 1001, "59.94fps"},
    {MTime::k44100FPS, 44100, "44100fps"},
    {MTime::k48000FPS, 48000, "48000fps"},
    {MTime::k90FPS, 90, "90fps"},
};

class HostTime : public testing::Test {
protected:
    void SetUp() override { standin::resetScene(); }
    void TearDown() override { standin::resetScene(); }
};

TEST_F(HostTime, EnumerationValuesMatchTheHost) {
    EXPECT_EQ(0, MTime::kInvalid);
    EXPECT_EQ(6, MTime::kFilm);
    EXPECT_EQ(11, MTime::kNTSCField);
    EXPECT_EQ(12, MTime::k2FPS);
    EXPECT_EQ(21, MTime::k20FPS);
    EXPECT_EQ(22, MTime::k40FPS);
    EXPECT_EQ(42, MTime::k6000FPS);
    EXPECT_EQ(50, MTime::k90FPS);
    EXPECT_EQ(MTime::kFilm, MTime::k24FPS);
}

TEST_F(HostTime, EveryUnitConvertsThroughSeconds) {
    for (const UnitRate& u : kUnits) {
        const MTime t(3.0, u.unit);
        EXPECT_NEAR(3.0 / u.perSecond, t.as(MTime::kSeconds), 1e-9 * (3.0 / u.perSecond)) << u.name;
        EXPECT_NEAR(3.0, MTime(t.as(MTime::kSeconds), MTime::kSeconds).as(u.unit), 1e-9) << u.name;
        // One frame of the unit, stepped with ++, is one unit later in real time.
        MTime stepped(7.0, u.unit);
        ++stepped;
        EXPECT_EQ(u.unit, stepped.unit()) << u.name;
        EXPECT_EQ(8.0, stepped.value()) << u.name;
        EXPECT_TRUE(stepped > MTime(7.0, u.unit)) << u.name;
        // The postfix form advances too and returns the time itself, as the host's does.
        MTime post(1.0, u.unit);
        const MTime& after = post++;
        EXPECT_EQ(&post, &after) << u.name;
        EXPECT_EQ(2.0, post.value()) << u.name;
    }
}

TEST_F(HostTime, WholeFramesConvertExactly) {
    // Every unit is a whole number of ticks, so whole values convert without rounding.
    EXPECT_EQ(1.25, MTime(1.0, MTime::kFilm).as(MTime::kNTSCFrame));
    EXPECT_EQ(MTime(5.0, MTime::kNTSCFrame), MTime(4.0, MTime::kFilm));
    EXPECT_EQ(MTime(1.0, MTime::kHours), MTime(3600.0 * 6000, MTime::k6000FPS));
    EXPECT_EQ(MTime(24.0, MTime::k23_976FPS), MTime(1001.0, MTime::kMilliseconds));
    EXPECT_EQ(MTime(30.0, MTime::k29_97FPS), MTime(1001.0, MTime::kMilliseconds));
}

TEST_F(HostTime, UserDefinedUnitOnlyOnceDefined) {
    EXPECT_EQ(51, MTime::kUserDef);
    EXPECT_EQ(0.0, MTime(144.0, MTime::kUserDef).as(MTime::kSeconds));
    standin::setUserDefinedUnit(141120000 / 144);
    EXPECT_EQ(MTime(144.0, MTime::kUserDef), MTime(1.0, MTime::kSeconds));
}

TEST_F(HostTime, SetUnitKeepsTheNumber) {
    MTime t(10.0, MTime::kFilm);
    EXPECT_EQ(MStatus(MS::kSuccess), t.setUnit(MTime::kNTSCFrame));
    EXPECT_EQ(10.0, t.value());
    EXPECT_EQ(MTime::kNTSCFrame, t.unit());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), t.setUnit(MTime::kInvalid));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), t.setUnit(MTime::kUserDef));
    EXPECT_EQ(MTime::kNTSCFrame, t.unit());
    t.setValue(2.5);
    EXPECT_EQ(2.5, t.value());
}

TEST_F(HostTime, ArithmeticKeepsTheLeftUnit) {
    const MTime a(10.0, MTime::kFilm);
    const MTime b(1.0, MTime::kSeconds);
    EXPECT_EQ(34.0, (a + b).value());
    EXPECT_EQ(MTime::kFilm, (a + b).unit());
    EXPECT_EQ(-14.0, (a - b).value());
    EXPECT_EQ(10.5, (a + 0.5).value());
    EXPECT_EQ(20.0, (a * 2.0).value());
    EXPECT_TRUE(b > a);
    EXPECT_TRUE(a <= MTime(10.0, MTime::kFilm));
}

TEST_F(HostTime, UIUnitIsFilmAfterReset) {
    EXPECT_EQ(MTime::kFilm, MTime::uiUnit());
    EXPECT_EQ(MStatus(MS::kSuccess), MTime::setUIUnit(MTime::kNTSCFrame));
    EXPECT_EQ(MTime::kNTSCFrame, MTime::uiUnit());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), MTime::setUIUnit(MTime::kLast));
    EXPECT_EQ(MTime::kNTSCFrame, MTime::uiUnit());
    standin::resetScene();
    EXPECT_EQ(MTime::kFilm, MTime::uiUnit());
}

TEST_F(HostTime, UnitNamesRoundTrip) {
    for (const UnitRate& u : kUnits) {
        MTime::Unit found = MTime::kInvalid;
        ASSERT_TRUE(standin::unitFromName(u.name, found)) << u.name;
        EXPECT_EQ(u.unit, found) << u.name;
        EXPECT_EQ(u.name, standin::unitName(u.unit));
    }
    MTime::Unit unit = MTime::kFilm;
    EXPECT_FALSE(standin::unitFromName("24", unit));
    EXPECT_FALSE(standin::unitFromName("Film", unit));
    EXPECT_EQ(MTime::kFilm, unit);
    EXPECT_EQ("", standin::unitName(MTime::kInvalid));
}

TEST_F(HostTime, NonUnitsReadAsZero) {
    EXPECT_EQ(0.0, MTime(5.0, MTime::kInvalid).as(MTime::kFilm));
    EXPECT_EQ(0.0, MTime(5.0, MTime::kFilm).as(MTime::kUserDef));
    EXPECT_EQ(0.0, MTime(5.0, MTime::kLast).as(MTime::kSeconds));
}

}  // namespace
