// Import of malformed and hostile input that is no case of tests/cases/import: files cut at
// every byte, huge nesting and fan-out, binary junk, long lines and memory limits (in child
// processes), paths that are no readable files, FIFOs. Broken structure, odd tokens and
// numbers, and option strings with junk values are import cases there. Each test checks the
// outcome the importer promises (status, message, scene), not merely that it returned.

#include <gtest/gtest.h>
#include <maya/MFileObject.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MVector.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "import/BvhImport.h"
#include "plugin/Registration.h"
#include "standin/Standin.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define BVHIO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BVHIO_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

using bvhref::curveKeys;
using bvhref::ImportRun;
using bvhtest::kDeg;
using bvhtest::keyTimes;
using bvhtest::keyValues;
using bvhtest::kSmallFile;
using bvhtest::lines;
using bvhtest::writeFile;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        ADD_FAILURE() << "test text lacks \"" << from << "\"";
    else
        text.replace(at, from.size(), to);
    return text;
}

std::size_t tokenCount(const std::string& line) {
    std::istringstream in(line);
    std::size_t n = 0;
    for (std::string token; in >> token;) ++n;
    return n;
}

class ReliabilityImport : public bvhtest::SceneFolderTest {
protected:
    std::string write(const std::string& text, const std::string& name = "in.bvh") {
        writeFile(file(name), text);
        return file(name);
    }

    /// Imports `path` as the host does: the registered defaults, then `options`.
    static ImportRun import(const std::string& path, const std::string& options = "") {
        return bvhref::runImport(path, std::string(kImportDefaultOptions) + options);
    }
    ImportRun importText(const std::string& text, const std::string& options = "") {
        return import(write(text), options);
    }

    static MObject node(const std::string& path) { return standin::findNode(path); }
    static unsigned childCount(const std::string& path) {
        const MObject n = node(path);
        return n.isNull() ? 0 : MFnDagNode(n).childCount();
    }
    static MVector translation(const std::string& path) {
        return MFnTransform(node(path)).getTranslation(MSpace::kTransform);
    }

    /// What a child process said on standard error, how it ended and its peak memory.
    struct Child {
        bool exited = false;  // ended by _exit, not by a signal or the deadline
        int status = -1;
        std::string said;
        long peakKb = -1;  // -1: not measured
    };
    /// Imports the file at `path` with `options` in a child process whose address space is
    /// limited to 1 GB, so that a fault cannot take the machine down with it; status 0 for
    /// success.
    static Child importWithinAGigabyte(const std::string& path, const std::string& options) {
        return inChild(
            [&](std::string& said) {
                const ImportRun run = bvhref::runImport(path, options);
                said = run.messages;
                return run.success ? 0 : 1;
            },
            60, std::size_t{1} << 30);
    }

    /// Runs `body` in a child process (its exit status is body's result; what it puts in its
    /// argument is said on standard error), so that a fault or a memory limit cannot take the
    /// tests with it; killed after `seconds`. With `addressSpace`, the child may use at most
    /// that many bytes of address space. Windows cannot fork: there `body` runs in this
    /// process, without a limit and with no peak memory measured, so that what it checks
    /// besides memory is checked there too.
    static Child inChild(const std::function<int(std::string& said)>& body, int seconds = 60,
                         std::size_t addressSpace = 0) {
        Child result;
#ifdef _WIN32
        (void)seconds;
        (void)addressSpace;
        result.status = body(result.said);
        result.exited = true;
        return result;
#else
        int messages[2];
        if (::pipe(messages) != 0) return result;
        const pid_t child = ::fork();
        if (child < 0) return result;
        if (child == 0) {
            ::close(messages[0]);
            ::dup2(messages[1], 2);
            if (addressSpace != 0) {
                const rlimit limit{addressSpace, addressSpace};
                ::setrlimit(RLIMIT_AS, &limit);
            }
            std::string said;
            const int status = body(said);
            std::cerr << said << std::flush;
            std::fflush(stderr);
            ::_exit(status);
        }
        ::close(messages[1]);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{messages[0], POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                ::kill(child, SIGKILL);
                result.said += "[still running after " + std::to_string(seconds) + " s]";
                break;
            }
            char buffer[4096];
            const ssize_t n = ::read(messages[0], buffer, sizeof buffer);
            if (n <= 0) break;
            result.said.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(messages[0]);
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        result.exited =
            WIFEXITED(status) && result.said.find("[still running") == std::string::npos;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.peakKb = usage.ru_maxrss;
        return result;
#endif
    }
};

