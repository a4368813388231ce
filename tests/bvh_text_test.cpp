// Token and number rules of the reader.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"

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
        EXPECT_EQ(got, std::atof(c.text)) << "atof disagrees on \"" << c.text << "\"";
    }
    // Numbers longer than any written one, rounded and ranged as a whole.
    const std::string longTexts[] = {"0." + std::string(90, '0') + "15",
                                     "1" + std::string(400, '0') + "e-400", std::string(320, '9'),
                                     "-" + std::string(300, '7') + "e-600"};
    for (const std::string& text : longTexts)
        EXPECT_EQ(bvh::parseDouble(text), std::atof(text.c_str())) << "text " << text;
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
    const struct {
        const char* name;
        int transformOrder;
        int eulerOrder;
    } cases[] = {{"XYZ", 1, 0}, {"YZX", 2, 1}, {"ZXY", 3, 2}, {"XZY", 4, 3}, {"YXZ", 5, 4},
                 {"ZYX", 6, 5}, {"xyz", 7, 0}, {"", 7, 0},    {"auto", 7, 0}, {"XYZ ", 7, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(bvh::transformOrderFromName(c.name), c.transformOrder) << c.name;
        EXPECT_EQ(bvh::eulerOrderFromName(c.name), c.eulerOrder) << c.name;
    }
}

TEST(BvhText, ChannelVocabulary) {
    EXPECT_EQ(bvh::channelIndex("Xposition"), 0);
    EXPECT_EQ(bvh::channelIndex("Zrotation"), 5);
    EXPECT_EQ(bvh::channelIndex("xrotation"), -1);
    EXPECT_EQ(bvh::attributeIndex("rotateY"), 4);
    EXPECT_EQ(bvh::attributeIndex("rx"), -1);
}

}  // namespace
