// Motion import: what a read leaves in the job and settings, rotations checked against the
// independent reader, the stop at endTime, and, over the shared samples, that the imported
// poses are the file's. Which frame lines one file keys, at what times, with what values,
// are import cases (tests/cases/import).

#include <gtest/gtest.h>
#include <maya/MTime.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/ImportSettings.h"
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
    bvhimport::ImportSettings imp;
    const auto run = bvhtest::jobText(imp, countingFile(5));
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    EXPECT_EQ(timesOf(keys), (Times{1, 2, 3, 4, 5}))
        << "the file says Frames: 3 but has five lines";
    EXPECT_EQ(valuesOf(keys), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(run.result.currentFrame, 6) << "header lines are not frames";
    EXPECT_EQ(run.result.framesKeyed, 5);
}

TEST_F(ImportMotion, FrameTimeIsRead) {
    bvhimport::ImportSettings imp;
    auto run = bvhtest::jobText(imp, countingFile(2, "Frame Time: 0.0333333\n"), "");
    ASSERT_TRUE(run.success);
    EXPECT_DOUBLE_EQ(run.result.frameTime, 0.0333333);
    standin::resetScene();
    run = bvhtest::jobText(imp, countingFile(2, "Frame   Time:   1.5e-2  \n"), "");
    ASSERT_TRUE(run.success);
    EXPECT_DOUBLE_EQ(run.result.frameTime, 0.015) << "the last token of the line";
}

TEST_F(ImportMotion, FrameTimeOfAnEarlierReadIsNotReused) {
    bvhimport::ImportSettings imp;
    const std::string options = "inputKeys=0;frameRate=0;frameRateNum=10;startTime=0;";
    ASSERT_TRUE(bvhtest::jobText(imp, countingFile(2, "Frame Time: 0.5\n"), options).success);
    EXPECT_EQ(timesOf(curveKeys("|bvh_import|A", "translateX")), (Times{0, 5}));
    standin::resetScene();
    ASSERT_TRUE(bvhtest::jobText(imp, countingFile(2, ""), options).success);
    const Times times = timesOf(curveKeys("|bvh_import|A", "translateX"));
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NEAR(times[1], 1, 2e-7) << "one frame of frameRateNum, not the last file's frame time";
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
    bvhimport::ImportSettings imp;
    auto run = bvhtest::jobText(imp, countingFile(20), "pasteTimeRange=3;endTime=10.5;startTime=1;");
    ASSERT_TRUE(run.success) << run.messages;
    const Keys keys = curveKeys("|bvh_import|A", "translateX");
    EXPECT_EQ(timesOf(keys), (Times{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10.5}));
    EXPECT_EQ(run.result.currentFrame, 12) << "no line after frame 11 is read";
    EXPECT_TRUE(run.result.stoppedAtEndTime);

    // The key at 10.5 holds the value of the curve that frames 1 to 11 make.
    standin::resetScene();
    ASSERT_TRUE(importText(countingFile(11), "startTime=1;").success);
    const double expected = bvhref::sceneValue("|bvh_import|A", "translateX", 10.5);
    ASSERT_FALSE(keys.empty());
    EXPECT_DOUBLE_EQ(keys.back().second, expected);
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

class ImportEndToEnd : public ImportMotion {
protected:
    // Runs bvhhost with `arguments`, collecting its standard output and error.
    void host(const std::vector<std::string>& arguments, std::string& output, int& status) {
        const bvhtest::ProgramRun run = bvhtest::runProgram(BVHIO_BVHHOST, arguments);
        output = run.out + run.err;
        status = run.status;
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
        host({"import", path, "--save", full}, output, status);
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
        host({"import", path, "--options", "importAnimation=0;", "--save", skeleton}, output,
             status);
        ASSERT_EQ(status, 0) << output;
        host({"import", path, "--scene", skeleton, "--select", rootPath, "--options",
              std::string(bvhref::kDefaultImportOptions) + "importSkelton=2;", "--save", animated},
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
    host({"import", missing}, output, status);
    if (status == 2) GTEST_SKIP() << "bvhhost cannot import yet: " << output;
    EXPECT_EQ(status, 1);
    // The host hands the full path with forward slashes (on Windows too).
    EXPECT_EQ(output, std::filesystem::u8path(missing).generic_u8string() +
                          ": could not be opened for reading\n");
}

}  // namespace
