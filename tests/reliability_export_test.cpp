// Export of scenes and targets that go wrong: nothing to export, skeletons of odd shape,
// curves without keys or with different key counts, values that are no numbers, UI time
// units outside the table, targets that cannot be written, and one translator used for many
// exports in a row. Every written file is read back with the importer.

#include <gtest/gtest.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MTime.h>
#include <maya/MVector.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

using namespace bvhtest;

std::vector<double> numbers(const std::string& line) {
    std::vector<double> out;
    std::istringstream in(line);
    for (std::string token; in >> token;) out.push_back(std::strtod(token.c_str(), nullptr));
    return out;
}

class ReliabilityExport : public bvhtest::ExportTest {
protected:
    /// Imports the file at the path into an empty scene with the registered defaults; the
    /// keys of `attribute` of the joint at `jointPath` below the new transform.
    std::vector<double> reimport(const std::string& jointPath, const char* attribute) {
        standin::resetScene();
        BvhImport importer;
        const bvhref::ImportRun run = bvhref::runImport(importer, path_, "");
        EXPECT_TRUE(run.success) << run.messages;
        EXPECT_EQ(run.messages, "") << "a written file imports without a warning";
        const std::string path = standin::fullPath(importer.importTransform()) + "|" + jointPath;
        if (standin::findNode(path).isNull()) {
            ADD_FAILURE() << "no " << jointPath << " in the imported skeleton";
            return {};
        }
        return bvhtest::keyValues(path, attribute);
    }

    /// No file written beside the target was left behind.
    void expectNoLeftovers() {
        for (const auto& entry : fs::directory_iterator(folder_))
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
};

// Nothing to export: no selection, or only nodes that are no joints. The export fails with
// one message and the file that was at the path stays as it was.
TEST_F(ReliabilityExport, SelectionWithoutAJoint) {
    const MObject group = standin::createNode("transform", MObject::kNullObj, "Group");
    const MObject hips = makeJoint(group, "Hips");
    makeJoint(hips, "Tip", 0, 1, 0);
    animate(hips, "rotateX", {{1, 0.5}});
    const MObject other = standin::createNode("transform", MObject::kNullObj, "Other");
    for (const std::vector<MObject>& selection :
         {std::vector<MObject>{}, std::vector<MObject>{other},
          std::vector<MObject>{other, other}}) {
        SCOPED_TRACE(selection.size());
        writeFile(path_, "earlier file\n");
        select(selection);
        const ExportRun out = run("");
        EXPECT_FALSE(out.success);
        EXPECT_EQ(out.messages, path_ + ": Select a joint\n");
        EXPECT_EQ(out.text, "earlier file\n");
        expectNoLeftovers();
    }
}

// A root without joints below it is written as a lone ROOT with no channels, so the file
// would hold no motion: the export fails with the no-curve message and writes nothing.
TEST_F(ReliabilityExport, RootWithoutChildren) {
    const MObject lone = makeJoint(MObject::kNullObj, "Lone");
    animate(lone, "translateX", {{1, 1}, {2, 2}});
    animate(lone, "rotateY", {{1, 0}, {2, 1}});
    const MObject withLocator = makeJoint(MObject::kNullObj, "WithLocator");
    standin::createNode("transform", withLocator, "locator");
    animate(withLocator, "translateX", {{1, 1}});
    for (const MObject& root : {lone, withLocator}) {
        select({root});
        const ExportRun out = run("");
        EXPECT_FALSE(out.success);
        EXPECT_EQ(out.messages, path_ + ": could not be finded animationCurve\n");
        EXPECT_EQ(out.text, "") << "no file is left at the path";
        expectNoLeftovers();
    }
}

// Nodes that are no joints below the root are passed through; the joints below them keep
// their place in the hierarchy and in the motion lines, and their rest position.
TEST_F(ReliabilityExport, NonJointNodesBelowTheRoot) {
    const MObject root = makeJoint(MObject::kNullObj, "Root");
    const MObject group = standin::createNode("transform", root, "Group");
    MFnTransform(group).setTranslation(MVector(0, 5, 0), MSpace::kTransform);
    const MObject arm = makeJoint(group, "Arm", 1, 0, 0);
    makeJoint(arm, "Hand", 0, 2, 0);
    standin::createNode("transform", arm, "effector");  // an effector beside the joint
    const MObject leg = makeJoint(root, "Leg", 0, -1, 0, MTransformationMatrix::kXYZ, "hikFKJoint");
    makeJoint(leg, "Foot", 0, -2, 0);
    animate(root, "translateY", {{1, 90}, {2, 91}});
    animate(arm, "rotateZ", {{1, 0.1}, {2, 0.2}});
    animate(group, "rotateZ", {{1, 3}});  // a group's animation has no channel
    animate(leg, "rotateX", {{1, 0.3}, {2, 0.4}});
    select({root});
    const ExportRun out = run("");
    ASSERT_TRUE(out.success) << out.messages;
    const std::vector<std::string> all = lines(out.text);
    EXPECT_EQ(std::count(all.begin(), all.end(), "\tJOINT Arm"), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), "\tJOINT Leg"), 1);
    EXPECT_EQ(motionLines(out.text).size(), 4u);
    EXPECT_EQ(numbers(motionLines(out.text)[2]).size(), 3u) << "Root Y, Arm Z and Leg X";
    // The arm rests 1 across and 5 up from the root: the group's translation is part of
    // where the arm is, and the file has no other place to keep it.
    EXPECT_NE(std::find(all.begin(), all.end(), "\t\tOFFSET 1 5 0"), all.end()) << out.text;
    EXPECT_EQ(reimport("Root|Leg", "rotateX").size(), 2u);
}

