// The plug-in as the host gets it. A nested build configured with -DMAYA_LOCATION pointing
// at a devkit-shaped folder made from the stand-in (include/maya/ and the SDK's library
// names) must compile and link the unchanged sources and give a module that bvhhost loads;
// `cmake --install` must lay out a module folder whose plug-in bvhhost loads too. Both
// modules export only the three symbols the host looks up.

#include <gtest/gtest.h>

#ifdef BVHIO_DEVKIT_DIR  // Linux only (cmake/BvhioDevkit.cmake)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

#ifdef BVHIO_DEVKIT_DIR

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and standard error
};

using bvhtest::lines;
using bvhtest::readFile;

CommandResult run(const std::string& program, const std::vector<std::string>& arguments) {
    const bvhtest::ProgramRun r = bvhtest::runProgram(program, arguments);
    return {r.status, r.out + r.err};
}

std::string bvhhost(const std::string& module, std::vector<std::string> arguments, int* status) {
    arguments.insert(arguments.begin(), {"--plugin", module});
    const CommandResult r = run(BVHIO_BVHHOST, arguments);
    *status = r.status;
    return r.output;
}

// The dynamic symbols a module defines, demangled.
std::set<std::string> exportedSymbols(const std::string& module) {
    const CommandResult r = run("nm", {"-D", "-C", "--defined-only", module});
    EXPECT_EQ(r.status, 0) << r.output;
    std::set<std::string> names;
    for (const std::string& line : lines(r.output)) {
        // "<address> <type> <name>", the name possibly containing blanks.
        const size_t type = line.find(' ');
        if (type == std::string::npos || type + 3 > line.size()) continue;
        names.insert(line.substr(type + 3));
    }
    return names;
}

// readelf -d entries of one tag, e.g. NEEDED or RUNPATH.
std::vector<std::string> dynamicEntries(const std::string& file, const std::string& tag) {
    const CommandResult r = run("readelf", {"-d", file});
    EXPECT_EQ(r.status, 0) << r.output;
    std::vector<std::string> values;
    for (const std::string& line : lines(r.output)) {
        if (line.find("(" + tag + ")") == std::string::npos) continue;
        const size_t open = line.find('['), close = line.rfind(']');
        if (open != std::string::npos && close > open)
            values.push_back(line.substr(open + 1, close - open - 1));
    }
    return values;
}

void expectBothTranslators(const std::string& module) {
    int status = 0;
    const std::string listing = bvhhost(module, {"translators"}, &status);
    EXPECT_EQ(status, 0) << listing;
    EXPECT_NE(listing.find("BVHimport\tbvh\tread\tbvhImportOpts\t"), std::string::npos) << listing;
    EXPECT_NE(listing.find("BVHexport\tbvh\twrite\tbvhExportOpts\t"), std::string::npos) << listing;
}

// The entry points take the SDK's MObject, declared in its versioned namespace.
const std::set<std::string> kHostSymbols = {
    "MApiVersion", "initializePlugin(Autodesk::Maya::OpenMaya20220000::MObject)",
    "uninitializePlugin(Autodesk::Maya::OpenMaya20220000::MObject)"};

