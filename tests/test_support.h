#pragma once
// Plumbing the test files share: folders and files of their own, whole-file reading and
// writing, the translators run with standard error captured, the shared sample captures with
// their reference readings, and small stand-in scenes built for an export. The independent
// BVH reader and the pose arithmetic are in bvh_reference.h.

#include <gtest/gtest.h>
#include <maya/MObject.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MTransformationMatrix.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bvh_reference.h"
#include "import/ImportJob.h"
#include "import/ImportSettings.h"

class BvhExport;
class BvhImport;

namespace bvhtest {

// --- files, text and processes -------------------------------------------------------------

/// The whole file at `path`; "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);
/// How an exported file ends its lines: as the system's text files do.
#ifdef _WIN32
inline constexpr const char* kLineEnd = "\r\n";
#else
inline constexpr const char* kLineEnd = "\n";
#endif
/// The text of a file that an export wrote, its line ends read back as "\n".
std::string readWritten(const std::filesystem::path& path);
/// Replaces the file at `path` by one holding `bytes`.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
/// The lines of `text`, split at "\n" (a "\r" before it stays part of the line).
std::vector<std::string> lines(const std::string& text);
/// The lines of a BVH text after its MOTION line ("Frames:" first); empty when it has none.
std::vector<std::string> motionLines(const std::string& text);
/// A readable diff of two texts line by line: "-" lines only in `expected`, "+" lines only in
/// `actual`, with line numbers and a little context; "" when they are equal.
std::string lineDiff(const std::string& expected, const std::string& actual);
/// Runs `body` and returns what it wrote to standard error meanwhile.
std::string capturedStderr(const std::function<void()>& body);

// --- processes and permissions, the same on every system -----------------------------------
// Tests call these instead of fork, kill, mkfifo or chmod, so that they run on Windows too.

/// This process's id.
long processId();

/// The device that takes any text and keeps none.
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

/// Another program, started with `arguments` (no shell between: each is one argument as it
/// is), its standard input empty and its standard output and error going to the files at
/// `out` and `err`. On Windows it gets a console of its own, hidden, so that interrupt() can
/// reach it there alone.
class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& arguments,
          const std::filesystem::path& out, const std::filesystem::path& err);
    /// Kills the program if it still runs.
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return started_; }
    /// Ctrl-C, as a user at its terminal gives it: SIGINT, or the console's Ctrl-C event.
    bool interrupt();
    /// Waits at most `seconds` for the program to end: its exit status, or -1 when it did not
    /// exit by itself (ended by a signal, or still running and then killed).
    int wait(int seconds);

private:
    bool started_ = false;
    bool ended_ = false;
    int status_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
    unsigned long id_ = 0;
#else
    int pid_ = -1;
#endif
};

/// What a program wrote and how it ended.
struct ProgramRun {
    int status = -1;  ///< exit status; -1 when it could not start or did not exit by itself
    std::string out;
    std::string err;
};
/// Runs `program` (a path, or a name looked up on the PATH) with `arguments` to its end.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments);

/// A pipe that another program opens by its path() as a file and reads what this process
/// writes: a FIFO in `folder` on POSIX systems, a named pipe (\\.\pipe\...) on Windows.
class PipeFeed {
public:
    PipeFeed(const std::filesystem::path& folder, const std::string& name);
    ~PipeFeed();
    PipeFeed(const PipeFeed&) = delete;
    PipeFeed& operator=(const PipeFeed&) = delete;

    const std::string& path() const { return path_; }
    /// Waits at most `seconds` for a reader to open the pipe.
    bool waitForReader(int seconds);
    /// Writes all of `bytes`; false once the reader has gone (or before there is one).
    bool write(const std::string& bytes);
    /// Ends the stream: the reader gets what was written, then the end of the file.
    void close();

private:
    std::string path_;
#ifdef _WIN32
    void* pipe_ = nullptr;
    void* event_ = nullptr;
#else
    int fd_ = -1;
    void (*oldPipeHandler_)(int) = nullptr;
#endif
};

