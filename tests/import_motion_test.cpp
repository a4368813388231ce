// Motion import: which frame lines are keyed, at what times, with what values; the stop at
// endTime; and, over the shared samples, that the imported poses are the file's.

#include <gtest/gtest.h>
#include <maya/MTime.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/BvhImport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using bvhref::curveKeys;
using bvhref::runImport;
using bvhref::writeTempFile;
using bvhtest::importText;
using bvhtest::kAttributes;
using bvhtest::kDeg;
using bvhtest::Keys;
using bvhtest::timesOf;
using bvhtest::valuesOf;
using Times = std::vector<double>;

// A root A with one position channel: frame line f holds the value f (its own number).
std::string countingFile(int frames, const std::string& frameTimeLine = "Frame Time: 0.04\n") {
    std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\nFrames: 3\n" +
        frameTimeLine;
    for (int f = 1; f <= frames; ++f) text += std::to_string(f) + "\n";
    return text;
}

// A root with three rotation channels in the given order and nothing else.
std::string rotationFile(const std::string& channels, const std::vector<std::string>& frames,
                         int count = 3) {
    std::string text = "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS " + std::to_string(count) +
                       " " + channels + "\n}\nMOTION\nFrames: 1\nFrame Time: 0.04\n";
    for (const auto& f : frames) text += f + "\n";
    return text;
}

class ImportMotion : public bvhtest::ImportTest {};

