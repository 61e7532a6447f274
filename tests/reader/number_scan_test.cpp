// The number scanners against the C library: every "%f" text reads back as
// the float strtof gives, ties between two floats included (the fast path
// rounds through a double and must hand those to the exact conversion).
#include "reader/number_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

using hbx::detail::scanInteger;
using hbx::detail::scanReal;

// Scans text (all of it) and compares bits with strtof.
void expectLikeStrtof(const std::string& text) {
    float got = 1.5f;
    const char* end = scanReal(text.data(), text.data() + text.size(), got);
    ASSERT_EQ(end, text.data() + text.size()) << text;
    const float want = std::strtof(text.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text << " read " << got;
}

std::string printed(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", v);
    return buf;
}

TEST(NumberScan, PrintedFloatsReadBackAsStrtofReadsThem) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> mantissa(1.0f, 2.0f);
    std::uniform_int_distribution<int> exponent(-25, 45); // 3e-8 to 7e13
    for (int i = 0; i < 200000; ++i) {
        const float f = std::ldexp(mantissa(rng), exponent(rng)) * (i % 2 ? -1.0f : 1.0f);
        expectLikeStrtof(printed(f));
    }
    // Ten integer digits and more take the exact path.
    expectLikeStrtof("340282346638528859811704183484516925440.000000");
    expectLikeStrtof("-1234567890.999999");
}

TEST(NumberScan, DecimalsHalfwayBetweenTwoFloatsRoundToEven) {
    std::mt19937 rng(7);
    // From 2^20 to 2^23 floats are 1/8 to 1 apart, so their midpoints have
    // at most four decimals and "%f" prints them exactly.
    std::uniform_real_distribution<float> range(1048576.0f, 8388607.0f);
    for (int i = 0; i < 20000; ++i) {
        const float f = range(rng);
        const double mid = (double(f) + double(std::nextafter(f, 1e30f))) / 2;
        expectLikeStrtof(printed(mid));
        expectLikeStrtof(printed(-mid));
        expectLikeStrtof(printed(mid + 1e-6));
        expectLikeStrtof(printed(mid - 1e-6));
    }
}

TEST(NumberScan, OnlyTheFormsThePrintfConversionsMake) {
    float f = 0;
    for (const char* bad : {"", "-", "1", "1.", "1.00000", ".500000", "+1.000000", "01.000000",
                            "1.0000000", "1e5", "nan", "-inf", "1,000000", " 1.000000",
                            "1000000000000000000000000000000000000000.000000"}) {
        EXPECT_EQ(scanReal(bad, bad + std::strlen(bad), f), nullptr) << bad;
    }
    const std::string negZero = "-0.000000";
    ASSERT_NE(scanReal(negZero.data(), negZero.data() + negZero.size(), f), nullptr);
    EXPECT_TRUE(f == 0.0f && std::signbit(f));

    std::int64_t n = 0;
    for (const char* bad : {"", "-", "-0", "007", "+1", "9223372036854775808",
                            "-9223372036854775809", "99999999999999999999"}) {
        EXPECT_EQ(scanInteger(bad, bad + std::strlen(bad), n), nullptr) << bad;
    }
    for (const auto& [text, value] : {std::pair<std::string, std::int64_t>{"0", 0},
                                      {"-17", -17},
                                      {"9223372036854775807", INT64_MAX},
                                      {"-9223372036854775808", INT64_MIN},
                                      {"2147483648", 2147483648LL}}) {
        ASSERT_EQ(scanInteger(text.data(), text.data() + text.size(), n),
                  text.data() + text.size());
        EXPECT_EQ(n, value);
    }
}

} // namespace
