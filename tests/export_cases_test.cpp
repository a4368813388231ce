// Export cases kept as data in tests/cases/export (see the README there): a scene file, an
// option string, and the file the export writes or the message it fails with.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "export/BvhExport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

/// What stands at the target before each export: a failed export must leave it so.
const std::string kEarlierFile = "earlier file\n";

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(exportCaseFile("", "")))
        if (entry.path().extension() == ".json") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

/// Writes `text` to `path`, or removes the file when `text` is empty.
void rewrite(const fs::path& path, const std::string& text) {
    if (text.empty())
        fs::remove(path);
    else
        writeFile(path, text);
}

class ExportCase : public ExportTest, public testing::WithParamInterface<std::string> {};

TEST_P(ExportCase, WritesTheExpectedFile) {
    const auto with = [&](const char* suffix) { return exportCaseFile(GetParam(), suffix); };
    const std::string options = loadExportCase(GetParam());
    if (HasFailure()) return;

    writeFile(path_, kEarlierFile);
    BvhExport translator;
    const ExportRun out = runExport(translator, path_, options);
    const std::string messages = replaced(out.messages, path_, "$FILE");
    const std::string written = out.success ? out.text : "";

    if (std::getenv("BVHIO_UPDATE_CASES")) {
        rewrite(with(".expected.bvh"), written);
        rewrite(with(".expected.messages"), messages);
        return;
    }
    const bool shouldWrite = fs::exists(with(".expected.bvh"));
    EXPECT_EQ(out.success, shouldWrite) << messages;
    if (shouldWrite) {
        const std::string expected = readFile(with(".expected.bvh"));
        if (written != expected)
            ADD_FAILURE() << "the written file differs from " << GetParam() << ".expected.bvh\n"
                          << lineDiff(expected, written);
    } else {
        EXPECT_EQ(readFile(path_), kEarlierFile) << "a failed export changed the target";
    }
    const std::string expectedMessages = readFile(with(".expected.messages"));
    if (messages != expectedMessages)
        ADD_FAILURE() << "the messages differ from " << GetParam() << ".expected.messages\n"
                      << lineDiff(expectedMessages, messages);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
        << "a file was left beside the target";
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportCase, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