TEST_F(ImportMotion, EveryFrameLineIsKeyedAtItsNumber) {
    BvhImport imp;
    const auto run = importText(imp, countingFile(5));
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    EXPECT_EQ(timesOf(keys), (Times{1, 2, 3, 4, 5}))
        << "the file says Frames: 3 but has five lines";
    EXPECT_EQ(valuesOf(keys), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(imp.currentFrame, 6) << "header lines are not frames";
    EXPECT_EQ(imp.framesKeyed, 5);
}

TEST_F(ImportMotion, FrameRanges) {
    const struct {
        const char* options;
        Times times;
        std::vector<double> values;
    } cases[] = {
        {"importFrameRange=3;startFrame=5;endFrame=10;startTime=0;",
         {0, 1, 2, 3, 4, 5},
         {5, 6, 7, 8, 9, 10}},
        {"importFrameRange=2;startFrame=5;endFrame=7;startTime=3;",
         {3, 4, 5, 6, 7, 8, 9, 10},
         {5, 6, 7, 8, 9, 10, 11, 12}},
        {"importFrameRange=2;startFrame=1;startTime=1;",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"importFrameRange=2;startFrame=-4;startTime=1;",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"importFrameRange=1;startFrame=5;endFrame=6;startTime=1;",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"importFrameRange=3;startFrame=12;endFrame=40;startTime=1;", {1}, {12}},
        {"importFrameRange=3;startFrame=8;endFrame=7;startTime=1;", {}, {}},
    };
    const std::string file = writeTempFile(countingFile(12));
    for (const auto& c : cases) {
        standin::resetScene();
        BvhImport imp;
        const auto run = runImport(imp, file, c.options);
        ASSERT_TRUE(run.success) << c.options << run.messages;
        const Keys keys = curveKeys("|bvh_import|A", "translateX");
        EXPECT_EQ(timesOf(keys), c.times) << c.options;
        EXPECT_EQ(valuesOf(keys), c.values) << c.options;
        EXPECT_EQ(imp.currentFrame, 13) << "every line is read and counted: " << c.options;
    }
}

TEST_F(ImportMotion, KeysFollowTheFrameTimeWithoutWholeUnits) {
    const auto run = importText(countingFile(6, "Frame Time: 0.0083333\n"),
                                "inputKeys=0;frameRate=0;frameRateNum=24;startTime=2;");
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    ASSERT_EQ(keys.size(), 6u);
    // Key times are held in the host's ticks (141,120,000 per second, 5,880,000 per film
    // frame), so they match the sums to a tick.
    double expected = 2;
    for (const auto& key : keys) {
        EXPECT_NEAR(key.first, expected, 2e-7);
        expected += 0.0083333 * 24;  // repeated addition, as the keys are placed
    }
}

TEST_F(ImportMotion, FrameTimeIsRead) {
    BvhImport imp;
    ASSERT_TRUE(importText(imp, countingFile(2, "Frame Time: 0.0333333\n"), "").success);
    EXPECT_DOUBLE_EQ(imp.frameTime, 0.0333333);
    standin::resetScene();
    ASSERT_TRUE(importText(imp, countingFile(2, "Frame   Time:   1.5e-2  \n"), "").success);
    EXPECT_DOUBLE_EQ(imp.frameTime, 0.015) << "the last token of the line";
}

TEST_F(ImportMotion, WithoutAFrameTimeLineKeysAreOneFrameApart) {
    const std::string file = writeTempFile(countingFile(3, ""));
    auto run = runImport(file, bvhref::kDefaultImportOptions);
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(timesOf(curveKeys("|bvh_import|A", "translateX")), (Times{1, 2, 3}));

    standin::resetScene();
    run = runImport(file, "inputKeys=0;frameRate=0;frameRateNum=30;startTime=0;");
    ASSERT_TRUE(run.success) << run.messages;
    const Times times = timesOf(curveKeys("|bvh_import|A", "translateX"));
    ASSERT_EQ(times.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(times[i], static_cast<double>(i), 1e-9);
}

TEST_F(ImportMotion, FrameTimeOfAnEarlierReadIsNotReused) {
    BvhImport imp;
    const std::string options = "inputKeys=0;frameRate=0;frameRateNum=10;startTime=0;";
    ASSERT_TRUE(importText(imp, countingFile(2, "Frame Time: 0.5\n"), options).success);
    EXPECT_EQ(timesOf(curveKeys("|bvh_import|A", "translateX")), (Times{0, 5}));
    standin::resetScene();
    ASSERT_TRUE(importText(imp, countingFile(2, ""), options).success);
    const Times times = timesOf(curveKeys("|bvh_import|A", "translateX"));
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NEAR(times[1], 1, 2e-7) << "one frame of frameRateNum, not the last file's frame time";
}

TEST_F(ImportMotion, UnusableFrameTimeIsAWarning) {
    for (const char* line :
         {"Frame Time: 0\n", "Frame Time: -0.5\n", "Frame Time: abc\n", "Frame Time:\n"}) {
        standin::resetScene();
        const std::string file = writeTempFile(countingFile(3, line));
        const auto run = runImport(file, "inputKeys=0;frameRate=0;frameRateNum=30;startTime=0;");
        ASSERT_TRUE(run.success) << line << run.messages;
        EXPECT_NE(run.messages.find(file), std::string::npos) << line << run.messages;
        const Times times = timesOf(curveKeys("|bvh_import|A", "translateX"));
        ASSERT_EQ(times.size(), 3u) << line;
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(times[i], static_cast<double>(i), 1e-9) << line;
    }
}

TEST_F(ImportMotion, HeaderLinesAreNotFrames) {
    // Frame line 2 is the first line after the header lines plus one.
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\nFrames: 7\n"
        "Frame Time: 0.5\n100\n200\n300\n";
    BvhImport imp;
    ASSERT_TRUE(
        importText(imp, text, "importFrameRange=3;startFrame=2;endFrame=2;startTime=1;").success);
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateX"), (Keys{{1, 200}}));
    EXPECT_EQ(imp.currentFrame, 4);
}

TEST_F(ImportMotion, BlankLinesAreNotFrames) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\n\nFrames: 3\n"
        "Frame Time: 0.5\n1\n\n   \n\t\n \t \r\n2\n3\n\n";
    BvhImport imp;
    const auto run = importText(imp, text);
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(run.messages, "");
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateX"), (Keys{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(imp.currentFrame, 4);
}

TEST_F(ImportMotion, ShortFrameLinesKeepTheirSlotButAreNotKeyed) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n}\n"
        "MOTION\nFrames: 3\nFrame Time: 0.5\n1 2 3\n4 5\n7 8 9 10 11\n";
    const std::string file = writeTempFile(text);
    BvhImport imp;
    auto run = runImport(imp, file, bvhref::kDefaultImportOptions);
    ASSERT_TRUE(run.success) << run.messages;
    // One warning line, with the file and the line number (line 11).
    EXPECT_EQ(run.messages.find('\n'), run.messages.size() - 1) << run.messages;
    EXPECT_NE(run.messages.find(file), std::string::npos) << run.messages;
    EXPECT_NE(run.messages.find(":11"), std::string::npos) << run.messages;
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateY"), (Keys{{1, 2}, {3, 8}}))
        << "nothing is invented for the short line, which keeps its time slot; extra values "
           "are ignored";
    EXPECT_EQ(imp.currentFrame, 4);

    standin::resetScene();
    run = runImport(file, "importFrameRange=3;startFrame=3;endFrame=3;startTime=1;");
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateZ"), (Keys{{1, 9}}))
        << "the short line was frame 2";
}

TEST_F(ImportMotion, NumbersInExponentNotation) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 4e-2\n1e-05 1.5e+06 -2.5E1\n";
    ASSERT_TRUE(importText(text).success);
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateX"), (Keys{{1, 1e-05}}));
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateY"), (Keys{{1, 1.5e+06}}));
    EXPECT_EQ(curveKeys("|bvh_import|A", "translateZ"), (Keys{{1, -25}}));
}