// One nested configure and build for the whole suite: it is the slow part.
class DevkitBuild : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string dir = buildDir();
        // ctest runs each test in a process of its own, possibly several at once: one
        // nested build at a time.
        fs::create_directories(dir);
        const int lock = ::open((dir + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        if (lock >= 0) ::flock(lock, LOCK_EX);
        std::vector<std::string> arguments = {
            "-S", BVHIO_SOURCE_DIR, "-B", dir, "-G", BVHIO_CMAKE_GENERATOR,
            std::string("-DCMAKE_MAKE_PROGRAM=") + BVHIO_CMAKE_MAKE_PROGRAM,
            std::string("-DCMAKE_CXX_COMPILER=") + BVHIO_CXX_COMPILER,
            // No optimisation: this build checks that the sources compile and link against
            // the SDK layout; the main build checks the rest.
            "-DCMAKE_BUILD_TYPE=", std::string("-DMAYA_LOCATION=") + BVHIO_DEVKIT_DIR,
            // Off by default against an SDK; on here, so that a deprecated call fails.
            "-DBVHIO_WERROR=ON"};
        // The same standard library as this build (libc++ with clang's toolchain file).
        if (*BVHIO_CMAKE_TOOLCHAIN_FILE != 0)
            arguments.push_back(std::string("-DCMAKE_TOOLCHAIN_FILE=") +
                                BVHIO_CMAKE_TOOLCHAIN_FILE);
        configure_ = run(BVHIO_CMAKE_COMMAND, arguments);
        if (configure_.status == 0)
            build_ = run(BVHIO_CMAKE_COMMAND, {"--build", dir, "--target", "bvhio", "-j2"});
        if (lock >= 0) ::close(lock);  // also releases the lock
    }
    static std::string buildDir() { return std::string(BVHIO_BINARY_DIR) + "/devkit-build"; }
    static std::string module() { return buildDir() + "/bvhio.so"; }
    void SetUp() override {
        ASSERT_EQ(configure_.status, 0) << "configure against the devkit folder failed:\n"
                                        << configure_.output;
        ASSERT_EQ(build_.status, 0) << "build against the devkit folder failed:\n" << build_.output;
    }
    static CommandResult configure_;
    static CommandResult build_;
};

CommandResult DevkitBuild::configure_;
CommandResult DevkitBuild::build_;

TEST_F(DevkitBuild, LoadedModuleRegistersBothTranslators) {
    ASSERT_TRUE(fs::exists(module())) << "no " << module();
    expectBothTranslators(module());
}

TEST_F(DevkitBuild, BuildsOnlyThePluginWithTheSdkConventions) {
    const std::string commands = readFile(buildDir() + "/compile_commands.json");
    ASSERT_FALSE(commands.empty());
    for (const char* flag : {"-DLINUX", "-D_BOOL", "-DREQUIRE_IOSTREAM", "-std=c++17",
                             "-fvisibility=hidden", "-fvisibility-inlines-hidden"})
        EXPECT_NE(commands.find(flag), std::string::npos) << flag;
    // The SDK headers come from the devkit folder, not from the stand-in's sources.
    EXPECT_NE(commands.find(std::string(BVHIO_DEVKIT_DIR) + "/include"), std::string::npos);
    EXPECT_EQ(commands.find(std::string(BVHIO_SOURCE_DIR) + "/host/"), std::string::npos)
        << "the stand-in is built or included in the real-SDK build";
    EXPECT_FALSE(fs::exists(buildDir() + "/bvhhost")) << "tools are not part of this build";
}

// The module links the three SDK libraries of the devkit folder. libOpenMaya there is the
// stand-in under the SDK's name and keeps the stand-in's SONAME, so that in a process that
// already holds the stand-in the module binds to it instead of loading a second scene. (The
// two empty libraries provide no symbol, so a linker that drops unused libraries leaves them
// out of the module's dependencies.)
TEST_F(DevkitBuild, LinksTheSdkLibrariesOfTheDevkitFolder) {
    const std::string cache = readFile(buildDir() + "/CMakeCache.txt");
    for (const char* lib : {"OpenMaya", "OpenMayaAnim", "Foundation"}) {
        const std::string entry = std::string("Maya_") + lib +
                                  "_LIBRARY:FILEPATH=" + BVHIO_DEVKIT_DIR + "/lib/lib" + lib +
                                  ".so\n";
        EXPECT_NE(cache.find(entry), std::string::npos) << entry;
    }
    const std::vector<std::string> needed = dynamicEntries(module(), "NEEDED");
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libstandin.so"), needed.end())
        << testing::PrintToString(needed);
    const std::vector<std::string> soname =
        dynamicEntries(std::string(BVHIO_DEVKIT_DIR) + "/lib/libOpenMaya.so", "SONAME");
    EXPECT_EQ(soname, std::vector<std::string>{"libstandin.so"});
}

TEST_F(DevkitBuild, ExportsOnlyTheHostEntryPoints) {
    EXPECT_EQ(exportedSymbols(module()), kHostSymbols);
}

