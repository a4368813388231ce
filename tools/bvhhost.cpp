// bvhhost: a command-line host for the BVH translators. It loads the plug-in module the way
// the host does, keeps a stand-in scene in memory and drives the registered translators.
//
// Exit status: 0 when the translator reports success, 1 when it reports failure, 2 for a
// usage error (unknown command or flag, unreadable scene file, module that does not load).
// Whatever the translators write to standard error passes through untouched; the host's own
// messages are single lines starting with "bvhhost: ".

#include <maya/MAnimUtil.h>
#include <maya/MDagPath.h>
#include <maya/MFileObject.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <standin/Standin.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bvh/FilePath.h"
#include "bvh/MotionHeader.h"
#include "bvh/Text.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kTranslatorFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "usage: bvhhost [--plugin PATH] [--ui-unit UNIT] [--count-calls] COMMAND ...\n"
    "  translators                 one line per registered translator:\n"
    "                              name, extension, read/write, options script, default options\n"
    "  identify FILE               the translator that recognises FILE, or \"none\"\n"
    "  import FILE [--options STR] [--scene IN.json] [--select NAME ...] [--save OUT.json]\n"
    "  export FILE  --scene IN.json [--select NAME ...] [--options STR]\n"
    "  convert IN.bvh OUT.bvh [--import-options STR] [--export-options STR]\n"
    "--plugin defaults to " BVHIO_PLUGIN_FILE_NAME
    " next to this program; --ui-unit (film, ntsc, 100fps, ...)\n"
    "defaults to film or to the scene file's uiUnit. --count-calls reports on standard error\n"
    "the host API calls of each translator run, by kind. Ctrl-C cancels a running import or\n"
    "export.\n";

/// A mistake on the command line or in what it names; reported on one line, exit status 2.
struct UsageError {
    std::string message;
};

/// How many bytes of a file the host hands to identifyFile.
constexpr std::size_t kIdentifyBytes = 4096;

struct CommandLine {
    std::string plugin;
    bool countCalls = false;
    std::optional<MTime::Unit> uiUnit;
    std::string command;
    std::vector<std::string> positional;
    std::optional<std::string> options;
    std::optional<std::string> importOptions;
    std::optional<std::string> exportOptions;
    std::optional<std::string> scene;
    std::optional<std::string> save;
    std::optional<std::vector<std::string>> select;
};

bool isFlag(const std::string& word) { return word.size() > 1 && word.compare(0, 2, "--") == 0; }

/// This program's own file; empty when the system does not say.
std::filesystem::path executablePath() {
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (length == 0) return {};
        if (length < name.size()) return std::filesystem::path(name.substr(0, length));
        name.resize(name.size() * 2);
    }
#else
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self;
#endif
}

std::string defaultPluginPath() {
    const std::filesystem::path self = executablePath();
    if (self.empty()) return BVHIO_PLUGIN_FILE_NAME;
    return (self.parent_path() / BVHIO_PLUGIN_FILE_NAME).u8string();
}

struct CommandShape {
    const char* name;
    std::size_t positionals;
    std::vector<std::string> flags;
};

const std::vector<CommandShape>& commandShapes() {
    static const std::vector<CommandShape> shapes = {
        {"translators", 0, {}},
        {"identify", 1, {}},
        {"import", 1, {"--options", "--scene", "--select", "--save"}},
        {"export", 1, {"--scene", "--select", "--options"}},
        {"convert", 2, {"--import-options", "--export-options"}},
    };
    return shapes;
}

