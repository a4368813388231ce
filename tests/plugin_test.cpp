// Module entry points, registration and the translators' answers to the host.

#define MNoVersionString
#include <maya/MFileObject.h>
#include <maya/MFnPlugin.h>
#include <maya/MObject.h>
#include <standin/Standin.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "plugin/Registration.h"
#include "test_support.h"

namespace {

const char* kExportDefaults =
    "exportMode=1;exportKeyRange=1;exportFrameRange=1;startFrame=0;endFrame=100;scale=1;";

void* otherCreator() { return nullptr; }

struct Initialisation {
    bool otherRegistered = false;
    MStatus status;
    std::string messages;  ///< what went to standard error
};

/// Registers translator `name` for another plug-in first and, when that succeeds,
/// initialises this one.
Initialisation initializeAfterOtherRegistered(const char* name) {
    MObject other;
    MFnPlugin otherPlugin(other);
    Initialisation result;
    result.otherRegistered = otherPlugin.registerFileTranslator(name, "", otherCreator);
    if (!result.otherRegistered) return result;
    MObject obj;
    result.messages = bvhtest::capturedStderr([&] { result.status = initializePlugin(obj); });
    return result;
}

// Removes whatever a test left registered, so tests do not depend on each other's order.
void clearRegistry() {
    MObject owner;
    MFnPlugin plugin(owner);
    for (const char* name : {"BVHimport", "BVHexport"})
        if (standin::findTranslator(name)) plugin.deregisterFileTranslator(name);
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { clearRegistry(); }
    void TearDown() override { clearRegistry(); }
};

TEST_F(Registration, RegistersBothTranslatorsWithTheirDefaults) {
    MObject obj;
    ASSERT_TRUE(initializePlugin(obj));
    const standin::TranslatorInfo* import = standin::findTranslator("BVHimport");
    const standin::TranslatorInfo* exporter = standin::findTranslator("BVHexport");
    ASSERT_NE(import, nullptr);
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(import->optionsScript, "bvhImportOpts");
    EXPECT_EQ(import->defaultOptions, bvhref::kDefaultImportOptions);
    EXPECT_EQ(import->pixmap, "");
    EXPECT_TRUE(import->requiresFullMel);
    EXPECT_EQ(exporter->optionsScript, "bvhExportOpts");
    EXPECT_EQ(exporter->defaultOptions, kExportDefaults);
    EXPECT_TRUE(exporter->requiresFullMel);

    std::unique_ptr<MPxFileTranslator> reader(static_cast<MPxFileTranslator*>(import->creator()));
    std::unique_ptr<MPxFileTranslator> writer(static_cast<MPxFileTranslator*>(exporter->creator()));
    EXPECT_TRUE(reader->haveReadMethod());
    EXPECT_FALSE(reader->haveWriteMethod());
    EXPECT_FALSE(reader->canBeOpened());
    EXPECT_EQ(reader->defaultExtension(), "bvh");
    EXPECT_FALSE(writer->haveReadMethod());
    EXPECT_TRUE(writer->haveWriteMethod());
    EXPECT_TRUE(writer->canBeOpened());
    EXPECT_EQ(writer->defaultExtension(), "bvh");

    ASSERT_TRUE(uninitializePlugin(obj));
    EXPECT_EQ(standin::findTranslator("BVHimport"), nullptr);
    EXPECT_EQ(standin::findTranslator("BVHexport"), nullptr);
}

TEST_F(Registration, RefusedImportLeavesNeitherRegisteredAndReportsOnce) {
    const auto [registered, status, err] = initializeAfterOtherRegistered("BVHimport");
    ASSERT_TRUE(registered);
    EXPECT_FALSE(status);
    EXPECT_EQ(standin::findTranslator("BVHexport"), nullptr);
    EXPECT_EQ(standin::findTranslator("BVHimport")->creator, &otherCreator);
    EXPECT_EQ(err.rfind("registerFileTranslator", 0), 0u) << err;
    EXPECT_EQ(err.find("registerFileTranslator", 1), std::string::npos) << "reported once: " << err;
}

TEST_F(Registration, RefusedExportLeavesNeitherRegisteredAndReportsOnce) {
    const auto [registered, status, err] = initializeAfterOtherRegistered("BVHexport");
    ASSERT_TRUE(registered);
    EXPECT_FALSE(status);
    EXPECT_EQ(standin::findTranslator("BVHimport"), nullptr) << "the import is deregistered";
    EXPECT_EQ(standin::findTranslator("BVHexport")->creator, &otherCreator);
    EXPECT_EQ(err.rfind("registerFileTranslator", 0), 0u) << err;
    EXPECT_EQ(err.find("registerFileTranslator", 1), std::string::npos) << "reported once: " << err;
}

TEST_F(Registration, FailedDeregistrationOfImportStopsAndReports) {
    MObject obj;
    ASSERT_TRUE(initializePlugin(obj));
    MFnPlugin plugin(obj);
    ASSERT_TRUE(plugin.deregisterFileTranslator("BVHimport"));
    MStatus status;
    const std::string err = bvhtest::capturedStderr([&] { status = uninitializePlugin(obj); });
    EXPECT_FALSE(status);
    EXPECT_NE(standin::findTranslator("BVHexport"), nullptr) << "export is not deregistered";
    EXPECT_EQ(err.rfind("deregisterFileTranslator", 0), 0u) << err;
}

struct IdentifyCase {
    const char* name;
    std::string bytes;
    short size;
    MPxFileTranslator::MFileKind import;
    MPxFileTranslator::MFileKind exporter;
};

TEST(Identify, ByTheFirstBytesOnly) {
    using K = MPxFileTranslator::MFileKind;
    const K yes = MPxFileTranslator::kIsMyFileType;
    const K no = MPxFileTranslator::kNotMyFileType;
    const IdentifyCase cases[] = {
        {"HIERARCHY and more", "HIERARCHY\nROOT Hips\n", 20, yes, no},
        {"exactly nine bytes", "HIERARCHY", 9, yes, no},
        {"size too small", "HIERARCHY\nROOT Hips\n", 8, no, no},
        {"lower case", "hierarchy\nROOT Hips\n", 20, no, no},
        {"leading blank", " HIERARCHY\nROOT Hip\n", 20, no, no},
        {"negative size", "HIERARCHY\nROOT Hips\n", -1, no, no},
        {"export text", "bvh_import and more", 19, no, yes},
        {"export text, nine bytes", "bvh_impor", 9, no, no},
        {"byte-order mark", "\xEF\xBB\xBFHIERARCHY\n", 13, no, no},
    };
    BvhImport importer;
    BvhExport exporter;
    MFileObject file;
    for (const auto& c : cases) {
        EXPECT_EQ(importer.identifyFile(file, c.bytes.c_str(), c.size), c.import) << c.name;
        EXPECT_EQ(exporter.identifyFile(file, c.bytes.c_str(), c.size), c.exporter) << c.name;
    }
}

}  // namespace

