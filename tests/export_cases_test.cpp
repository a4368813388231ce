// Export cases kept as data in tests/cases/export (see the README there): a scene file, an
// option string, and the file the export writes or the message it fails with. The cases of
// driven rigs (driven_*) are also checked against the scene: every joint of the written file,
// read by the independent reader, is where the stand-in shows it at that line's time.

#include <gtest/gtest.h>
#include <maya/MString.h>
#include <maya/MTime.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "export/ExportSettings.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

/// The pi with which the export turns radians into degrees: the file is read back with it.
constexpr double kFilePi = 3.14159;

/// What stands at the target before each export: a failed export must leave it so.
const std::string kEarlierFile = "earlier file\n";

class ExportCase : public ExportTest, public testing::WithParamInterface<std::string> {};

TEST_P(ExportCase, WritesTheExpectedFile) {
    const auto with = [&](const char* suffix) { return exportCaseFile(GetParam(), suffix); };
    const std::string options = loadExportCase(GetParam());
    if (HasFailure()) return;

    writeFile(path_, kEarlierFile);
    BvhExport translator;
    const ExportRun out = runExport(translator, path_, options);
    const std::string messages = replacedAll(out.messages, path_, "$FILE");
    const std::string written = out.success ? out.text : "";

    if (std::getenv("BVHIO_UPDATE_CASES")) {
        rewriteCaseFile(with(".expected.bvh"), written);
        rewriteCaseFile(with(".expected.messages"), messages);
        return;
    }
    const bool shouldWrite = fs::exists(with(".expected.bvh"));
    EXPECT_EQ(out.success, shouldWrite) << messages;
    if (shouldWrite) {
        expectSameText(with(".expected.bvh"), written, "written file");
    } else {
        EXPECT_EQ(readFile(path_), kEarlierFile) << "a failed export changed the target";
    }
    expectSameText(with(".expected.messages"), messages, "messages");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
        << "a file was left beside the target";
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportCase, testing::ValuesIn(caseNames("export", ".options")),
                         caseTestName);

/// The UI times of the lines that an export of scene `scene` with `options` writes: in key
/// mode the key times of every time-input curve of the scene (a driven case keys nothing that
/// does not move its joints), those numbered startFrame to endFrame with a key range, in frame
/// mode every frame from startFrame, in resample mode one
/// sample every (UI frames per second / frameRateNum) frames from startFrame.
std::vector<double> lineTimes(const nlohmann::json& scene, const std::string& options,
                              std::size_t lines) {
    bvhexport::ExportSettings settings;
    bvhexport::applyExportOptions(MString(options.c_str()), settings);
    std::vector<double> times;
    if (settings.exportMode != 1) {
        const double step =
            settings.exportMode == 2
                ? 1.0
                : 1 / bvhexport::secondsPerFrame(MTime::uiUnit()) / settings.frameRateNum;
        for (std::size_t k = 0; k < lines; ++k) times.push_back(settings.startFrame + k * step);
        return times;
    }
    for (const nlohmann::json& curve : scene["curves"])
        if (!curve.contains("input"))
            for (const nlohmann::json& key : curve["keys"]) times.push_back(key[0].get<double>());
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (settings.exportKeyRange != 1)  // the keys numbered startFrame to endFrame
        times = std::vector<double>(times.begin() + (settings.startFrame - 1),
                                    times.begin() + settings.endFrame);
    return times;
}

class DrivenCase : public ExportTest, public testing::WithParamInterface<std::string> {};

TEST_P(DrivenCase, WritesTheJointsWhereTheSceneShowsThem) {
    const std::string options = loadExportCase(GetParam());
    if (HasFailure()) return;
    const nlohmann::json scene = nlohmann::json::parse(
        readFile(exportCaseFile(GetParam().substr(0, GetParam().find('.')), ".json")));
    const std::string root = scene["selection"][0].get<std::string>();
    const std::string text = exported(options);
    bvhref::BvhFile file;
    std::string error;
    ASSERT_TRUE(bvhref::parseBvh(text, file, error)) << error << "\n" << text;
    const std::vector<double> times = lineTimes(scene, options, file.frames.size());
    ASSERT_EQ(times.size(), file.frames.size()) << "one line per sample time";
    const double tolerance = 1e-4 * bvhref::restPoseSize(file);
    for (std::size_t line = 0; line < times.size(); ++line) {
        const std::vector<bvhref::Vec3> scene = bvhref::sceneWorldPositions(root, times[line]);
        const std::vector<bvhref::Vec3> written =
            bvhref::fileWorldPositions(file, line, 1.0, kFilePi);
        ASSERT_EQ(written.size(), scene.size()) << "one block per joint";
        for (std::size_t j = 0; j < scene.size(); ++j)
            for (std::size_t a = 0; a < 3; ++a)
                ASSERT_NEAR(written[j][a], scene[j][a], tolerance)
                    << file.nodes[j].name << " axis " << a << " at frame " << times[line];
    }
}

std::vector<std::string> drivenCases() {
    std::vector<std::string> names = caseNames("export", ".options");
    // The driven rigs' cases that write a file.
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) {
                                   return n.rfind("driven_", 0) != 0 ||
                                          !fs::exists(exportCaseFile(n, ".expected.bvh"));
                               }),
                names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Cases, DrivenCase, testing::ValuesIn(drivenCases()), caseTestName);

}  // namespace
