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

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "import/ImportJob.h"
#include "standin/Standin.h"

namespace fs = std::filesystem;

namespace bvhtest {

namespace {

#ifdef _WIN32

/// Sets the access rules of `path`: `deny` refused to everyone, or (empty) no rules at all,
/// which grants everyone everything.
bool setAccessRules(const fs::path& path, DWORD deny) {
    PACL rules = nullptr;
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (deny != 0) {
        if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone))
            return false;
        EXPLICIT_ACCESSW rule{};
        rule.grfAccessPermissions = deny;
        rule.grfAccessMode = DENY_ACCESS;
        rule.grfInheritance = NO_INHERITANCE;
        rule.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        rule.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        rule.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
        if (SetEntriesInAclW(1, &rule, nullptr, &rules) != ERROR_SUCCESS) rules = nullptr;
    }
    std::wstring name = path.wstring();
    const DWORD result = SetNamedSecurityInfoW(
        name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, rules, nullptr);
    if (rules != nullptr) LocalFree(rules);
    if (everyone != nullptr) FreeSid(everyone);
    return result == ERROR_SUCCESS;
}

/// One argument of a command line as the C runtime and CommandLineToArgvW read it back.
std::wstring quotedArgument(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');  // before the closing quote
    return quoted + L"\"";
}

HANDLE inheritableFile(const fs::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

#endif

/// Gives the owner every right on `folder` and what is below it, so that it can be removed
/// whatever a test left locked.
void unlock(const fs::path& folder) {
    std::error_code ec;
#ifdef _WIN32
    setAccessRules(folder, 0);
#endif
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_symlink(ec)) continue;
        if (entry.is_directory(ec))
            unlock(entry.path());
        else
            fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, ec);
    }
}

}  // namespace

std::string readFile(const fs::path& path) {
    // Opened by the path itself: its narrow string would lose characters on Windows.
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) bytes << in.rdbuf();
    return bytes.str();
}