// The README's option tables give the registered default strings and, for every key in them,
// the same default value (the first value in backquotes of the row's last column).
TEST(Readme, OptionTablesStateTheRegisteredDefaults) {
    const std::string readme = bvhtest::readFile(std::string(BVHIO_SOURCE_DIR) + "/README.md");
    const struct {
        const char* heading;
        std::string defaults;
    } tables[] = {{"### Import options", kImportDefaultOptions},
                  {"### Export options", kExportDefaultOptions}};
    for (const auto& table : tables) {
        const std::size_t start = readme.find(table.heading);
        ASSERT_NE(start, std::string::npos) << table.heading;
        const std::string section = readme.substr(start, readme.find("\n#", start + 1) - start);
        EXPECT_NE(section.find("`" + table.defaults + "`"), std::string::npos) << table.heading;
        std::istringstream pieces(table.defaults);
        std::string piece;
        while (std::getline(pieces, piece, ';')) {
            const std::string key = piece.substr(0, piece.find('='));
            const std::size_t row = section.find("\n| `" + key + "` |");
            ASSERT_NE(row, std::string::npos) << table.heading << ": no row for " << key;
            const std::string line = section.substr(row + 1, section.find('\n', row + 1) - row - 1);
            const std::size_t cell = line.rfind('|', line.size() - 2) + 1;
            const std::size_t open = line.find('`', cell);
            const std::string value = line.substr(open + 1, line.find('`', open + 1) - open - 1);
            EXPECT_EQ(key + "=" + value, piece) << table.heading;
        }
    }
}
