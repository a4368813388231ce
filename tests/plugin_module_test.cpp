// Loading the plug-in module into the stand-in host, as the host does.

#include <gtest/gtest.h>
#include <standin/Standin.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

using bvhtest::capturedStderr;

std::size_t count(const std::string& text, const std::string& word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

std::size_t registrations(const std::string& name) {
    std::size_t n = 0;
    for (const standin::TranslatorInfo& info : standin::registeredTranslators())
        if (info.name == name) ++n;
    return n;
}

class PluginModuleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(standin::registeredTranslators().empty()); }
};

TEST_F(PluginModuleTest, LoadRegistersBothTranslatorsAndUnloadRemovesThem) {
    standin::PluginModule module;
    std::string error;
    ASSERT_TRUE(module.load(BVHIO_PLUGIN, error)) << error;
    EXPECT_TRUE(module.isLoaded());
    ASSERT_EQ(standin::registeredTranslators().size(), 2u);
    EXPECT_EQ(standin::registeredTranslators()[0].name, "BVHimport") << "registration order";
    EXPECT_EQ(standin::registeredTranslators()[1].name, "BVHexport");
    EXPECT_NE(standin::findTranslator("BVHimport")->creator, nullptr);

    ASSERT_TRUE(module.unload(error)) << error;
    EXPECT_FALSE(module.isLoaded());
    EXPECT_TRUE(standin::registeredTranslators().empty());
    EXPECT_EQ(standin::findTranslator("BVHimport"), nullptr);

    // A module object can load again after unloading.
    ASSERT_TRUE(module.load(BVHIO_PLUGIN, error)) << error;
    EXPECT_EQ(registrations("BVHexport"), 1u);
}

TEST_F(PluginModuleTest, SecondLoadInOneHostFailsWithOneReport) {
    standin::PluginModule first, second;
    std::string error;
    ASSERT_TRUE(first.load(BVHIO_PLUGIN, error)) << error;

    std::string secondError;
    bool loaded = false;
    // Captured from the file descriptor, whatever stream the module writes with.
    const std::string printed =
        capturedStderr([&] { loaded = second.load(BVHIO_PLUGIN, secondError); });

    EXPECT_FALSE(loaded) << "BVHimport is already registered";
    EXPECT_NE(secondError.find("initializePlugin"), std::string::npos) << secondError;
    EXPECT_EQ(count(printed, "registerFileTranslator"), 1u) << printed;
    EXPECT_EQ(count(printed, "deregisterFileTranslator"), 0u) << printed;
    EXPECT_EQ(registrations("BVHimport"), 1u);
    EXPECT_EQ(registrations("BVHexport"), 1u);
    // As in the host, the module stays loaded after a failed initializePlugin so that it
    // can still be unloaded.
    EXPECT_TRUE(second.isLoaded());

    // The first module still serves its translators.
    const standin::TranslatorInfo* import = standin::findTranslator("BVHimport");
    ASSERT_NE(import, nullptr);
    void* object = import->creator();
    ASSERT_NE(object, nullptr);
    delete static_cast<MPxFileTranslator*>(object);

    // Unloading the second copy leaves the first one's translators registered.
    capturedStderr([&] { second.unload(error); });
    EXPECT_EQ(registrations("BVHimport"), 1u);
    EXPECT_EQ(registrations("BVHexport"), 1u);
    ASSERT_TRUE(first.unload(error)) << error;
    EXPECT_TRUE(standin::registeredTranslators().empty());
}

TEST_F(PluginModuleTest, RefusesWhatIsNotAPlugin) {
    standin::PluginModule module;
    std::string error;

    const std::string missing =
        "/nonexistent/dir/" + std::filesystem::path(BVHIO_PLUGIN).filename().string();
    EXPECT_FALSE(module.load(missing, error));
    EXPECT_FALSE(module.isLoaded());
    EXPECT_EQ(error.rfind(missing + ":", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;

    // The stand-in host library is a shared library without MApiVersion or entry points.
    const std::string library = BVHIO_STANDIN_LIBRARY;
    ASSERT_TRUE(std::filesystem::exists(library)) << library;
    EXPECT_FALSE(module.load(library, error));
    EXPECT_FALSE(module.isLoaded());
    EXPECT_NE(error.find("MApiVersion"), std::string::npos) << error;
    EXPECT_TRUE(standin::registeredTranslators().empty());

    EXPECT_FALSE(module.unload(error)) << "nothing loaded";
}

}  // namespace
