// Long imports and exports in the host: keys handed over one call per curve with the same
// scene as key by key, what the host is asked, the progress bar, and cancelling.

#include <gtest/gtest.h>
#include <maya/MComputation.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MSelectionList.h>
#include <maya/MTime.h>
#include <standin/Standin.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "fuzz/harness_common.h"
#include "fuzz/harness_import.h"
#include "import/BvhImport.h"
#include "plugin/LongTask.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

/// kSmallFile's hierarchy (9 channels on 2 joints) with `frames` frame lines.
std::string longFile(int frames) {
    std::string text = bvhtest::kSmallFile.substr(0, bvhtest::kSmallFile.find("Frames:"));
    text += "Frames: " + std::to_string(frames) + "\nFrame Time: 0.0333333\n";
    for (int f = 0; f < frames; ++f) {
        const std::string v = std::to_string(f % 360);
        text += v + " 20 30 " + v + " 2 3 4 " + v + " 6\n";
    }
    return text;
}

/// The first joint under the transform the last skeleton import made.
MObject importedRoot() {
    for (const MObject& top : standin::topLevelNodes()) {
        MFnDagNode dag(top);
        if (dag.childCount() > 0) return dag.child(0);
    }
    return MObject();
}

/// Where an import goes.
enum class Target {
    kNewSkeleton,       // a skeleton import into an empty scene
    kBareSkeleton,      // animation only, onto the file's skeleton imported without animation
    kAnimatedSkeleton,  // animation only, onto the file's skeleton with its animation
};

/// Prepares the scene for `target` and selects the root joint of a prepared skeleton.
/// Returns the options that make the import go there.
std::string prepare(Target target, const std::string& path) {
    if (target == Target::kNewSkeleton) return "importSkelton=1;";
    BvhImport skeleton;
    skeleton.settings().keysPerCurve = false;
    bvhref::runImport(skeleton, path,
                      target == Target::kBareSkeleton ? "importSkelton=1;importAnimation=0;"
                                                      : "importSkelton=1;importAnimation=1;");
    MSelectionList selection;
    const MObject root = importedRoot();
    if (!root.isNull()) selection.add(root);
    MGlobal::setActiveSelectionList(selection);
    return "importSkelton=2;";
}

/// The status, messages and whole scene after importing `path` into `target`.
std::string importedScene(const std::string& path, const std::string& options, Target target,
                          bool keysPerCurve, int uiUnit) {
    standin::resetScene();
    MTime::setUIUnit(static_cast<MTime::Unit>(uiUnit));
    const std::string where = prepare(target, path);
    BvhImport translator;
    translator.settings().keysPerCurve = keysPerCurve;
    const bvhref::ImportRun run = bvhref::runImport(translator, path, options + where);
    return (run.success ? "success\n" : "failure\n") + run.messages + bvhfuzz::sceneDigest();
}

struct KeyingInput {
    std::string name;
    std::string path;  // a shared sample, or a fuzz corpus file (its options and time unit apart)
    std::string options;
    int uiUnit = MTime::kFilm;
};

void PrintTo(const KeyingInput& input, std::ostream* out) { *out << input.name; }