/// True when a file's permissions stop this process from writing it: false for the
/// superuser, and for Wine run by the superuser, which grants everything.
bool permissionsBind();
/// Makes `folder` one in which no file can be made (its files may still be written when their
/// own permissions allow it): without write permission on POSIX systems, with an access rule
/// that refuses adding files on Windows. TempFolderTest undoes it for its own folder.
void lockFolder(const std::filesystem::path& folder);
/// Makes a symbolic link at `link` to `target`; false where the system (or its standard
/// library) makes none: creating one on Windows needs a privilege, and GCC's library there
/// does not create them.
bool makeSymlink(const std::filesystem::path& target, const std::filesystem::path& link);
/// False where no process of this test run can be denied writing: Wine run by the superuser.
bool canRunUnprivileged();
/// Runs `body` in a process without the right to write where permissions say no, and returns
/// its result. On POSIX systems a child process that, when this one runs as the superuser, has
/// given that right up (99 when it could not, kChildDied when it did not exit); on Windows
/// `body` itself, since access rules bind every user there.
int runUnprivileged(const std::function<int()>& body);
inline constexpr int kChildDied = 98;

/// A fixture with a new, empty folder for every test, removed with all it holds afterwards
/// (read-only or not). Fixtures that derive from it call its SetUp and TearDown.
class TempFolderTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    /// The path of `name` in the folder.
    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

/// A fixture with an empty stand-in scene before and after each test, and a folder of its
/// own.
class SceneFolderTest : public TempFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// --- import --------------------------------------------------------------------------------

/// Writes `text` to a new temporary file and imports it with `options` (bvhref::runImport).
bvhref::ImportRun importText(const std::string& text,
                             const std::string& options = bvhref::kDefaultImportOptions);
/// The same with the given translator.
bvhref::ImportRun importText(BvhImport& translator, const std::string& text,
                             const std::string& options = bvhref::kDefaultImportOptions);

/// One read by an import job: what it returned and wrote to standard error, where it ended,
/// and the transform a skeleton import made.
struct JobRun {
    bool success = false;
    std::string messages;
    bvhimport::ImportResult result;
    MObject importTransform;
};
/// Reads the file at `path` with `options` by an import job into `settings`.
JobRun runJob(bvhimport::ImportSettings& settings, const std::string& path,
              const std::string& options = bvhref::kDefaultImportOptions);
/// The same for `text` written to a new temporary file.
JobRun jobText(bvhimport::ImportSettings& settings, const std::string& text,
               const std::string& options = bvhref::kDefaultImportOptions);

/// (time in the UI unit, value) pairs of keys, as bvhref::curveKeys gives them.
using Keys = std::vector<std::pair<double, double>>;
std::vector<double> timesOf(const Keys& keys);
std::vector<double> valuesOf(const Keys& keys);
/// Times and values of the keys of the first curve driving `path`.`attribute`.
std::vector<double> keyTimes(const std::string& path, const std::string& attribute);
std::vector<double> keyValues(const std::string& path, const std::string& attribute);

/// The six attributes a file's channels drive, positions first.
inline const char* const kAttributes[] = {"translateX", "translateY", "translateZ",
                                          "rotateX",    "rotateY",    "rotateZ"};
/// The import's degrees-to-radians factor (pi to six digits, as the importer has it).
inline constexpr double kDeg = 3.14159 / 180.0;

/// A small file: root Hips (offset 1 2 3, six channels) > Spine (three rotations, Z X Y) >
/// end site, and three frames whose values are easy to recognise.
inline const std::string kSmallFile =
    "HIERARCHY\n"
    "ROOT Hips\n"
    "{\n"
    "\tOFFSET 1 2 3\n"
    "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation Xrotation\n"
    "\tJOINT Spine\n"
    "\t{\n"
    "\t\tOFFSET 0 10 0\n"
    "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\tEnd Site\n"
    "\t\t{\n"
    "\t\t\tOFFSET 0 5 0\n"
    "\t\t}\n"
    "\t}\n"
    "}\n"
    "MOTION\n"
    "Frames: 3\n"
    "Frame Time: 0.0333333\n"
    "10 20 30 1 2 3 4 5 6\n"
    "11 21 31 1 2 3 4 5 6\n"
    "12 22 32 1 2 3 4 5 6\n";

/// A fixture for import tests: an empty scene to start with; the temporary files removed
/// afterwards.
class ImportTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

/// A shared sample capture with its reference reading.
struct Sample {
    std::string path;
    bvhref::BvhFile file;
};
/// Every shared sample the reference reader reads; one it cannot read is a failure of the
/// calling test and is left out. Empty when there are no samples (see BVHREF_REQUIRE_SAMPLES).
std::vector<Sample> referenceSamples();