TEST_F(ImportMotion, PositionKeysAreScaledValuesPlusTheJointsOwnOffset) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 1 2 3\nCHANNELS 3 Xposition Yposition Zposition\n"
        "JOINT B\n{\nOFFSET 5 6 7\nCHANNELS 3 Zposition Xposition Yposition\n}\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.1\n10 0 0 1 2 3\n";
    BvhImport imp;
    ASSERT_TRUE(importText(imp, text, "scale=2;").success);
    for (int a = 0; a < 3; ++a) EXPECT_DOUBLE_EQ(imp.rootOffset[a], 2.0 * (a + 1));
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A", "translateX")), std::vector<double>{22});
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A", "translateY")), std::vector<double>{4});
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A", "translateZ")), std::vector<double>{6});
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A|B", "translateZ")), std::vector<double>{2 + 14});
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A|B", "translateX")), std::vector<double>{4 + 10});
    EXPECT_EQ(valuesOf(curveKeys("|bvh_import|A|B", "translateY")), std::vector<double>{6 + 12});
}

TEST_F(ImportMotion, RotationsAreRadians) {
    // One, two and three rotation channels; the orders match the target order, so the angles
    // are keyed as read.
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Zrotation Yrotation Xrotation\n"
        "JOINT B\n{\nOFFSET 0 1 0\nCHANNELS 1 Yrotation\n"
        "JOINT C\n{\nOFFSET 0 1 0\nCHANNELS 2 Zrotation Xrotation\n}\n}\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.1\n30 -20 350 90 179 -45\n";
    ASSERT_TRUE(importText(text).success);
    const struct {
        const char* path;
        const char* attribute;
        double degrees;
    } cases[] = {
        {"|bvh_import|A", "rotateZ", 30},      {"|bvh_import|A", "rotateY", -20},
        {"|bvh_import|A", "rotateX", 350},     {"|bvh_import|A|B", "rotateY", 90},
        {"|bvh_import|A|B|C", "rotateZ", 179}, {"|bvh_import|A|B|C", "rotateX", -45},
    };
    for (const auto& c : cases) {
        const Keys keys = curveKeys(c.path, c.attribute);
        ASSERT_EQ(keys.size(), 1u) << c.path << "." << c.attribute;
        EXPECT_NEAR(keys[0].second, c.degrees * kDeg, 1e-12) << c.path << "." << c.attribute;
    }
}

TEST_F(ImportMotion, EulerFilterOnThreeChannelJointsAfterTheFirstKeyedFrame) {
    const std::string file = writeTempFile(rotationFile(
        "Zrotation Yrotation Xrotation", {"0 0 350", "0 0 179", "0 0 -179", "0 0 -170"}));
    ASSERT_TRUE(runImport(file, bvhref::kDefaultImportOptions).success);
    const std::vector<double> x = valuesOf(curveKeys("|bvh_import|A", "rotateX"));
    ASSERT_EQ(x.size(), 4u);
    EXPECT_NEAR(x[0], 350 * kDeg, 1e-12) << "the first keyed frame is keyed as converted";
    // Each later frame is the solution closest to the frame before.
    EXPECT_NEAR(x[1], 179 * kDeg, 1e-9) << "179 is the nearest solution to 350";
    EXPECT_NEAR(x[2], -179 * kDeg + 2 * bvhref::kPi, 1e-9) << "the wrap to -179 is undone";
    EXPECT_NEAR(x[3], -170 * kDeg + 2 * bvhref::kPi, 1e-9);

    // A range that starts later: its first keyed frame is not filtered either.
    standin::resetScene();
    ASSERT_TRUE(runImport(file, "importFrameRange=2;startFrame=3;startTime=1;").success);
    const std::vector<double> late = valuesOf(curveKeys("|bvh_import|A", "rotateX"));
    ASSERT_EQ(late.size(), 2u);
    EXPECT_NEAR(late[0], -179 * kDeg, 1e-12);
    EXPECT_NEAR(late[1], -170 * kDeg, 1e-9);
}

TEST_F(ImportMotion, OneOrTwoRotationChannelsAreNotFiltered) {
    for (const char* channels : {"Xrotation", "Zrotation Xrotation"}) {
        standin::resetScene();
        const int count = std::string(channels).find(' ') == std::string::npos ? 1 : 2;
        const std::vector<std::string> frames =
            count == 1 ? std::vector<std::string>{"179", "-179", "350"}
                       : std::vector<std::string>{"0 179", "0 -179", "0 350"};
        ASSERT_TRUE(importText(rotationFile(channels, frames, count)).success);
        const std::vector<double> x = valuesOf(curveKeys("|bvh_import|A", "rotateX"));
        ASSERT_EQ(x.size(), 3u) << channels;
        EXPECT_NEAR(x[0], 179 * kDeg, 1e-12) << channels;
        EXPECT_NEAR(x[1], -179 * kDeg, 1e-12) << channels;
        EXPECT_NEAR(x[2], 350 * kDeg, 1e-12) << channels;
    }
}