/// A folder for the corpus files without their option lines, removed at exit.
struct ScratchFolder {
    fs::path path =
        fs::temp_directory_path() / ("bvhio-keying-" + std::to_string(bvhtest::processId()));
    ScratchFolder() { fs::create_directories(path); }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::vector<KeyingInput> keyingInputs() {
    static const ScratchFolder scratchFolder;
    const fs::path& scratch = scratchFolder.path;
    std::vector<KeyingInput> inputs;
    for (const bvhtest::Sample& sample : bvhtest::referenceSamples())
        inputs.push_back({fs::path(sample.path).stem().string(), sample.path, "", MTime::kFilm});
    const fs::path folder = fs::path(BVHIO_SOURCE_DIR) / "fuzz" / "corpus" / "import";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const std::string bytes = bvhtest::readFile(file);
        const bvhfuzz::ImportInput input = bvhfuzz::parseImportInput(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        const fs::path bvh = scratch / file.filename();
        bvhtest::writeFile(bvh, std::string(input.file));
        inputs.push_back({file.filename().string(), bvh.string(), input.options, input.uiUnit});
    }
    return inputs;
}

class KeysPerCurve : public testing::TestWithParam<KeyingInput> {
protected:
    void TearDown() override { standin::resetScene(); }
};

// Every result of a read is the same whether new curves get their keys in one call or key by
// key: keys, times, values, messages, status, under the options that touch the keying.
TEST_P(KeysPerCurve, SceneIsTheSameAsKeyByKey) {
    const KeyingInput& input = GetParam();
    const std::string defaults = bvhref::kDefaultImportOptions;
    const std::vector<std::string> optionCases = {
        defaults,
        defaults + input.options,
        defaults + "inputKeys=0;frameRate=0;frameRateNum=30;notFloatingKey=1;",
        defaults + "pasteTimeRange=3;startTime=1;endTime=3.5;",
        defaults + "importFrameRange=3;startFrame=2;endFrame=4;startTime=-2;",
        defaults + "inputKeys=0;frameRate=0;frameRateNum=1e-12;",
    };
    for (Target target : {Target::kNewSkeleton, Target::kBareSkeleton, Target::kAnimatedSkeleton}) {
        for (const std::string& options : optionCases) {
            const std::string perCurve =
                importedScene(input.path, options, target, true, input.uiUnit);
            const std::string perKey =
                importedScene(input.path, options, target, false, input.uiUnit);
            EXPECT_TRUE(perCurve == perKey)
                << input.name << " into target " << static_cast<int>(target) << " with " << options;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SamplesAndCorpus, KeysPerCurve, testing::ValuesIn(keyingInputs()),
                         [](const testing::TestParamInfo<KeyingInput>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

/// Host calls of one kind in the last counting period.
std::uint64_t calls(const std::string& kind) {
    for (const standin::HostCallCount& call : standin::hostCalls())
        if (call.kind == kind) return call.count;
    return 0;
}

class LongWork : public bvhtest::SceneFolderTest {
protected:
    void TearDown() override {
        standin::interruptAfterChecks(0);
        standin::setProgressObserver(nullptr);
        SceneFolderTest::TearDown();
    }
};

// What the host is asked for the keys: one addKeys per curve that had no keys, one addKey
// per key onto curves that had keys.
TEST_F(LongWork, KeyAddingCallsPerCurveOrPerKey) {
    constexpr int kFrames = 1000;
    constexpr std::uint64_t kCurves = 9;
    const std::string path = file("long.bvh");
    bvhtest::writeFile(path, longFile(kFrames));
    const struct {
        Target target;
        std::uint64_t addKeys;
        std::uint64_t addKey;
    } cases[] = {
        {Target::kNewSkeleton, kCurves, 0},
        {Target::kBareSkeleton, kCurves, 0},
        {Target::kAnimatedSkeleton, 0, kCurves * kFrames},
    };
    for (const auto& c : cases) {
        standin::resetScene();
        const std::string where = prepare(c.target, path);
        standin::resetHostCalls();
        const bvhref::ImportRun run =
            bvhref::runImport(path, bvhref::kDefaultImportOptions + where);
        ASSERT_TRUE(run.success) << run.messages;
        EXPECT_EQ(calls("MFnAnimCurve::addKeys"), c.addKeys) << static_cast<int>(c.target);
        EXPECT_EQ(calls("MFnAnimCurve::addKey"), c.addKey) << static_cast<int>(c.target);
        // Besides the keys: a few calls per node and curve, and the progress bar's.
        if (c.target == Target::kNewSkeleton) {
            EXPECT_LT(standin::hostCallTotal(), 200u + 2u * LongTask::kUpdates);
        }
    }
}

// The bar moves forward a few hundred times at most and goes away at the end.
TEST_F(LongWork, ProgressMovesForwardAndEnds) {
    std::vector<standin::ProgressState> seen;
    standin::setProgressObserver([&](const standin::ProgressState& s) { seen.push_back(s); });
    ASSERT_TRUE(bvhtest::importText(longFile(20000)).success);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_FALSE(seen.back().showing);
    int last = 0;
    long updates = 0;
    for (const standin::ProgressState& s : seen) {
        EXPECT_GE(s.value, last);
        last = s.value;
        updates = std::max(updates, s.updates);
    }
    EXPECT_GT(last, LongTask::kUpdates * 9 / 10);
    EXPECT_LE(updates, LongTask::kUpdates);
}

// An interrupt that a computation never asked about is not dropped at its end: the next one
// sees it. One that a computation was told of ends with it.
TEST_F(LongWork, InterruptIsNeverDropped) {
    MComputation first;
    first.beginComputation();
    standin::requestInterrupt();
    first.endComputation();
    MComputation second;
    second.beginComputation();
    EXPECT_TRUE(second.isInterruptRequested());
    second.endComputation();
    MComputation third;
    third.beginComputation();
    EXPECT_FALSE(third.isInterruptRequested());
    third.endComputation();
}

// A cancelled import keeps the keys of the frames read, all of them as an uncancelled
// import sets them, says after which frame it stopped, and fails.
TEST_F(LongWork, CancelledImportKeepsTheFramesRead) {
    const std::string text = longFile(5000);
    ASSERT_TRUE(bvhtest::importText(text).success);
    const std::vector<double> fullTimes = bvhtest::keyTimes("|bvh_import|Hips|Spine", "rotateZ");
    const std::vector<double> fullValues = bvhtest::keyValues("|bvh_import|Hips|Spine", "rotateZ");
    standin::resetScene();

    standin::interruptAfterChecks(10);
    const bvhref::ImportRun run = bvhtest::importText(text);
    EXPECT_FALSE(run.success);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.messages, match,
                                  std::regex(R"(\.bvh:\d+: import cancelled after frame (\d+);)")))
        << run.messages;
    const std::size_t frames = std::stoul(match[1]);
    EXPECT_GT(frames, 10u);
    EXPECT_LT(frames, 1000u);
    for (const char* attribute : bvhtest::kAttributes) {
        EXPECT_EQ(bvhtest::keyTimes("|bvh_import|Hips", attribute).size(), frames) << attribute;
    }
    EXPECT_EQ(bvhtest::keyTimes("|bvh_import|Hips|Spine", "rotateZ"),
              std::vector<double>(fullTimes.begin(), fullTimes.begin() + frames));
    EXPECT_EQ(bvhtest::keyValues("|bvh_import|Hips|Spine", "rotateZ"),
              std::vector<double>(fullValues.begin(), fullValues.begin() + frames));
}

// A cancelled export fails, leaves the file that was at the path byte for byte and nothing
// beside it.
TEST_F(LongWork, CancelledExportLeavesTheTargetAsItWas) {
    ASSERT_TRUE(bvhtest::importText(longFile(5000)).success);
    bvhtest::select({importedRoot()});
    const std::string target = file("out.bvh");
    bvhtest::writeFile(target, "the old file\n");
    standin::interruptAfterChecks(5);
    BvhExport translator;
    const bvhtest::ExportRun run = bvhtest::runExport(translator, target, "exportMode=1;");
    EXPECT_FALSE(run.success);
    EXPECT_NE(run.messages.find(target + ": export cancelled; the file was not written"),
              std::string::npos)
        << run.messages;
    EXPECT_EQ(run.text, "the old file\n");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"out.bvh"});
}

}  // namespace
