// Import of malformed and hostile input: truncated files, broken structure, odd tokens and
// numbers, huge nesting and fan-out, binary bytes, long lines, paths that are no files, and
// option strings with junk values. Each case checks the outcome the importer promises
// (status, message, scene), not merely that it returned.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <maya/MFileObject.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MVector.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
        long peakKb = 0;
    };
    /// Runs `body` in a child process (its exit status is body's result), so that a fault or
    /// a memory limit set inside cannot take the tests with it; killed after `seconds`.
    static Child inChild(const std::function<int()>& body, int seconds = 60) {
        Child result;
        int messages[2];
        if (::pipe(messages) != 0) return result;
        const pid_t child = ::fork();
        if (child < 0) return result;
        if (child == 0) {
            ::close(messages[0]);
            ::dup2(messages[1], 2);
            const int status = body();
            std::cerr << std::flush;
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

TEST_F(ReliabilityImport, OnlyTheHierarchyKeyword) {
    for (const std::string text : {"HIERARCHY", "HIERARCHY\n", "HIERARCHY\r\n", "HIERARCHY\r"}) {
        standin::resetScene();
        const ImportRun result = importText(text);
        EXPECT_TRUE(result.success);
        EXPECT_EQ(result.messages, "");
        ASSERT_FALSE(node("|bvh_import").isNull());
        EXPECT_EQ(childCount("|bvh_import"), 0u) << "no joint from a file with no blocks";
    }
}

// More "}" than blocks leave the depth at 0: a block after them starts at the top again.
TEST_F(ReliabilityImport, MoreClosingBracesThanBlocks) {
    std::string text = replaced(kSmallFile, "\t}\n}\n",
                                "\t}\n}\n}\n}\n}\nJOINT Late\n{\nOFFSET 1 1 1\nCHANNELS 1 "
                                "Xrotation\n}\n");
    for (std::size_t at = text.find("4 5 6\n"); at != std::string::npos;
         at = text.find("4 5 6\n", at))
        text.replace(at, 6, "4 5 6 90\n");
    const ImportRun result = importText("}\n}\n" + text);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.messages, "");
    EXPECT_FALSE(node(kEffector).isNull()) << "the blocks before the extra braces are intact";
    ASSERT_FALSE(node("|bvh_import|Late").isNull()) << "a block after them is at the top";
    EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 12, 13}));
    const std::vector<double> late = keyValues("|bvh_import|Late", "rotateX");
    ASSERT_EQ(late.size(), 3u);
    EXPECT_DOUBLE_EQ(late[0], 90 * kDeg);
}

// Without braces every block nests in the one before it; the channels still line up.
TEST_F(ReliabilityImport, NoBracesAtAll) {
    const std::string text =
        "HIERARCHY\nROOT A\nOFFSET 0 0 0\nCHANNELS 1 Xposition\nJOINT B\nOFFSET 1 0 0\n"
        "CHANNELS 1 Yposition\nJOINT C\nOFFSET 2 0 0\nCHANNELS 1 Zposition\nMOTION\n"
        "Frames: 1\nFrame Time: 0.04\n5 6 7\n";
    const ImportRun result = importText(text);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.messages, "");
    EXPECT_EQ(keyValues("|bvh_import|A", "translateX"), std::vector<double>{5});
    EXPECT_EQ(keyValues("|bvh_import|A|B", "translateY"), std::vector<double>{6});
    EXPECT_EQ(keyValues("|bvh_import|A|B|C", "translateZ"), std::vector<double>{7});
}