std::string takeValue(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
    return args[++i];
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    std::size_t i = 0;
    for (; i < args.size() && isFlag(args[i]); ++i) {
        if (args[i] == "--plugin") {
            line.plugin = takeValue(args, i);
        } else if (args[i] == "--count-calls") {
            line.countCalls = true;
        } else if (args[i] == "--ui-unit") {
            const std::string name = takeValue(args, i);
            MTime::Unit unit = MTime::kFilm;
            if (!standin::unitFromName(name, unit))
                throw UsageError{"unknown time unit \"" + name + "\" for --ui-unit"};
            line.uiUnit = unit;
        } else {
            throw UsageError{"unknown option " + args[i]};
        }
    }
    if (i == args.size()) throw UsageError{"no command given (bvhhost --help lists them)"};
    line.command = args[i++];
    auto shape = std::find_if(commandShapes().begin(), commandShapes().end(),
                              [&](const CommandShape& s) { return line.command == s.name; });
    if (shape == commandShapes().end())
        throw UsageError{"unknown command \"" + line.command + "\" (bvhhost --help lists them)"};
    for (; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!isFlag(word)) {
            line.positional.push_back(word);
            continue;
        }
        if (std::find(shape->flags.begin(), shape->flags.end(), word) == shape->flags.end())
            throw UsageError{"unknown option " + word + " for " + line.command};
        if (word == "--select") {
            // Names follow until the next flag; a second --select adds to the same list.
            if (!line.select) line.select.emplace();
            const std::size_t before = line.select->size();
            while (i + 1 < args.size() && !isFlag(args[i + 1])) line.select->push_back(args[++i]);
            if (line.select->size() == before) throw UsageError{"--select needs a node name"};
        } else if (word == "--options") {
            line.options = takeValue(args, i);
        } else if (word == "--import-options") {
            line.importOptions = takeValue(args, i);
        } else if (word == "--export-options") {
            line.exportOptions = takeValue(args, i);
        } else if (word == "--scene") {
            line.scene = takeValue(args, i);
        } else if (word == "--save") {
            line.save = takeValue(args, i);
        }
    }
    if (line.positional.size() != shape->positionals) {
        throw UsageError{line.command + " takes " + std::to_string(shape->positionals) +
                         " file argument" + (shape->positionals == 1 ? "" : "s") + ", got " +
                         std::to_string(line.positional.size())};
    }
    if (line.command == "export" && !line.scene) throw UsageError{"export needs --scene IN.json"};
    return line;
}

struct TranslatorDeleter {
    void operator()(MPxFileTranslator* t) const { delete t; }
};
using TranslatorPtr = std::unique_ptr<MPxFileTranslator, TranslatorDeleter>;

/// Made through the registered creator and destroyed through the virtual destructor, as
/// the host does; the object belongs to the host.
TranslatorPtr makeTranslator(const standin::TranslatorInfo& info) {
    if (info.creator == nullptr) throw UsageError{info.name + " was registered without a creator"};
    return TranslatorPtr(static_cast<MPxFileTranslator*>(info.creator()));
}

const standin::TranslatorInfo& requireTranslator(const std::string& name) {
    const standin::TranslatorInfo* info = standin::findTranslator(name);
    if (info == nullptr) throw UsageError{"the plug-in registered no " + name + " translator"};
    return *info;
}

/// The full path of `path`, normalised, in UTF-8 with forward slashes.
std::string fullPath(const std::string& path) {
    const std::filesystem::path given = bvh::pathFromUtf8(path);
#ifdef _WIN32
    // The system's own, which keeps devices and pipes (\\.\pipe\...) as they are.
    const DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0 || GetFullPathNameW(given.c_str(), length, full.data(), nullptr) >= length)
        return given.generic_u8string();
    full.resize(full.find(L'\0'));
    // By hand: the generic form of std::filesystem merges the two slashes of "\\.\".
    std::replace(full.begin(), full.end(), L'\\', L'/');
    return std::filesystem::path(full).u8string();
#else
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(given, ec);
    return (ec ? given : full).lexically_normal().generic_u8string();
#endif
}

MFileObject fileObject(const std::string& path) {
    // The host hands translators a resolved full path, in UTF-8 with forward slashes (on
    // Windows too: "C:/Users/José/mocap/walk.bvh").
    MFileObject file;
    file.setRawFullName(MString(fullPath(path).c_str()));
    return file;
}

bool countCalls = false;

/// One line on standard error: the host calls of the translator run that just ended.
void reportHostCalls(const std::string& name) {
    std::string line =
        "bvhhost: host calls by " + name + ": " + std::to_string(standin::hostCallTotal());
    const char* separator = " (";
    for (const standin::HostCallCount& call : standin::hostCalls()) {
        line += separator + call.kind + " " + std::to_string(call.count);
        separator = ", ";
    }
    std::cerr << line << (*separator == ',' ? ")\n" : "\n");
}

