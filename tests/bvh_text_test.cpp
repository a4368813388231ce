// Token and number rules of the reader.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "tests/c99_atof.h"

namespace {

std::vector<std::string> split(std::string_view text) {
    std::vector<std::string_view> tokens;
    bvh::splitBlanks(text, tokens);
    return {tokens.begin(), tokens.end()};
}

TEST(BvhText, SplitDropsEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split("OFFSET 1 2 3"), (V{"OFFSET", "1", "2", "3"}));
    EXPECT_EQ(split("   OFFSET   1  2 3   "), (V{"OFFSET", "1", "2", "3"}));
    EXPECT_EQ(split(""), V{});
    EXPECT_EQ(split("    "), V{});
    EXPECT_EQ(split("a"), V{"a"});
}

struct NumberCase {
    const char* text;
    double expected;
};

TEST(BvhText, ParseDoubleReadsWhatAtofReads) {
    const NumberCase cases[] = {
        {"0", 0.0},        {"1.5", 1.5},          {"-2.25", -2.25},   {"+3", 3.0},
        {"1e-05", 1e-05},  {"1.5e+06", 1.5e+06},  {".5", 0.5},        {"5.", 5.0},
        {"12abc", 12.0},   {"abc", 0.0},          {"", 0.0},          {"-", 0.0},
        {"0x10", 16.0},    {"-0x1p3", -8.0},      {"0x1.8p1", 3.0},   {"  7", 7.0},
        {"1e999", std::numeric_limits<double>::infinity()},
        {"-1e999", -std::numeric_limits<double>::infinity()},
        {"1e-999", 0.0},   {"0.0333333", 0.0333333}, {"90.0001", 90.0001},
        {"inf", std::numeric_limits<double>::infinity()},
        {"-infinity", -std::numeric_limits<double>::infinity()},
        // One sign at most: a second one leaves no number.
        {"--5", 0.0},      {"+-7", 0.0},          {"-+5", 0.0},       {"++1", 0.0},
        {"--0x10", 0.0},   {"- 5", 0.0},          {"+.5e1", 5.0},     {"4.9e-324", 4.9e-324},
    };
    for (const auto& c : cases) {
        const double got = bvh::parseDouble(c.text);
        EXPECT_EQ(got, c.expected) << "text \"" << c.text << "\"";
        EXPECT_EQ(got, bvhtest::c99Atof(c.text)) << "atof disagrees on \"" << c.text << "\"";
    }
    // Numbers longer than any written one, rounded and ranged as a whole.
    const std::string longTexts[] = {"0." + std::string(90, '0') + "15",
                                     "1" + std::string(400, '0') + "e-400", std::string(320, '9'),
                                     "-" + std::string(300, '7') + "e-600"};
    for (const std::string& text : longTexts)
        EXPECT_EQ(bvh::parseDouble(text), bvhtest::c99Atof(text.c_str())) << "text " << text;
}

TEST(BvhText, ParseDoubleNanAndNegativeZero) {
    EXPECT_TRUE(std::isnan(bvh::parseDouble("nan")));
    EXPECT_TRUE(std::isnan(bvh::parseDouble("-nan")));
    EXPECT_TRUE(std::signbit(bvh::parseDouble("-0")));
}

TEST(BvhText, BlankLines) {
    EXPECT_TRUE(bvh::isBlankLine(""));
    EXPECT_TRUE(bvh::isBlankLine(" \t \r"));
    EXPECT_FALSE(bvh::isBlankLine(" 0 "));
}

TEST(BvhText, RotationOrderNames) {
    // name, index (MEulerRotation value), MTransformationMatrix value, CHANNELS axes
    const struct {
        const char* name;
        int index;
        int transformOrder;
        const char* channels;
    } cases[] = {{"XYZ", 0, 1, "ZYX"}, {"YZX", 1, 2, "XZY"}, {"ZXY", 2, 3, "YXZ"},
                 {"XZY", 3, 4, "YZX"}, {"YXZ", 4, 5, "ZXY"}, {"ZYX", 5, 6, "XYZ"},
                 {"xyz", -1, 1, ""},   {"", -1, 1, ""},      {"auto", -1, 1, ""},
                 {"XYZ ", -1, 1, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(bvh::orderIndex(c.name), c.index) << c.name;
        EXPECT_EQ(bvh::transformOrder(bvh::orderIndexOrXYZ(c.name)), c.transformOrder) << c.name;
        if (c.index < 0) continue;
        EXPECT_EQ(bvh::orderIndexOfTransform(c.transformOrder), c.index) << c.name;
        std::string axes;
        for (int k = 0; k < 3; ++k) axes += char('X' + bvh::channelAxis(c.index, k));
        EXPECT_EQ(axes, c.channels) << c.name;
    }
    for (int invalid : {0, 7, -1}) EXPECT_EQ(bvh::orderIndexOfTransform(invalid), -1);
}

TEST(BvhText, ChannelVocabulary) {
    EXPECT_EQ(bvh::channelIndex("Xposition"), 0);
    EXPECT_EQ(bvh::channelIndex("Zrotation"), 5);
    EXPECT_EQ(bvh::channelIndex("xrotation"), -1);
    EXPECT_EQ(bvh::attributeIndex("rotateY"), 4);
    EXPECT_EQ(bvh::attributeIndex("rx"), -1);
}

}  // namespace