// Lines with missing, extra or non-numeric tokens: missing numbers read as 0, extra tokens
// are ignored, text that is no number reads as C's atof reads it.
TEST_F(ReliabilityImport, BlockLinesWithMissingExtraOrBadTokens) {
    struct Case {
        const char* from;
        const char* to;
        double x, y, z;  // translation of Hips
    };
    const Case cases[] = {
        {"OFFSET 1 2 3", "OFFSET 1", 1, 0, 0},
        {"OFFSET 1 2 3", "OFFSET", 0, 0, 0},
        {"OFFSET 1 2 3", "OFFSET 1 2 3 4 5 6", 1, 2, 3},
        {"OFFSET 1 2 3", "OFFSET a b c", 0, 0, 0},
        {"OFFSET 1 2 3", "OFFSET 1x 2.5.5 -3e", 1, 2.5, -3},
        {"ROOT Hips", "ROOT Hips and more words", 1, 2, 3},
        {"CHANNELS 6 Xposition", "CHANNELS x Xposition", 1, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        standin::resetScene();
        const ImportRun result = importText(replaced(kSmallFile, c.from, c.to));
        EXPECT_TRUE(result.success);
        EXPECT_EQ(result.messages, "");
        ASSERT_FALSE(node(kEffector).isNull());
        const MVector t = translation(kHips);
        EXPECT_DOUBLE_EQ(t.x, c.x);
        EXPECT_DOUBLE_EQ(t.y, c.y);
        EXPECT_DOUBLE_EQ(t.z, c.z);
        EXPECT_EQ(keyValues(kHips, "translateX"),
                  (std::vector<double>{10 + c.x, 11 + c.x, 12 + c.x}));
        EXPECT_EQ(curveKeys(kSpine, "rotateY").size(), 3u);
    }
}

TEST_F(ReliabilityImport, BlockKeywordWithoutAName) {
    // ROOT and JOINT without a name: the joint keeps the host's default name; "End" alone is
    // an end site.
    ImportRun result =
        importText(replaced(replaced(kSmallFile, "ROOT Hips", "ROOT"), "End Site", "End"));
    EXPECT_TRUE(result.success);
    ASSERT_EQ(childCount("|bvh_import"), 1u);
    const MObject root = MFnDagNode(node("|bvh_import")).child(0);
    const std::string rootName = MFnDependencyNode(root).name().asChar();
    EXPECT_FALSE(rootName.empty());
    const std::string spine = "|bvh_import|" + rootName + "|Spine";
    EXPECT_FALSE(node(spine + "|EffectorSpine").isNull());
    EXPECT_EQ(keyValues("|bvh_import|" + rootName, "translateX"),
              (std::vector<double>{11, 12, 13}));

    standin::resetScene();
    result = importText(replaced(kSmallFile, "JOINT Spine", "JOINT"));
    EXPECT_TRUE(result.success);
    ASSERT_EQ(childCount(kHips), 1u);
    EXPECT_EQ(
        curveKeys(
            "|bvh_import|Hips|" +
                std::string(MFnDependencyNode(MFnDagNode(node(kHips)).child(0)).name().asChar()),
            "rotateZ")
            .size(),
        3u);
}

// Numbers as C's atof reads them: nan, inf, out-of-range exponents, negative zero and
// hexadecimal, in OFFSET lines and in frame lines.
TEST_F(ReliabilityImport, SpecialNumbers) {
    struct Case {
        const char* text;
        double value;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {{"nan", std::nan("")}, {"NaN", std::nan("")}, {"inf", inf},
                          {"-inf", -inf},        {"Infinity", inf},     {"1e999", inf},
                          {"-1e999", -inf},      {"1e-999", 0},         {"-0", -0.0},
                          {"0x10", 16},          {"-0x1.8p1", -3},      {"+5", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        standin::resetScene();
        std::string text =
            replaced(kSmallFile, "OFFSET 1 2 3", std::string("OFFSET ") + c.text + " 0 0");
        text = replaced(text, "10 20 30", std::string("0 ") + c.text + " 30");
        const ImportRun result = importText(text);
        EXPECT_TRUE(result.success);
        const double x = translation(kHips).x;
        const std::vector<double> y = keyValues(kHips, "translateY");
        if (!std::isfinite(c.value)) {
            // A frame value that is no number gets no key; an OFFSET is read as it is.
            EXPECT_NE(result.messages.find(":19: warning: not keyed: 1 frame value that is"),
                      std::string::npos)
                << result.messages;
            EXPECT_EQ(y, (std::vector<double>{21, 22}));
            EXPECT_EQ(std::isnan(x), std::isnan(c.value));
            if (!std::isnan(c.value)) {
                EXPECT_EQ(x, c.value);
            }
            continue;
        }
        EXPECT_EQ(result.messages, "");
        ASSERT_EQ(y.size(), 3u);
        {
            EXPECT_EQ(x, c.value);
            EXPECT_EQ(std::signbit(x), std::signbit(c.value)) << "the sign of zero is kept";
            EXPECT_EQ(y[0], c.value);
        }
        EXPECT_EQ(y[1], 21.0) << "the next frame is not disturbed";
    }
}

// The declared channel count is not used: the names decide, whatever the count says.
TEST_F(ReliabilityImport, ChannelCountDisagreesWithNames) {
    for (const char* count : {"2", "6", "60", "-1", "x"}) {
        SCOPED_TRACE(count);
        standin::resetScene();
        const ImportRun result =
            importText(replaced(kSmallFile, "CHANNELS 6", std::string("CHANNELS ") + count));
        EXPECT_TRUE(result.success);
        EXPECT_EQ(keyValues(kHips, "translateZ"), (std::vector<double>{33, 34, 35}));
        EXPECT_EQ(curveKeys(kSpine, "rotateY").size(), 3u);
    }
}

TEST_F(ReliabilityImport, ChannelsLineWithoutNames) {
    for (const char* line : {"CHANNELS 0", "CHANNELS", "CHANNELS 3"}) {
        SCOPED_TRACE(line);
        standin::resetScene();
        const ImportRun result =
            importText(replaced(kSmallFile, "CHANNELS 3 Zrotation Xrotation Yrotation", line));
        EXPECT_TRUE(result.success);
        EXPECT_EQ(result.messages, "") << "extra values in a frame line are ignored silently";
        EXPECT_TRUE(curveKeys(kSpine, "rotateZ").empty());
        EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 12, 13}));
    }
}

