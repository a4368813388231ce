// Export cases kept as data in tests/cases/export (see the README there): a scene file, an
// option string, and the file the export writes or the message it fails with.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "export/BvhExport.h"
#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

/// What stands at the target before each export: a failed export must leave it so.
const std::string kEarlierFile = "earlier file\n";

class ExportCase : public ExportTest, public testing::WithParamInterface<std::string> {};

TEST_P(ExportCase, WritesTheExpectedFile) {
    const auto with = [&](const char* suffix) { return exportCaseFile(GetParam(), suffix); };
    const std::string options = loadExportCase(GetParam());
    if (HasFailure()) return;

    writeFile(path_, kEarlierFile);
    BvhExport translator;
    const ExportRun out = runExport(translator, path_, options);
    const std::string messages = replacedAll(out.messages, path_, "$FILE");
    const std::string written = out.success ? out.text : "";

    if (std::getenv("BVHIO_UPDATE_CASES")) {
        rewriteCaseFile(with(".expected.bvh"), written);
        rewriteCaseFile(with(".expected.messages"), messages);
        return;
    }
    const bool shouldWrite = fs::exists(with(".expected.bvh"));
    EXPECT_EQ(out.success, shouldWrite) << messages;
    if (shouldWrite) {
        expectSameText(with(".expected.bvh"), written, "written file");
    } else {
        EXPECT_EQ(readFile(path_), kEarlierFile) << "a failed export changed the target";
    }
    expectSameText(with(".expected.messages"), messages, "messages");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
        << "a file was left beside the target";
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportCase, testing::ValuesIn(caseNames("export", ".json")),
                         caseTestName);

}  // namespace
