#include "test_support.h"

#include <maya/MFileObject.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MGlobal.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MVector.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "import/ImportJob.h"
#include "standin/Standin.h"

namespace fs = std::filesystem;

namespace bvhtest {

namespace {

/// Gives the owner every right on `folder` and the folders below it, so that it can be
/// removed whatever a test left locked.
void unlock(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (!entry.is_symlink(ec) && entry.is_directory(ec)) unlock(entry.path());
}

}  // namespace

std::string readFile(const fs::path& path) {
    std::string bytes;
    if (!bvhref::readFile(path.string(), bytes)) return "";
    return bytes;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> motionLines(const std::string& text) {
    const std::size_t motion = text.find("MOTION\n");
    if (motion == std::string::npos) return {};
    return lines(text.substr(motion + 7));
}

std::string lineDiff(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    const std::vector<std::string> a = lines(expected), b = lines(actual);
    // The common head and tail are context; the lines between them are matched by their
    // longest common subsequence when that table stays small, else shown whole.
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<std::string> out;
    for (std::size_t i = head > 3 ? head - 3 : 0; i < head; ++i) out.push_back(" " + a[i]);
    if (n * m <= 4'000'000) {
        std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                common[i][j] = a[head + i] == b[head + j]
                                   ? common[i + 1][j + 1] + 1
                                   : std::max(common[i + 1][j], common[i][j + 1]);
        std::size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[head + i] == b[head + j]) {
                out.push_back(" " + a[head + i++]);
                ++j;
            } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
                out.push_back("-" + a[head + i++]);
            } else {
                out.push_back("+" + b[head + j++]);
            }
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) out.push_back("-" + a[head + i]);
        for (std::size_t j = 0; j < m; ++j) out.push_back("+" + b[head + j]);
    }
    for (std::size_t i = a.size() - tail; i < a.size() && i < a.size() - tail + 3; ++i)
        out.push_back(" " + a[i]);
    std::string text = "--- expected\n+++ actual\n@@ first difference at line " +
                       std::to_string(head + 1) + " @@\n";
    for (const std::string& line : out) text += line + "\n";
    if ((!expected.empty() && expected.back() != '\n') !=
        (!actual.empty() && actual.back() != '\n'))
        text += "(the texts differ in a newline at the end)\n";
    return text;
}

std::string shellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string capturedStderr(const std::function<void()>& body) {
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

int runUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : kChildDied;
}

void TempFolderTest::SetUp() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name)
        if (c == '/') c = '_';  // parameterised tests
    folder_ = fs::temp_directory_path() / ("bvhio-test-" + std::to_string(::getpid()) + "-" + name);
    std::error_code ec;
    fs::remove_all(folder_, ec);
    fs::create_directories(folder_);
}