/// Runs a translator operation; an exception that leaves the plug-in counts as failure.
template <typename Call>
int runTranslator(const std::string& name, Call call) {
    int result = kTranslatorFailed;
    standin::resetHostCalls();
    try {
        const MStatus status = call();
        result = status ? kSuccess : kTranslatorFailed;
    } catch (const std::exception& e) {
        std::cerr << "bvhhost: an exception left " << name << ": " << e.what() << '\n';
    } catch (...) {
        std::cerr << "bvhhost: an exception left " << name << '\n';
    }
    if (countCalls) reportHostCalls(name);
    return result;
}

/// Ctrl-C while a translator computes asks it to stop, as Esc does in the host; at any other
/// time, or a second time, it ends the program as usual.
#ifdef _WIN32
/// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleControl(DWORD event) {
    static std::atomic<bool> asked{false};
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (standin::computationActive() && !asked.exchange(true)) {
        standin::requestInterrupt();
        return TRUE;
    }
    return FALSE;  // the system's own handling: the program ends
}

void catchInterrupts() {
    // A program started in a process group of its own has Ctrl-C turned off; on again.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}
#else
extern "C" void onInterrupt(int) {
    static volatile std::sig_atomic_t asked = 0;
    if (standin::computationActive() && asked == 0) {
        asked = 1;
        standin::requestInterrupt();
        return;
    }
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
}

void catchInterrupts() { std::signal(SIGINT, onInterrupt); }
#endif

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

/// The host's progress bar as one line on standard error, redrawn in place when the shown
/// percentage changes and wiped when the computation ends.
void drawProgress(const standin::ProgressState& state) {
    static int drawn = -1;
    constexpr int kWidth = 40;
    if (!state.showing) {
        if (drawn >= 0) std::cerr << '\r' << std::string(kWidth + 20, ' ') << '\r' << std::flush;
        drawn = -1;
        return;
    }
    const long span = static_cast<long>(state.maximum) - state.minimum;
    const int percent =
        span > 0 ? static_cast<int>((static_cast<long>(state.value) - state.minimum) * 100 / span)
                 : 0;
    if (percent == drawn) return;
    drawn = percent;
    const int filled = percent * kWidth / 100;
    std::cerr << "\rbvhhost: [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << percent
              << "%" << std::flush;
}

void loadScene(const CommandLine& line) {
    standin::resetScene();
    if (line.scene) {
        std::string error;
        if (!standin::loadSceneFile(*line.scene, error)) throw UsageError{error};
    }
    if (line.uiUnit) MTime::setUIUnit(*line.uiUnit);
}

void applySelection(const CommandLine& line) {
    if (!line.select) return;
    MSelectionList list;
    for (const std::string& name : *line.select) {
        MObject node = standin::findNode(name);
        if (node.isNull()) throw UsageError{"--select: no single node named \"" + name + "\""};
        list.add(node);
    }
    MGlobal::setActiveSelectionList(list);
}

/// All nodes of the scene, parents first.
std::vector<MObject> sceneNodes() {
    std::vector<MObject> nodes;
    std::vector<MObject> stack;
    const std::vector<MObject> top = standin::topLevelNodes();
    stack.assign(top.rbegin(), top.rend());
    while (!stack.empty()) {
        MObject node = stack.back();
        stack.pop_back();
        nodes.push_back(node);
        MFnDagNode dag(node);
        for (unsigned int i = dag.childCount(); i-- > 0;) {
            MObject child = dag.child(i);
            if (MFnDagNode(child).parent(0) == node) stack.push_back(child);
        }
    }
    return nodes;
}

void printSummary() {
    static const char* const attributes[] = {"translateX", "translateY", "translateZ",
                                             "rotateX",    "rotateY",    "rotateZ"};
    const MTime::Unit ui = MTime::uiUnit();
    std::size_t joints = 0, curves = 0, keys = 0;
    bool anyKey = false;
    double first = 0, last = 0;
    for (const MObject& node : sceneNodes()) {
        if (node.hasFn(MFn::kJoint)) ++joints;
        MFnDependencyNode dep(node);
        for (const char* attribute : attributes) {
            MObject attr = dep.attribute(attribute);
            if (attr.isNull()) continue;
            MObjectArray animation;
            MAnimUtil::findAnimation(MPlug(node, attr), animation);
            for (unsigned int c = 0; c < animation.length(); ++c) {
                MFnAnimCurve curve(animation[c]);
                const unsigned int n = curve.numKeys();
                ++curves;
                keys += n;
                if (n == 0) continue;
                const double a = curve.time(0).as(ui), b = curve.time(n - 1).as(ui);
                first = anyKey ? std::min(first, a) : a;
                last = anyKey ? std::max(last, b) : b;
                anyKey = true;
            }
        }
    }
    std::cout << "joints: " << joints << "\ncurves: " << curves << "\nkeys: " << keys
              << "\ntime range: ";
    if (anyKey)
        std::cout << first << " .. " << last << " (" << standin::unitName(ui) << ")\n";
    else
        std::cout << "none\n";
}

int listTranslators() {
    for (const standin::TranslatorInfo& info : standin::registeredTranslators()) {
        TranslatorPtr translator = makeTranslator(info);
        const bool read = translator->haveReadMethod(), write = translator->haveWriteMethod();
        const char* access = read && write ? "read/write"
                             : read        ? "read"
                             : write       ? "write"
                                           : "none";
        std::cout << info.name << '\t' << translator->defaultExtension().asChar() << '\t' << access
                  << '\t' << info.optionsScript << '\t' << info.defaultOptions << '\n';
    }
    return kSuccess;
}

int identify(const std::string& path) {
    const std::filesystem::path file = bvh::pathFromUtf8(path);
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) throw UsageError{path + ": is a directory"};
    std::ifstream in(file, std::ios::binary);
    if (!in) throw UsageError{path + ": cannot be opened for reading"};
    std::vector<char> buffer(kIdentifyBytes);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto size = static_cast<short>(in.gcount());
    const MFileObject translatorFile = fileObject(path);
    for (const standin::TranslatorInfo& info : standin::registeredTranslators()) {
        TranslatorPtr translator = makeTranslator(info);
        if (translator->identifyFile(translatorFile, buffer.data(), size) ==
            MPxFileTranslator::kIsMyFileType) {
            std::cout << info.name << '\n';
            return kSuccess;
        }
    }
    std::cout << "none\n";
    return kSuccess;
}