constexpr const char* kHips = "|bvh_import|Hips";
constexpr const char* kSpine = "|bvh_import|Hips|Spine";
constexpr const char* kEffector = "|bvh_import|Hips|Spine|EffectorSpine";

// Every prefix of a file is a file a truncated download leaves: each imports what its
// complete lines hold, keys only complete frame lines, and reports nothing but warnings.
TEST_F(ReliabilityImport, TruncatedAtEveryByte) {
    for (std::size_t size = 0; size <= kSmallFile.size(); ++size) {
        SCOPED_TRACE("file cut after " + std::to_string(size) + " bytes");
        standin::resetScene();
        const std::string text = kSmallFile.substr(0, size);
        const std::string path = write(text);
        const ImportRun result = import(path);
        ASSERT_TRUE(result.success) << result.messages;
        for (const std::string& line : lines(result.messages))
            EXPECT_EQ(line.rfind(path, 0), 0u) << "messages name the file first: " << line;
        ASSERT_FALSE(node("|bvh_import").isNull());

        std::size_t offsets = 0, frames = 0;
        bool motion = false;
        for (const std::string& line : lines(text)) {
            if (line.find("OFFSET") != std::string::npos) ++offsets;
            if (motion && tokenCount(line) >= 9) ++frames;
            if (line.find("Frame Time:") != std::string::npos) motion = true;
        }
        const std::vector<std::string> joints = {kHips, kSpine, kEffector};
        for (std::size_t j = 0; j < joints.size(); ++j)
            EXPECT_EQ(!node(joints[j]).isNull(), j < offsets) << joints[j];
        EXPECT_EQ(childCount("|bvh_import"), offsets > 0 ? 1u : 0u);
        if (frames > 0) {
            const std::vector<double> all = {11, 12, 13};
            EXPECT_EQ(keyValues(kHips, "translateX"),
                      std::vector<double>(all.begin(), all.begin() + static_cast<long>(frames)));
            EXPECT_EQ(curveKeys(kSpine, "rotateX").size(), frames);
        } else {
            EXPECT_TRUE(curveKeys(kHips, "translateX").empty());
        }
    }
}

TEST_F(ReliabilityImport, TenThousandNestedJoints) {
    constexpr int kDepth = 10000;
    std::string text = "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 1 Zrotation\n";
    for (int i = 1; i < kDepth; ++i)
        text += "JOINT J" + std::to_string(i) + "\n{\nOFFSET 0 1 0\nCHANNELS 1 Zrotation\n";
    for (int i = 0; i < kDepth; ++i) text += "}\n";
    text += "MOTION\nFrames: 2\nFrame Time: 0.04\n";
    for (int f = 1; f <= 2; ++f) {
        for (int i = 0; i < kDepth; ++i) text += std::to_string(f * 10) + " ";
        text += "\n";
    }
    const ImportRun result = importText(text);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.messages, "");
    const MObject deepest = node("J9999");
    ASSERT_FALSE(deepest.isNull());
    int depth = 0;
    for (MObject n = deepest; !n.isNull() && MFnDependencyNode(n).name() != "bvh_import";
         n = MFnDagNode(n).parent(0))
        ++depth;
    EXPECT_EQ(depth, kDepth) << "every joint is the child of the one before it";
    const std::string path = standin::fullPath(deepest);
    const std::vector<double> rz = keyValues(path, "rotateZ");
    ASSERT_EQ(rz.size(), 2u);
    EXPECT_DOUBLE_EQ(rz[0], 10 * kDeg);
    EXPECT_DOUBLE_EQ(rz[1], 20 * kDeg);
}

// At most 100,000 nodes (ROOT, JOINT and End Site blocks): at the limit the file imports, one
// more stops the import at that node's OFFSET line.
TEST_F(ReliabilityImport, HundredThousandNodes) {
    for (const int siblings : {99999, 100000}) {
        SCOPED_TRACE(siblings);
        standin::resetScene();
        std::string text = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 1 Xposition\n";
        for (int i = 0; i < siblings; ++i) text += "End Site\n{\nOFFSET 1 0 0\n}\n";
        text += "}\nMOTION\nFrames: 1\nFrame Time: 0.04\n5\n";
        const ImportRun result = importText(text);
        if (siblings == 99999) {
            EXPECT_TRUE(result.success) << result.messages;
            EXPECT_EQ(childCount(kHips), static_cast<unsigned>(siblings));
            EXPECT_EQ(keyValues(kHips, "translateX"), std::vector<double>{5});
        } else {
            EXPECT_FALSE(result.success);
            EXPECT_NE(result.messages.find(
                          ":400004: more than 100000 joints and end sites; the import stopped\n"),
                      std::string::npos)
                << result.messages;
        }
    }
}

