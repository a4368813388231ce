// The export translator on stand-in scenes: the written bytes, the settings it keeps, and
// what it does when it cannot export.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <maya/MFileObject.h>
#include <maya/MFnTransform.h>
#include <maya/MTime.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kPiValue = 3.141592653589793;

/// Tab-indented lines as the written layout has them: "2|OFFSET 0 1 0" is two tabs deep.
std::string layout(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        const auto bar = line.find('|');
        if (bar != std::string::npos && bar < 3 &&
            std::isdigit(static_cast<unsigned char>(line[0]))) {
            text.append(static_cast<std::size_t>(std::stoi(line.substr(0, bar))), '\t');
            text += line.substr(bar + 1);
        } else {
            text += line;
        }
        text += '\n';
    }
    return text;
}

class ExportWriterTest : public bvhtest::ExportTest {
protected:
    /// The skeleton of the documented example: Hips with all six attributes animated, Spine
    /// with its rotation animated, and a joint without children below Spine.
    MObject buildHipsAndSpine() {
        MObject hips = makeJoint(MObject::kNullObj, "Hips", 0, 95.2, 1.5);
        MObject spine = makeJoint(hips, "Spine", 0, 10.5, 0);
        makeJoint(spine, "Head", 0, 12, 0);
        animate(hips, "translateX", {{0, 0}, {1, 0.25}});
        animate(hips, "translateY", {{0, 95.2}, {1, 95.1}});
        animate(hips, "translateZ", {{0, 1.5}, {1, 1.5}});
        animate(hips, "rotateX", {{0, kHalfPi}, {1, kHalfPi}});
        animate(hips, "rotateY", {{0, 0}, {1, 0}});
        animate(hips, "rotateZ", {{0, 0}, {1, 0}});
        animate(spine, "rotateX", {{0, 0}, {1, 0}});
        animate(spine, "rotateY", {{0, 0}, {1, 0}});
        animate(spine, "rotateZ", {{0, 12 * 3.14159 / 180}, {1, 11.5 * 3.14159 / 180}});
        return hips;
    }
};

const std::string kExampleFile = layout({
    "HIERARCHY",
    "ROOT Hips",
    "{",
    "1|OFFSET 0 0 0",
    "1|CHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation Xrotation",
    "1|JOINT Spine",
    "1|{",
    "2|OFFSET 0 10.5 0",
    "2|CHANNELS 3 Zrotation Yrotation Xrotation",
    "2|End Site",
    "2|{",
    "3|OFFSET 0 12 0",
    "2|}",
    "1|}",
    "}",
    "MOTION",
    "Frames: 2",
    "Frame Time: 0.0416667",
    "0 95.2 1.5 0 0 90.0001 12 0 0 ",
    "0.25 95.1 1.5 0 0 90.0001 11.5 0 0 ",
});

TEST_F(ExportWriterTest, WritesTheDocumentedExampleByteForByte) {
    select({buildHipsAndSpine()});
    const ExportRun out = run(bvhexport::kExportDefaultOptions);
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_EQ(out.messages, "");
    EXPECT_EQ(out.text, kExampleFile);
    EXPECT_EQ(out.text.compare(0, 10, "HIERARCHY\n"), 0) << "the importer recognises the file";
}

TEST_F(ExportWriterTest, AnExportOfEverythingEqualsAnExportOfTheSelection) {
    select({buildHipsAndSpine()});
    BvhExport exporter;
    const ExportRun out =
        bvhtest::runExport(exporter, path_, "", MPxFileTranslator::kExportAccessMode);
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_EQ(readFile(path_), kExampleFile);
}