int runImport(const std::string& path, const std::optional<std::string>& options) {
    const standin::TranslatorInfo& info = requireTranslator("BVHimport");
    TranslatorPtr translator = makeTranslator(info);
    // Before the user changes anything, the host passes the registered default options.
    const MString optionString(options ? options->c_str() : info.defaultOptions.c_str());
    const MFileObject file = fileObject(path);
    return runTranslator(info.name, [&] {
        return translator->reader(file, optionString, MPxFileTranslator::kImportAccessMode);
    });
}

int runExport(const std::string& path, const std::optional<std::string>& options) {
    const standin::TranslatorInfo& info = requireTranslator("BVHexport");
    TranslatorPtr translator = makeTranslator(info);
    const MString optionString(options ? options->c_str() : info.defaultOptions.c_str());
    const MFileObject file = fileObject(path);
    return runTranslator(info.name, [&] {
        return translator->writer(file, optionString, MPxFileTranslator::kExportActiveAccessMode);
    });
}

int importCommand(const CommandLine& line) {
    loadScene(line);
    applySelection(line);
    const int result = runImport(line.positional[0], line.options);
    if (result != kSuccess) return result;
    if (line.save) {
        std::string error;
        if (!standin::saveSceneFile(*line.save, error)) throw UsageError{error};
    } else {
        printSummary();
    }
    return kSuccess;
}

int exportCommand(const CommandLine& line) {
    loadScene(line);
    applySelection(line);
    return runExport(line.positional[0], line.options);
}

/// The first joint, in child order, directly under the transform that the import made.
MObject importedRoot(const std::vector<MObject>& before) {
    for (const MObject& top : standin::topLevelNodes()) {
        if (std::find(before.begin(), before.end(), top) != before.end()) continue;
        MFnDagNode dag(top);
        if (std::string(dag.name().asChar()).rfind("bvh_import", 0) != 0) continue;
        for (unsigned int i = 0; i < dag.childCount(); ++i) {
            MObject child = dag.child(i);
            if (child.hasFn(MFn::kJoint)) return child;
        }
    }
    return MObject();
}

