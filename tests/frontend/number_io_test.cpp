// The number formatter and scanners against the C library they stand in for.
#include "frontend/number_format.h"
#include "frontend/number_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string printfF(float v) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(v));
    return buf;
}

std::string formatF(float v) {
    std::string s;
    hbx::appendFloat(s, v);
    return s;
}

TEST(AppendFloat, MatchesPrintfOnSpecialValues) {
    const float specials[] = {0.0f,
                              -0.0f,
                              1.0f,
                              -1.0f,
                              0.5f,
                              1e-7f,
                              -1e-7f,
                              0.0000005f,
                              0.0000015f,
                              2.5e-6f,
                              0.1f,
                              1e38f,
                              -3.4028235e38f,
                              std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(),
                              -std::numeric_limits<float>::quiet_NaN(),
                              16777217.0f,
                              123456.789f};
    for (float v : specials)
        EXPECT_EQ(formatF(v), printfF(v)) << std::bit_cast<std::uint32_t>(v);
}

TEST(AppendFloat, MatchesPrintfOnRandomBitPatterns) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 300000; ++i) {
        const std::uint32_t b = bits(rng);
        const float v = std::bit_cast<float>(b);
        ASSERT_EQ(formatF(v), printfF(v)) << "bits " << b;
    }
}

TEST(AppendFloat, MatchesPrintfOnValuesNearRoundingBoundaries) {
    // Values of a few units that land close to a half unit in the sixth
    // decimal are where a sloppy formatter rounds the wrong way.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> millionths(-5000000, 5000000);
    for (int i = 0; i < 200000; ++i) {
        const float v = static_cast<float>((millionths(rng) + 0.5) / 1e6);
        ASSERT_EQ(formatF(v), printfF(v));
        const float next = std::nextafter(v, 10.0f);
        ASSERT_EQ(formatF(next), printfF(next));
    }
}

// Every stride-th float from lo up to hi, and every other one of those
// negated, against printf.
void expectRangeMatchesPrintf(float lo, float hi, std::uint32_t stride) {
    const std::uint32_t first = std::bit_cast<std::uint32_t>(lo),
                        last = std::bit_cast<std::uint32_t>(hi);
    bool negate = false;
    for (std::uint32_t b = first; b < last; b += stride, negate = !negate) {
        const float v = negate ? -std::bit_cast<float>(b) : std::bit_cast<float>(b);
        ASSERT_EQ(formatF(v), printfF(v)) << "bits " << std::bit_cast<std::uint32_t>(v);
    }
}

TEST(AppendFloat, MatchesPrintfAcrossWholeBinades) {
    struct Range {
        float lo, hi;
        std::uint32_t stride;
    };
    const Range ranges[] = {
        {0x1p-22f, 0x1p-19f, 17}, // where values stop printing as zero
        {4.99e-7f, 5.01e-7f, 1},  // every float around the half-millionth
        {0.5f, 1.0f, 17},         // rounding up into the integer part
        {0x1p23f, 0x1p24f, 17},   // the last binade with a fraction bit
        {0x1p42f, 0x1p45f, 17},   // the largest exactly scaled values and beyond
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.lo);
        expectRangeMatchesPrintf(r.lo, r.hi, r.stride);
    }
}

TEST(AppendFloat, RoundsExactHalvesToEven) {
    // v * 10^6 ends in exactly .5 when v is an odd multiple of 2^-7; that is
    // only possible below 2^17, where such multiples are floats.
    for (int j = 1; j < (1 << 24); j += (j < (1 << 17) ? 2 : 2 * 127)) {
        const float v = std::ldexp(float(j), -7);
        ASSERT_EQ(formatF(v), printfF(v)) << j;
        ASSERT_EQ(formatF(-v), printfF(-v)) << j;
    }
}