TEST_F(ImportMotion, RotationsAreReorderedIntoTheTargetOrder) {
    // Every channel order, keyed into every target order, must give the file's rotation.
    const char* const orders[] = {"XYZ", "YZX", "ZXY", "XZY", "YXZ", "ZYX"};
    const std::vector<std::string> frames = {"30 40 50", "-60 25 170", "10 -80 5"};
    for (const char* fileOrder : orders) {
        // Channels list the axes in the reverse of the order's name.
        std::string channels;
        for (int i = 2; i >= 0; --i) channels += std::string(1, fileOrder[i]) + "rotation ";
        channels.pop_back();
        const std::vector<std::string> names = {std::string(1, fileOrder[2]) + "rotation",
                                                std::string(1, fileOrder[1]) + "rotation",
                                                std::string(1, fileOrder[0]) + "rotation"};
        const std::string text = rotationFile(channels, frames);
        const std::string file = writeTempFile(text);
        bvhref::BvhFile ref;
        std::string error;
        ASSERT_TRUE(bvhref::parseBvh(text, ref, error)) << error;
        for (const char* target : orders) {
            standin::resetScene();
            const auto run =
                runImport(file, std::string("rotationOrder=") + target + ";startTime=1;");
            ASSERT_TRUE(run.success) << run.messages;
            EXPECT_EQ(bvhref::transformOrderName(bvhref::sceneRotationOrder("|bvh_import|A")),
                      target);
            const Keys x = curveKeys("|bvh_import|A", "rotateX");
            const Keys y = curveKeys("|bvh_import|A", "rotateY");
            const Keys z = curveKeys("|bvh_import|A", "rotateZ");
            ASSERT_EQ(x.size(), frames.size());
            ASSERT_EQ(y.size(), frames.size());
            ASSERT_EQ(z.size(), frames.size());
            for (std::size_t f = 0; f < frames.size(); ++f) {
                const bvhref::Mat3 expected =
                    bvhref::channelRotation(names, ref.frames[f], 3.14159);
                const bvhref::Mat3 keyed =
                    bvhref::hostRotation(x[f].second, y[f].second, z[f].second, target);
                EXPECT_LT(bvhref::maxDifference(keyed, expected), 1e-9)
                    << "file " << fileOrder << " target " << target << " frame " << f;
            }
        }
    }
}

TEST_F(ImportMotion, TwoRotationChannelsAreReorderedIntoTheTargetOrder) {
    // Two axes in either order, keyed into every target order: the missing axis is 0 in the
    // file, and the keyed rotation, on all three axes, is the file's.
    const std::vector<std::string> frames = {"30 -50", "-60 170"};
    for (const char* channels : {"Xrotation Zrotation", "Zrotation Xrotation",
                                 "Yrotation Xrotation", "Zrotation Yrotation"}) {
        const std::string text = rotationFile(channels, frames, 2);
        const std::vector<std::string> names = {std::string(channels).substr(0, 9),
                                                std::string(channels).substr(10)};
        bvhref::BvhFile ref;
        std::string error;
        ASSERT_TRUE(bvhref::parseBvh(text, ref, error)) << error;
        for (const char* target : {"XYZ", "YZX", "ZXY", "XZY", "YXZ", "ZYX"}) {
            SCOPED_TRACE(std::string(channels) + " into " + target);
            standin::resetScene();
            const auto run = importText(text, std::string("rotationOrder=") + target + ";");
            ASSERT_TRUE(run.success) << run.messages;
            Keys keys[3];
            for (int axis = 0; axis < 3; ++axis) {
                keys[axis] = curveKeys("|bvh_import|A", kAttributes[3 + axis]);
                const bool named = std::string(channels).find("XYZ"[axis]) != std::string::npos;
                // The missing axis has a curve only where the two orders differ.
                if (keys[axis].empty() && !named) keys[axis] = Keys(frames.size(), {0, 0});
                ASSERT_EQ(keys[axis].size(), frames.size()) << kAttributes[3 + axis];
            }
            for (std::size_t f = 0; f < frames.size(); ++f) {
                const bvhref::Mat3 expected =
                    bvhref::channelRotation(names, ref.frames[f], 3.14159);
                const bvhref::Mat3 keyed = bvhref::hostRotation(
                    keys[0][f].second, keys[1][f].second, keys[2][f].second, target);
                EXPECT_LT(bvhref::maxDifference(keyed, expected), 1e-9) << "frame " << f;
            }
        }
    }
}