// A thousand channel names on one joint, a third of them unknown: the unknown name is named in
// a warning, and every unknown channel keeps its place, so the values after it still reach
// their channels.
TEST_F(ReliabilityImport, AThousandChannelNames) {
    std::string names;
    for (int i = 0; i < 333; ++i) names += " Xposition Wiggle Zrotation";
    names += " Yrotation";
    std::string frame = "10 20 30 1 2 3";
    for (int i = 0; i < 1000; ++i) frame += " " + std::to_string(i);
    std::string text =
        replaced(kSmallFile, "CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS 1000" + names);
    text = text.substr(0, text.find("MOTION")) + "MOTION\nFrames: 1\nFrame Time: 0.04\n" + frame +
           "\n";
    const std::string path = write(text);
    const ImportRun result = import(path);
    EXPECT_TRUE(result.success);
    const std::vector<std::string> messages = lines(result.messages);
    // Warned about, but not necessarily once for every one of its 333 places.
    EXPECT_GE(messages.size(), 1u);
    EXPECT_LE(messages.size(), 333u);
    for (const std::string& line : messages) {
        EXPECT_EQ(line.rfind(path, 0), 0u) << line;
        EXPECT_NE(line.find("Wiggle"), std::string::npos) << line;
    }
    // Channel 999 is the Yrotation; 996 the last Xposition, 998 the last Zrotation.
    const std::vector<double> ry = keyValues(kSpine, "rotateY");
    ASSERT_EQ(ry.size(), 1u);
    EXPECT_DOUBLE_EQ(ry[0], 999 * kDeg);
    EXPECT_EQ(keyValues(kSpine, "translateX"), std::vector<double>{996 + 0.0});
    EXPECT_DOUBLE_EQ(keyValues(kSpine, "rotateZ").at(0), 998 * kDeg);
}