std::string readWritten(const fs::path& path) {
    return replacedAll(readFile(path), kLineEnd, "\n");
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

std::string capturedStderr(const std::function<void()>& body) {
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

long processId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

#ifdef _WIN32

Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             const fs::path& out, const fs::path& err) {
    std::wstring line = quotedArgument(fs::u8path(program).wstring());
    for (const std::string& argument : arguments)
        line += L" " + quotedArgument(fs::u8path(argument).wstring());
    HANDLE input = inheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = inheritableFile(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = inheritableFile(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION info{};
    started_ = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE &&
               error != INVALID_HANDLE_VALUE &&
               CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                              nullptr, nullptr, &startup, &info);
    for (HANDLE handle : {input, output, error})
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (!started_) return;
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    CloseHandle(info.hThread);
}

Child::~Child() {
    if (started_ && !ended_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
    }
    if (process_ != nullptr) CloseHandle(process_);
}

bool Child::interrupt() {
    if (!started_ || ended_) return false;
    // Ctrl-C goes to every process of a console, so a process of its own sends it.
    return runProgram(BVHIO_SEND_CTRL_C, {std::to_string(id_)}).status == 0;
}

int Child::wait(int seconds) {
    if (!started_) return -1;
    if (ended_) return status_;
    if (WaitForSingleObject(process_, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
        status_ = -1;
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        // Ended by Ctrl-C's default handling: not an exit of its own.
        status_ = code == static_cast<DWORD>(STATUS_CONTROL_C_EXIT) ? -1 : static_cast<int>(code);
    }
    ended_ = true;
    return status_;
}

PipeFeed::PipeFeed(const fs::path&, const std::string& name)
    : path_("\\\\.\\pipe\\bvhio-" + std::to_string(processId()) + "-" + name) {
    pipe_ = CreateNamedPipeW(fs::u8path(path_).c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                             PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr);
    event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

PipeFeed::~PipeFeed() {
    close();
    if (event_ != nullptr) CloseHandle(event_);
}

void PipeFeed::close() {
    if (pipe_ == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(pipe_);  // until the reader has taken what was written
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
}

bool PipeFeed::waitForReader(int seconds) {
    if (pipe_ == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED pending{};
    pending.hEvent = event_;
    ResetEvent(event_);
    if (ConnectNamedPipe(pipe_, &pending)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_PIPE_CONNECTED) return true;
    if (code != ERROR_IO_PENDING) return false;
    DWORD ignored = 0;
    if (WaitForSingleObject(event_, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0) {
        CancelIo(pipe_);
        GetOverlappedResult(pipe_, &pending, &ignored, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe_, &pending, &ignored, FALSE) != 0;
}

bool PipeFeed::write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED pending{};
        pending.hEvent = event_;
        ResetEvent(event_);
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 16));
        DWORD written = 0;
        if (!WriteFile(pipe_, bytes.data() + done, size, nullptr, &pending) &&
            GetLastError() != ERROR_IO_PENDING)
            return false;
        if (!GetOverlappedResult(pipe_, &pending, &written, TRUE) || written == 0) return false;
        done += written;
    }
    return true;
}

void lockFolder(const fs::path& folder) {
    setAccessRules(folder, FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY);
}

int runUnprivileged(const std::function<int()>& body) { return body(); }

#else

Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             const fs::path& out, const fs::path& err) {
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int input = ::open("/dev/null", O_RDONLY);
        const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int error = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (input < 0 || output < 0 || error < 0) ::_exit(126);
        ::dup2(input, 0);
        ::dup2(output, 1);
        ::dup2(error, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    started_ = child > 0;
    pid_ = child;
}

Child::~Child() {
    if (started_ && !ended_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool Child::interrupt() { return started_ && !ended_ && ::kill(pid_, SIGINT) == 0; }

int Child::wait(int seconds) {
    if (!started_) return -1;
    if (ended_) return status_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        status_ = -1;
    } else {
        status_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ended_ = true;
    return status_;
}

PipeFeed::PipeFeed(const fs::path& folder, const std::string& name)
    : path_((folder / name).string()) {
    if (::mkfifo(path_.c_str(), 0600) != 0) ADD_FAILURE() << path_ << ": no FIFO made";
    // A reader that goes away must end the writing, not this process.
    oldPipeHandler_ = std::signal(SIGPIPE, SIG_IGN);
}

PipeFeed::~PipeFeed() {
    close();
    std::signal(SIGPIPE, oldPipeHandler_);
}

void PipeFeed::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool PipeFeed::waitForReader(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (fd_ < 0 && std::chrono::steady_clock::now() < deadline) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);  // fails until a reader opened it
        if (fd_ < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fd_ >= 0 && ::fcntl(fd_, F_SETFL, 0) == 0;
}

bool PipeFeed::write(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size();
}

void lockFolder(const fs::path& folder) {
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
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

#endif

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments) {
    static std::atomic<unsigned> runs{0};
    const fs::path base = fs::temp_directory_path() / ("bvhio-run-" + std::to_string(processId()) +
                                                       "-" + std::to_string(++runs));
    const fs::path out = fs::path(base) += ".out", err = fs::path(base) += ".err";
    ProgramRun run;
    {
        Child child(program, arguments, out, err);
        run.status = child.wait(600);
    }
    run.out = readFile(out);
    run.err = readFile(err);
    std::error_code ec;
    fs::remove(out, ec);
    fs::remove(err, ec);
    return run;
}

bool makeSymlink(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    return !ec;
}

bool canRunUnprivileged() {
#ifdef _WIN32
    return permissionsBind();
#else
    return true;  // the superuser's child gives its rights up
#endif
}

bool permissionsBind() {
    static const bool bind = [] {
        const fs::path probe =
            fs::temp_directory_path() / ("bvhio-permission-probe-" + std::to_string(processId()));
        writeFile(probe, "x");
        std::error_code ec;
        fs::permissions(probe, fs::perms::owner_read, ec);
        const bool writable = std::ofstream(probe, std::ios::app).is_open();
        fs::permissions(probe, fs::perms::owner_read | fs::perms::owner_write, ec);
        fs::remove(probe, ec);
        return !writable;
    }();
    return bind;
}

void TempFolderTest::SetUp() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name)
        if (c == '/') c = '_';  // parameterised tests
    folder_ =
        fs::temp_directory_path() / ("bvhio-test-" + std::to_string(processId()) + "-" + name);
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
    bvhimport::ImportJob job(settings, run.importTransform, run.result);
    testing::internal::CaptureStderr();
    run.success = job.run(path, MString(options.c_str())) == MS::kSuccess;
    run.messages = testing::internal::GetCapturedStderr();
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
    if (fs::is_regular_file(path)) run.text = readWritten(path);
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

namespace {

/// True when two JSON documents are the same but for numbers that differ in their last bits.
bool nearlySame(const nlohmann::json& a, const nlohmann::json& b) {
    if (a.is_number() && b.is_number()) {
        const double x = a.get<double>(), y = b.get<double>();
        return x == y || std::fabs(x - y) <= 1e-12 * std::max({1.0, std::fabs(x), std::fabs(y)});
    }
    if (a.type() != b.type() || a.size() != b.size()) return false;
    if (a.is_array()) {
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!nearlySame(a[i], b[i])) return false;
        return true;
    }
    if (a.is_object()) {
        for (auto it = a.begin(); it != a.end(); ++it)
            if (!b.contains(it.key()) || !nearlySame(it.value(), b[it.key()])) return false;
        return true;
    }
    return a == b;
}

}  // namespace

void expectSameScene(const fs::path& path, const std::string& actual) {
    const std::string expected = readFile(path);
    if (actual == expected) return;
    // The sine, cosine and arc tangent of one C library may differ from another's in the
    // last bit: a scene is the same when its numbers are, to twelve digits.
    const nlohmann::json a = nlohmann::json::parse(expected, nullptr, false);
    const nlohmann::json b = nlohmann::json::parse(actual, nullptr, false);
    if (!a.is_discarded() && !b.is_discarded() && nearlySame(a, b)) return;
    expectSameText(path, actual, "scene");
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