// --- export --------------------------------------------------------------------------------

/// What one export call returned, wrote to standard error, and left at its path.
struct ExportRun {
    bool success = false;
    std::string messages;
    std::string text;  ///< the regular file at the path afterwards; "" when there is none
};
/// Calls `translator`.writer on `path` with `options`, capturing standard error.
ExportRun runExport(
    BvhExport& translator, const std::string& path, const std::string& options,
    MPxFileTranslator::FileAccessMode mode = MPxFileTranslator::kExportActiveAccessMode);

/// A fixture for export tests: an empty scene before and after each test, and a folder of
/// its own with the usual target path_ in it.
class ExportTest : public SceneFolderTest {
protected:
    void SetUp() override;
    /// Exports the selection to `path` (path_ when empty) with a new translator, or with
    /// `translator`.
    ExportRun run(const std::string& options, const std::string& path = {});
    ExportRun run(BvhExport& translator, const std::string& options, const std::string& path = {});
    /// The text an export of the selection to path_ with `options` writes; "" (and a
    /// failure, with the messages) when the export fails.
    std::string exported(const std::string& options);
    std::string exported(BvhExport& translator, const std::string& options);

    std::string path_;  ///< out.bvh in the folder
};

// --- cases as data (tests/cases/import, tests/cases/export) ------------------------------

/// The file of case `name` of `direction` ("import" or "export") with `suffix` (".bvh",
/// ".options", ".expected.json", ...); the folder itself for an empty name and suffix.
std::filesystem::path caseFile(const std::string& direction, const std::string& name,
                               const std::string& suffix);
inline std::filesystem::path importCaseFile(const std::string& name, const std::string& suffix) {
    return caseFile("import", name, suffix);
}
inline std::filesystem::path exportCaseFile(const std::string& name, const std::string& suffix) {
    return caseFile("export", name, suffix);
}
/// The names of the cases of `direction`: the files with `extension` there, sorted.
std::vector<std::string> caseNames(const std::string& direction, const std::string& extension);
/// A test name for a case: its name with every character gtest does not take as "_".
std::string caseTestName(const testing::TestParamInfo<std::string>& info);
/// The option string in the file at `path`: its one line without the line end ("" for none).
std::string caseOptions(const std::filesystem::path& path);
/// Loads the scene of export case `name` (its selection included) and returns its option
/// string; a scene that does not load is a failure of the calling test. Case "NAME.VARIANT"
/// exports the scene of NAME.json with its own options file.
std::string loadExportCase(const std::string& name);
/// `text` with every `from` replaced by `to`.
std::string replacedAll(std::string text, const std::string& from, const std::string& to);
/// Writes `text` to the expected file at `path`, or removes the file when `text` is empty.
void rewriteCaseFile(const std::filesystem::path& path, const std::string& text);
/// A failure with a line diff when `actual` differs from the file at `path` (a missing file
/// reads as ""); `what` names the text in the message.
void expectSameText(const std::filesystem::path& path, const std::string& actual,
                    const std::string& what);
/// The same for a scene file (JSON), whose numbers may differ in their last bits from one
/// system's math library to another's.
void expectSameScene(const std::filesystem::path& path, const std::string& actual);

// --- building scenes -----------------------------------------------------------------------

/// A new node of `type` (a joint unless said otherwise) below `parent` with the translation
/// (x, y, z) and the rotation order `order`.
MObject makeJoint(const MObject& parent, const std::string& name, double x = 0, double y = 0,
                  double z = 0,
                  MTransformationMatrix::RotationOrder order = MTransformationMatrix::kXYZ,
                  const std::string& type = "joint");
/// The smallest skeleton an export writes: a joint "Root" at the top and its child "Tip" one
/// unit up. Returns the root.
MObject makeRootWithTip();
/// A new transform (a group) below `parent`.
MObject makeGroup(const MObject& parent, const std::string& name);
/// A new curve on `node`.`attribute` with `keys` (time in UI frames, value).
void animate(const MObject& node, const char* attribute, const Keys& keys);
/// Replaces the active selection by `nodes`, in that order.
void select(const std::vector<MObject>& nodes);

}  // namespace bvhtest
