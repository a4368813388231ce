// Import driver: option strings as a table of {option string -> settings}, per-read resets,
// carry-over between reads, frame rates, files that cannot be read, and the bounds of the
// whole-step re-keying. What one file with one option string makes of the scene is an
// import case (tests/cases/import).

#include <gtest/gtest.h>
#include <maya/MFileObject.h>
#include <maya/MFnDagNode.h>
#include <maya/MTime.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "import/BvhImport.h"
#include "import/ImportSettings.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace {

using bvhref::curveKeys;
using bvhref::runImport;
using bvhref::writeTempFile;
using bvhtest::importText;
using bvhtest::kSmallFile;

using bvhimport::ImportSettings;

/// The options of `settings` as an option string, every key the import reads in its order.
std::string optionsOf(const ImportSettings& s) {
    std::ostringstream out;
    out << "importSkelton=" << s.importSkelton << ";importAnimation=" << s.importAnimation
        << ";importFrameRange=" << s.importFrameRange << ";startFrame=" << s.startFrame
        << ";endFrame=" << s.endFrame << ";pasteTimeRange=" << s.pasteTimeRange
        << ";startTime=" << s.startTime << ";endTime=" << s.endTime << ";inputKeys=" << s.inputKeys
        << ";frameRate=" << s.frameRate << ";frameRateUnit=" << s.frameRateUnit
        << ";frameRateNum=" << s.frameRateNum << ";notFloatingKey=" << s.notFloatingKey
        << ";scale=" << s.scale << ";rotationOrder=" << s.rotationOrder << ";matchBy=" << s.matchBy
        << ";";
    return out.str();
}

/// The pieces of optionsOf(`settings`) that differ from a new object's, in key order.
std::string changedOptions(const ImportSettings& settings) {
    std::istringstream now(optionsOf(settings));
    std::istringstream fresh(optionsOf(ImportSettings()));
    std::string piece;
    std::string base;
    std::string changed;
    while (std::getline(now, piece, ';') && std::getline(fresh, base, ';'))
        if (piece != base) changed += piece + ";";
    return changed;
}

class ImportDriver : public bvhtest::ImportTest {
protected:
    /// Reads a file that holds nothing but the HIERARCHY line with `options`, so that only
    /// the options take effect; false (and a failure) when the read fails.
    static bvhtest::JobRun readOptions(ImportSettings& settings, const std::string& options) {
        const auto run = bvhtest::jobText(settings, "HIERARCHY\n", options);
        EXPECT_TRUE(run.success) << options << ": " << run.messages;
        return run;
    }
};

TEST(ImportOptions, ANewObjectHoldsTheRegisteredDefaults) {
    EXPECT_EQ(optionsOf(ImportSettings()),
              "importSkelton=1;importAnimation=1;importFrameRange=1;startFrame=1;endFrame=100;"
              "pasteTimeRange=1;startTime=1;endTime=100;inputKeys=1;frameRate=1;"
              "frameRateUnit=;frameRateNum=24;notFloatingKey=0;scale=1;rotationOrder=XYZ;"
              "matchBy=position;");
}

// Option strings and the settings they change on a new object, as {option string -> the
// changed pieces}.
TEST(ImportOptions, OptionStringsSetTheSettingsTheyName) {
    const struct {
        const char* options;
        const char* changed;
    } cases[] = {
        {" scale=2;", ""},                               // a leading blank is part of the key
        {"Scale=2;", ""},                                // keys are case-sensitive
        {"scale;", ""},                                  // no "=": ignored
        {"scale=2;scale=3;", "scale=3;"},                // the later item wins
        {"rotationOrder=ZXY=1;", "rotationOrder=ZXY;"},  // text after a second "=" is ignored
        {"rotationOrder= ZXY;", "rotationOrder= ZXY;"},  // values are not trimmed
        {"unknownKey=5;scale=4", "scale=4;"},            // unknown keys ignored, last ";" optional
        {"clipboard=1;clip=2;", ""},                     // accepted without effect
        {";;=;scale=0.5;", "scale=0.5;"},
        {"matchBy=name;", "matchBy=name;"},
        {"importSkelton=0;importAnimation=0;importFrameRange=3;startFrame=4;endFrame=9;"
         "pasteTimeRange=3;startTime=2.5;endTime=40;inputKeys=0;frameRate=0;frameRateUnit=ntsc;"
         "frameRateNum=12.5;notFloatingKey=1;scale=0.25;rotationOrder=auto;",
         "importSkelton=0;importAnimation=0;importFrameRange=3;startFrame=4;endFrame=9;"
         "pasteTimeRange=3;startTime=2.5;endTime=40;inputKeys=0;frameRate=0;frameRateUnit=ntsc;"
         "frameRateNum=12.5;notFloatingKey=1;scale=0.25;rotationOrder=auto;"},
    };
    for (const auto& c : cases) {
        ImportSettings settings;
        bvhimport::applyImportOptions(c.options, settings);
        EXPECT_EQ(changedOptions(settings), c.changed) << c.options;
    }
}