// A selection of several joints: the first is the root and each joint is listed once; joints
// outside its skeleton are left out with one warning, so every line holds the channels that
// the hierarchy declares.
TEST_F(ExportWriterTest, SelectionsOfSeveralJointsWriteOneRootAndEachJointOnce) {
    MObject a = makeJoint(MObject::kNullObj, "A");
    MObject a1 = makeJoint(a, "A1", 0, 1, 0);
    MObject a2 = makeJoint(a1, "A2", 0, 1, 0);
    MObject b = makeJoint(MObject::kNullObj, "B");
    MObject b1 = makeJoint(b, "B1", 0, 2, 0);
    MObject lone = makeJoint(MObject::kNullObj, "Lone");
    animate(a, "translateY", {{0, 1}, {1, 2}});
    animate(a1, "rotateZ", {{0, 0}, {1, kPiValue}});
    animate(b, "translateY", {{0, 7}, {1, 8}});
    const std::string leftOut = ": warning: the selected joint";
    const std::string notBelow = " exported (a file has one root)\n";
    const struct {
        std::vector<MObject> selection;
        std::string root;    // the ROOT line; "" when the export fails
        std::string values;  // the first value line
        std::string messages;
    } cases[] = {
        {{a, a1, a2}, "ROOT A", "1 0 ", ""},
        {{a2, a, a1}, "", "", leftOut + "s A, A1 are not below the root A2 and are not" + notBelow},
        {{a1, a2, a}, "ROOT A1", "0 ", leftOut + " A is not below the root A1 and is not" + notBelow},
        {{a, a1, a2, b, b1}, "ROOT A", "1 0 ", leftOut + "s B, B1 are not below the root A and are not" + notBelow},
        {{lone, b}, "", "", leftOut + " B is not below the root Lone and is not" + notBelow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root + " " + c.messages);
        select(c.selection);
        std::filesystem::remove(path_);
        const ExportRun out = run("");
        EXPECT_EQ(out.success, !c.root.empty());
        const std::string failure =
            c.root.empty() ? path_ + ": could not be finded animationCurve\n" : "";
        EXPECT_EQ(out.messages, (c.messages.empty() ? "" : path_ + c.messages) + failure);
        if (c.root.empty()) continue;
        EXPECT_EQ(lines(out.text)[1], c.root);
        bvhref::BvhFile read;
        std::string error;
        ASSERT_TRUE(bvhref::parseBvh(out.text, read, error)) << error << out.text;
        const std::vector<std::string> m = motionLines(out.text);
        ASSERT_EQ(m.size(), 4u) << out.text;
        EXPECT_EQ(m[2], c.values);
        for (std::size_t l = 2; l < m.size(); ++l) {
            std::istringstream values(m[l]);
            const auto count = std::distance(std::istream_iterator<std::string>(values),
                                             std::istream_iterator<std::string>());
            EXPECT_EQ(static_cast<std::size_t>(count), read.channelCount) << "values as declared";
        }
    }
}

TEST_F(ExportWriterTest, StartsAtTheSelectedJointWithAZeroOffset) {
    MObject hips = makeJoint(MObject::kNullObj, "Hips", 0, 90, 0);
    MObject spine = makeJoint(hips, "Spine", 0, 10, 0);
    MObject neck = makeJoint(spine, "Neck", 0, 8, 0);
    makeJoint(neck, "Head", 0, 5, 0);
    animate(hips, "rotateZ", {{0, 1}});
    animate(spine, "rotateZ", {{0, 0}});
    animate(neck, "rotateZ", {{0, 0}});
    select({spine});
    EXPECT_EQ(exported(""),
              layout({"HIERARCHY", "ROOT Spine", "{", "1|OFFSET 0 0 0", "1|CHANNELS 1 Zrotation",
                      "1|JOINT Neck", "1|{", "2|OFFSET 0 8 0", "2|CHANNELS 1 Zrotation",
                      "2|End Site", "2|{", "3|OFFSET 0 5 0", "2|}", "1|}", "}", "MOTION",
                      "Frames: 1", "Frame Time: 0.0416667", "0 0 "}));
}

TEST_F(ExportWriterTest, WritesAnUnanimatedJointWithChildrenWithNoChannels) {
    MObject root = makeJoint(MObject::kNullObj, "Root");
    MObject still = makeJoint(root, "Still", 1, 2, 3);
    makeJoint(still, "Tip", 0, 0, 4);
    animate(root, "rotateX", {{0, 0}});
    select({root});
    EXPECT_EQ(exported(""),
              layout({"HIERARCHY", "ROOT Root", "{", "1|OFFSET 0 0 0", "1|CHANNELS 1 Xrotation",
                      "1|JOINT Still", "1|{", "2|OFFSET 1 2 3", "2|CHANNELS 0", "2|End Site", "2|{",
                      "3|OFFSET 0 0 4", "2|}", "1|}", "}", "MOTION", "Frames: 1",
                      "Frame Time: 0.0416667", "0 "}));
}