// A curve without keys: as a later channel it reads as the host evaluates it; as the first
// channel, whose keys decide the lines of key mode, it must not silently drop the keys of
// every other channel.
TEST_F(ReliabilityExport, CurvesWithZeroKeys) {
    const MObject root = makeRootWithTip();
    animate(root, "translateX", {{1, 4}, {2, 5}, {3, 6}});
    animate(root, "rotateZ", {});
    select({root});
    ExportRun out = run("");
    ASSERT_TRUE(out.success) << out.messages;
    ASSERT_EQ(motionLines(out.text).size(), 5u) << out.text;
    EXPECT_EQ(numbers(motionLines(out.text)[2]), (std::vector<double>{4, 0}));
    EXPECT_EQ(reimport("Root", "translateX"), (std::vector<double>{4, 5, 6}));

    standin::resetScene();
    const MObject second = makeRootWithTip();
    animate(second, "translateX", {});  // position channels come first: this one is first
    animate(second, "rotateZ", {{1, 0.5}, {2, 1}, {3, 1.5}});
    select({second});
    out = run("");
    if (out.success) {
        EXPECT_NE(motionLines(out.text).at(0), "Frames: 0")
            << "a successful export dropped the three keys of rotateZ:\n"
            << out.text;
    } else {
        EXPECT_EQ(lines(out.messages).size(), 1u);
        EXPECT_EQ(out.messages.rfind(path_ + ": ", 0), 0u) << out.messages;
    }
}

// Curves with different key counts: key mode writes one line per key of the first curve,
// each line with a value for every channel; frame mode samples every curve at every frame.
TEST_F(ReliabilityExport, CurvesWithDifferentKeyCounts) {
    const MObject root = makeRootWithTip();
    animate(root, "translateX", {{1, 10}, {5, 50}});
    animate(root, "translateY", {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    animate(root, "translateZ", {{3, 7}});
    select({root});
    BvhExport translator;
    std::vector<std::string> m = motionLines(exported(translator, ""));
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0], "Frames: 2");
    for (std::size_t i = 2; i < m.size(); ++i) EXPECT_EQ(numbers(m[i]).size(), 3u) << m[i];

    m = motionLines(exported(translator, "exportMode=2;startFrame=1;endFrame=5;"));
    ASSERT_EQ(m.size(), 7u);
    for (int f = 1; f <= 5; ++f)
        EXPECT_EQ(numbers(m[static_cast<std::size_t>(f) + 1]),
                  (std::vector<double>{10.0 * f, double(f), 7}))
            << "frame " << f;
    EXPECT_EQ(reimport("Root", "translateY"), (std::vector<double>{1, 2, 3, 4, 5}));
}

