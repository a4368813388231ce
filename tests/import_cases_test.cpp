// Import cases kept as data in tests/cases/import (see the README there): a BVH file, an
// option string, and the scene the import leaves with the messages it writes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "standin/Standin.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using namespace bvhtest;

class ImportCase : public ImportTest, public testing::WithParamInterface<std::string> {};

TEST_P(ImportCase, LeavesTheExpectedScene) {
    const auto with = [&](const char* suffix) { return importCaseFile(GetParam(), suffix); };
    if (fs::exists(with(".scene.json"))) {
        std::string error;
        ASSERT_TRUE(standin::loadSceneFile(with(".scene.json").string(), error)) << error;
    }
    const std::string path = with(".bvh").string();
    const bvhref::ImportRun out = bvhref::runImport(path, caseOptions(with(".options")));
    const std::string messages = replacedAll(out.messages, path, "$FILE");
    const std::string scene = standin::sceneToJson();

    if (std::getenv("BVHIO_UPDATE_CASES")) {
        writeFile(with(".expected.json"), scene);
        rewriteCaseFile(with(".expected.messages"), messages);
        rewriteCaseFile(with(".fails"), out.success ? "" : "the import returns failure\n");
        return;
    }
    EXPECT_EQ(out.success, !fs::exists(with(".fails"))) << messages;
    expectSameScene(with(".expected.json"), scene);
    expectSameText(with(".expected.messages"), messages, "messages");
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportCase, testing::ValuesIn(caseNames("import", ".bvh")),
                         caseTestName);

}  // namespace