// A name that contains keyword text is a name: it does not open, close or offset a block.
// Characters the host cannot hold in a node name are mapped, with one warning.
TEST_F(ReliabilityImport, JointNamesContainingKeywords) {
    const struct {
        const char* file;
        const char* scene;
    } names[] = {{"LeftFootEnd", "LeftFootEnd"}, {"OFFSETx", "OFFSETx"}, {"a}b", "a_b"},
                 {"ROOTy", "ROOTy"},             {"CHANNELSz", "CHANNELSz"},
                 {"JOINTJOINT", "JOINTJOINT"},   {"x{y", "x_y"},       {"EndSite", "EndSite"},
                 {"Time:", "Time"},              {"Frames:", "Frames"}};
    for (const auto& [file, name] : names) {
        SCOPED_TRACE(file);
        standin::resetScene();
        const ImportRun result =
            importText(replaced(kSmallFile, "JOINT Spine", std::string("JOINT ") + file));
        EXPECT_TRUE(result.success);
        if (std::string(file) == name)
            EXPECT_EQ(result.messages, "");
        else
            EXPECT_NE(result.messages.find(": warning: 1 joint names are not names the host can "
                                           "hold or clash with a sibling's; they were changed: " +
                                           std::string(file) + " -> " + name + "\n"),
                      std::string::npos)
                << result.messages;
        const std::string joint = std::string(kHips) + "|" + name;
        ASSERT_FALSE(node(joint).isNull());
        EXPECT_FALSE(node(joint + "|Effector" + name).isNull());
        EXPECT_EQ(childCount("|bvh_import"), 1u);
        EXPECT_EQ(translation(joint).y, 10.0);
        EXPECT_EQ(curveKeys(joint, "rotateX").size(), 3u);
        EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 12, 13}));
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

// Frame lines: too few values are not keyed (a warning names the line) but still count as a
// frame; extra values are ignored; text that is no number reads as atof reads it.
TEST_F(ReliabilityImport, FrameLinesWithWrongValues) {
    std::string text = replaced(kSmallFile, "11 21 31 1 2 3 4 5 6", "11 21 31");
    text = replaced(text, "12 22 32 1 2 3 4 5 6", "abc 22x 32 1 2 3 4 5 6 7 8 9 10");
    const std::string path = write(text);
    const ImportRun result = import(path);
    EXPECT_TRUE(result.success);
    ASSERT_EQ(lines(result.messages).size(), 1u) << result.messages;
    EXPECT_EQ(lines(result.messages)[0].rfind(path + ":20:", 0), 0u)
        << "the warning names the file and line 20: " << result.messages;
    EXPECT_EQ(keyTimes(kHips, "translateX"), (std::vector<double>{1, 3}))
        << "the short line counts as frame 2 but gets no key";
    EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 1}));
    EXPECT_EQ(keyValues(kHips, "translateY"), (std::vector<double>{22, 24}));
}

// Blank and whitespace-only lines anywhere, and runs of blanks and tabs between tokens,
// change nothing: the scene equals that of the plain file.
TEST_F(ReliabilityImport, BlankLinesAndWhitespaceRuns) {
    ASSERT_TRUE(importText(kSmallFile).success);
    const std::string expected = standin::sceneToJson();

    std::string blanks = "\n \n\t\n";
    for (const std::string& line : lines(kSmallFile)) blanks += line + "\n \t \n\n\r\n";
    std::string runs;
    for (char c : kSmallFile) runs += c == ' ' ? std::string("  \t ") : std::string(1, c);
    std::string leading;
    for (const std::string& line : lines(kSmallFile))
        leading += line == "HIERARCHY" || line == "MOTION" ? line + "\n" : "   " + line + "  \n";
    for (const std::string& text : {blanks, runs, leading}) {
        standin::resetScene();
        const ImportRun result = importText(text);
        EXPECT_TRUE(result.success);
        EXPECT_EQ(result.messages, "");
        EXPECT_EQ(standin::sceneToJson(), expected);
    }
}