// Values that are no numbers are written as such; reading the file back keys none of them.
TEST_F(ReliabilityExport, NonFiniteValuesReadBack) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const MObject root = makeJoint(MObject::kNullObj, "Root");
    const MObject tip = makeJoint(root, "Tip", inf, -inf, nan);
    makeJoint(tip, "End", 0, 1, 0);
    animate(root, "translateX", {{1, nan}, {2, inf}, {3, -inf}, {4, 1}});
    animate(tip, "rotateX", {{1, -inf}, {2, nan}, {3, inf}, {4, 0}});
    select({root});
    const std::string text = exported("");
    EXPECT_NE(text.find("\tOFFSET inf -inf nan\n"), std::string::npos) << text;
    const std::vector<std::string> m = motionLines(text);
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[2], "nan -inf ");
    EXPECT_EQ(m[3], "inf nan ");
    EXPECT_EQ(m[4], "-inf inf ");

    standin::resetScene();
    BvhImport importer;
    const bvhref::ImportRun back = bvhref::runImport(importer, path_, "");
    EXPECT_TRUE(back.success) << back.messages;
    EXPECT_EQ(back.messages, path_ + ":19: warning: not keyed: 6 frame values that are no finite "
                                     "number (nan, inf), the first on this line\n");
    EXPECT_EQ(keyValues("|bvh_import|Root", "translateX"), std::vector<double>{1});
    const MObject imported = standin::findNode("|bvh_import|Root|Tip");
    ASSERT_FALSE(imported.isNull());
    const MVector offset = MFnIkJoint(imported).getTranslation(MSpace::kTransform);
    EXPECT_EQ(offset.x, inf);
    EXPECT_EQ(offset.y, -inf);
    EXPECT_TRUE(std::isnan(offset.z));
}

// UI time units beyond the fixed table have known frame lengths too: the frame time written
// and the resampling step follow the unit, not a stand-in 1/24 second.
TEST_F(ReliabilityExport, UiUnitsOutsideTheTable) {
    struct Case {
        MTime::Unit unit;
        double framesPerSecond;
    };
    const Case cases[] = {{MTime::k23_976FPS, 24000.0 / 1001}, {MTime::k29_97FPS, 30000.0 / 1001},
                          {MTime::k29_97DF, 30000.0 / 1001},   {MTime::k47_952FPS, 48000.0 / 1001},
                          {MTime::k59_94FPS, 60000.0 / 1001},  {MTime::k44100FPS, 44100},
                          {MTime::k48000FPS, 48000},           {MTime::k90FPS, 90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.framesPerSecond);
        standin::resetScene();
        ASSERT_EQ(MTime::setUIUnit(c.unit), MS::kSuccess);
        const MObject root = makeRootWithTip();
        animate(root, "translateX", {{0, 0}, {1e6, 1e6}});  // value = UI frame
        select({root});
        BvhExport translator;
        std::vector<std::string> m =
            motionLines(exported(translator, "exportMode=2;startFrame=0;endFrame=2;"));
        ASSERT_GE(m.size(), 2u);
        EXPECT_NEAR(std::strtod(m[1].substr(12).c_str(), nullptr), 1 / c.framesPerSecond,
                    1e-5 / c.framesPerSecond)
            << m[1];

        // Resampled at 30 frames per second, line k lies k/30 seconds after frame 0.
        const int end = static_cast<int>(std::ceil(c.framesPerSecond / 30)) + 1;
        m = motionLines(exported(translator, "exportMode=3;frameRateNum=30;startFrame=0;endFrame=" +
                                                 std::to_string(end) + ";"));
        ASSERT_GE(m.size(), 4u);
        EXPECT_NEAR(numbers(m[3]).at(0), c.framesPerSecond / 30, 1e-3) << "line 1 at 1/30 s";
    }
}

