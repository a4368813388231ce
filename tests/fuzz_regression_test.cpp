// Replays the fuzz corpus (fuzz/corpus/import and fuzz/corpus/export: the hand-made seeds and
// every input that ever made a fuzzer fail) through the same harness functions that the fuzz
// targets call, one test per input; the import's corpus also through the reader's harness. Under the sanitizer build this is the fuzzers' smoke run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The harnesses are compiled into this test rather than linked: fuzz/ is no part of the
// plug-in, and the fuzz targets build the same files with clang.
#include "fuzz/harness_export.cpp"
#include "fuzz/harness_import.cpp"
#include "fuzz/harness_reader.cpp"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

struct CorpusInput {
    std::string kind;  // "import" or "export"
    fs::path path;
};
void PrintTo(const CorpusInput& c, std::ostream* out) { *out << c.path.filename().string(); }

std::vector<CorpusInput> corpus(const std::string& kind) {
    std::vector<CorpusInput> inputs;
    const fs::path folder = fs::path(BVHIO_SOURCE_DIR) / "fuzz" / "corpus" / kind;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file()) inputs.push_back({kind, entry.path()});
    std::sort(inputs.begin(), inputs.end(),
              [](const CorpusInput& a, const CorpusInput& b) { return a.path < b.path; });
    return inputs;
}

class FuzzCorpus : public testing::TestWithParam<CorpusInput> {};

TEST_P(FuzzCorpus, ReplaysWithEveryCheckHolding) {
    const CorpusInput& input = GetParam();
    const std::string bytes = bvhtest::readFile(input.path);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::string problem = input.kind == "import"
                                    ? bvhfuzz::runImportInput(data, bytes.size())
                                    : bvhfuzz::runExportInput(data, bytes.size());
    EXPECT_EQ(problem, "") << input.path;
    if (input.kind == "import") {
        EXPECT_EQ(bvhfuzz::runReaderInput(data, bytes.size()), "") << input.path << " (reader)";
    }
}

std::string testName(const testing::TestParamInfo<CorpusInput>& info) {
    std::string name = info.param.kind + "_" + info.param.path.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Import, FuzzCorpus, testing::ValuesIn(corpus("import")), testName);
INSTANTIATE_TEST_SUITE_P(Export, FuzzCorpus, testing::ValuesIn(corpus("export")), testName);

// The corpus folders are part of the repository; an empty list would pass silently.
TEST(FuzzCorpusFolders, HoldInputs) {
    EXPECT_GE(corpus("import").size(), 50u);
    EXPECT_GE(corpus("export").size(), 10u);
}

}  // namespace