TEST(AppendInt, MatchesPrintf) {
    const int values[] = {0,          1,
                          -1,         9,
                          10,         -10,
                          42,         -17,
                          99,         100,
                          999,        1000,
                          -9999,      10000,
                          99999,      100000,
                          999999,     1000000,
                          -9999999,   10000000,
                          99999999,   100000000,
                          -999999999, 1000000000,
                          2147483647, -2147483647 - 1};
    for (int v : values) {
        std::string s = "x";
        hbx::appendInt(s, v);
        EXPECT_EQ(s, "x" + std::to_string(v));
    }
}

// Every power of ten and its neighbours, both signs, and the ends of the
// range: past 2147483647 the digits continue as "%lld" gives them.
TEST(WriteInt64, MatchesPrintf) {
    std::vector<std::int64_t> values = {std::numeric_limits<std::int64_t>::max(),
                                        std::numeric_limits<std::int64_t>::min()};
    for (std::int64_t p = 1; p <= std::numeric_limits<std::int64_t>::max() / 10; p *= 10) {
        for (std::int64_t v : {p - 1, p, p + 1}) {
            values.push_back(v);
            values.push_back(-v);
        }
    }
    for (std::int64_t v :
         {std::int64_t(2147483647), std::int64_t(2147483648), std::int64_t(4294967296)})
        values.push_back(v);
    for (std::int64_t v : values) {
        char expected[32], got[hbx::kMaxInt64Chars + 1];
        std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(v));
        *hbx::writeInt64(got, v) = '\0';
        EXPECT_STREQ(got, expected);
    }
}

// sscanf's view of a string: the value read and how many characters "%f%n"
// consumed. -1 consumed when nothing was converted.
struct CScan {
    bool ok;
    float value;
    int consumed;
};

CScan cScanFloat(const std::string& text) {
    float v = -12345.0f;
    int n = -1;
    const int got = std::sscanf(text.c_str(), "%f%n", &v, &n);
    return {got == 1, v, got == 1 ? n : -1};
}

CScan ourScanFloat(const std::string& text) {
    float v = -12345.0f;
    const char* stop = hbx::scanFloat(text.data(), text.data() + text.size(), &v);
    return {stop != nullptr, v, stop ? int(stop - text.data()) : -1};
}

void expectSameFloatScan(const std::string& text) {
    const CScan c = cScanFloat(text), ours = ourScanFloat(text);
    ASSERT_EQ(ours.ok, c.ok) << '"' << text << '"';
    if (!c.ok) return;
    ASSERT_EQ(ours.consumed, c.consumed) << '"' << text << '"';
    if (std::isnan(c.value)) {
        ASSERT_TRUE(std::isnan(ours.value)) << '"' << text << '"';
        ASSERT_EQ(std::signbit(ours.value), std::signbit(c.value)) << '"' << text << '"';
    } else {
        ASSERT_EQ(std::bit_cast<std::uint32_t>(ours.value), std::bit_cast<std::uint32_t>(c.value))
            << '"' << text << '"';
    }
}

TEST(ScanFloat, MatchesSscanfOnHandPickedForms) {
    const char* cases[] = {
        "1", " 2.5", "\t\n-3", "+4.25", ".5", "5.", "-.5e1", "1e5", "1E-5", "1e", "1e+", "1e-x",
        "1.2.3", "--1", "+-1", "-", "+", ".", "", "   ", "abc", "inf", "-INF", "Infinity",
        "infinit", "infx", "nan", "-NaN", "nan(123)", "na", "0x1p3", "0x1.8p1", "-0x.8", "0x",
        "0xg", "0X1P-2", "1e39", "-1e39", "1e-39", "1e-46", "1e-50", "3.4028235e38", "3.4028236e38",
        "0.1", "-0", "0.000000059604645", "123abc", "7/8/9", "1,5", "1 2", "00012", "1e0005",
        // Their nearest double lies exactly halfway between two floats:
        // rounding to double first, then to float, would be wrong.
        "56.29537391662598", "4.01684832572937", "-56.29537391662598",
        "99999999999999999999999999999999999999999"};
    for (const char* c : cases)
        expectSameFloatScan(c);
}