// Targets that cannot be written: the export fails with one message naming the path, and
// nothing at the path changes.
TEST_F(ReliabilityExport, TargetsThatCannotBeWritten) {
    const MObject root = makeRootWithTip();
    animate(root, "rotateX", {{1, 0}, {2, 1}});
    select({root});
    std::vector<std::string> targets = {"/dev/full", (folder_ / "no" / "folder.bvh").string(),
                                        folder_.string()};
    std::string readOnly;
    if (::geteuid() == 0) {
        // Permissions do not stop the superuser; this file refuses writing to everyone.
        if (fs::exists("/proc/sys/kernel/ostype")) readOnly = "/proc/sys/kernel/ostype";
    } else {
        readOnly = (folder_ / "read-only.bvh").string();
        writeFile(readOnly, "kept\n");
        fs::permissions(readOnly, fs::perms::owner_read);
    }
    if (!readOnly.empty()) targets.push_back(readOnly);
    const std::string before = readOnly.empty() ? "" : readFile(readOnly);
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        const ExportRun out = run("", target);
        EXPECT_FALSE(out.success);
        ASSERT_EQ(lines(out.messages).size(), 1u) << out.messages;
        EXPECT_EQ(out.messages.rfind(target + ": ", 0), 0u) << out.messages;
        expectNoLeftovers();
    }
    if (!readOnly.empty()) {
        EXPECT_EQ(readFile(readOnly), before);
    }
    EXPECT_FALSE(fs::exists(folder_ / "no"));
}

// One translator for many exports in a row: options change, some exports fail, the target
// and the selection change; each export writes what its own settings say, and a failure
// neither leaves a file nor spoils the next export.
TEST_F(ReliabilityExport, OneTranslatorManyExports) {
    const MObject a = makeJoint(MObject::kNullObj, "A");
    makeJoint(a, "ATip", 0, 1, 0);
    animate(a, "translateX", {{0, 0}, {10, 10}, {20, 20}, {30, 30}});
    const MObject b = makeJoint(MObject::kNullObj, "B");
    makeJoint(b, "BTip", 0, 1, 0);
    animate(b, "rotateY", {{0, 0}, {5, 1}});
    struct Step {
        std::vector<MObject> selection;
        const char* options;
        const char* target;  // "" for the usual path
        bool ok;
        const char* frames;      // expected "Frames:" line when ok
        const char* firstValue;  // expected first value line when ok
    };
    const Step steps[] = {
        {{a}, "", "", true, "Frames: 4", "0 "},
        {{a}, "exportMode=2;startFrame=1;endFrame=3;", "", true, "Frames: 3", "1 "},
        {{a}, "", "", true, "Frames: 4", "0 "},  // the stored range is 0..3 now
        {{a}, "exportMode=7;", "", false, nullptr, nullptr},
        {{a}, "", "/dev/full", false, nullptr, nullptr},
        {{a}, "exportMode=1;", "", true, "Frames: 4", "0 "},
        {{}, "", "", false, nullptr, nullptr},
        {{b}, "", "", true, "Frames: 2", "0 "},
        {{b}, "exportMode=3;frameRateNum=12;startFrame=0;endFrame=10;", "", true, "Frames: 6", "0 "},
        {{a}, "exportMode=3;frameRateNum=0;", "", false, nullptr, nullptr},
        {{a}, "exportMode=2;startFrame=30;endFrame=30;scale=2;", "", true, "Frames: 1", "60 "},
    };
    BvhExport translator;
    for (std::size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE("export " + std::to_string(i) + ": " + step.options);
        select(step.selection);
        fs::remove(path_);
        const ExportRun out = run(translator, step.options, step.target);
        EXPECT_EQ(out.success, step.ok) << out.messages;
        if (!step.ok) {
            EXPECT_EQ(lines(out.messages).size(), 1u) << out.messages;
            EXPECT_FALSE(fs::exists(path_));
            continue;
        }
        EXPECT_EQ(out.messages, "");
        const std::vector<std::string> m = motionLines(out.text);
        ASSERT_GE(m.size(), 3u) << out.text;
        EXPECT_EQ(m[0], step.frames);
        EXPECT_EQ(m[2], step.firstValue);
        EXPECT_EQ(m.size() - 2, static_cast<std::size_t>(std::stoi(m[0].substr(8))))
            << "one line per frame";
    }
    expectNoLeftovers();
}

}  // namespace