void TempFolderTest::TearDown() {
    unlock(folder_);
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

void SceneFolderTest::SetUp() {
    TempFolderTest::SetUp();
    standin::resetScene();
}

void SceneFolderTest::TearDown() {
    TempFolderTest::TearDown();
    standin::resetScene();
}

bvhref::ImportRun importText(const std::string& text, const std::string& options) {
    return bvhref::runImport(bvhref::writeTempFile(text), options);
}

bvhref::ImportRun importText(BvhImport& translator, const std::string& text,
                             const std::string& options) {
    return bvhref::runImport(translator, bvhref::writeTempFile(text), options);
}

JobRun runJob(bvhimport::ImportSettings& settings, const std::string& path,
              const std::string& options) {
    JobRun run;
    bvhimport::ImportJob job(settings, run.importTransform);
    testing::internal::CaptureStderr();
    run.success = job.run(path, MString(options.c_str())) == MS::kSuccess;
    run.messages = testing::internal::GetCapturedStderr();
    run.currentFrame = job.currentFrame();
    run.framesKeyed = job.framesKeyed();
    run.stoppedAtEndTime = job.stoppedAtEndTime();
    run.keyTimeValue = job.keyTimeValue();
    return run;
}

JobRun jobText(bvhimport::ImportSettings& settings, const std::string& text,
               const std::string& options) {
    return runJob(settings, bvhref::writeTempFile(text), options);
}

std::vector<double> timesOf(const Keys& keys) {
    std::vector<double> times;
    for (const auto& key : keys) times.push_back(key.first);
    return times;
}

std::vector<double> valuesOf(const Keys& keys) {
    std::vector<double> values;
    for (const auto& key : keys) values.push_back(key.second);
    return values;
}

std::vector<double> keyTimes(const std::string& path, const std::string& attribute) {
    return timesOf(bvhref::curveKeys(path, attribute));
}

std::vector<double> keyValues(const std::string& path, const std::string& attribute) {
    return valuesOf(bvhref::curveKeys(path, attribute));
}

void ImportTest::SetUp() { standin::resetScene(); }

void ImportTest::TearDown() { bvhref::removeTempFiles(); }

std::vector<Sample> referenceSamples() {
    std::vector<Sample> samples;
    for (const std::string& path : bvhref::sampleFiles()) {
        Sample sample{path, {}};
        std::string error;
        if (bvhref::loadBvh(path, sample.file, error))
            samples.push_back(std::move(sample));
        else
            ADD_FAILURE() << path << ": " << error;
    }
    return samples;
}

ExportRun runExport(BvhExport& translator, const std::string& path, const std::string& options,
                    MPxFileTranslator::FileAccessMode mode) {
    MFileObject file;
    file.setRawFullName(MString(path.c_str()));
    ExportRun run;
    standin::clearScriptEditor();
    run.messages = capturedStderr([&] {
        run.success = translator.writer(file, MString(options.c_str()), mode) == MS::kSuccess;
    });
    bvhref::expectScriptEditorShows(run.messages);
    if (fs::is_regular_file(path)) run.text = readFile(path);
    return run;
}

void ExportTest::SetUp() {
    SceneFolderTest::SetUp();
    path_ = file("out.bvh");
}

ExportRun ExportTest::run(const std::string& options, const std::string& path) {
    BvhExport translator;
    return run(translator, options, path);
}

ExportRun ExportTest::run(BvhExport& translator, const std::string& options,
                          const std::string& path) {
    return runExport(translator, path.empty() ? path_ : path, options);
}

std::string ExportTest::exported(const std::string& options) {
    BvhExport translator;
    return exported(translator, options);
}

std::string ExportTest::exported(BvhExport& translator, const std::string& options) {
    const ExportRun out = run(translator, options);
    EXPECT_TRUE(out.success) << options << ": " << out.messages;
    return out.success ? out.text : "";
}

fs::path caseFile(const std::string& direction, const std::string& name,
                  const std::string& suffix) {
    return fs::path(BVHIO_SOURCE_DIR) / "tests" / "cases" / direction / (name + suffix);
}

std::vector<std::string> caseNames(const std::string& direction, const std::string& extension) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(caseFile(direction, "", "")))
        if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string caseTestName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

std::string caseOptions(const fs::path& path) {
    std::string options = readFile(path);
    while (!options.empty() && (options.back() == '\n' || options.back() == '\r'))
        options.pop_back();
    return options;
}

std::string loadExportCase(const std::string& name) {
    std::string error;
    // "scene.variant" exports the scene of scene.json with the options of its own file.
    const std::string scene = name.substr(0, name.find('.'));
    EXPECT_TRUE(standin::loadSceneFile(exportCaseFile(scene, ".json").string(), error)) << error;
    return caseOptions(exportCaseFile(name, ".options"));
}

std::string replacedAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

void rewriteCaseFile(const fs::path& path, const std::string& text) {
    if (text.empty())
        fs::remove(path);
    else
        writeFile(path, text);
}

void expectSameText(const fs::path& path, const std::string& actual, const std::string& what) {
    const std::string expected = readFile(path);
    // Reported at the expected file, so that the failure names the case to look at.
    if (actual != expected)
        ADD_FAILURE_AT(path.string().c_str(), 1)
            << "the " << what << " differs from " << path.filename().string() << "\n"
            << lineDiff(expected, actual);
}

MObject makeJoint(const MObject& parent, const std::string& name, double x, double y, double z,
                  MTransformationMatrix::RotationOrder order, const std::string& type) {
    MObject node = standin::createNode(type, parent, name);
    MFnIkJoint fn(node);
    fn.setTranslation(MVector(x, y, z), MSpace::kTransform);
    fn.setRotationOrder(order, false);
    return node;
}

MObject makeRootWithTip() {
    MObject root = makeJoint(MObject::kNullObj, "Root");
    makeJoint(root, "Tip", 0, 1, 0);
    return root;
}

MObject makeGroup(const MObject& parent, const std::string& name) {
    return standin::createNode("transform", parent, name);
}

void animate(const MObject& node, const char* attribute, const Keys& keys) {
    MFnAnimCurve curve;
    curve.create(node, MFnDependencyNode(node).attribute(attribute));
    for (const auto& key : keys) curve.addKey(MTime(key.first, MTime::uiUnit()), key.second);
}

void select(const std::vector<MObject>& nodes) {
    MSelectionList list;
    for (const MObject& node : nodes) list.add(node);
    MGlobal::setActiveSelectionList(list);
}

}  // namespace bvhtest
