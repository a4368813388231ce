// Line reading: every line end, any line length, tabs.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bvh/LineReader.h"

namespace {

std::vector<std::string> readAll(const std::string& bytes, bool* crMode = nullptr) {
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    bvh::LineReader reader;
    reader.attach(f);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    EXPECT_EQ(reader.lineNumber(), lines.size());
    EXPECT_FALSE(reader.failed());
    if (crMode) *crMode = reader.carriageReturnLines();
    std::fclose(f);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEnds) {
    const struct {
        const char* name;
        std::string bytes;
        Lines expected;
    } cases[] = {
        {"LF", "HIERARCHY\nROOT a\n", {"HIERARCHY", "ROOT a"}},
        {"CRLF", "HIERARCHY\r\nROOT a\r\n", {"HIERARCHY", "ROOT a"}},
        {"lone CR", "HIERARCHY\rROOT a\r", {"HIERARCHY", "ROOT a"}},
        {"no final end", "HIERARCHY\nROOT a", {"HIERARCHY", "ROOT a"}},
        {"empty", "", {}},
        {"single end", "\n", {""}},
        {"blank lines kept", "a\n\nb\n", {"a", "", "b"}},
        {"lone CR inside LF file stays", "a\nb\rc\n", {"a", "b\rc"}},
        {"LF inside CR file ends a line", "a\rb\nc\r", {"a", "b", "c"}},
        {"CRLF inside CR file is one end", "a\rb\r\nc\r", {"a", "b", "c"}},
        {"tabs become blanks", "\tOFFSET\t1\t2\t3\n", {" OFFSET 1 2 3"}},
    };
    for (const auto& c : cases) EXPECT_EQ(readAll(c.bytes), c.expected) << c.name;
}

TEST(LineReader, LoneCarriageReturnDecidesWhateverTheSize) {
    bool crMode = false;
    EXPECT_EQ(readAll("HIERARCHY\rMOTION\r", &crMode), (Lines{"HIERARCHY", "MOTION"}));
    EXPECT_TRUE(crMode);
    EXPECT_EQ(readAll("HIERARCHY\r\nMOTION\r\n", &crMode), (Lines{"HIERARCHY", "MOTION"}));
    EXPECT_FALSE(crMode);
}

TEST(LineReader, LinesOfAnyLength) {
    const std::string longLine(200000, 'x');
    const Lines lines = readAll("a\n" + longLine + "\nb\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "b");
    // A CR LF pair split across the reader's block boundary is still one line end.
    const std::string first(65535, 'y');
    const Lines split = readAll(first + "\r\nz\r\n");
    EXPECT_EQ(split, (Lines{first, "z"}));
}

TEST(LineReader, DirectoryAndMissingFileCannotBeOpened) {
    bvh::LineReader reader;
    EXPECT_EQ(reader.open("/tmp"), bvh::LineReader::OpenResult::kCannotOpen);
    EXPECT_EQ(reader.open("/nonexistent/dir/file.bvh"), bvh::LineReader::OpenResult::kCannotOpen);
}

}  // namespace
