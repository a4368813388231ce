// The format's reader, without the host: reader cases kept as data in tests/cases/reader (a
// BVH file and, in NAME.expected, what the reader makes of it, step by step), and the row
// limit, which the cases do not vary.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bvh/NumberFormat.h"
#include "bvh/Reader.h"
#include "bvh/Vocabulary.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(BVHIO_SOURCE_DIR) / "tests" / "cases" / "reader";

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string numbers(const double* values, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += (i ? " " : "") + bvh::formatNumber(values[i]);
    return text;
}

/// Everything the reader tells of `bytes`, one line per node, channel, message, frame and
/// section end, in the order it tells it.
std::string describe(const std::string& bytes, std::size_t rowLimit = static_cast<std::size_t>(-1)) {
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    bvh::Reader reader;
    reader.attach(file);
    if (rowLimit != static_cast<std::size_t>(-1)) reader.setRowLimit(rowLimit);
    std::ostringstream out;
    std::size_t nodes = 0;
    std::size_t channels = 0;
    const auto table = [&]() {
        const bvh::HierarchyTable& t = reader.table();
        for (; nodes < t.nodes.size(); ++nodes) {
            const bvh::TableNode& n = t.nodes[nodes];
            out << "node " << nodes << " \"" << n.name << "\"" << (n.endSite ? " end site" : "")
                << ": parent " << n.parent << ", offset " << numbers(n.offset, 3) << ", line "
                << n.line << "\n";
        }
        for (; channels < t.channels.size(); ++channels) {
            const bvh::TableChannel& c = t.channels[channels];
            out << "channel " << channels << " "
                << (c.kind < 0 ? "(unknown)" : std::string(bvh::kChannelNames[c.kind]))
                << " of node " << c.node << ", line " << c.line << "\n";
        }
    };
    for (;;) {
        const bvh::Reader::Step step = reader.next();
        for (const bvh::ReadMessage& m : reader.takeMessages())
            out << (m.error ? "error" : "warning") << " line " << m.line
                << (m.node >= 0 ? " node " + std::to_string(m.node) : std::string()) << ": "
                << m.text << "\n";
        if (step == bvh::Reader::Step::kHierarchyEnded) {
            table();
            out << "hierarchy ends at line " << reader.lineNumber() << "\n";
        } else if (step == bvh::Reader::Step::kFrame) {
            out << "frame line " << reader.lineNumber() << ": "
                << numbers(reader.row().data(), reader.row().size()) << "\n";
        } else if (step == bvh::Reader::Step::kEnd || step == bvh::Reader::Step::kError) {
            table();
            const bvh::MotionHeaderValues& m = reader.motion();
            out << (step == bvh::Reader::Step::kEnd ? "end" : "stopped") << " after line "
                << reader.lineNumber() << "; Frames: " << m.declaredFrames << " (line "
                << m.declaredFramesLine << "), Frame Time: " << bvh::formatNumber(m.frameTime)
                << "\n";
            break;
        }
    }
    std::fclose(file);
    return out.str();
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kCases))
        if (entry.path().extension() == ".bvh") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ReaderCase : public testing::TestWithParam<std::string> {};

TEST_P(ReaderCase, TellsTheExpectedTable) {
    const fs::path expected = kCases / (GetParam() + ".expected");
    const std::string actual = describe(readAll(kCases / (GetParam() + ".bvh")));
    if (std::getenv("BVHIO_UPDATE_CASES")) {
        std::ofstream(expected, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(readAll(expected), actual) << "reader case " << expected.string();
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderCase, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A row holds the values a caller uses, never more; a line with fewer gives fewer.
TEST(Reader, RowLimit) {
    const std::string file =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n}\n"
        "MOTION\nFrames: 2\nFrame Time: 0.5\n1 2 3 4 5\n6\n";
    const std::string all = describe(file);
    EXPECT_NE(all.find("frame line 10: 1 2 3\n"), std::string::npos) << all;
    EXPECT_NE(all.find("frame line 11: 6\n"), std::string::npos) << all;
    const std::string one = describe(file, 1);
    EXPECT_NE(one.find("frame line 10: 1\n"), std::string::npos) << one;
    const std::string none = describe(file, 0);
    EXPECT_NE(none.find("frame line 10: \n"), std::string::npos) << none;
}

}  // namespace
