// Export of scenes and targets that go wrong, beyond the bytes of one export (those cases,
// with nothing to export, skeletons of odd shape, curves without keys or with different key
// counts, values that are no numbers and UI time units outside the table, are data in
// tests/cases/export): written files read back with the importer, targets that cannot be
// written, and one translator used for many exports in a row.

#include <gtest/gtest.h>
#include <maya/MFnIkJoint.h>
#include <maya/MVector.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

using namespace bvhtest;

class ReliabilityExport : public bvhtest::ExportTest {
protected:
    /// No file written beside the target was left behind.
    void expectNoLeftovers() {
        for (const auto& entry : fs::directory_iterator(folder_))
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
};

// Files written from odd scenes import again with the values the scene had, and without a
// warning unless the file holds values that are no numbers (which are not keyed): a joint
// below a group, a key-less curve beside a keyed one, curves with different key counts.
TEST_F(ReliabilityExport, WrittenFilesReadBack) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* exportCase;  // in tests/cases/export
        const char* joint;       // below the imported transform
        const char* attribute;
        std::vector<double> values;
        std::string messages;  // of the import, after the path
    };
    const Case cases[] = {
        {"joints_below_a_group_keep_the_groups_offset", "Root|Leg", "rotateX", {0.3, 0.4}, ""},
        {"curve_without_keys_as_a_later_channel", "Root", "translateX", {4, 5, 6}, ""},
        {"curves_with_different_key_counts_frame_mode", "Root", "translateY", {1, 2, 3, 4, 5}, ""},
        {"non_finite_offsets_and_values", "Root", "translateX", {1},
         ":19: warning: not keyed: 6 frame values that are no finite number (nan, inf), the "
         "first on this line\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exportCase);
        standin::resetScene();
        exported(loadExportCase(c.exportCase));
        standin::resetScene();
        BvhImport importer;
        const bvhref::ImportRun back = bvhref::runImport(importer, path_, "");
        EXPECT_TRUE(back.success) << back.messages;
        EXPECT_EQ(back.messages, c.messages.empty() ? "" : path_ + c.messages);
        const std::vector<double> values = keyValues(
            standin::fullPath(importer.importTransform()) + "|" + c.joint, c.attribute);
        ASSERT_EQ(values.size(), c.values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR(values[i], c.values[i], 1e-4) << "key " << i;
    }
    // The offsets that are no numbers come back as they were.
    const MObject imported = standin::findNode("|bvh_import|Root|Tip");
    ASSERT_FALSE(imported.isNull());
    const MVector offset = MFnIkJoint(imported).getTranslation(MSpace::kTransform);
    EXPECT_EQ(offset.x, inf);
    EXPECT_EQ(offset.y, -inf);
    EXPECT_TRUE(std::isnan(offset.z));
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
    if (!bvhtest::permissionsBind()) {
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
        for (const std::string& line : lines(out.messages))
            EXPECT_NE(line.find(": warning: "), std::string::npos) << "no error when written";
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