TEST_F(ImportDriver, EmptyOptionStringAppliesOnlyTheResets) {
    ImportSettings settings;
    bvhimport::applyImportOptions(
        "importFrameRange=3;rotationOrder=ZXY;frameRate=0;"
        "frameRateNum=99;scale=7;endTime=5;startTime=3;",
        settings);
    const auto run = readOptions(settings, "");
    EXPECT_EQ(changedOptions(settings),
              "importFrameRange=3;startTime=0;endTime=999999;frameRate=0;rotationOrder=ZXY;");
    EXPECT_DOUBLE_EQ(run.result.keyTimeValue, 0.0) << "no startTime item: the first key would be at 0";
    EXPECT_EQ(run.result.currentFrame, 1);
}

TEST_F(ImportDriver, RekeyingMovesTheKeyTimeBack) {
    ImportSettings settings;
    const auto run = readOptions(settings,
                                 "startTime=2.5;inputKeys=0;frameRate=0;"
                                 "frameRateNum=12.5;notFloatingKey=1;");
    // Whole-step re-keying ran (inputKeys 0, notFloatingKey 1) and moved the key time back by
    // one step (1 / 12.5 seconds at 12.5 frames per second) and 0.05.
    EXPECT_NEAR(run.result.keyTimeValue, 2.5 - 1 - 0.05, 1e-12);
}

TEST(ImportOptions, FrameRateFromTheUnitName) {
    const struct {
        const char* options;
        double rate;
    } cases[] = {
        {"frameRate=1;frameRateUnit=game;", 15},
        {"frameRate=1;frameRateUnit=film;", 24},
        {"frameRate=1;frameRateUnit=pal;", 25},
        {"frameRate=1;frameRateUnit=ntsc;frameRateNum=12;", 30},
        {"frameRate=1;frameRateUnit=show;", 48},
        {"frameRate=1;frameRateUnit=palf;", 50},
        {"frameRate=1;frameRateUnit=ntscf;", 60},
        {"frameRate=1;frameRateUnit=millisec;", 1000},
        {"frameRate=1;frameRateUnit=sec;", 1},
        {"frameRate=1;frameRateUnit=min;", 0.016666666},
        {"frameRate=1;frameRateUnit=hour;", 0.000277777},
        {"frameRate=1;frameRateUnit=250fps;", 250},
        {"frameRate=1;frameRateUnit=100fps;", 100},
        {"frameRate=1;frameRateUnit=1200fps;", 1200},
        {"frameRate=0;frameRateUnit=ntsc;frameRateNum=12;", 12},
        {"frameRate=0;frameRateUnit=ntsc;", 24},
        // No number before "f", or no unit at all: the rate stays as the options set it.
        {"frameRate=1;frameRateNum=12;", 12},
        {"frameRate=1;", 24},
        {"frameRate=1;frameRateUnit=fps;frameRateNum=12;", 12},
        {"frameRate=1;frameRateUnit=NTSC;frameRateNum=12;", 12},
        {"frameRate=1;frameRateUnit=-5fps;frameRateNum=12;", 12},
        {"frameRate=1;frameRateUnit=0fps;frameRateNum=12;", 12},
    };
    for (const auto& c : cases) {
        ImportSettings settings;
        settings.resetForRead();
        bvhimport::applyImportOptions(c.options, settings);
        bvhimport::deriveFrameRate(settings);
        EXPECT_DOUBLE_EQ(settings.frameRateNum, c.rate) << c.options;
    }
}

TEST_F(ImportDriver, OptionsCarryOverBetweenReadsOfOneTranslator) {
    ImportSettings settings;
    readOptions(settings,
                "scale=2;inputKeys=0;rotationOrder=ZYX;frameRateUnit=pal;endTime=50;"
                "startTime=7;frameRateNum=60;frameRate=0;");
    const auto run = readOptions(settings, "importFrameRange=2;");
    // scale, endTime, startTime and frameRateNum are reset at every read.
    EXPECT_EQ(changedOptions(settings),
              "importFrameRange=2;startTime=0;endTime=999999;inputKeys=0;frameRate=0;"
              "frameRateUnit=pal;rotationOrder=ZYX;");
    EXPECT_DOUBLE_EQ(run.result.keyTimeValue, 0.0) << "reset at every read";
    readOptions(settings, "frameRate=1;");
    EXPECT_DOUBLE_EQ(settings.frameRateNum, 25.0) << "the unit of the first read still holds";
}