struct OrderCase {
    MTransformationMatrix::RotationOrder order;
    std::vector<const char*> animated;
    const char* channelLine;
};

class ExportRotationOrderTest : public ExportWriterTest,
                                public ::testing::WithParamInterface<OrderCase> {};

TEST_P(ExportRotationOrderTest, ListsRotationsInTheReverseOfTheJointsOrder) {
    const OrderCase& c = GetParam();
    MObject root = makeJoint(MObject::kNullObj, "Root", 0, 0, 0, c.order);
    makeJoint(root, "Tip", 0, 1, 0);
    // Distinct values per attribute show that the values follow the names.
    for (const char* attribute : c.animated) {
        const double degrees = attribute[0] == 't' ? 0 : 10.0 * (attribute[6] - 'X' + 1);
        const double value =
            attribute[0] == 't' ? (attribute[9] - 'X' + 1) * 100 : degrees * 3.14159 / 180;
        animate(root, attribute, {{0, value}});
    }
    select({root});
    const std::string text = exported("");
    EXPECT_NE(text.find(std::string("\n\t") + c.channelLine + "\n"), std::string::npos) << text;
    std::string values;
    std::istringstream names(c.channelLine);
    std::string word;
    names >> word >> word;
    while (names >> word) {
        const int axis = word[0] - 'X' + 1;
        values += std::to_string(word[1] == 'p' ? axis * 100 : axis * 10) + " ";
    }
    EXPECT_EQ(text.substr(text.rfind("\n", text.size() - 2) + 1), values + "\n");
}

const std::vector<const char*> kAllSix = {"translateX", "translateY", "translateZ",
                                          "rotateX",    "rotateY",    "rotateZ"};

