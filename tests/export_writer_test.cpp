// The export translator beyond one scene and one file (those cases are data, run by
// export_cases_test.cpp): the settings it keeps from export to export, deep skeletons, and
// targets that are no plain file in a writable folder.

#include <gtest/gtest.h>
#include <maya/MFileObject.h>
#include <maya/MTime.h>
#include <maya/MTransformationMatrix.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

class ExportWriterTest : public bvhtest::ExportTest {
protected:
    /// Loads the scene of the documented example (Hips > Spine > Head, selected) and returns
    /// the file its export writes.
    std::string loadExample() {
        loadExportCase("documented_example");
        return readFile(exportCaseFile("documented_example", ".expected.bvh"));
    }
};

TEST_F(ExportWriterTest, AnExportOfEverythingEqualsAnExportOfTheSelection) {
    const std::string example = loadExample();
    BvhExport exporter;
    const ExportRun out =
        bvhtest::runExport(exporter, path_, "", MPxFileTranslator::kExportAccessMode);
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_EQ(readWritten(path_), example);
}

TEST_F(ExportWriterTest, ExportsAChainOfTenThousandJoints) {
    MObject root = makeJoint(MObject::kNullObj, "J0");
    MObject parent = root;
    for (int i = 1; i < 10000; ++i) parent = makeJoint(parent, "J" + std::to_string(i), 0, 1, 0);
    animate(root, "rotateX", {{0, 0}, {1, 1}});
    animate(parent, "rotateX", {{0, 0}});  // the last joint: an End Site
    select({root});
    const ExportRun out = run("", kNullDevice);
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

TEST_F(ExportWriterTest, StoresTheAdjustedRangeOfEachMode) {
    struct Case {
        const char* exportCase;  // in tests/cases/export
        int storedStart, storedEnd;
    };
    const Case cases[] = {{"key_mode_every_key", 0, 10},  // the key count is stored as endFrame
                          {"key_mode_numbered_keys", 2, 5},
                          {"frame_mode_every_ui_frame", -1, 100},
                          {"resample_film_to_30_by_repeated_addition", 0, 126}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exportCase);
        standin::resetScene();
        const std::string options = loadExportCase(c.exportCase);
        BvhExport exporter;
        const ExportRun out = run(exporter, options);
        ASSERT_TRUE(out.success) << out.messages;
        EXPECT_EQ(exporter.settings().startFrame, c.storedStart);
        EXPECT_EQ(exporter.settings().endFrame, c.storedEnd);
    }
}

TEST_F(ExportWriterTest, SettingsCarryOverFromExportToExport) {
    // A root whose translateX equals the UI frame, keys at frames 0, 25, 50, 75, 100.
    MObject root = makeRootWithTip();
    animate(root, "translateX", {{0, 0}, {25, 25}, {50, 50}, {75, 75}, {100, 100}});
    select({root});
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

// --- Targets that are no plain file in a writable folder --------------------------------

TEST_F(ExportWriterTest, FailsOnAFullDevice) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    loadExample();
    const ExportRun out = run("", "/dev/full");
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.messages, "/dev/full: could not be written (No space left on device)\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ExportWriterTest, FailsInAMissingFolderWithoutApplyingTheOptions) {
    loadExample();
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

// A file in a folder where nothing new can be made is still written when the file itself may
// be: in place, with one warning that it was not replaced atomically. A new file there fails
// and leaves nothing.
TEST_F(ExportWriterTest, OverwritesInPlaceWhereNothingCanBeMadeBesideTheFile) {
    if (!bvhtest::canRunUnprivileged()) GTEST_SKIP() << "permissions do not bind here";
    const std::string example = loadExample();
    const fs::path locked = folder_ / "locked";
    fs::create_directories(locked);
    writeFile(locked / "out.bvh", "earlier file");
    // Only the folder stands in the way: the file itself may be written by anyone.
    fs::permissions(locked / "out.bvh", fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::others_read | fs::perms::others_write);
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::others_exec);
    bvhtest::lockFolder(locked);
    const std::string path = (locked / "out.bvh").string();
    const std::string fresh = (locked / "new.bvh").string();
    const std::string warning =
        path +
        ": warning: the file was overwritten in place, not replaced atomically (no new "
        "file could be made beside it: " +
        std::strerror(EACCES) + ")\n";
    // Root may write anywhere; the export runs in a child without that right.
    const int code = bvhtest::runUnprivileged([&] {
        BvhExport exporter;
        const ExportRun over = runExport(exporter, path, "");
        if (!over.success) return 1;
        if (over.messages != warning) return 2;
        const ExportRun created = runExport(exporter, fresh, "");
        if (created.success) return 3;
        return created.messages.rfind(fresh + ": could not be opened for writing", 0) == 0 ? 0 : 4;
    });
    ASSERT_NE(code, bvhtest::kChildDied);
    EXPECT_EQ(code, 0) << "1: failed, 2: not the one warning (" << warning
                       << "), 3/4: a new file made or not reported";
    EXPECT_EQ(readWritten(locked / "out.bvh"), example);
    EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

TEST_F(ExportWriterTest, UpdatesTheFileBehindALink) {
    const std::string example = loadExample();
    writeFile(folder_ / "real.bvh", "earlier file");
    if (!bvhtest::makeSymlink("real.bvh", folder_ / "link.bvh"))
        GTEST_SKIP() << "no symbolic links";
    const ExportRun out = run("", (folder_ / "link.bvh").string());
    ASSERT_TRUE(out.success) << out.messages;
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.bvh"));
    EXPECT_EQ(readWritten(folder_ / "real.bvh"), example);
}

TEST_F(ExportWriterTest, WritesIntoAFifoThatIsRead) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are POSIX's";
#else
    const std::string example = loadExample();
    const fs::path fifo = folder_ / "pipe.bvh";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExportRun out = run("", fifo.string());
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
    EXPECT_EQ(received, example);
    EXPECT_TRUE(fs::is_fifo(fifo));
#endif
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