// bvhhost and the devkit-built module share one scene: an import through that module
// leaves in bvhhost's scene what the stand-in build leaves.
TEST_F(DevkitBuild, ImportsIntoTheHostScene) {
    std::vector<fs::path> samples;
    if (fs::is_directory(BVHIO_SAMPLES_DIR))
        for (const auto& entry : fs::directory_iterator(BVHIO_SAMPLES_DIR))
            if (entry.path().extension() == ".bvh") samples.push_back(entry.path());
    if (samples.empty()) {
        if (std::getenv("CI")) FAIL() << "no samples in " << BVHIO_SAMPLES_DIR;
        GTEST_SKIP() << "no samples in " << BVHIO_SAMPLES_DIR;
    }
    std::sort(samples.begin(), samples.end());
    int devkitStatus = 0, standinStatus = 0;
    const std::string devkit =
        bvhhost(module(), {"import", samples.front().string()}, &devkitStatus);
    const std::string standin =
        bvhhost(BVHIO_PLUGIN, {"import", samples.front().string()}, &standinStatus);
    EXPECT_EQ(devkitStatus, standinStatus);
    EXPECT_EQ(devkit, standin);
    EXPECT_EQ(devkitStatus, 0) << devkit;
}

TEST(ModuleSymbols, StandinBuildExportsOnlyTheHostEntryPoints) {
    EXPECT_EQ(exportedSymbols(BVHIO_PLUGIN), kHostSymbols);
}

// cmake --install of this build into a fresh prefix gives the module folder the host
// expects, and its plug-in loads.
TEST(ModuleInstall, LaysOutTheModuleFolderAndThePluginLoads) {
    const fs::path prefix =
        fs::temp_directory_path() / ("bvhio-install-" + std::to_string(bvhtest::processId()));
    fs::remove_all(prefix);
    const CommandResult install =
        run(BVHIO_CMAKE_COMMAND, {"--install", BVHIO_BINARY_DIR, "--prefix", prefix.string()});
    ASSERT_EQ(install.status, 0) << install.output;

    const std::vector<std::string> mod = lines(readFile(prefix / "bvhio.mod"));
    ASSERT_FALSE(mod.empty()) << "no bvhio.mod";
    EXPECT_EQ(mod[0], "+ bvhio 1.1.6 ./bvhio");
    const fs::path root = prefix / "bvhio";
    // Every path the module adds (VARIABLE +:= folder, relative to the module root) exists.
    std::set<std::string> variables;
    for (size_t i = 1; i < mod.size(); ++i) {
        std::stringstream words(mod[i]);
        std::string variable, op, folder;
        words >> variable >> op >> folder;
        if (variable.empty()) continue;
        EXPECT_EQ(op, "+:=") << mod[i];
        EXPECT_TRUE(fs::is_directory(root / folder)) << mod[i];
        variables.insert(variable);
    }
    EXPECT_EQ(variables, (std::set<std::string>{"MAYA_PLUG_IN_PATH", "MAYA_SCRIPT_PATH"}));

    const fs::path plugin = root / "plug-ins" / "bvhio.so";
    for (const char* script : {"bvhImportOpts.mel", "bvhExportOpts.mel"}) {
        const fs::path installed = root / "scripts" / script;
        EXPECT_EQ(readFile(installed), readFile(fs::path(BVHIO_SOURCE_DIR) / "scripts" / script))
            << installed;
    }
    ASSERT_TRUE(fs::exists(plugin)) << plugin;
    // The installed module must not depend on the build tree.
    for (const std::string& path : dynamicEntries(plugin.string(), "RUNPATH"))
        EXPECT_EQ(path.find(BVHIO_BINARY_DIR), std::string::npos) << path;
    for (const std::string& path : dynamicEntries(plugin.string(), "RPATH"))
        EXPECT_EQ(path.find(BVHIO_BINARY_DIR), std::string::npos) << path;

    expectBothTranslators(plugin.string());
    EXPECT_EQ(exportedSymbols(plugin.string()), kHostSymbols);
    fs::remove_all(prefix);
}

#else

TEST(DevkitBuild, NeedsAnElfPlatform) {
    GTEST_SKIP() << "the devkit-shaped build and the installed module's checks are Linux only";
}

#endif

}  // namespace
