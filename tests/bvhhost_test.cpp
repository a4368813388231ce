// End-to-end runs of the command-line host on temporary files.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

using HostRun = bvhtest::ProgramRun;
using bvhtest::lines;
using bvhtest::readFile;
using bvhtest::writeFile;

fs::path samplesDir() { return BVHIO_SAMPLES_DIR; }

bool haveSamples() {
    if (fs::is_directory(samplesDir())) return true;
    if (std::getenv("CI") != nullptr) ADD_FAILURE() << "sample folder missing: " << samplesDir();
    return false;
}

class BvhhostTest : public bvhtest::TempFolderTest {
protected:
    /// Runs bvhhost with `args` (the plug-in built beside it, unless the arguments say
    /// otherwise) and collects its exit status and both output streams.
    HostRun run(const std::vector<std::string>& args) const {
        return bvhtest::runProgram(BVHIO_BVHHOST, args);
    }
};

TEST_F(BvhhostTest, TranslatorsListsBothRegistrations) {
    const HostRun r = run({"translators"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> expected = {
        "BVHimport\tbvh\tread\tbvhImportOpts\timportSkelton=1;importAnimation=1;"
        "importFrameRange=1;startFrame=1;endFrame=100;pasteTimeRange=1;startTime=1;endTime=100;"
        "inputKeys=1;frameRate=1;frameRateNum=24;notFloatingKey=0;scale=1.0;rotationOrder=XYZ;",
        "BVHexport\tbvh\twrite\tbvhExportOpts\texportMode=1;exportKeyRange=1;exportFrameRange=1;"
        "startFrame=0;endFrame=100;scale=1;"};
    EXPECT_EQ(lines(r.out), expected);
    EXPECT_EQ(r.err, "");

    // The same module named explicitly.
    EXPECT_EQ(run({"--plugin", BVHIO_PLUGIN, "translators"}).out, r.out);
}

TEST_F(BvhhostTest, IdentifyAnswersForEverySample) {
    if (!haveSamples()) GTEST_SKIP() << "no sample folder";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(samplesDir())) {
        if (entry.path().extension() != ".bvh") continue;
        ++seen;
        const HostRun r = run({"identify", entry.path().string()});
        EXPECT_EQ(r.status, 0) << entry.path() << r.err;
        EXPECT_EQ(r.out, "BVHimport\n") << entry.path();
    }
    EXPECT_GE(seen, 4);
}

struct IdentifyCase {
    const char* name;
    std::string bytes;
    const char* answer;
};
void PrintTo(const IdentifyCase& c, std::ostream* out) { *out << c.name; }

class BvhhostIdentify : public BvhhostTest, public ::testing::WithParamInterface<IdentifyCase> {};

TEST_P(BvhhostIdentify, AnswersByTheFirstBytes) {
    writeFile(file("candidate"), GetParam().bytes);
    const HostRun r = run({"identify", file("candidate")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(GetParam().answer) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BvhhostIdentify,
    ::testing::Values(IdentifyCase{"Keyword", "HIERARCHY\nROOT Hips\n{\n", "BVHimport"},
                      IdentifyCase{"KeywordOnly", "HIERARCHY", "BVHimport"},
                      IdentifyCase{"CrLf", "HIERARCHY\r\nROOT a\r\n", "BVHimport"},
                      IdentifyCase{"LowerCase", "hierarchy\nROOT Hips\n", "none"},
                      IdentifyCase{"LeadingBlank", " HIERARCHY\nROOT Hips\n", "none"},
                      IdentifyCase{"ByteOrderMark", "\xEF\xBB\xBFHIERARCHY\n", "none"},
                      IdentifyCase{"ShortFile", "HIERARC", "none"},
                      IdentifyCase{"EmptyFile", "", "none"},
                      IdentifyCase{"ExportRecognitionText", "bvh_import and more", "BVHexport"},
                      IdentifyCase{"LongFile", "HIERARCHY\n" + std::string(20000, 'x'),
                                   "BVHimport"}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) {
        return std::string(info.param.name);
    });

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;  // part of the one-line message
};
void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.name; }

class BvhhostUsage : public BvhhostTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(BvhhostUsage, ExitsWithTwoAndOneLine) {
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args) {
        // Placeholders for files of this test's own folder.
        if (a == "@garbage.json") {
            writeFile(file("garbage.json"), "{ not json");
            args.push_back(file("garbage.json"));
        } else if (a == "@dir") {
            args.push_back(folder_.string());
        } else if (a == "@missing") {
            args.push_back(file("missing"));
        } else {
            args.push_back(a);
        }
    }
    const HostRun r = run(args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_EQ(r.err.rfind("bvhhost: ", 0), 0u) << r.err;
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BvhhostUsage,
    ::testing::Values(
        UsageCase{"NoCommand", {}, "no command"},
        UsageCase{"UnknownCommand", {"frobnicate"}, "unknown command"},
        UsageCase{"UnknownGlobalFlag", {"--verbose", "translators"}, "unknown option --verbose"},
        UsageCase{"UnknownCommandFlag", {"identify", "x.bvh", "--save", "y"}, "unknown option"},
        UsageCase{"MissingFlagValue", {"import", "x.bvh", "--options"}, "--options needs a value"},
        UsageCase{"MissingFile", {"identify"}, "1 file argument"},
        UsageCase{"ExtraFile", {"convert", "a", "b", "c"}, "2 file arguments"},
        UsageCase{"UnknownUiUnit", {"--ui-unit", "fortnight", "translators"}, "fortnight"},
        UsageCase{"ExportWithoutScene", {"export", "out.bvh"}, "--scene"},
        UsageCase{"ModuleMissing",
                  {"--plugin", "/nonexistent/bvhio.so", "translators"},
                  "/nonexistent/bvhio.so"},
        UsageCase{"UnreadableScene", {"export", "out.bvh", "--scene", "@missing"}, "missing"},
        UsageCase{"MalformedScene", {"import", "x.bvh", "--scene", "@garbage.json"}, "parse error"},
        UsageCase{"UnreadableIdentifyFile", {"identify", "@missing"}, "cannot be opened"},
        UsageCase{"IdentifyDirectory", {"identify", "@dir"}, "is a directory"},
        UsageCase{"SceneIsDirectory", {"export", "out.bvh", "--scene", "@dir"}, "is a directory"},
        UsageCase{"SelectUnknownNode", {"import", "x.bvh", "--select", "Nobody"}, "Nobody"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST_F(BvhhostTest, HelpGoesToStandardOutput) {
    const HostRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: bvhhost"), std::string::npos);
}

TEST_F(BvhhostTest, ExportOfASceneWithoutJointsIsATranslatorFailure) {
    // The scene loads, so this is no usage error; with nothing selected the writer fails
    // and says so on standard error.
    writeFile(file("empty.json"), R"({"uiUnit": "film", "nodes": [], "curves": []})");
    const HostRun r = run({"export", file("out.bvh"), "--scene", file("empty.json")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err, "");
}

TEST_F(BvhhostTest, ExportUsesTheSelectionOfTheFileOrOfTheCommandLine) {
    writeFile(file("scene.json"), R"({
        "uiUnit": "film",
        "nodes": [
            {"path": "|grp", "type": "transform"},
            {"path": "|grp|Hips", "type": "joint"},
            {"path": "|grp|Hips|Spine", "type": "joint", "translate": [0, 10, 0]},
            {"path": "|grp|Hips|Spine|Head", "type": "joint", "translate": [0, 5, 0]}],
        "curves": [
            {"plug": "|grp|Hips.translateX", "keys": [[1, 0.5], [2, 0.75]]},
            {"plug": "|grp|Hips|Spine.rotateZ", "keys": [[1, 0], [2, 1.570795]]}],
        "selection": ["|grp|Hips|Spine"]})");
    const std::string scene = file("scene.json");

    struct Case {
        std::vector<std::string> select;
        const char* root;
    };
    for (const Case& c : {Case{{}, "ROOT Spine\n"}, Case{{"--select", "Hips"}, "ROOT Hips\n"},
                          Case{{"--select", "|grp|Hips|Spine", "Hips"}, "ROOT Hips\n"}}) {
        std::vector<std::string> args = {"export", file("out.bvh"), "--scene", scene};
        args.insert(args.end(), c.select.begin(), c.select.end());
        const HostRun r = run(args);
        ASSERT_EQ(r.status, 0) << c.root << r.err;
        const std::string written = bvhtest::readWritten(file("out.bvh"));
        EXPECT_EQ(written.rfind(std::string("HIERARCHY\n") + c.root, 0), 0u) << written;
        EXPECT_NE(written.find("\nFrames: 2\n"), std::string::npos) << written;
    }
}

TEST_F(BvhhostTest, ImportSavesASceneThatLoadsBackUnchanged) {
    if (!haveSamples()) GTEST_SKIP() << "no sample folder";
    const std::string sample = (samplesDir() / "crlf_yxz.bvh").string();
    const HostRun first = run({"import", sample, "--save", file("a.json")});
    ASSERT_EQ(first.status, 0) << first.err;
    const nlohmann::json scene = nlohmann::json::parse(readFile(file("a.json")));
    EXPECT_EQ(scene["uiUnit"], "film");
    ASSERT_FALSE(scene["nodes"].empty());
    EXPECT_EQ(scene["nodes"][0]["path"], "|bvh_import");
    EXPECT_FALSE(scene["curves"].empty());

    // Loading the saved scene and importing nothing new is not possible, so import the
    // same file a second time on top: the first skeleton must come back unchanged.
    const HostRun second =
        run({"import", sample, "--scene", file("a.json"), "--save", file("b.json")});
    ASSERT_EQ(second.status, 0) << second.err;
    const nlohmann::json both = nlohmann::json::parse(readFile(file("b.json")));
    for (std::size_t i = 0; i < scene["nodes"].size(); ++i)
        EXPECT_EQ(both["nodes"][i], scene["nodes"][i]) << "node " << i;
    for (std::size_t i = 0; i < scene["curves"].size(); ++i)
        EXPECT_EQ(both["curves"][i], scene["curves"][i]) << "curve " << i;
    EXPECT_GT(both["nodes"].size(), scene["nodes"].size());

    // --ui-unit wins over the scene file's unit: the same keys, times in another unit.
    const HostRun ntsc = run({"--ui-unit", "ntsc", "import", sample, "--scene", file("a.json"),
                              "--save", file("c.json")});
    ASSERT_EQ(ntsc.status, 0) << ntsc.err;
    EXPECT_EQ(nlohmann::json::parse(readFile(file("c.json")))["uiUnit"], "ntsc");
}

TEST_F(BvhhostTest, ImportSummaryAndConvertOfTheDemo) {
    const std::string demo = std::string(BVHIO_SOURCE_DIR) + "/examples/demo.bvh";
    const HostRun summary = run({"import", demo});
    ASSERT_EQ(summary.status, 0) << summary.err;
    const std::vector<std::string> got = lines(summary.out);
    ASSERT_EQ(got.size(), 4u) << summary.out;
    EXPECT_EQ(got[0].rfind("joints: ", 0), 0u) << got[0];
    EXPECT_EQ(got[1].rfind("curves: ", 0), 0u) << got[1];
    EXPECT_EQ(got[2].rfind("keys: ", 0), 0u) << got[2];
    EXPECT_EQ(got[3].rfind("time range: ", 0), 0u) << got[3];

    const HostRun convert = run({"convert", demo, file("out.bvh")});
    ASSERT_EQ(convert.status, 0) << convert.err;
    const std::string written = bvhtest::readWritten(file("out.bvh"));
    EXPECT_EQ(written.rfind("HIERARCHY\nROOT Pelvis\n", 0), 0u) << written;
    EXPECT_NE(written.find("\nMOTION\nFrames: 10\n"), std::string::npos) << written;

    // A file that cannot be read is the translator's failure, reported by the translator.
    const HostRun missing = run({"convert", file("nothing.bvh"), file("x.bvh")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nothing.bvh: could not be opened for reading"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(fs::exists(file("x.bvh")));
}

// --count-calls reports what the import asked of the host: one addKeys per curve.
TEST_F(BvhhostTest, CountCallsReportsTheHostCallsByKind) {
    const std::string demo = std::string(BVHIO_SOURCE_DIR) + "/examples/demo.bvh";
    const HostRun r = run({"--count-calls", "import", demo});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("bvhhost: host calls by BVHimport: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("MFnAnimCurve::addKeys 18,"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("MFnAnimCurve::addKey "), std::string::npos) << r.err;
}

// Ctrl-C while an import reads stops it with the message and a failure. The file is a pipe
// fed here: bvhhost is surely reading when the interrupt comes, and the rest never ends.
TEST_F(BvhhostTest, CtrlCCancelsARunningImport) {
    bvhtest::PipeFeed feed(folder_, "endless.bvh");
    bvhtest::Child host(BVHIO_BVHHOST, {"import", feed.path()}, file("stdout"), file("stderr"));
    ASSERT_TRUE(host.started());
    ASSERT_TRUE(feed.waitForReader(30)) << "bvhhost never opened the pipe";
    std::string text = bvhtest::kSmallFile;
    std::string frames;
    while (frames.size() < (std::size_t{1} << 16)) frames += "10 20 30 1 2 3 4 5 6\n";
    std::size_t written = 0;
    bool interrupted = false;
    // Frames until bvhhost stops reading (the pipe breaks), or far more than it needs.
    while (written < (std::size_t{256} << 20) && feed.write(text)) {
        written += text.size();
        text = frames;
        // More than a pipe holds has gone through: bvhhost is inside the import.
        if (!interrupted && written > (std::size_t{1} << 20)) {
            ASSERT_TRUE(host.interrupt());
            interrupted = true;
        }
    }
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(host.wait(30), 1) << "bvhhost did not fail on its own";
    const std::string err = readFile(file("stderr"));
    EXPECT_NE(err.find("endless.bvh:"), std::string::npos) << err;
    EXPECT_NE(err.find(": import cancelled after frame "), std::string::npos) << err;
}

// A short file from a pipe, whose size is not known: Ctrl-C is seen within a tenth of a second
// of work, however few bytes follow, and is never dropped at the end of the import.
TEST_F(BvhhostTest, CtrlCCancelsAShortImportFromAPipe) {
    bvhtest::PipeFeed feed(folder_, "short.bvh");
    bvhtest::Child host(BVHIO_BVHHOST, {"import", feed.path()}, file("stdout"), file("stderr"));
    ASSERT_TRUE(host.started());
    ASSERT_TRUE(feed.waitForReader(30)) << "bvhhost never opened the pipe";
    ASSERT_TRUE(feed.write(bvhtest::kSmallFile));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // it waits for more
    ASSERT_TRUE(host.interrupt());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    feed.write("13 23 33 1 2 3 4 5 6\n14 24 34 1 2 3 4 5 6\n");
    feed.close();
    EXPECT_EQ(host.wait(30), 1) << "bvhhost did not fail on its own";
    const std::string err = readFile(file("stderr"));
    EXPECT_NE(err.find("short.bvh:"), std::string::npos) << err;
    EXPECT_NE(err.find(": import cancelled after frame "), std::string::npos) << err;
}

// The host hands paths as UTF-8, whatever the system's own encoding: a capture in a folder
// and under a name with characters of several scripts imports, exports and converts.
TEST_F(BvhhostTest, PathsWithCharactersOfAnyScript) {
    const fs::path folder = folder_ / fs::u8path(u8"José/モーション");
    fs::create_directories(folder);
    const std::string in = (folder / fs::u8path(u8"walk_Ω.bvh")).u8string();
    const std::string scene = (folder / fs::u8path(u8"szene_ü.json")).u8string();
    const std::string out = (folder / fs::u8path(u8"выход.bvh")).u8string();
    writeFile(fs::u8path(in), bvhtest::kSmallFile);

    const HostRun imported = run({"import", in, "--save", scene});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const HostRun exported = run({"export", out, "--scene", scene, "--select", "Hips"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string written = bvhtest::readWritten(fs::u8path(out));
    EXPECT_EQ(written.rfind("HIERARCHY\nROOT Hips\n", 0), 0u) << written;
    EXPECT_NE(written.find("\nFrames: 3\n"), std::string::npos) << written;

    const HostRun converted = run({"--ui-unit", "film", "convert", in, out});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(bvhtest::readWritten(fs::u8path(out)), written);
    // Messages name the file as it was given.
    const HostRun missing = run({"import", (folder / fs::u8path(u8"ничего.bvh")).u8string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(u8"モーション"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find(u8"ничего.bvh: could not be opened for reading"), std::string::npos)
        << missing.err;
}

#ifdef _WIN32
// A file that another program holds open without sharing cannot be replaced: the export fails
// with one line naming the file, which stays as it was, and leaves nothing beside it.
TEST_F(BvhhostTest, ExportOverAFileHeldOpenWithoutSharing) {
    const std::string out = file("held.bvh");
    writeFile(out, "earlier file");
    const HostRun imported =
        run({"import", BVHIO_SOURCE_DIR "/examples/demo.bvh", "--save", file("scene.json")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const HANDLE held = CreateFileW(fs::u8path(out).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const HostRun exported =
        run({"export", out, "--scene", file("scene.json"), "--select", "Pelvis"});
    CloseHandle(held);
    EXPECT_EQ(exported.status, 1);
    ASSERT_EQ(lines(exported.err).size(), 1u) << exported.err;
    EXPECT_EQ(exported.err.find(fs::u8path(out).generic_u8string() +
                                ": could not be opened for writing ("),
              0u)
        << exported.err;
    EXPECT_EQ(readFile(out), "earlier file");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"held.bvh", "scene.json"}));
}
#endif

// convert keeps a capture's Frame Time: the UI unit becomes the unit of that frame length, to
// the digits the file writes; --ui-unit wins; without such a unit the UI unit stays film.
TEST_F(BvhhostTest, ConvertKeepsTheFrameTime) {
    const struct {
        const char* frameTime;
        std::vector<std::string> flags;
        const char* written;  // the Frame Time line of the converted file
        const char* said;     // on standard error
    } cases[] = {
        {"0.0083333", {}, "0.00833333", "Frame Time 0.0083333 is a frame of 120fps"},
        {"0.008333", {}, "0.00833333", "Frame Time 0.008333 is a frame of 120fps"},
        {"0.0333333", {}, "0.0333333", "is a frame of ntsc"},
        {"0.04", {}, "0.04", "is a frame of pal"},
        {"0.0416667", {}, "0.0416667", "is a frame of film"},
        {"0.0083333", {"--ui-unit", "ntsc"}, "0.0333333", ""},
        {"0.0123456789", {}, "0.0416667",
         "no time unit has frames of Frame Time 0.0123456789; the UI unit stays film"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frameTime);
        writeFile(file("in.bvh"), std::string("HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n"
                                              "CHANNELS 1 Xposition\nEnd Site\n{\nOFFSET 0 1 0\n"
                                              "}\n}\nMOTION\nFrames: 2\nFrame Time: ") +
                                      c.frameTime + "\n1\n2\n");
        std::vector<std::string> args = c.flags;
        args.insert(args.end(), {"convert", file("in.bvh"), file("out.bvh")});
        const HostRun r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(bvhtest::readWritten(file("out.bvh"))
                      .find(std::string("\nFrame Time: ") + c.written + "\n"),
                  std::string::npos)
            << bvhtest::readWritten(file("out.bvh"));
        if (*c.said == 0) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        }
    }
}

}  // namespace