TEST(ScanFloat, MatchesSscanfOnRandomText) {
    std::mt19937 rng(99);
    const std::string alphabet = "0123456789.eE+-xXpPinfaNIF \t";
    std::uniform_int_distribution<int> len(0, 12);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 200000; ++i) {
        std::string s;
        const int n = len(rng);
        for (int k = 0; k < n; ++k)
            s.push_back(alphabet[pick(rng)]);
        expectSameFloatScan(s);
    }
}

TEST(ScanFloat, RoundTripsEveryPrintedFloatExactly) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 100000; ++i) {
        const float v = std::bit_cast<float>(bits(rng));
        if (!std::isfinite(v)) continue;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
        expectSameFloatScan(buf);
    }
}

TEST(ScanFloat, MatchesSscanfOnPlainDecimalsOfEveryLength) {
    // Mesh files are mostly "-12.375"-style decimals; they take a short path
    // of their own, which must round exactly as the general one.
    std::mt19937 rng(5);
    for (int i = 0; i < 400000; ++i) {
        const int intDigits = int(rng() % 17), fracDigits = int(rng() % 26);
        std::string s = (rng() % 2) ? "-" : "";
        for (int k = 0; k < intDigits; ++k)
            s.push_back(char('0' + rng() % 10));
        if (fracDigits > 0 || intDigits == 0) s.push_back('.');
        for (int k = 0; k < fracDigits || (intDigits == 0 && k == 0); ++k)
            s.push_back(char('0' + rng() % 10));
        expectSameFloatScan(s);
    }
}

TEST(ScanFloat, MatchesSscanfOnPlainDecimalsFollowedByOtherText) {
    // Digits are read a word at a time: what follows a number within the
    // same eight bytes (bytes just outside '0'..'9' among them) must end it
    // exactly where scanf does, or hand it to the general path.
    const std::string suffixes[] = {"\n",
                                    " 2.5\n",
                                    "e3 ",
                                    "E-2",
                                    "x1",
                                    ".5",
                                    std::string("\0 7", 3),
                                    ":;<=>?@",
                                    "/1/2/3",
                                    "\x80\xff"
                                    "9",
                                    "12345678",
                                    "0"};
    std::mt19937 rng(17);
    for (const std::string& suffix : suffixes) {
        for (int i = 0; i < 20000; ++i) {
            const int intDigits = int(rng() % 12), fracDigits = int(rng() % 20);
            std::string s = (rng() % 4 == 0) ? " -" : " ";
            for (int k = 0; k < intDigits; ++k)
                s.push_back(char('0' + rng() % 10));
            if (fracDigits > 0 || intDigits == 0) s.push_back('.');
            for (int k = 0; k < fracDigits; ++k)
                s.push_back(char('0' + rng() % 10));
            expectSameFloatScan(s + suffix);
        }
    }
}

TEST(ScanFloat, StopsAtEndOfRangeWithoutReadingPastIt) {
    const std::string text = "12345";
    float v = 0;
    const char* stop = hbx::scanFloat(text.data(), text.data() + 3, &v);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(v, 123.0f);
    EXPECT_EQ(stop, text.data() + 3);
}

TEST(ScanInt, MatchesSscanf) {
    const char* cases[] = {
        "0", "12", "-7", "+8", "  42abc", "/3", "-", "+", "", "x1", "2147483647", "2147483648",
        "-2147483649", "99999999999999999999", "-99999999999999999999", "4294967297", "3/4/5",
        // Nine digits are read without a range check, ten are not.
        "999999999", "1000000000/", "123456789/1", "00000000000012", "0000000009"};
    for (const char* c : cases) {
        int cv = -777, ov = -777, n = -1;
        const int got = std::sscanf(c, "%d%n", &cv, &n);
        const std::string s = c;
        const char* stop = hbx::scanInt(s.data(), s.data() + s.size(), &ov);
        ASSERT_EQ(stop != nullptr, got == 1) << c;
        if (got == 1) {
            EXPECT_EQ(ov, cv) << c;
            EXPECT_EQ(stop - s.data(), n) << c;
        }
    }
}

} // namespace