/// The time unit whose frame lasts the file's Frame Time, to the digits the file writes it
/// with (the nearest when several do), among the units whose frame length the export writes;
/// nothing when no unit matches or the file has no Frame Time.
std::optional<MTime::Unit> unitOfFrameTime(const std::string& frameTimeText) {
    const double seconds = bvh::parseDouble(frameTimeText);
    if (!(seconds > 0 && std::isfinite(seconds))) return std::nullopt;
    const double precision = bvh::writtenPrecision(frameTimeText);
    std::optional<MTime::Unit> best;
    double bestDistance = 0;
    for (int u = MTime::kHours; u <= MTime::k90FPS; ++u) {
        const auto unit = static_cast<MTime::Unit>(u);
        const double distance = std::fabs(MTime(1.0, unit).as(MTime::kSeconds) - seconds);
        // A relative allowance for the rounding of the two numbers themselves.
        if (distance > precision + seconds * 1e-12) continue;
        if (!best || distance < bestDistance) {
            best = unit;
            bestDistance = distance;
        }
    }
    return best;
}

/// Sets the UI unit to the one whose frames last the file's Frame Time, so that the written
/// file keeps it (key mode writes the UI unit's frame length), and says which it chose.
void chooseUiUnitForFile(const std::string& path) {
    std::string frameTime;
    if (!bvh::readFrameTimeText(path, frameTime)) return;
    const std::optional<MTime::Unit> unit = unitOfFrameTime(frameTime);
    if (unit) {
        MTime::setUIUnit(*unit);
        std::cerr << "bvhhost: " << path << ": Frame Time " << frameTime << " is a frame of "
                  << standin::unitName(*unit) << "; the UI unit is " << standin::unitName(*unit)
                  << '\n';
    } else {
        std::cerr << "bvhhost: " << path << ": no time unit has frames of Frame Time "
                  << bvh::clippedForMessage(frameTime) << "; the UI unit stays "
                  << standin::unitName(MTime::uiUnit()) << " (--ui-unit chooses another)\n";
    }
}

int convertCommand(const CommandLine& line) {
    standin::resetScene();
    if (line.uiUnit)
        MTime::setUIUnit(*line.uiUnit);
    else
        chooseUiUnitForFile(line.positional[0]);
    const std::vector<MObject> before = standin::topLevelNodes();
    const int imported = runImport(line.positional[0], line.importOptions);
    if (imported != kSuccess) return imported;
    MObject root = importedRoot(before);
    if (root.isNull()) {
        std::cerr << "bvhhost: " << line.positional[0]
                  << ": the import made no joint under bvh_import; nothing to export\n";
        return kTranslatorFailed;
    }
    MSelectionList selection;
    selection.add(root);
    MGlobal::setActiveSelectionList(selection);
    return runExport(line.positional[1], line.exportOptions);
}

int runCommand(const CommandLine& line) {
    if (line.command == "translators") return listTranslators();
    if (line.command == "identify") return identify(line.positional[0]);
    if (line.command == "import") return importCommand(line);
    if (line.command == "export") return exportCommand(line);
    return convertCommand(line);
}

int run(const std::vector<std::string>& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsageText;
        return kSuccess;
    }
    CommandLine line = parseCommandLine(args);
    if (line.plugin.empty()) line.plugin = defaultPluginPath();
    countCalls = line.countCalls;
    catchInterrupts();
    if (standardErrorIsTerminal()) standin::setProgressObserver(drawProgress);
    standin::PluginModule module;
    std::string error;
    if (!module.load(line.plugin, error)) throw UsageError{error};
    const int result = runCommand(line);
    std::cout.flush();
    if (!module.unload(error)) std::cerr << "bvhhost: " << line.plugin << ": " << error << '\n';
    return result;
}

/// The command line's words in UTF-8. On Windows they are read as the system holds them,
/// wide, since the narrow argv lacks every character outside the user's code page.
std::vector<std::string> arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; words != nullptr && i < count; ++i)
        result.push_back(std::filesystem::path(words[i]).u8string());
    LocalFree(words);
    return result;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The bytes as written: line ends stay "\n", as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    try {
        return run(arguments(argc, argv));
    } catch (const UsageError& e) {
        std::cout.flush();
        std::cerr << "bvhhost: " << e.message << '\n';
    } catch (const std::exception& e) {
        std::cerr << "bvhhost: " << e.what() << '\n';
    } catch (...) {
        std::cerr << "bvhhost: unexpected error\n";
    }
    return kUsage;
}
