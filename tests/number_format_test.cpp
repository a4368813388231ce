// The one number formatter of written files must agree with printf's "%g" byte for byte, and
// numbers must read and write the same whatever the process's locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "bvh/NumberFormat.h"
#include "bvh/Text.h"
#include "tests/c99_atof.h"

namespace {

std::string printfG(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

TEST(NumberFormat, WritesTheDocumentedExamples) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {90, "90"},
        {1.0 / 24, "0.0416667"},
        {1.0 / 30, "0.0333333"},
        {10.5, "10.5"},
        {-6, "-6"},
        {3.14159 / 2 / 3.14159 * 180, "90"},
        {1.5707963267948966 / 3.14159 * 180, "90.0001"},
        {1e-05, "1e-05"},
        {0.0001, "0.0001"},
        {1.5e+06, "1.5e+06"},
        {999999, "999999"},
        {999999.5, "1e+06"},
        {123456789, "1.23457e+08"},
        {-0.000012345, "-1.2345e-05"},
        {1e300, "1e+300"},
        {-1.7976931348623157e308, "-1.79769e+308"},
        {4.9406564584124654e-324, "4.94066e-324"},
        {-0.0, "-0"},
        {0.1 + 0.2, "0.3"},
        {100000.5, "100000"},  // a tie in binary: rounds to even, as printf does
        {100001.5, "100002"},
        {9.9999949999, "9.99999"},
        {9.999995000001, "10"},  // rounds up into the next decade
        {0.00099999995, "0.001"},
        {0.0001234565, "0.000123457"},
        {-123.4565, "-123.457"},
        {0.5, "0.5"},
        {0.00010000000000000001, "0.0001"},
        {9.9999999999999991e-05, "0.0001"},
        {9.9999e-05, "9.9999e-05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bvh::formatNumber(c.value), c.text) << "value " << printfG(c.value);
        EXPECT_EQ(bvh::formatNumber(c.value), printfG(c.value)) << "printf disagrees on " << c.text;
    }
}

TEST(NumberFormat, WritesNonFiniteValuesAsTheReaderReadsThem) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(bvh::formatNumber(nan), "nan");
    EXPECT_EQ(bvh::formatNumber(-nan), "nan") << "the sign of a NaN is not written";
    EXPECT_EQ(bvh::formatNumber(inf), "inf");
    EXPECT_EQ(bvh::formatNumber(-inf), "-inf");
    // The importer reads numbers as C's atof does.
    EXPECT_TRUE(std::isnan(bvhtest::c99Atof("nan")));
    EXPECT_EQ(bvhtest::c99Atof("inf"), inf);
    EXPECT_EQ(bvhtest::c99Atof("-inf"), -inf);
}

TEST(NumberFormat, AgreesWithPrintfOverManyValues) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> angle(-360, 360);
    std::uniform_int_distribution<int> exponent(-330, 310);
    std::uniform_int_distribution<std::uint64_t> bits;
    char buffer[bvh::kMaxNumberChars];
    for (int i = 0; i < 200000; ++i) {
        double value;
        switch (i % 4) {
            case 0:
                value = angle(random);
                break;
            case 1:
                value = angle(random) * std::pow(10.0, exponent(random));
                break;
            case 2: {
                // Six-digit decimals and their neighbours: the rounding boundaries.
                const double decimal = std::round(angle(random) * 1e4) / 1e4 + 5e-7;
                value = std::nextafter(decimal, (i & 8) ? 1e9 : -1e9);
                break;
            }
            default: {
                const std::uint64_t raw = bits(random);
                std::memcpy(&value, &raw, sizeof value);
                if (!std::isfinite(value)) value = 1;
                break;
            }
        }
        char* end = bvh::formatNumber(buffer, value);
        ASSERT_LE(static_cast<std::size_t>(end - buffer), bvh::kMaxNumberChars);
        ASSERT_EQ(std::string(buffer, end), printfG(value)) << "bits of the value differ";
    }
}

TEST(NumberFormat, ReadsAndWritesIgnoringTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // Any locale with a decimal comma will do; skip where none is installed.
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    bool switched = false;
    for (const char* name : names)
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    const std::string fixed = bvh::formatNumber(0.0416667);
    const std::string exponent = bvh::formatNumber(1.5e-05);
    const double read = bvh::parseDouble("0.5");
    const double readExponent = bvh::parseDouble("2.5e-07");
    const std::string processText = printfG(0.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(fixed, "0.0416667");
    EXPECT_EQ(exponent, "1.5e-05");
    EXPECT_EQ(read, 0.5);
    EXPECT_EQ(readExponent, 2.5e-07);
    EXPECT_EQ(processText, "0,5") << "the process's own locale must be left as it was";
}

TEST(NumberFormat, WritesIntegersInDecimal) {
    char buffer[bvh::kMaxIntegerChars];
    struct Case {
        long long value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},
                          {-4, "-4"},
                          {126, "126"},
                          {2147483647, "2147483647"},
                          {std::numeric_limits<long long>::min(), "-9223372036854775808"}};
    for (const Case& c : cases)
        EXPECT_EQ(std::string(buffer, bvh::formatInteger(buffer, c.value)), c.text);
}

}  // namespace
