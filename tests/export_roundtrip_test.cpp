// Sample captures imported and exported again through the command-line host: the written
// file must move every joint as the original does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "bvh_reference.h"
#include "test_support.h"

namespace {

/// True when every block with channels lists its rotations in the same order.
bool sharesOneChannelOrder(const bvhref::BvhFile& file) {
    std::vector<std::string> first;
    for (const bvhref::Node& node : file.nodes) {
        std::vector<std::string> rotations;
        for (const std::string& channel : node.channels)
            if (channel.find("rotation") != std::string::npos) rotations.push_back(channel);
        if (rotations.empty()) continue;
        if (first.empty()) first = rotations;
        if (rotations != first) return false;
    }
    return true;
}

struct Conversion {
    const char* label;
    const char* importOptions;  // null: bvhhost's defaults (the registered option strings)
    const char* warning;        // a warning the conversion must give once, or null
};
/// Cases print as their label.
void PrintTo(const Conversion& c, std::ostream* out) { *out << c.label; }

class ExportRoundTripTest : public ::testing::TestWithParam<Conversion> {
protected:
    void TearDown() override { bvhref::removeTempFiles(); }
};

/// A node name as the host holds it, namespaces kept: every other character than a letter,
/// a digit, '_' or ':' becomes '_', and a part starting with a digit gets a '_' before it.
std::string hostName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if ((i == 0 || name[i - 1] == ':') && c >= '0' && c <= '9') out += '_';
        out += std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' ? c : '_';
    }
    return out;
}

TEST_P(ExportRoundTripTest, PosesOfEverySampleSurviveImportAndExport) {
    std::vector<std::string> samples = bvhref::sampleFiles();
    BVHREF_REQUIRE_SAMPLES(samples);
    // Captures of our own beside the public samples: names the host cannot hold as they are.
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(BVHIO_SOURCE_DIR) + "/tests/cases/roundtrip"))
        samples.push_back(entry.path().string());
    const Conversion& conversion = GetParam();
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        const std::string written = bvhref::tempPath(".bvh");
        std::vector<std::string> arguments = {"convert", sample, written};
        if (conversion.importOptions)
            arguments.insert(arguments.end(), {"--import-options", conversion.importOptions});
        const bvhtest::ProgramRun run = bvhtest::runProgram(BVHIO_BVHHOST, arguments);
        const std::string output = run.out + run.err;
        ASSERT_EQ(run.status, 0) << output;
        if (conversion.warning != nullptr) {
            const std::size_t at = output.find(conversion.warning);
            EXPECT_NE(at, std::string::npos) << output;
            EXPECT_EQ(output.find(conversion.warning, at + 1), std::string::npos) << output;
        }

        bvhref::BvhFile original, copy;
        std::string error;
        ASSERT_TRUE(bvhref::loadBvh(sample, original, error)) << error;
        ASSERT_TRUE(bvhref::loadBvh(written, copy, error)) << "written file: " << error;
        ASSERT_EQ(copy.nodes.size(), original.nodes.size()) << "blocks of the written file";
        ASSERT_EQ(copy.frames.size(), original.frames.size()) << "frame lines";
        EXPECT_EQ(copy.declaredFrames, static_cast<long>(copy.frames.size()));

        const double tolerance = 1e-3 * bvhref::restPoseSize(original);
        double worst = 0;
        std::size_t worstFrame = 0;
        for (std::size_t frame = 0; frame < original.frames.size(); ++frame) {
            const auto expected = bvhref::fileWorldPositions(original, frame);
            const auto actual = bvhref::fileWorldPositions(copy, frame);
            for (std::size_t node = 0; node < expected.size(); ++node)
                for (int axis = 0; axis < 3; ++axis) {
                    const double difference = std::fabs(expected[node][axis] - actual[node][axis]);
                    if (!(difference <= worst)) {
                        worst = difference;
                        worstFrame = frame;
                    }
                }
        }
        EXPECT_LE(worst, tolerance) << "largest joint position difference, frame " << worstFrame;
        // Every joint keeps its name (as the host holds it, namespaces included) and every
        // channel.
        for (std::size_t node = 0; node < original.nodes.size(); ++node) {
            if (original.nodes[node].endSite) continue;
            EXPECT_EQ(copy.nodes[node].name, hostName(original.nodes[node].name));
            EXPECT_EQ(copy.nodes[node].channels.size(), original.nodes[node].channels.size())
                << original.nodes[node].name;
        }

        const bool keepsOrder =
            conversion.importOptions != nullptr &&
            std::string(conversion.importOptions).find("rotationOrder=auto") != std::string::npos;
        if (keepsOrder && sharesOneChannelOrder(original)) {
            for (std::size_t node = 0; node < original.nodes.size(); ++node)
                EXPECT_EQ(copy.nodes[node].channels, original.nodes[node].channels)
                    << "channels of block " << original.nodes[node].name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ExportRoundTripTest,
    ::testing::Values(Conversion{"DefaultOptions", nullptr, nullptr},
                      Conversion{"RotationOrderAuto",
                                 "importSkelton=1;importAnimation=1;importFrameRange=1;"
                                 "startFrame=1;endFrame=100;pasteTimeRange=1;startTime=1;"
                                 "endTime=100;inputKeys=1;frameRate=1;frameRateNum=24;"
                                 "notFloatingKey=0;scale=1.0;rotationOrder=auto;",
                                 nullptr},
                      // A text the host holds no order for: XYZ for joints and conversion.
                      Conversion{"RotationOrderUnknown", "rotationOrder=xyz;",
                                 "rotationOrder=xyz is not XYZ"}),
    [](const ::testing::TestParamInfo<Conversion>& info) { return info.param.label; });

}  // namespace
