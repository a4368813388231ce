// Export options, their checks, the seconds-per-frame table and the MOTION line plan.

#include <gtest/gtest.h>
#include <standin/Standin.h>

#include <climits>
#include <limits>
#include <sstream>
#include <string>

#include "export/ExportSettings.h"

using bvhexport::ExportSettings;
using bvhexport::MotionPlan;

namespace {

constexpr int kFilm = 6;
constexpr int kNtsc = 8;

/// Every field of `s`, in the order of the struct.
std::string describe(const ExportSettings& s) {
    std::ostringstream out;
    out << "frameRateNum=" << s.frameRateNum << " exportMode=" << s.exportMode
        << " frameRate=" << s.frameRate << " frameRateUnit=" << s.frameRateUnit
        << " exportKeyRange=" << s.exportKeyRange << " exportFrameRange=" << s.exportFrameRange
        << " startFrame=" << s.startFrame << " endFrame=" << s.endFrame << " scale=" << s.scale
        << " rotationOrder=" << s.rotationOrder;
    return out.str();
}

TEST(ExportOptions, ANewObjectHoldsTheRegisteredDefaults) {
    const ExportSettings fresh;
    EXPECT_EQ(describe(fresh),
              "frameRateNum=24 exportMode=1 frameRate=0 frameRateUnit= exportKeyRange=1 "
              "exportFrameRange=1 startFrame=0 endFrame=100 scale=1 rotationOrder=");
    ExportSettings parsed;
    parsed.exportMode = 9;
    parsed.exportKeyRange = 9;
    parsed.exportFrameRange = 9;
    parsed.startFrame = 9;
    parsed.endFrame = 9;
    parsed.scale = 9;
    bvhexport::applyExportOptions(bvhexport::kExportDefaultOptions, parsed);
    EXPECT_EQ(describe(parsed), describe(fresh));
}

// Option string -> settings, each applied to an object whose exportMode is 3, scale 4 and
// frameRateNum 12 (a key that is not named keeps its value).
TEST(ExportOptions, AppliesOnlyTheKeysThatAreNamed) {
    struct Case {
        const char* options;
        const char* settings;
    };
    const Case cases[] = {
        {"",
         "frameRateNum=12 exportMode=3 frameRate=0 frameRateUnit= exportKeyRange=1 "
         "exportFrameRange=1 startFrame=0 endFrame=100 scale=4 rotationOrder="},
        {"exportMode=2;startFrame=5;endFrame=7;",
         "frameRateNum=12 exportMode=2 frameRate=0 frameRateUnit= exportKeyRange=1 "
         "exportFrameRange=1 startFrame=5 endFrame=7 scale=4 rotationOrder="},
        // Keys compare case-sensitively and need a value.
        {"ExportMode=2;exportmode=2;exportMode;",
         "frameRateNum=12 exportMode=3 frameRate=0 frameRateUnit= exportKeyRange=1 "
         "exportFrameRange=1 startFrame=0 endFrame=100 scale=4 rotationOrder="},
        {"exportMode=2=3",
         "frameRateNum=12 exportMode=2 frameRate=0 frameRateUnit= exportKeyRange=1 "
         "exportFrameRange=1 startFrame=0 endFrame=100 scale=4 rotationOrder="},
        {"scale=0.5;scale=2;",
         "frameRateNum=12 exportMode=3 frameRate=0 frameRateUnit= exportKeyRange=1 "
         "exportFrameRange=1 startFrame=0 endFrame=100 scale=2 rotationOrder="},
        {"frameRateNum=29.97;frameRate=5;frameRateUnit=ntsc;rotationOrder=ZXY;"
         "exportKeyRange=0;exportFrameRange=4;unknownKey=1;",
         "frameRateNum=29.97 exportMode=3 frameRate=5 frameRateUnit=ntsc exportKeyRange=0 "
         "exportFrameRange=4 startFrame=0 endFrame=100 scale=4 rotationOrder=ZXY"},
    };
    for (const Case& c : cases) {
        ExportSettings settings;
        settings.exportMode = 3;
        settings.scale = 4;
        settings.frameRateNum = 12;
        bvhexport::applyExportOptions(c.options, settings);
        EXPECT_EQ(describe(settings), c.settings) << c.options;
    }
}

TEST(ExportOptions, RefusesUnknownModesAndResamplingWithoutARate) {
    struct Case {
        int mode;
        double rate;
        const char* problem;  // empty: accepted
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {1, 0, ""},
        {2, -1, ""},
        {3, 30, ""},
        {0, 24, "exportMode=0 is not an export mode (1 keys, 2 frames, 3 resample)"},
        {4, 24, "exportMode=4 is not an export mode (1 keys, 2 frames, 3 resample)"},
        {-1, 24, "exportMode=-1 is not an export mode (1 keys, 2 frames, 3 resample)"},
        {3, 0,
         "frameRateNum=0 is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second"},
        {3, -24,
         "frameRateNum=-24 is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second"},
        {3, nan,
         "frameRateNum=nan is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second"},
        {3, inf,
         "frameRateNum=inf is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second"},
    };
    for (const Case& c : cases) {
        ExportSettings settings;
        settings.exportMode = c.mode;
        settings.frameRateNum = c.rate;
        EXPECT_EQ(bvhexport::checkExportSettings(settings), c.problem)
            << "mode " << c.mode << " rate " << c.rate;
    }
}

TEST(SecondsPerFrame, CoversEveryUnitWithAFixedRateAndFallsBackToFilm) {
    const double perSecond[] = {15,  24,  25,  30,  48,  50,  60,  2,    3,    4,    5,    6,   8,
                                10,  12,  16,  20,  40,  75,  80,  100,  120,  125,  150,  200, 240,
                                250, 300, 375, 400, 500, 600, 750, 1200, 1500, 2000, 3000, 6000};
    EXPECT_EQ(bvhexport::secondsPerFrame(0), 1);
    EXPECT_EQ(bvhexport::secondsPerFrame(1), 3600);
    EXPECT_EQ(bvhexport::secondsPerFrame(2), 60);
    EXPECT_EQ(bvhexport::secondsPerFrame(3), 1);
    EXPECT_EQ(bvhexport::secondsPerFrame(4), 0.001);
    for (int unit = 5; unit <= 42; ++unit)
        EXPECT_EQ(bvhexport::secondsPerFrame(unit), 1.0 / perSecond[unit - 5]) << "unit " << unit;
    // 23.976, 29.97, 29.97 drop frame, 47.952, 59.94, 44100, 48000 and 90 frames per second.
    const double nearRates[] = {24000.0 / 1001, 30000.0 / 1001, 30000.0 / 1001, 48000.0 / 1001,
                                60000.0 / 1001, 44100,          48000,          90};
    for (int unit = 43; unit <= 50; ++unit)
        EXPECT_DOUBLE_EQ(bvhexport::secondsPerFrame(unit), 1.0 / nearRates[unit - 43])
            << "unit " << unit;
    // 51 is the user-defined unit, a rate only once the host has one; 52 and on are no rates.
    for (int unit : {-1, 51, 52, 53, 1000})
        EXPECT_EQ(bvhexport::secondsPerFrame(unit), 1.0 / 24) << "unit " << unit;
    standin::setUserDefinedUnit(141120000 / 144);
    EXPECT_EQ(bvhexport::secondsPerFrame(51), 1.0 / 144);
    standin::resetScene();
}

struct PlanCase {
    const char* name;
    int mode, keyRange, start, end;
    double rate;
    unsigned keys;
    int unit;
    // expected
    int lines, first, last;
    double frameTime, step;
};
/// Cases print as their name.
void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.name; }

class MotionPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(MotionPlanTest, GivesTheLinesAndTheAdjustedRange) {
    const PlanCase& c = GetParam();
    ExportSettings settings;
    settings.exportMode = c.mode;
    settings.exportKeyRange = c.keyRange;
    settings.startFrame = c.start;
    settings.endFrame = c.end;
    settings.frameRateNum = c.rate;
    MotionPlan plan;
    ASSERT_EQ(bvhexport::planMotion(settings, c.keys, c.unit, plan), "");
    EXPECT_EQ(plan.lineCount, c.lines);
    EXPECT_EQ(plan.firstLine, c.first);
    EXPECT_EQ(plan.endLine, c.last);
    EXPECT_EQ(plan.frameTime, c.frameTime);
    EXPECT_DOUBLE_EQ(plan.step, c.step);
    EXPECT_EQ(plan.firstSample, c.start) << "sampling starts at startFrame as the options set it";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MotionPlanTest,
    ::testing::Values(
        PlanCase{"AllKeys", 1, 1, 7, 9, 24, 10, kFilm, 10, 0, 10, 1.0 / 24, 1},
        PlanCase{"KeyNumbers", 1, 0, 3, 5, 24, 10, kFilm, 3, 2, 5, 1.0 / 24, 1},
        PlanCase{"AllKeysOfAnEmptyCurve", 1, 1, 0, 100, 24, 0, kFilm, 0, 0, 0, 1.0 / 24, 1},
        PlanCase{"KeyNumbersEmptyRange", 1, 0, 8, 2, 24, 10, kFilm, -5, 7, 2, 1.0 / 24, 1},
        PlanCase{"Frames", 2, 1, 0, 100, 24, 3, kFilm, 101, -1, 100, 1.0 / 24, 1},
        PlanCase{"FramesNtsc", 2, 1, 1, 1, 24, 3, kNtsc, 1, 0, 1, 1.0 / 30, 1},
        PlanCase{"FramesEmptyRange", 2, 1, 10, 5, 24, 3, kFilm, -4, 9, 5, 1.0 / 24, 1},
        PlanCase{"ResampleFilmTo30", 3, 1, 0, 100, 30, 3, kFilm, 126, 0, 126, 1.0 / 30, 0.8},
        PlanCase{"ResampleNtscTo24", 3, 1, 0, 100, 24, 3, kNtsc, 81, 0, 81, 1.0 / 24, 1.25},
        PlanCase{"ResampleOneFrame", 3, 1, 5, 5, 60, 3, kFilm, 1, 0, 1, 1.0 / 60, 0.4},
        PlanCase{"ResampleEmptyRange", 3, 1, 10, 0, 24, 3, kFilm, -9, 0, -9, 1.0 / 24, 1}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

TEST(MotionPlan, RefusesKeyNumbersOutsideTheFirstCurve) {
    struct Case {
        int start, end;
        const char* problem;
    };
    const Case cases[] = {
        {0, 5,
         "startFrame=0 and endFrame=5 are not key numbers of the first animation curve "
         "with keys, which has 10 keys"},
        {3, 11,
         "startFrame=3 and endFrame=11 are not key numbers of the first animation curve "
         "with keys, which has 10 keys"},
        {INT_MIN, 3,
         "startFrame=-2147483648 and endFrame=3 are not key numbers of the first "
         "animation curve with keys, which has 10 keys"},
        {1, 10, ""},
        {12, 11, ""},  // an empty range reads no key
    };
    for (const Case& c : cases) {
        ExportSettings settings;
        settings.exportKeyRange = 0;
        settings.startFrame = c.start;
        settings.endFrame = c.end;
        MotionPlan plan;
        EXPECT_EQ(bvhexport::planMotion(settings, 10, kFilm, plan), c.problem);
    }
}

TEST(MotionPlan, RefusesMoreThanTenMillionLines) {
    ExportSettings settings;
    settings.exportMode = 2;
    settings.startFrame = INT_MIN;
    settings.endFrame = 0;
    MotionPlan plan;
    EXPECT_EQ(bvhexport::planMotion(settings, 3, kFilm, plan),
              "startFrame=-2147483648 and endFrame=0 would write 2147483649 lines; an export "
              "writes at most 10000000");
    settings.endFrame = INT_MIN + 4;
    EXPECT_EQ(bvhexport::planMotion(settings, 3, kFilm, plan),
              "startFrame=-2147483648 and endFrame=-2147483644 give more frames than a file can "
              "count")
        << "the first line's number, one before startFrame, is no int";
    settings.startFrame = -10;
    settings.endFrame = INT_MAX;
    EXPECT_NE(bvhexport::planMotion(settings, 3, kFilm, plan), "");
    settings.exportMode = 3;
    settings.startFrame = 0;
    settings.endFrame = 100;
    settings.frameRateNum = 1e300;
    EXPECT_EQ(bvhexport::planMotion(settings, 3, kFilm, plan),
              "startFrame=0 and endFrame=100 at frameRateNum=1e+300 would write 4.16667e+300 lines; "
              "an export writes at most 10000000");
    settings.frameRateNum = 2400024;  // 10,000,101 lines
    EXPECT_EQ(bvhexport::planMotion(settings, 3, kFilm, plan),
              "startFrame=0 and endFrame=100 at frameRateNum=2.40002e+06 would write 10000101 "
              "lines; an export writes at most 10000000");
    settings.frameRateNum = 2399000;
    EXPECT_EQ(bvhexport::planMotion(settings, 3, kFilm, plan), "");
    EXPECT_EQ(plan.lineCount, 9995834);
}

}  // namespace
