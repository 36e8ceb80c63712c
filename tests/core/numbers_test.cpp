#include "core/String.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

TEST(Numbers, ToInt) {
    struct Case {
        std::string text;
        int value;
    };
    const std::vector<Case> cases = {
        {"27", 27},
        {" 32 ", 32},
        {"-5", 5},
        {"1a2", 12},
        {"3.7", 37},
        {"abc", 0},
        {"", 0},
        {"0032", 32},
        {"+7", 7},
        {"4294967297", 1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(String(c.text).to_int(), c.value);
    }
    EXPECT_EQ(String().to_int(), 0);
}

TEST(Numbers, ToIntWrapsModulo2To32) {
    // 10^20 mod 2^32, worked out in unsigned arithmetic.
    unsigned int expected = 1;
    for (int i = 0; i < 20; ++i) expected *= 10;
    EXPECT_EQ(String("100000000000000000000").to_int(), static_cast<int>(expected));
    // A thousand digits wrap without any undefined arithmetic.
    EXPECT_EQ(String(std::string(1000, '0') + "5").to_int(), 5);
}

TEST(Numbers, ToDouble) {
    struct Case {
        std::string text;
        double value;
    };
    const std::vector<Case> cases = {
        {"60", 60},    {"1.5", 1.5},    {".25", 0.25},    {"2.", 2},
        {"-1.5", 1.5}, {"1.2.3", 1.23}, {"1e3", 13},      {"12 34", 1234},
        {".", 0},      {"0.5", 0.5},    {"10.05", 10.05}, {" 1 , 2 ", 12},
        {"", 0},       {"59.9", 59.9},  {"abc", 0},       {"0.000001", 0.000001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(String(c.text).to_double(), c.value);
        EXPECT_FLOAT_EQ(String(c.text).to_float(), static_cast<float>(c.value));
    }
    EXPECT_EQ(String().to_double(), 0.0);
}

TEST(Numbers, ToDoubleOfHugeTextsStaysANumber) {
    // Long runs of zeros before the digits must not turn into NaN.
    EXPECT_DOUBLE_EQ(String("0." + std::string(500, '0') + "7").to_double(), 0.0);
    EXPECT_DOUBLE_EQ(String("0." + std::string(5000, '1')).to_double(), 1.0 / 9.0);
    EXPECT_DOUBLE_EQ(String(std::string(6000, '0') + "3.5").to_double(), 3.5);
    EXPECT_EQ(String(std::string(400, '9')).to_double(), std::numeric_limits<double>::infinity());
}

TEST(Numbers, FromInt) {
    struct Case {
        int value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "0"},
        {-1, "-1"},
        {1000000000, "1000000000"},
        {INT_MIN, "-2147483648"},
        {INT_MAX, "2147483647"},
        {-250, "-250"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(String::from_int(c.value).to_std_string(), c.text);
        EXPECT_FALSE(String::from_int(c.value).is_null());
    }
}

TEST(Numbers, FromDoubleAndFloat) {
    struct Case {
        double value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {7.0, "7.0"},   {-0.0, "0.0"},  {0.0, "0.0"},        {2.0, "2.0"},
        {-3.0, "-3.0"}, {0.75, "0.75"}, {123.45, "123.45"},  {1000, "1000.0"},
        {0.05, "0.05"}, {-0.5, "-0.5"}, {1e-7, "0.0000001"}, {1048576, "1048576.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(String::from_double(c.value).to_std_string(), c.text);
        EXPECT_EQ(String::from_float(static_cast<float>(c.value)).to_std_string(), c.text);
    }
    // A float is written with the digits that read back to it.
    EXPECT_EQ(String::from_float(0.1f).to_std_string(), "0.1");
    EXPECT_EQ(String::from_double(0.1f).to_std_string(), "0.10000000149011612");
    EXPECT_EQ(String::from_double(1e20).to_std_string(), "100000000000000000000.0");
    EXPECT_EQ(String::from_double(std::nan("")).to_std_string(), "nan");
    EXPECT_EQ(String::from_double(-std::numeric_limits<double>::infinity()).to_std_string(),
              "-inf");
    EXPECT_EQ(String::from_float(std::numeric_limits<float>::infinity()).to_std_string(), "inf");
    // Written text reads back (the readers know no sign).
    for (double v : {0.125, 3.75, 1234.5, 0.001953125})
        EXPECT_EQ(String::from_double(v).to_double(), v);
}