TEST_F(ImportDriver, MissingFileIsReportedAndNothingIsCreated) {
    const std::string missing = bvhref::tempPath(".bvh");
    for (const char* options : {"importSkelton=1;scale=3;", "importSkelton=2;scale=3;"}) {
        BvhImport imp;
        const auto run = runImport(imp, missing, options);
        EXPECT_FALSE(run.success) << options;
        EXPECT_EQ(run.messages, missing + ": could not be opened for reading\n") << options;
        EXPECT_TRUE(standin::topLevelNodes().empty()) << options;
        EXPECT_DOUBLE_EQ(imp.settings().scale, 3.0)
            << "the options were applied before the opening";
    }
}

TEST_F(ImportDriver, DirectoryCannotBeOpenedForReading) {
    const std::string dir = bvhref::tempPath(".d");
    std::filesystem::create_directory(dir);
    const auto run = runImport(dir, bvhref::kDefaultImportOptions);
    EXPECT_FALSE(run.success);
    EXPECT_EQ(run.messages, dir + ": could not be opened for reading\n");
    EXPECT_TRUE(standin::topLevelNodes().empty());
}

TEST_F(ImportDriver, ReadErrorIsAFailure) {
    // The process's own memory file opens as a regular file, but reading its first page fails.
    const std::string path = "/proc/self/mem";
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        GTEST_SKIP() << path << " cannot be opened here";
    }
    const auto run = runImport(path, bvhref::kDefaultImportOptions);
    EXPECT_FALSE(run.success);
    EXPECT_EQ(run.messages.rfind(path, 0), 0u) << run.messages;
    EXPECT_EQ(run.messages.find('\n'), run.messages.size() - 1) << run.messages;
}

TEST_F(ImportDriver, AccessModeMakesNoDifference) {
    const std::string file = writeTempFile(kSmallFile);
    std::string first;
    for (auto mode : {MPxFileTranslator::kImportAccessMode, MPxFileTranslator::kOpenAccessMode,
                      MPxFileTranslator::kUnknownAccessMode}) {
        standin::resetScene();
        BvhImport imp;
        MFileObject f;
        f.setRawFullName(file.c_str());
        EXPECT_TRUE(imp.reader(f, bvhref::kDefaultImportOptions, mode) == MS::kSuccess);
        if (first.empty())
            first = standin::sceneToJson();
        else
            EXPECT_EQ(standin::sceneToJson(), first);
    }
}

TEST_F(ImportDriver, LinesOfAnyLengthAreRead) {
    // A flat skeleton of 2000 joints gives frame lines of more than 50,000 characters.
    constexpr int kJoints = 2000;
    std::string text =
        "HIERARCHY\nROOT R\n{\n OFFSET 0 0 0\n CHANNELS 3 Xposition Yposition Zposition\n";
    for (int i = 0; i < kJoints; ++i)
        text += " JOINT j" + std::to_string(i) +
                "\n {\n  OFFSET 1 0 0\n  CHANNELS 3 Zrotation Yrotation Xrotation\n }\n";
    text += "}\nMOTION\nFrames: 2\nFrame Time: 0.04\n";
    std::string frame = "1.000000 2.000000 3.000000";
    for (int i = 0; i < kJoints; ++i) frame += " 10.00000 0.000000 0.000000";
    // The second frame carries 25,000 extra characters, which are ignored.
    text += frame + "\n" + frame + std::string(25000, ' ') + "7\n";
    ASSERT_GT(frame.size(), 50000u);
    const auto run = importText(text);
    ASSERT_TRUE(run.success) << run.messages;
    const std::string last = "|bvh_import|R|j" + std::to_string(kJoints - 1);
    const auto keys = curveKeys(last, "rotateZ");
    ASSERT_EQ(keys.size(), 2u) << "both frames of the last joint are keyed";
    EXPECT_NEAR(keys[1].second, 10 * 3.14159 / 180, 1e-12);
}

// Whole-step re-keying: a file whose frames are `step` time units apart (frameRateNum 1).
std::string steppedFile(double step, int frames) {
    std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n}\nMOTION\nFrames: 2\nFrame "
        "Time: " +
        std::to_string(step) + "\n";
    for (int i = 0; i < frames; ++i) text += std::to_string(i * 10) + "\n";
    return text;
}

// A file with few frames may be re-keyed into two million keys. (More is refused up front:
// the import cases whole_step_rekeying_refused_*.)
TEST_F(ImportDriver, RekeyingOfAShortFileIsBounded) {
    const std::string options =
        "inputKeys=0;frameRate=0;frameRateNum=1;notFloatingKey=1;startTime=0;";
    const std::string within = writeTempFile(steppedFile(1999999, 2));
    const auto run = runImport(within, options);
    ASSERT_TRUE(run.success) << run.messages;
    EXPECT_EQ(run.messages, "");
    const auto keys = curveKeys("|bvh_import|A", "translateX");
    ASSERT_EQ(keys.size(), 2000000u);
    EXPECT_EQ(keys.back().first, 1999999.0);
    EXPECT_DOUBLE_EQ(keys[1000000].second, 10.0 * 1000000 / 1999999);
}

}  // namespace