// Binary junk: no section keyword line, so nothing but the transform. (NUL bytes and bytes
// that are no UTF-8 in a name or a number are import cases, tests/cases/import.)
TEST_F(ReliabilityImport, BinaryJunk) {
    std::mt19937 random(7);
    std::string junk(1 << 16, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const ImportRun result = importText(junk);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.messages, "");
    EXPECT_EQ(childCount("|bvh_import"), 0u);
}

// Lines of 100 MB. Each costs memory for the line itself and nothing in proportion to what it
// holds: a frame line keys only as many values as there are channels, an OFFSET line reads
// three numbers; a CHANNELS line of millions of names or a name of millions of characters is
// refused with the file and line named. The import runs in a child process, whose peak
// memory is measured.
TEST_F(ReliabilityImport, HundredMegabyteLines) {
    constexpr std::size_t kLine = 100u << 20;
    struct Case {
        const char* what;
        std::string before;  // text before the long line
        std::string piece;   // repeated to make the long line
        std::string after;   // text after it
        bool ok;
        std::string message;  // after "<path>:"; empty for none
        std::string scene;    // the root's translateX keys and the Spine's translation
    };
    // The Spine's lines of the small file, each replaced by a long line.
    const std::string offsetLine = "\t\tOFFSET 0 10 0\n";
    const std::string channelsLine = "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n";
    const std::string headerLine = "\tJOINT Spine\n";
    auto before = [](const std::string& line) {
        return kSmallFile.substr(0, kSmallFile.find(line));
    };
    auto after = [](const std::string& line) {
        return "\n" + kSmallFile.substr(kSmallFile.find(line) + line.size());
    };
    const Case cases[] = {
        {"no line end", "", "x", "", true, "", "keys spine -1 -1 -1"},
        {"a frame line of fifty million values", kSmallFile, "7 ", "\n13 23 33 1 2 3 4 5 6\n", true,
         "17: warning: the file declares 3 frames and holds 5 frame lines; all 5 are read\n",
         "keys 11 12 13 8 14 spine 0 10 0"},
        {"an OFFSET line of fifty million numbers", before(offsetLine) + "OFFSET 4 5 6 ", "9 ",
         after(offsetLine), true, "", "keys 11 12 13 spine 4 5 6"},
        {"a CHANNELS line of ten million names", before(channelsLine) + "CHANNELS 3 ", "Xrotation ",
         after(channelsLine), false,
         "9: a CHANNELS line with more than 10000 channel names; the import stopped\n", ""},
        {"a joint name of 100 MB", before(headerLine) + "JOINT ", "n", after(headerLine), false,
         "6: a joint name of 104857600 characters is too long (at most 65536); the import "
         "stopped\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = file("long.bvh");
        {
            std::ofstream out(path, std::ios::binary);
            out << c.before;
            std::string chunk;
            while (chunk.size() < (1u << 20)) chunk += c.piece;
            chunk.resize((1u << 20) / c.piece.size() * c.piece.size());
            for (std::size_t written = 0; written < kLine; written += chunk.size()) out << chunk;
            out << c.after;
            ASSERT_TRUE(out.good());
        }
        standin::resetScene();
        Child child = inChild([&](std::string& said) {
            const ImportRun run = import(path);
            // What the scene holds, for the parent after an "@": translateX keys of the root,
            // the Spine's translation.
            std::ostringstream report;
            report << "keys";
            for (double v : keyValues(kHips, "translateX")) report << " " << v;
            const MVector spine = node(kSpine).isNull() ? MVector(-1, -1, -1) : translation(kSpine);
            report << " spine " << spine.x << " " << spine.y << " " << spine.z;
            said = run.messages + "@" + report.str();
            return run.success ? 0 : 1;
        });
        ASSERT_TRUE(child.exited) << child.said;
        std::string said = child.said;
        const std::size_t at = said.rfind('@');
        ASSERT_NE(at, std::string::npos) << said;
        const std::string report = said.substr(at + 1);
        said.resize(at);
        EXPECT_EQ(child.status == 0, c.ok) << said;
        EXPECT_EQ(said, c.message.empty() ? "" : path + ":" + c.message);
        if (!c.scene.empty()) {
            EXPECT_EQ(report, c.scene);
        }
#ifndef BVHIO_ADDRESS_SANITIZER
        // The line (100 MB) is held once, plus a little; the sanitizers add their own.
        if (child.peakKb >= 0) {
            EXPECT_LT(child.peakKb, 300L * 1024) << "peak KB";
        }
#endif
    }
}

// The limits on a joint's name and on the channels of one CHANNELS line: at the limit the
// file imports; one more and the import stops with the line named.
TEST_F(ReliabilityImport, LimitsOnNamesAndChannels) {
    auto channels = [](int count) {
        std::string line = "CHANNELS " + std::to_string(count);
        for (int i = 0; i < count; ++i) line += " Xrotation";
        return line;
    };
    const struct {
        std::string from, to;
        bool ok;
        const char* message;
    } cases[] = {
        {"JOINT Spine", "JOINT " + std::string(65536, 's'), true, ""},
        {"JOINT Spine", "JOINT " + std::string(65537, 's'), false,
         ":6: a joint name of 65537 characters is too long (at most 65536); the import stopped\n"},
        {"CHANNELS 3 Zrotation Xrotation Yrotation", channels(10000), true, ""},
        {"CHANNELS 3 Zrotation Xrotation Yrotation", channels(10001), false,
         ":9: a CHANNELS line with more than 10000 channel names; the import stopped\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to.substr(0, 20) + "... (" + std::to_string(c.to.size()) + ")");
        standin::resetScene();
        const std::string path = write(replaced(kSmallFile, c.from, c.to));
        const ImportRun result = import(path);
        EXPECT_EQ(result.success, c.ok);
        // The short frame lines of the 10,000-channel file are warned about; nothing else is.
        if (c.ok) {
            EXPECT_EQ(result.messages.find("too long"), std::string::npos) << result.messages;
            EXPECT_EQ(childCount(kHips), 1u);
        } else {
            EXPECT_EQ(result.messages, path + c.message);
        }
    }
}

// Paths that name no readable file fail with the one message, before anything is created.
TEST_F(ReliabilityImport, PathsThatAreNoReadableFile) {
    std::vector<std::string> paths = {folder_.string(), (folder_ / "missing.bvh").string(),
                                      (folder_ / "no" / "such" / "folder.bvh").string(), ""};
    if (!bvhtest::permissionsBind()) {
        // Permissions do not stop the superuser; this file refuses reading to everyone.
        if (fs::exists("/proc/sys/vm/drop_caches")) paths.push_back("/proc/sys/vm/drop_caches");
    } else {
#ifndef _WIN32  // Windows marks a file read-only, never unreadable
        const std::string locked = write(kSmallFile, "locked.bvh");
        fs::permissions(locked, fs::perms::none);
        paths.push_back(locked);
#endif
    }
    for (const std::string& path : paths) {
        for (const char* mode : {"", "importSkelton=2;"}) {
            SCOPED_TRACE(path + " " + mode);
            standin::resetScene();
            const ImportRun result = import(path, mode);
            EXPECT_FALSE(result.success);
            EXPECT_EQ(result.messages, path + ": could not be opened for reading\n");
            EXPECT_TRUE(standin::topLevelNodes().empty()) << "nothing is created";
        }
    }
}

// Whole-step re-keying samples every curve at every whole time step from the first key to the
// last, so a small file whose frames lie far apart asks for any number of samples. Whatever it
// asks, the import stays within 1 GB: it re-keys, or it refuses up front with a message about
// the re-keying; it never runs out of memory. Each case runs in a child process whose address
// space is limited to 1 GB, so that a fault cannot take the machine down with it.
TEST_F(ReliabilityImport, WholeStepReKeyingStaysWithinAGigabyte) {
#ifdef BVHIO_ADDRESS_SANITIZER
    GTEST_SKIP() << "an address space limit and AddressSanitizer do not go together";
#else
    struct Case {
        int joints;  // each with three rotation channels
        int frames;
        const char* frameTime;
    };
    // 300 curves x 4.8 million steps from two frames (refused), and 30 curves x 1.67 million
    // steps from 40,000 frames, just under the fifty million keys that re-keying may make at
    // most; 24 frames per second.
    const Case cases[] = {{100, 2, "200000"}, {10, 40000, "1.7355"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.joints * 3) + " curves, " + std::to_string(c.frames) +
                     " frames, Frame Time " + c.frameTime);
        std::string text =
            "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
        for (int i = 1; i < c.joints; ++i)
            text += "JOINT J" + std::to_string(i) +
                    "\n{\nOFFSET 0 1 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
        for (int i = 0; i < c.joints; ++i) text += "}\n";
        text +=
            "MOTION\nFrames: " + std::to_string(c.frames) + "\nFrame Time: " + c.frameTime + "\n";
        for (int f = 1; f <= c.frames; ++f) {
            const std::string value = std::to_string(f % 7) + " ";
            for (int k = 0; k < 3 * c.joints; ++k) text += value;
            text += "\n";
        }
        const std::string path = write(text);
        const std::string options = std::string(kImportDefaultOptions) +
                                    "inputKeys=0;frameRate=0;frameRateNum=24;notFloatingKey=1;";

        const Child child = importWithinAGigabyte(path, options);
        const std::string& said = child.said;
        ASSERT_TRUE(child.exited) << "the import died or hung: " << said;
        if (child.status == 0) {
            EXPECT_EQ(said, "") << "re-keyed within 1 GB";
        } else {
            EXPECT_EQ(said.rfind(path + ": ", 0), 0u) << said;
            EXPECT_NE(said.find("re-keying"), std::string::npos)
                << "refused up front, not by running out of memory: " << said;
        }
    }
#endif
}

// Keys take memory in proportion to the keys: 30,000 curves of one key each are a few
// megabytes, where a block of 8,192 values per curve took 2 GB.
TEST_F(ReliabilityImport, ManyCurvesOfOneFrameStayWithinAGigabyte) {
#ifdef BVHIO_ADDRESS_SANITIZER
    GTEST_SKIP() << "an address space limit and AddressSanitizer do not go together";
#else
    // 10,000 joints with three rotation channels, in chains of 20 below the root.
    std::string text = "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
    std::string frame = "1 2 3";
    int open = 1;  // blocks open, the root's first
    for (int i = 1; i < 10000; ++i) {
        text += "JOINT J" + std::to_string(i) +
                "\n{\nOFFSET 0 1 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
        ++open;
        frame += " 1 2 3";
        if (i % 20 == 0)
            for (; open > 1; --open) text += "}\n";
    }
    for (; open > 0; --open) text += "}\n";
    text += "MOTION\nFrames: 1\nFrame Time: 0.04\n" + frame + "\n";
    const Child child = importWithinAGigabyte(write(text), kImportDefaultOptions);
    ASSERT_TRUE(child.exited) << "the import died or hung: " << child.said;
    EXPECT_EQ(child.status, 0) << child.said;
    EXPECT_EQ(child.said, "");
#endif
}

// A file that opens but cannot be read to its end is a failure with a message, not a
// successful import of whatever came before.
TEST_F(ReliabilityImport, ReadErrorIsAFailure) {
    const std::string path = "/proc/self/mem";  // opens, and every read fails (EIO)
    if (!fs::exists(path)) GTEST_SKIP() << "no " << path;
    const ImportRun result = import(path);
    EXPECT_FALSE(result.success);
    ASSERT_EQ(lines(result.messages).size(), 1u) << result.messages;
    EXPECT_EQ(result.messages.rfind(path + ": ", 0), 0u) << result.messages;
}

// A FIFO is read like a file while something writes to it. One that nobody writes to must
// not block the host forever.
TEST_F(ReliabilityImport, Fifo) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are POSIX's";
#else
    const std::string fifo = (folder_ / "pipe.bvh").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << kSmallFile; });
        const ImportRun result = import(fifo);
        writer.join();
        EXPECT_TRUE(result.success);
        EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 12, 13}));
    }

    standin::resetScene();
    auto pending = std::async(std::launch::async, [&] { return import(fifo); });
    const bool returned = pending.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    if (!returned) {
        ADD_FAILURE() << "importing a FIFO that nobody writes to blocked the host";
        // Release the importer: a writer that closes at once gives it an empty file.
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        if (fd >= 0) ::close(fd);
    }
    const ImportRun result = pending.get();
    if (returned && !result.success) {
        EXPECT_EQ(result.messages, fifo + ": could not be opened for reading\n");
    } else if (returned) {
        EXPECT_EQ(childCount("|bvh_import"), 0u) << "nothing was written, nothing imported";
    }
#endif
}

}  // namespace