TEST_F(ReliabilityImport, NulBytesAndInvalidUtf8) {
    std::string text = replaced(kSmallFile, "Spine", std::string("Sp\0ine", 6));
    text = replaced(text, "11 21", std::string("11\0 21", 6));
    ImportRun result = importText(text);
    EXPECT_TRUE(result.success);
    ASSERT_EQ(childCount(kHips), 1u);
    const MObject spine = MFnDagNode(node(kHips)).child(0);
    const std::string spineName = MFnDependencyNode(spine).name().asChar();
    EXPECT_EQ(spineName.size(), 6u) << "a NUL byte does not cut the name short";
    EXPECT_EQ(MFnDagNode(spine).childCount(), 1u);
    EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{11, 12, 13}))
        << "a NUL byte ends a number as any other non-digit does";

    standin::resetScene();
    result = importText(replaced(kSmallFile, "Spine", "Sp\xff\xfe\xc3"));
    EXPECT_TRUE(result.success);
    EXPECT_FALSE(node(std::string(kHips) + "|Sp___").isNull())
        << "bytes the host cannot hold in a name become '_'";

    // Binary junk: no section keyword line, so nothing but the transform.
    standin::resetScene();
    std::mt19937 random(7);
    std::string junk(1 << 16, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    result = importText(junk);
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
        Child child = inChild([&] {
            const ImportRun run = import(path);
            // What the scene holds, for the parent after an "@": translateX keys of the root,
            // the Spine's translation.
            std::ostringstream report;
            report << "keys";
            for (double v : keyValues(kHips, "translateX")) report << " " << v;
            const MVector spine = node(kSpine).isNull() ? MVector(-1, -1, -1) : translation(kSpine);
            report << " spine " << spine.x << " " << spine.y << " " << spine.z;
            std::cerr << run.messages << "@" << report.str();
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
        EXPECT_LT(child.peakKb, 300L * 1024) << "peak KB";
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
    if (::geteuid() == 0) {
        // Permissions do not stop the superuser; this file refuses reading to everyone.
        if (fs::exists("/proc/sys/vm/drop_caches")) paths.push_back("/proc/sys/vm/drop_caches");
    } else {
        const std::string locked = write(kSmallFile, "locked.bvh");
        ::chmod(locked.c_str(), 0);
        paths.push_back(locked);
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

        const Child child = inChild([&] {
            const rlimit limit{rlim_t{1} << 30, rlim_t{1} << 30};
            ::setrlimit(RLIMIT_AS, &limit);
            BvhImport translator;
            MFileObject file;
            file.setRawFullName(MString(path.c_str()));
            const MStatus status = translator.reader(file, MString(options.c_str()),
                                                     MPxFileTranslator::kImportAccessMode);
            return status == MS::kSuccess ? 0 : 1;
        });
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
}

// Option strings with junk values: each gives a defined result.
TEST_F(ReliabilityImport, OptionStringsWithJunkValues) {
    struct Case {
        const char* options;
        bool ok;
        const char* message;  // text the one message line contains; null: no message
        std::function<void()> check;
    };
    const auto hipsTimes = [](std::vector<double> expected) {
        return [expected] {
            const std::vector<double> got = keyTimes(kHips, "translateX");
            ASSERT_EQ(got.size(), expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-6);
        };
    };
    const auto nothingCreated = [] { EXPECT_TRUE(standin::topLevelNodes().empty()); };
    const Case cases[] = {
        {"inputKeys=0;frameRate=0;frameRateNum=-24;", false, "frameRateNum", nothingCreated},
        {"inputKeys=0;frameRate=0;frameRateNum=0;", false, "frameRateNum", nothingCreated},
        {"inputKeys=0;frameRate=0;frameRateNum=nan;", false, "frameRateNum", nothingCreated},
        {"inputKeys=0;frameRate=0;frameRateNum=-inf;", false, "frameRateNum", nothingCreated},
        {"inputKeys=1;frameRate=0;frameRateNum=-24;", true, nullptr, hipsTimes({1, 2, 3})},
        {"inputKeys=0;frameRate=1;frameRateUnit=0fps;", true, nullptr,
         hipsTimes({1, 1 + 0.0333333 * 24, 1 + 2 * (0.0333333 * 24)})},
        {"inputKeys=0;frameRate=1;frameRateUnit=-5fps;", true, nullptr,
         hipsTimes({1, 1 + 0.0333333 * 24, 1 + 2 * (0.0333333 * 24)})},
        {"importFrameRange=3;startFrame=10;endFrame=2;", true, nullptr, hipsTimes({})},
        {"importFrameRange=3;startFrame=-2147483648;endFrame=2147483647;", true, nullptr,
         hipsTimes({1, 2, 3})},
        {"importFrameRange=2;startFrame=2147483647;", true, nullptr, hipsTimes({})},
        {"importFrameRange=3;startFrame=abc;endFrame=x;", true, nullptr, hipsTimes({})},
        // A piece with an empty value names no value and changes nothing.
        {"importFrameRange=3;startFrame=2;endFrame=;", true, nullptr, hipsTimes({1, 2})},
        {"importFrameRange=xyz;startFrame=3;endFrame=3;", true, nullptr, hipsTimes({1, 2, 3})},
        {"pasteTimeRange=-3;endTime=0;", true, nullptr, hipsTimes({1, 2, 3})},
        {"startTime=abc;", true, nullptr, hipsTimes({0, 1, 2})},
        {"inputKeys=0;frameRate=0;frameRateNum=1e9;notFloatingKey=abc;", true, nullptr,
         hipsTimes({1, 1 + 0.0333333e9, 1 + 2 * 0.0333333e9})},
        {"pasteTimeRange=3;endTime=nan;", true, nullptr, hipsTimes({1, 2, 3})},
        {"pasteTimeRange=3;endTime=1e999;", true, nullptr, hipsTimes({1, 2, 3})},
        {"pasteTimeRange=3;endTime=1.5;", true, nullptr, hipsTimes({1, 1.5})},
        {"inputKeys=0;frameRate=0;frameRateNum=1e9;notFloatingKey=1;", false, "re-keying",
         [] { EXPECT_EQ(curveKeys(kHips, "translateX").size(), 3u) << "the read's keys stay"; }},
        {"inputKeys=0;frameRate=1;frameRateUnit=ntsc;notFloatingKey=1;startTime=5;", true, nullptr,
         hipsTimes({5, 6, 7})},
        {"importSkelton=abc;", true, nullptr,
         [] {
             EXPECT_FALSE(node("|bvh_import").isNull());
             EXPECT_EQ(childCount("|bvh_import"), 0u);
         }},
        {"importAnimation=-1;", true, nullptr,
         [] {
             EXPECT_FALSE(node(kEffector).isNull());
             EXPECT_TRUE(curveKeys(kHips, "translateX").empty());
         }},
        {"scale=nan;", true, nullptr,
         [] {
             EXPECT_TRUE(std::isnan(translation(kSpine).y));
             EXPECT_EQ(curveKeys(kSpine, "rotateX").size(), 3u);
         }},
        {"scale=-2;", true, nullptr,
         [] {
             EXPECT_EQ(translation(kSpine).y, -20.0);
             EXPECT_EQ(keyValues(kHips, "translateX"), (std::vector<double>{-22, -24, -26}));
         }},
        {"rotationOrder=xyz;", true, "is not XYZ, YZX, ZXY, XZY, YXZ, ZYX or auto; joints get",
         [] { EXPECT_EQ(static_cast<int>(MFnTransform(node(kSpine)).rotationOrder()), 1); }},
        {"rotationOrder=;", true, nullptr,
         [] { EXPECT_EQ(static_cast<int>(MFnTransform(node(kSpine)).rotationOrder()), 1); }},
        {"clip=x;clipboard=;frameRateUnit=;=;;==;junk=1", true, nullptr, hipsTimes({1, 2, 3})},
    };
    const std::string path = write(kSmallFile);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        standin::resetScene();
        const ImportRun result = import(path, c.options);
        EXPECT_EQ(result.success, c.ok);
        if (c.message == nullptr) {
            EXPECT_EQ(result.messages, "");
        } else {
            ASSERT_EQ(lines(result.messages).size(), 1u) << result.messages;
            EXPECT_EQ(result.messages.rfind(path + ":", 0), 0u) << result.messages;
            EXPECT_NE(result.messages.find(c.message), std::string::npos) << result.messages;
        }
        c.check();
    }
}

}  // namespace