INSTANTIATE_TEST_SUITE_P(
    Orders, ExportRotationOrderTest,
    ::testing::Values(
        OrderCase{MTransformationMatrix::kXYZ, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation Xrotation"},
        OrderCase{MTransformationMatrix::kYZX, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Xrotation Zrotation Yrotation"},
        OrderCase{MTransformationMatrix::kZXY, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Yrotation Xrotation Zrotation"},
        OrderCase{MTransformationMatrix::kXZY, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Yrotation Zrotation Xrotation"},
        OrderCase{MTransformationMatrix::kYXZ, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation"},
        OrderCase{MTransformationMatrix::kZYX, kAllSix,
                  "CHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation"},
        OrderCase{
            MTransformationMatrix::kZXY, {"rotateZ", "rotateX"}, "CHANNELS 2 Xrotation Zrotation"},
        OrderCase{MTransformationMatrix::kXYZ,
                  {"rotateY", "translateZ", "translateX"},
                  "CHANNELS 3 Xposition Zposition Yrotation"}));

TEST_F(ExportWriterTest, ScalesOffsetsAndPositionsRelativeToEachOffset) {
    MObject root = makeJoint(MObject::kNullObj, "Root", 7, 7, 7);
    MObject arm = makeJoint(root, "Arm", 1, 2.5, -3);
    makeJoint(arm, "Hand", 0, 1, 0);
    animate(root, "translateX", {{0, 2.5}, {1, 3}});
    // A joint's position values are written as the change from its OFFSET.
    animate(arm, "translateY", {{0, 2.5}, {1, 4}});
    animate(arm, "rotateZ", {{0, kPiValue}, {1, kHalfPi}});
    select({root});
    const ExportRun out = run("scale=2;");
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_EQ(out.text, layout({"HIERARCHY",
                                "ROOT Root",
                                "{",
                                "1|OFFSET 0 0 0",
                                "1|CHANNELS 1 Xposition",
                                "1|JOINT Arm",
                                "1|{",
                                "2|OFFSET 2 5 -6",
                                "2|CHANNELS 2 Yposition Zrotation",
                                "2|End Site",
                                "2|{",
                                "3|OFFSET 0 2 0",
                                "2|}",
                                "1|}",
                                "}",
                                "MOTION",
                                "Frames: 2",
                                "Frame Time: 0.0416667",
                                "5 0 180 ",
                                "6 3 90.0001 "}));
}

TEST_F(ExportWriterTest, PassesThroughNodesThatAreNotJointsKeepingChannelsInStep) {
    MObject root = makeJoint(MObject::kNullObj, "Root");
    MObject group = makeGroup(root, "Group");
    MFnTransform(group).setTranslation(MVector(1, 5, 0), MSpace::kTransform);
    MObject subgroup = makeGroup(group, "Subgroup");
    MFnTransform(subgroup).setTranslation(MVector(0, 0, -2), MSpace::kTransform);
    MObject inner = makeJoint(subgroup, "Inner", 0, 3, 0);
    makeJoint(inner, "InnerTip", 0, 1, 0);
    MObject leaf = makeJoint(root, "Leaf", 2, 0, 0);
    makeGroup(leaf, "LeafLocator");      // a joint whose only child is no joint ends its chain
    animate(leaf, "rotateX", {{0, 1}});  // so its animation is not written
    MObject last = makeJoint(root, "Last", -2, 0, 0, MTransformationMatrix::kXYZ, "hikFKJoint");
    makeJoint(last, "LastTip", 0, -1, 0);
    animate(root, "rotateX", {{0, 0}});
    animate(group, "rotateX", {{0, 1}});  // a group's animation is no channel
    animate(inner, "rotateX", {{0, 10 * 3.14159 / 180}});
    animate(last, "rotateX", {{0, 30 * 3.14159 / 180}});
    select({root});
    const ExportRun out = run("");
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_EQ(out.text, layout({"HIERARCHY",
                                "ROOT Root",
                                "{",
                                "1|OFFSET 0 0 0",
                                "1|CHANNELS 1 Xrotation",
                                "1|JOINT Inner",
                                "1|{",
                                "2|OFFSET 1 8 -2",  // the groups' translations included
                                "2|CHANNELS 1 Xrotation",
                                "2|End Site",
                                "2|{",
                                "3|OFFSET 0 1 0",
                                "2|}",
                                "1|}",
                                "1|End Site",
                                "1|{",
                                "2|OFFSET 2 0 0",
                                "1|}",
                                "1|JOINT Last",
                                "1|{",
                                "2|OFFSET -2 0 0",
                                "2|CHANNELS 1 Xrotation",
                                "2|End Site",
                                "2|{",
                                "3|OFFSET 0 -1 0",
                                "2|}",
                                "1|}",
                                "}",
                                "MOTION",
                                "Frames: 1",
                                "Frame Time: 0.0416667",
                                "0 10 30 "}));
}

TEST_F(ExportWriterTest, ExportsAChainOfTenThousandJoints) {
    MObject root = makeJoint(MObject::kNullObj, "J0");
    MObject parent = root;
    for (int i = 1; i < 10000; ++i) parent = makeJoint(parent, "J" + std::to_string(i), 0, 1, 0);
    animate(root, "rotateX", {{0, 0}, {1, 1}});
    animate(parent, "rotateX", {{0, 0}});  // the last joint: an End Site
    select({root});
    const ExportRun out = run("", "/dev/null");
    EXPECT_TRUE(out.success) << out.messages;

    // The depth of a shorter chain shows in its indentation and its closing braces.
    standin::resetScene();
    root = makeJoint(MObject::kNullObj, "K0");
    parent = root;
    for (int i = 1; i < 300; ++i) parent = makeJoint(parent, "K" + std::to_string(i), 0, 1, 0);
    animate(root, "rotateX", {{0, 0}});
    select({root});
    const ExportRun small = run("");
    ASSERT_TRUE(small.success) << small.messages;
    EXPECT_NE(small.text.find("\n" + std::string(299, '\t') + "End Site\n"), std::string::npos);
    EXPECT_NE(small.text.find(std::string(298, '\t') + "JOINT K298\n"), std::string::npos);
    EXPECT_NE(
        small.text.find("\n" + std::string(298, '\t') + "}\n" + std::string(297, '\t') + "}\n"),
        std::string::npos);
    EXPECT_NE(small.text.find("\n\t}\n}\nMOTION\n"), std::string::npos);
}

// --- MOTION: modes, ranges and the settings they leave behind -----------------------------

class ExportMotionTest : public ExportWriterTest {
protected:
    /// A root whose translateX equals the UI frame (keys at 0 and 100) and a child.
    void buildRamp(int keys = 11) {
        MObject root = makeRootWithTip();
        Keys ramp;
        for (int k = 0; k < keys; ++k)
            ramp.push_back({k * 100.0 / (keys - 1), k * 100.0 / (keys - 1)});
        animate(root, "translateX", ramp);
        select({root});
    }
};

TEST_F(ExportMotionTest, KeyModeWritesEveryKeyOneLineEach) {
    buildRamp(10);
    BvhExport exporter;
    const auto lines = motionLines(exported(exporter, bvhexport::kExportDefaultOptions));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Frames: 10");
    EXPECT_EQ(lines[1], "Frame Time: 0.0416667");
    EXPECT_EQ(lines[2], "0 ");
    EXPECT_EQ(lines[3], "11.1111 ");
    EXPECT_EQ(lines[11], "100 ");
    EXPECT_EQ(exporter.settings().startFrame, 0);
    EXPECT_EQ(exporter.settings().endFrame, 10) << "the key count is stored as endFrame";
}

TEST_F(ExportMotionTest, KeyModeWritesTheNumberedKeys) {
    buildRamp(10);
    BvhExport exporter;
    EXPECT_EQ(motionLines(exported(exporter, "exportKeyRange=0;startFrame=3;endFrame=5;")),
              (std::vector<std::string>{"Frames: 3", "Frame Time: 0.0416667", "22.2222 ",
                                        "33.3333 ", "44.4444 "}));
    EXPECT_EQ(exporter.settings().startFrame, 2);
    EXPECT_EQ(exporter.settings().endFrame, 5);
}

TEST_F(ExportMotionTest, KeyModeRefusesKeyNumbersOutsideTheCurve) {
    buildRamp(10);
    writeFile(path_, "earlier file");
    const ExportRun out = run("exportKeyRange=0;startFrame=8;endFrame=11;");
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.messages, path_ +
                                ": startFrame=8 and endFrame=11 are not key numbers of the first "
                                "animation curve with keys, which has 10 keys\n");
    EXPECT_EQ(out.text, "earlier file");
}

// Key mode writes every channel at the key times of the curve that makes the lines: a key
// there, the curve's value there otherwise; frame mode reads a key's own value at its time.
TEST_F(ExportMotionTest, EveryLineHoldsTheValuesOfOneTime) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        Keys x, y;
        const char* options;
        std::vector<std::string> lines;
    } cases[] = {
        {"y keyed less often", {{0, 0}, {10, 1}, {20, 2}, {30, 3}}, {{0, 5}, {20, 25}}, "",
         {"0 5 ", "1 15 ", "2 25 ", "3 25 "}},
        {"y on ones, x on twos", {{0, 0}, {2, 2}, {4, 4}}, {{0, 0}, {1, 7}, {2, 1}, {3, 7}, {4, 2}},
         "", {"0 0 ", "2 1 ", "4 2 "}},
        {"y keyed at other times", {{1, 10}, {3, 30}}, {{0, 0}, {2, 20}, {4, 40}}, "",
         {"10 10 ", "30 30 "}},
        {"shared key times", {{0, 1}, {5, 2}}, {{0, 3}, {5, 4}}, "", {"1 3 ", "2 4 "}},
        {"an infinite key after two equal ones", {{0, 0.5}, {1, 0.5}, {2, inf}}, {{0, 0}},
         "exportMode=2;startFrame=0;endFrame=2;", {"0.5 0 ", "0.5 0 ", "inf 0 "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        standin::resetScene();
        MObject root = makeRootWithTip();
        animate(root, "translateX", c.x);
        animate(root, "translateY", c.y);
        select({root});
        std::vector<std::string> m = motionLines(exported(c.options));
        ASSERT_GE(m.size(), 2u);
        m.erase(m.begin(), m.begin() + 2);
        EXPECT_EQ(m, c.lines);
    }
}

TEST_F(ExportMotionTest, KeyModeFollowsTheFirstCurveThatHasKeys) {
    MObject root = makeRootWithTip();
    animate(root, "translateX", {});  // the first channel, without a key
    animate(root, "translateY", {{0, 1}, {10, 2}, {20, 3}});
    animate(root, "rotateZ", {{5, kPiValue}});
    select({root});
    EXPECT_EQ(motionLines(exported("")),
              (std::vector<std::string>{"Frames: 3", "Frame Time: 0.0416667", "0 1 180 ",
                                        "0 2 180 ", "0 3 180 "}));
}

TEST_F(ExportMotionTest, FrameModeSamplesEveryUiFrame) {
    buildRamp();
    BvhExport exporter;
    const auto lines = motionLines(exported(exporter, "exportMode=2;startFrame=0;endFrame=100;"));
    ASSERT_EQ(lines.size(), 103u);
    EXPECT_EQ(lines[0], "Frames: 101");
    EXPECT_EQ(lines[1], "Frame Time: 0.0416667");
    for (int frame = 0; frame <= 100; ++frame)
        EXPECT_EQ(lines[2 + frame], std::to_string(frame) + " ");
    EXPECT_EQ(exporter.settings().startFrame, -1);
    EXPECT_EQ(exporter.settings().endFrame, 100);
}

TEST_F(ExportMotionTest, FrameModeWithAnEmptyRangeWritesItsCountAndNoLines) {
    buildRamp();
    EXPECT_EQ(motionLines(exported("exportMode=2;startFrame=10;endFrame=5;")),
              (std::vector<std::string>{"Frames: -4", "Frame Time: 0.0416667"}));
}

TEST_F(ExportMotionTest, FrameModeUsesTheUiUnit) {
    MTime::setUIUnit(MTime::kNTSCFrame);
    buildRamp();
    EXPECT_EQ(motionLines(exported("exportMode=2;startFrame=1;endFrame=2;")),
              (std::vector<std::string>{"Frames: 2", "Frame Time: 0.0333333", "1 ", "2 "}));
}

TEST_F(ExportMotionTest, ResampleModeStepsByRepeatedAddition) {
    buildRamp();
    BvhExport exporter;
    const auto lines =
        motionLines(exported(exporter, "exportMode=3;frameRateNum=30;startFrame=0;endFrame=100;"));
    ASSERT_EQ(lines.size(), 128u);
    EXPECT_EQ(lines[0], "Frames: 126");
    EXPECT_EQ(lines[1], "Frame Time: 0.0333333");
    double sample = 0;
    for (int i = 0; i < 126; ++i, sample += 0.8) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%g ", std::min(sample, 100.0));
        EXPECT_EQ(lines[2 + i], expected) << "sample " << i;
    }
    EXPECT_EQ(exporter.settings().startFrame, 0);
    EXPECT_EQ(exporter.settings().endFrame, 126);
}

TEST_F(ExportMotionTest, ResampleModeFromNtscToFilm) {
    MTime::setUIUnit(MTime::kNTSCFrame);
    buildRamp();
    const auto lines =
        motionLines(exported("exportMode=3;frameRateNum=24;startFrame=0;endFrame=100;"));
    ASSERT_EQ(lines.size(), 83u);
    EXPECT_EQ(lines[0], "Frames: 81");
    EXPECT_EQ(lines[1], "Frame Time: 0.0416667");
    EXPECT_EQ(lines[3], "1.25 ");
    EXPECT_EQ(lines[82], "100 ");
}

TEST_F(ExportMotionTest, SettingsCarryOverFromExportToExport) {
    buildRamp(5);  // keys at frames 0, 25, 50, 75, 100
    BvhExport exporter;
    struct Step {
        const char* options;
        const char* frames;  // the "Frames:" line
        int storedStart, storedEnd;
    };
    const Step steps[] = {
        {"exportMode=2;startFrame=1;endFrame=3;", "Frames: 3", 0, 3},
        // An empty option string starts where the last export left startFrame and endFrame.
        {"", "Frames: 4", -1, 3},
        {"exportMode=1;", "Frames: 5", 0, 5},
        {"exportKeyRange=0;startFrame=2;", "Frames: 4", 1, 5},
        {"exportMode=3;frameRateNum=12;startFrame=0;endFrame=8;", "Frames: 5", 0, 5},
        {"", "Frames: 3", 0, 3},  // resampling frames 0..5 at half the UI rate
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.options);
        const ExportRun out = run(exporter, step.options);
        ASSERT_TRUE(out.success) << out.messages;
        EXPECT_EQ(motionLines(out.text).at(0), step.frames);
        EXPECT_EQ(exporter.settings().startFrame, step.storedStart);
        EXPECT_EQ(exporter.settings().endFrame, step.storedEnd);
    }
    EXPECT_EQ(exporter.settings().exportMode, 3);
    EXPECT_EQ(exporter.settings().exportKeyRange, 0);
    EXPECT_EQ(exporter.settings().frameRateNum, 12);
    EXPECT_EQ(exporter.sampleTime().unit(), MTime::kFilm);
}

TEST_F(ExportMotionTest, ConvertsRadiansWithTheFileConstantAndWritesNonFiniteValues) {
    MObject root = makeRootWithTip();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    animate(root, "rotateX", {{0, kHalfPi}, {1, kPiValue}, {2, -kHalfPi}, {3, 0}});
    animate(root, "translateX", {{0, nan}, {1, inf}, {2, -inf}, {3, 1e-05}});
    select({root});
    EXPECT_EQ(motionLines(exported("")),
              (std::vector<std::string>{"Frames: 4", "Frame Time: 0.0416667", "nan 90.0001 ",
                                        "inf 180 ", "-inf -90.0001 ", "1e-05 0 "}));
}

// --- Failures: a message naming the file, failure, and the earlier file untouched ---------

TEST_F(ExportWriterTest, FailsWithoutASelectedJoint) {
    buildHipsAndSpine();
    MObject group = makeGroup(MObject::kNullObj, "NotAJoint");
    writeFile(path_, "earlier file");
    for (const std::vector<MObject>& selection :
         {std::vector<MObject>{}, std::vector<MObject>{group}}) {
        select(selection);
        const ExportRun out = run("");
        EXPECT_FALSE(out.success);
        EXPECT_EQ(out.messages, path_ + ": Select a joint\n");
        EXPECT_EQ(out.text, "earlier file");
    }
}

TEST_F(ExportWriterTest, FailsWithoutAnimationCurves) {
    MObject root = makeRootWithTip();
    select({root});
    writeFile(path_, "earlier file");
    const ExportRun out = run("");
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.messages, path_ + ": could not be finded animationCurve\n");
    EXPECT_EQ(out.text, "earlier file");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
        << "no file left beside the target";
}

TEST_F(ExportWriterTest, FailsOnOptionsThatCannotDriveAnExport) {
    select({buildHipsAndSpine()});
    writeFile(path_, "earlier file");
    struct Case {
        const char* options;
        const char* message;
    };
    const Case cases[] = {
        {"exportMode=4;", ": exportMode=4 is not an export mode (1 keys, 2 frames, 3 resample)\n"},
        {"exportMode=0;", ": exportMode=0 is not an export mode (1 keys, 2 frames, 3 resample)\n"},
        {"exportMode=3;frameRateNum=0;",
         ": frameRateNum=0 is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second\n"},
        {"exportMode=3;frameRateNum=-30;",
         ": frameRateNum=-30 is not a frame rate: resampling (exportMode=3) needs a positive "
         "number of frames per second\n"},
    };
    for (const Case& c : cases) {
        const ExportRun out = run(c.options);
        EXPECT_FALSE(out.success) << c.options;
        EXPECT_EQ(out.messages, path_ + c.message);
        EXPECT_EQ(out.text, "earlier file");
    }
}

TEST_F(ExportWriterTest, FailsOnAFullDevice) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    select({buildHipsAndSpine()});
    const ExportRun out = run("", "/dev/full");
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.messages, "/dev/full: could not be written (No space left on device)\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ExportWriterTest, FailsInAMissingFolderWithoutApplyingTheOptions) {
    select({buildHipsAndSpine()});
    BvhExport exporter;
    const std::string path = (folder_ / "missing" / "out.bvh").string();
    const ExportRun out = run(exporter, "exportMode=2;scale=5;", path);
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.messages,
              path + ": could not be opened for writing (No such file or directory)\n");
    EXPECT_EQ(exporter.settings().exportMode, 1);
    EXPECT_EQ(exporter.settings().scale, 1);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST_F(ExportWriterTest, FailsInAReadOnlyFolderAndLeavesItsFile) {
    select({buildHipsAndSpine()});
    const fs::path locked = folder_ / "locked";
    fs::create_directories(locked);
    writeFile(locked / "out.bvh", "earlier file");
    // Only the folder stands in the way: the file itself may be written by anyone.
    fs::permissions(locked / "out.bvh", fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::others_read | fs::perms::others_write);
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(locked, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const std::string path = (locked / "out.bvh").string();
    // Root may write anywhere; the export runs in a child without that right.
    const int code = bvhtest::runUnprivileged([&] {
        BvhExport exporter;
        MFileObject file;
        file.setRawFullName(path.c_str());
        return exporter.writer(file, "", MPxFileTranslator::kExportActiveAccessMode) == MS::kSuccess
                   ? 1
                   : 0;
    });
    ASSERT_NE(code, bvhtest::kChildDied);
    EXPECT_EQ(code, 0) << "the export reported success";
    EXPECT_EQ(readFile(locked / "out.bvh"), "earlier file");
    EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

TEST_F(ExportWriterTest, UpdatesTheFileBehindALinkAndWritesIntoAFifoThatIsRead) {
    select({buildHipsAndSpine()});
    writeFile(folder_ / "real.bvh", "earlier file");
    fs::create_symlink("real.bvh", folder_ / "link.bvh");
    ExportRun out = run("", (folder_ / "link.bvh").string());
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.bvh"));
    EXPECT_EQ(readFile(folder_ / "real.bvh"), kExampleFile);

    const fs::path fifo = folder_ / "pipe.bvh";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    out = run("", fifo.string());
    EXPECT_FALSE(out.success) << "a FIFO that nothing reads must not block the host";
    EXPECT_EQ(
        out.messages,
        fifo.string() + ": could not be opened for writing (no process reads from this FIFO)\n");
    // With a reader at the other end the file goes through the pipe (it fits in the pipe's
    // buffer, so the reader may collect it afterwards).
    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    out = run("", fifo.string());
    EXPECT_TRUE(out.success) << out.messages;
    std::string received;
    char chunk[4096];
    for (ssize_t n; (n = ::read(readEnd, chunk, sizeof chunk)) > 0;) received.append(chunk, n);
    ::close(readEnd);
    EXPECT_EQ(received, kExampleFile);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(ExportTranslator, AnswersTheHostsQuestions) {
    BvhExport exporter;
    EXPECT_FALSE(exporter.haveReadMethod());
    EXPECT_TRUE(exporter.haveWriteMethod());
    EXPECT_TRUE(exporter.canBeOpened());
    EXPECT_EQ(exporter.defaultExtension(), "bvh");
    MFileObject file;
    EXPECT_EQ(exporter.identifyFile(file, "bvh_import and more", 19),
              MPxFileTranslator::kIsMyFileType);
    EXPECT_EQ(exporter.identifyFile(file, "HIERARCHY\nROOT", 14),
              MPxFileTranslator::kNotMyFileType);
    EXPECT_EQ(exporter.identifyFile(file, "bvh_impor", 9), MPxFileTranslator::kNotMyFileType);
    void* made = BvhExport::creator();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(static_cast<BvhExport*>(made)->settings().endFrame, 100);
    delete static_cast<BvhExport*>(made);
}

}  // namespace
