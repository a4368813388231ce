// Host text, status and array types: splitting, number reading, bounds.

#include <gtest/gtest.h>
#include <maya/MDoubleArray.h>
#include <maya/MIntArray.h>
#include <maya/MObjectArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> pieces(const MStringArray& a) {
    std::vector<std::string> out;
    for (unsigned int i = 0; i < a.length(); ++i) out.emplace_back(a[i].asChar());
    return out;
}

/// A text and what reading it gives.
template <typename T>
struct ReadCase {
    const char* text;
    T expected;
};

struct SplitCase {
    const char* text;
    char separator;
    std::vector<std::string> expected;
};

TEST(HostString, SplitDropsEmptyPieces) {
    const SplitCase cases[] = {
        {"a b c", ' ', {"a", "b", "c"}},
        {"  OFFSET   1.0  2 ", ' ', {"OFFSET", "1.0", "2"}},
        {"", ' ', {}},
        {"   ", ' ', {}},
        {"key=value", '=', {"key", "value"}},
        {"a=;b=1;;", ';', {"a=", "b=1"}},
        {"no separator", ';', {"no separator"}},
        {";;x", ';', {"x"}},
    };
    for (const SplitCase& c : cases) {
        MStringArray out;
        out.append("stale");
        EXPECT_EQ(MStatus(MS::kSuccess), MString(c.text).split(c.separator, out));
        EXPECT_EQ(c.expected, pieces(out)) << "splitting '" << c.text << "'";
    }
}

TEST(HostString, AsIntReadsLeadingIntegerAndClamps) {
    const ReadCase<int> cases[] = {
        {"42", 42},
        {"  -17xyz", -17},
        {"+8", 8},
        {"3.9", 3},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"\t\n 12", 12},
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<int>::max()},
        {"-2147483649", std::numeric_limits<int>::min()},
        {"99999999999999999999999999", std::numeric_limits<int>::max()},
        {"-99999999999999999999999999", std::numeric_limits<int>::min()},
        {"1e5", 1},
        {"0x10", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, MString(c.text).asInt()) << "asInt of '" << c.text << "'";
    }
}

TEST(HostString, AsDoubleReadsLeadingNumberLikeStrtod) {
    const double inf = std::numeric_limits<double>::infinity();
    const ReadCase<double> cases[] = {
        {"1.5", 1.5},
        {"  -2.25 rest", -2.25},
        {"+.5", 0.5},
        {"5.", 5.0},
        {"1e3", 1000.0},
        {"1E-2", 0.01},
        {"2e", 2.0},
        {"0.0333333", 0.0333333},
        {"24fps", 24.0},
        {"abc", 0.0},
        {"", 0.0},
        {"-", 0.0},
        {"+-3", 0.0},
        {"0x1p4", 16.0},
        {"0X.8", 0.5},
        {"0x", 0.0},
        {"0xg", 0.0},
        {"inf", inf},
        {"-Infinity", -inf},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0.0},
        {"123456789012345678901234567890e-10", 12345678901234567890.1234567890},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.expected, MString(c.text).asDouble())
            << "asDouble of '" << c.text << "'";
    }
    EXPECT_TRUE(std::isnan(MString("nan").asDouble()));
    EXPECT_TRUE(std::isnan(MString(" NAN(123)").asDouble()));
}

TEST(HostString, NumberReadingIgnoresTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    // Any locale with a decimal comma will do; skip the check when none is installed.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_DOUBLE_EQ(1.5, MString("1.5").asDouble());
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(HostString, WholeTextNumberTests) {
    EXPECT_TRUE(MString(" 12 ").isInt());
    EXPECT_FALSE(MString("12a").isInt());
    EXPECT_FALSE(MString("3000000000").isInt());
    EXPECT_TRUE(MString("3000000000").isUnsigned());
    EXPECT_FALSE(MString("-1").isUnsigned());
    EXPECT_TRUE(MString("1e3").isDouble());
    EXPECT_FALSE(MString("1e3x").isDouble());
    EXPECT_FALSE(MString("").isDouble());
    EXPECT_FALSE(MString("40000").isShort());
    EXPECT_EQ(32767, MString("40000").asShort());
    EXPECT_EQ(0u, MString("-5").asUnsigned());
    EXPECT_TRUE(std::isinf(MString("1e300").asFloat()));
}

TEST(HostString, EditingAndComparison) {
    MString s("Hips");
    s += ".rotateX";
    EXPECT_EQ(MString("Hips.rotateX"), s);
    EXPECT_TRUE(s == "Hips.rotateX");
    EXPECT_FALSE(s == "hips.rotatex");
    EXPECT_EQ(12u, s.length());
    EXPECT_EQ(4, s.index('.'));
    EXPECT_EQ(-1, s.index('|'));
    EXPECT_EQ(MString("Hips"), s.substring(0, 3));
    EXPECT_EQ(MString("rotateX"), s.substring(5, 100));
    EXPECT_EQ(MString(), s.substring(7, 2));
    EXPECT_EQ(MString(), s.substring(50, 60));
    MString n;
    n += 3;
    n += 'x';  // the int overload, as in the host
    EXPECT_EQ(MString("3120"), n);
    EXPECT_EQ(MString("frame 2.5"), MString("frame ") + 2.5);
    EXPECT_EQ(MString("a-b"), "a-" + MString("b"));
    MString self("ab");
    self += self;
    EXPECT_EQ(MString("abab"), self);
    std::ostringstream out;
    out << MString("path/file.bvh");
    EXPECT_EQ("path/file.bvh", out.str());
    MString fixed;
    fixed.set(2.0 / 3.0, 3);
    EXPECT_EQ(MString("0.667"), fixed);
}

TEST(HostString, Utf8CharacterPositions) {
    const MString s("\xc3\xa9t\xc3\xa9");  // "été"
    EXPECT_EQ(5u, s.length());
    EXPECT_EQ(3u, s.numChars());
    EXPECT_EQ(1, s.indexW('t'));
    EXPECT_EQ(MString("t\xc3\xa9"), s.substringW(1, 2));
}

TEST(HostStatus, CodesTextsAndPerror) {
    MStatus ok;
    EXPECT_TRUE(ok);
    EXPECT_FALSE(ok.error());
    MStatus bad(MS::kFailure);
    EXPECT_FALSE(bad);
    EXPECT_TRUE(MS::kFailure == bad);
    EXPECT_TRUE(bad != MS::kSuccess);
    EXPECT_EQ(MS::kFailure, bad.statusCode());
    for (int code = MS::kSuccess; code <= MS::kEndOfFile; ++code) {
        EXPECT_GT(MStatus(static_cast<MStatus::MStatusCode>(code)).errorString().length(), 5u);
    }
    testing::internal::CaptureStderr();
    bad.perror("registerFileTranslator");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("registerFileTranslator: " + std::string(bad.errorString().asChar()) + "\n", err);
    bad.clear();
    EXPECT_TRUE(bad);
}

TEST(HostArrays, OutOfRangeIndexingStaysInBounds) {
    MDoubleArray d(3, 1.5);
    const MDoubleArray& cd = d;
    EXPECT_EQ(0.0, cd[3]);
    d[100] = 7.0;  // lands on the scratch element
    EXPECT_EQ(3u, d.length());
    EXPECT_EQ(0.0, d[100]);
    EXPECT_EQ(1.5, d[2]);
    MIntArray i;
    EXPECT_EQ(0, i[0]);
    MStringArray s;
    EXPECT_EQ(MString(), s[5]);
    MObjectArray o;
    EXPECT_TRUE(o[2].isNull());
    EXPECT_EQ(MStatus(MS::kInvalidParameter), d.set(1.0, 3));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), d.remove(3));
    EXPECT_EQ(MStatus(MS::kInvalidParameter), d.insert(1.0, 4));
}

TEST(HostArrays, EditingKeepsOrder) {
    MIntArray a;
    for (int v = 0; v < 5; ++v) a.append(v);
    a.remove(1);
    a.insert(9, 0);
    a.insert(8, a.length());
    const int expected[] = {9, 0, 2, 3, 4, 8};
    ASSERT_EQ(6u, a.length());
    for (unsigned int k = 0; k < 6; ++k) EXPECT_EQ(expected[k], a[k]);
    a.setLength(8);
    EXPECT_EQ(0, a[7]);
    a.append(a[0]);  // an element of the array itself, appended across growth
    EXPECT_EQ(9, a[8]);
    MStringArray s(2, "x");
    s.insert(s[0], 0);
    EXPECT_EQ(3u, s.length());
    EXPECT_EQ(MString("x"), s[0]);
    s.clear();
    EXPECT_EQ(0u, s.length());
}

}  // namespace