// The faults of real files' MOTION sections: values that are no number get no key (one
// warning), a frame count that differs from the frame lines is warned about (every line is
// keyed), and a header line may hold both the count and the frame time.
TEST_F(ImportMotion, FaultsOfTheMotionSection) {
    const std::string head =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\n";
    const std::string notKeyed = " no finite number (nan, inf), the first on this line\n";
    const struct {
        const char* what;
        std::string motion;  // after the MOTION line, which is line 7
        Times times;
        std::vector<double> values;
        std::string messages;  // after "<path>:"
    } cases[] = {
        {"nan", "Frames: 3\nFrame Time: 0.5\n1\nnan\n3\n", {1, 25}, {1, 3},
         "11: warning: not keyed: 1 frame value that is" + notKeyed},
        {"infinities", "Frames: 4\nFrame Time: 0.5\ninf\n2\n1e999\n-inf\n", {13}, {2},
         "10: warning: not keyed: 3 frame values that are" + notKeyed},
        {"one frame line more", "Frames: 2\nFrame Time: 0.5\n1\n2\n3\n", {1, 13, 25}, {1, 2, 3},
         "8: warning: the file declares 2 frames and holds 3 frame lines; all 3 are read\n"},
        {"one frame line less", "Frames: 3\nFrame Time: 0.5\n1\n2\n", {1, 13}, {1, 2},
         "8: warning: the file declares 3 frames and holds 2 frame lines; all 2 are read\n"},
        {"count and time on one line", "Frames: 3 Frame Time: 0.5\n1\n2\n3\n", {1, 13, 25},
         {1, 2, 3}, ""},
        {"time and count on one line", "Frame Time: 0.5 Frames: 3\n1\n2\n3\n", {1, 13, 25},
         {1, 2, 3}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        standin::resetScene();
        const std::string path = writeTempFile(head + c.motion);
        // Keys a frame time (12 frames) apart, so that the frame time read shows in the times.
        const std::string options = "inputKeys=0;frameRateNum=24;startTime=1;";
        const auto run = runImport(path, options);
        EXPECT_TRUE(run.success) << run.messages;
        EXPECT_EQ(run.messages, c.messages.empty() ? "" : path + ":" + c.messages);
        const Keys keys = curveKeys("|bvh_import|A", "translateX");
        EXPECT_EQ(timesOf(keys), c.times);
        EXPECT_EQ(valuesOf(keys), c.values);
    }
}

TEST_F(ImportMotion, EachJointIsReadInItsOwnChannelOrder) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "JOINT B\n{\nOFFSET 0 1 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "JOINT C\n{\nOFFSET 0 1 0\nCHANNELS 3 Yrotation Zrotation Xrotation\n}\n}\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.1\n10 20 30 40 50 60 70 80 90\n";
    ASSERT_TRUE(importText(text).success);
    bvhref::BvhFile ref;
    std::string error;
    ASSERT_TRUE(bvhref::parseBvh(text, ref, error)) << error;
    const char* const paths[] = {"|bvh_import|A", "|bvh_import|A|B", "|bvh_import|A|B|C"};
    for (std::size_t n = 0; n < 3; ++n) {
        const bvhref::Mat3 expected = bvhref::fileLocalRotation(ref, n, 0, 3.14159);
        const bvhref::Mat3 keyed =
            bvhref::hostRotation(curveKeys(paths[n], "rotateX").at(0).second,
                                 curveKeys(paths[n], "rotateY").at(0).second,
                                 curveKeys(paths[n], "rotateZ").at(0).second, "XYZ");
        EXPECT_LT(bvhref::maxDifference(keyed, expected), 1e-9) << paths[n];
    }
}

TEST_F(ImportMotion, PasteRangeStopsAtTheEndTime) {
    BvhImport imp;
    auto run = importText(imp, countingFile(20), "pasteTimeRange=3;endTime=10.5;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    EXPECT_EQ(timesOf(keys), (Times{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10.5}));
    EXPECT_EQ(imp.currentFrame, 12) << "no line after frame 11 is read";
    EXPECT_EQ(imp.stopReading, 1);

    // The key at 10.5 holds the value of the curve that frames 1 to 11 make.
    standin::resetScene();
    ASSERT_TRUE(importText(countingFile(11), "startTime=1;").success);
    const double expected = bvhref::sceneValue("|bvh_import|A", "translateX", 10.5);
    ASSERT_FALSE(keys.empty());
    EXPECT_DOUBLE_EQ(keys.back().second, expected);
}

TEST_F(ImportMotion, PasteRangeKeepsLaterKeysOfAnimatedJoints) {
    ASSERT_TRUE(importText(countingFile(20), "startTime=1;").success);
    bvhref::selectNodes({"|bvh_import|A"});
    std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\n"
        "Frames: 3\nFrame Time: 0.04\n";
    for (int f = 1; f <= 20; ++f) text += std::to_string(100 + f) + "\n";
    const auto run = importText(text, "importSkelton=2;pasteTimeRange=3;endTime=10.5;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    const Times times = timesOf(keys);
    EXPECT_EQ(times,
              (Times{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10.5, 12, 13, 14, 15, 16, 17, 18, 19, 20}))
        << "the key that frame 11 set is removed, the curve's later keys stay";
    ASSERT_EQ(keys.size(), 20u);
    EXPECT_DOUBLE_EQ(keys[9].second, 110);
    EXPECT_DOUBLE_EQ(keys.back().second, 20) << "somebody else's key is untouched";
}

// --- the reference reader that the pose checks rely on ------------------------------------

TEST(ReferenceReader, RotationConventions) {
    const double q = bvhref::kPi / 2;
    // Host order XYZ applies X first: (0,0,1) -> X by 90 -> (0,-1,0) -> Z by 90 -> (1,0,0).
    const bvhref::Vec3 v = bvhref::apply(bvhref::hostRotation(q, 0, q, "XYZ"), {0, 0, 1});
    EXPECT_NEAR(v[0], 1, 1e-12);
    EXPECT_NEAR(v[1], 0, 1e-12);
    EXPECT_NEAR(v[2], 0, 1e-12);
    // File channels Z X: the first listed is outermost, the same rotation.
    const bvhref::Mat3 file = bvhref::channelRotation({"Zrotation", "Xrotation"}, {90, 90});
    EXPECT_LT(bvhref::maxDifference(file, bvhref::hostRotation(q, 0, q, "XYZ")), 1e-12);
    EXPECT_GT(bvhref::maxDifference(file, bvhref::hostRotation(q, 0, q, "ZYX")), 0.5);
}

TEST(ReferenceReader, TokenStreamAndForwardKinematics) {
    // Braces on header lines, everything on few lines, CR line ends: tokens are all that count.
    const std::string text =
        "HIERARCHY ROOT R {\r OFFSET 1 0 0 CHANNELS 4 Xposition Yposition Zposition Zrotation\r"
        "JOINT J { OFFSET 0 10 0 CHANNELS 0 End Site { OFFSET 0 5 0 } } }\r"
        "MOTION Frames: 2 Frame Time: 0.5\r0 0 0 90\r 3 0 0 0\r";
    bvhref::BvhFile ref;
    std::string error;
    ASSERT_TRUE(bvhref::parseBvh(text, ref, error)) << error;
    ASSERT_EQ(ref.nodes.size(), 3u);
    EXPECT_EQ(ref.nodes[1].name, "J");
    EXPECT_EQ(ref.nodes[2].parent, 1);
    EXPECT_TRUE(ref.nodes[2].endSite);
    EXPECT_EQ(ref.channelCount, 4u);
    EXPECT_EQ(ref.declaredFrames, 2);
    EXPECT_DOUBLE_EQ(ref.frameTime, 0.5);
    ASSERT_EQ(ref.frames.size(), 2u);
    // Frame 0: the root turned 90 degrees about Z, so the chain up Y now points along -X.
    const auto p0 = bvhref::fileWorldPositions(ref, 0);
    EXPECT_NEAR(p0[1][0], 1 - 10, 1e-9);
    EXPECT_NEAR(p0[2][0], 1 - 15, 1e-9);
    EXPECT_NEAR(p0[2][1], 0, 1e-9);
    // Frame 1: moved along X by 3 from the offset, no rotation; twice as large with scale 2.
    const auto p1 = bvhref::fileWorldPositions(ref, 1, 2.0);
    EXPECT_NEAR(p1[0][0], 8, 1e-9);
    EXPECT_NEAR(p1[2][1], 30, 1e-9);
    EXPECT_NEAR(bvhref::restPoseSize(ref), 15, 1e-9) << "all three nodes lie on x = 1";

    EXPECT_FALSE(bvhref::parseBvh("HIERARCHY ROOT R { OFFSET 0 0 }", ref, error));
    EXPECT_FALSE(bvhref::parseBvh(
        "HIERARCHY ROOT R { OFFSET 0 0 0 CHANNELS 2 Xposition Yposition } MOTION 1 2 3", ref,
        error))
        << "three values are not whole frames of two channels";
}

// --- the shared samples -------------------------------------------------------------------

std::map<std::string, Keys> allKeys(const std::vector<std::string>& joints) {
    std::map<std::string, Keys> keys;
    for (const auto& joint : joints)
        for (const char* attribute : kAttributes) {
            Keys k = curveKeys(joint, attribute);
            if (!k.empty()) keys[joint + "." + attribute] = k;
        }
    return keys;
}

// Every curve of `expected` is in `actual` with keys at the same times with the same values:
// within `tolerance`, or to a few units in the last place when it is 0.
void expectSameKeys(const std::map<std::string, Keys>& actual,
                    const std::map<std::string, Keys>& expected, const std::string& path,
                    double tolerance) {
    for (const auto& entry : expected) {
        const auto it = actual.find(entry.first);
        ASSERT_NE(it, actual.end()) << path << " " << entry.first;
        ASSERT_EQ(it->second.size(), entry.second.size()) << entry.first;
        for (std::size_t k = 0; k < entry.second.size(); ++k) {
            const auto& [time, value] = it->second[k];
            if (tolerance == 0) {
                EXPECT_DOUBLE_EQ(time, entry.second[k].first) << entry.first;
                EXPECT_DOUBLE_EQ(value, entry.second[k].second) << entry.first;
            } else {
                EXPECT_NEAR(time, entry.second[k].first, tolerance) << entry.first;
                EXPECT_NEAR(value, entry.second[k].second, tolerance) << entry.first;
            }
        }
    }
}

// Checks the scene that a default import of `ref` made: keys per frame on every channel,
// translations, rotations as rotations, and world positions of every node in every frame.
void checkSampleScene(const bvhref::BvhFile& ref, const std::string& what) {
    const std::string rootPath = "|bvh_import|" + ref.nodes.at(0).name;
    const auto joints = bvhref::sceneJointPaths(rootPath);
    ASSERT_EQ(joints.size(), ref.nodes.size()) << what;
    const std::size_t frames = ref.frames.size();
    ASSERT_GT(frames, 0u) << what;
    Times expectedTimes;
    for (std::size_t f = 0; f < frames; ++f) expectedTimes.push_back(static_cast<double>(f + 1));

    for (std::size_t n = 0; n < ref.nodes.size(); ++n) {
        const bvhref::Node& node = ref.nodes[n];
        std::vector<std::string> rotationChannels;
        for (std::size_t i = 0; i < node.channels.size(); ++i) {
            const std::string& channel = node.channels[i];
            const int axis = channel[0] - 'X';
            const bool position = channel.find("position") != std::string::npos;
            if (!position) rotationChannels.push_back(channel);
            const std::string attribute = kAttributes[axis + (position ? 0 : 3)];
            const Keys keys = curveKeys(joints[n], attribute);
            ASSERT_EQ(timesOf(keys), expectedTimes) << what << " " << joints[n] << "." << attribute;
            if (!position) continue;
            for (std::size_t f = 0; f < frames; ++f) {
                const double expected = ref.frames[f][node.firstChannel + i] +
                                        node.offset[static_cast<std::size_t>(axis)];
                EXPECT_NEAR(keys[f].second, expected, 1e-9)
                    << what << " " << joints[n] << "." << attribute << " frame " << f + 1;
            }
        }
        if (rotationChannels.size() != 3) continue;
        const Keys x = curveKeys(joints[n], "rotateX");
        const Keys y = curveKeys(joints[n], "rotateY");
        const Keys z = curveKeys(joints[n], "rotateZ");
        const std::string order = bvhref::transformOrderName(bvhref::sceneRotationOrder(joints[n]));
        for (std::size_t f = 0; f < frames; ++f) {
            const bvhref::Mat3 keyed =
                bvhref::hostRotation(x[f].second, y[f].second, z[f].second, order);
            const bvhref::Mat3 expected = bvhref::fileLocalRotation(ref, n, f, 3.14159);
            EXPECT_LT(bvhref::maxDifference(keyed, expected), 1e-9)
                << what << " " << joints[n] << " frame " << f + 1;
        }
    }

    // Poses: world positions from the scene against those of the file itself (with pi at
    // full precision), to a thousandth of the skeleton's size.
    const double tolerance = 1e-3 * bvhref::restPoseSize(ref);
    ASSERT_GT(tolerance, 0) << what;
    for (std::size_t f = 0; f < frames; ++f) {
        const auto scene = bvhref::sceneWorldPositions(rootPath, static_cast<double>(f + 1));
        const auto file = bvhref::fileWorldPositions(ref, f);
        ASSERT_EQ(scene.size(), file.size());
        for (std::size_t n = 0; n < file.size(); ++n) {
            double distance = 0;
            for (std::size_t a = 0; a < 3; ++a)
                distance += (scene[n][a] - file[n][a]) * (scene[n][a] - file[n][a]);
            EXPECT_LT(std::sqrt(distance), tolerance)
                << what << " " << joints[n] << " frame " << f + 1;
        }
    }
}

TEST_F(ImportMotion, SamplesKeepTheirPoses) {
    const auto samples = bvhtest::referenceSamples();
    BVHREF_REQUIRE_SAMPLES(samples);
    for (const auto& [path, ref] : samples) {
        standin::resetScene();
        const auto run = runImport(path, bvhref::kDefaultImportOptions);
        ASSERT_TRUE(run.success) << path << ": " << run.messages;
        checkSampleScene(ref, path);
    }
}

TEST_F(ImportMotion, SamplesAnimationOnlyImportGivesTheSameKeys) {
    const auto samples = bvhtest::referenceSamples();
    BVHREF_REQUIRE_SAMPLES(samples);
    for (const auto& [path, ref] : samples) {
        const std::string rootPath = "|bvh_import|" + ref.nodes.at(0).name;

        standin::resetScene();
        ASSERT_TRUE(runImport(path, bvhref::kDefaultImportOptions).success) << path;
        const auto expected = allKeys(bvhref::sceneJointPaths(rootPath));

        standin::resetScene();
        ASSERT_TRUE(
            runImport(path, std::string(bvhref::kDefaultImportOptions) + "importAnimation=0;")
                .success)
            << path;
        // Select a joint deep in the skeleton: the whole skeleton is the target.
        bvhref::selectNodes({bvhref::sceneJointPaths(rootPath).back()});
        const auto run =
            runImport(path, std::string(bvhref::kDefaultImportOptions) + "importSkelton=2;");
        ASSERT_TRUE(run.success) << path << ": " << run.messages;
        EXPECT_EQ(standin::topLevelNodes().size(), 1u) << path;
        const auto actual = allKeys(bvhref::sceneJointPaths(rootPath));
        EXPECT_EQ(actual.size(), expected.size()) << path;
        expectSameKeys(actual, expected, path, 0);
    }
}

// --- end to end through the command-line host --------------------------------------------

using bvhtest::shellQuote;

class ImportEndToEnd : public ImportMotion {
protected:
    // Runs bvhhost with `arguments`, collecting its standard output and error.
    void host(const std::string& arguments, std::string& output, int& status) {
        status = bvhref::runCommand(shellQuote(BVHIO_BVHHOST) + " " + arguments, output);
    }
};

TEST_F(ImportEndToEnd, SamplesThroughTheCommandLineHost) {
    const auto samples = bvhtest::referenceSamples();
    BVHREF_REQUIRE_SAMPLES(samples);
    if (!std::filesystem::exists(BVHIO_BVHHOST)) GTEST_SKIP() << "no bvhhost at " << BVHIO_BVHHOST;
    for (const auto& [path, ref] : samples) {
        std::string error;
        const std::string rootPath = "|bvh_import|" + ref.nodes.at(0).name;

        // Skeleton import with the registered defaults.
        const std::string full = bvhref::tempPath(".json");
        std::string output;
        int status = 0;
        host("import " + shellQuote(path) + " --save " + shellQuote(full), output, status);
        if (status == 2 && output.find("import") != std::string::npos &&
            output.find("unknown") != std::string::npos)
            GTEST_SKIP() << "bvhhost has no import command yet: " << output;
        ASSERT_EQ(status, 0) << path << ": " << output;
        standin::resetScene();
        ASSERT_TRUE(standin::loadSceneFile(full, error)) << error;
        checkSampleScene(ref, path + " via bvhhost");
        const auto expected = allKeys(bvhref::sceneJointPaths(rootPath));

        // A skeleton without animation, then the motion onto it by selection.
        const std::string skeleton = bvhref::tempPath(".json");
        const std::string animated = bvhref::tempPath(".json");
        host("import " + shellQuote(path) + " --options 'importAnimation=0;' --save " +
                 shellQuote(skeleton),
             output, status);
        ASSERT_EQ(status, 0) << output;
        host("import " + shellQuote(path) + " --scene " + shellQuote(skeleton) + " --select " +
                 shellQuote(rootPath) + " --options " +
                 shellQuote(std::string(bvhref::kDefaultImportOptions) + "importSkelton=2;") +
                 " --save " + shellQuote(animated),
             output, status);
        ASSERT_EQ(status, 0) << path << ": " << output;
        standin::resetScene();
        ASSERT_TRUE(standin::loadSceneFile(animated, error)) << error;
        const auto actual = allKeys(bvhref::sceneJointPaths(rootPath));
        ASSERT_EQ(actual.size(), expected.size()) << path;
        expectSameKeys(actual, expected, path, 1e-9);
    }
}

TEST_F(ImportEndToEnd, MissingFileFailsWithTheMessage) {
    if (!std::filesystem::exists(BVHIO_BVHHOST)) GTEST_SKIP() << "no bvhhost at " << BVHIO_BVHHOST;
    const std::string missing = bvhref::tempPath(".bvh");
    std::string output;
    int status = 0;
    host("import " + shellQuote(missing), output, status);
    if (status == 2) GTEST_SKIP() << "bvhhost cannot import yet: " << output;
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output, missing + ": could not be opened for reading\n");
}

}  // namespace
