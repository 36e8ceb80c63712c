#include "core/Math.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// Restores the shared generator, so the tests draw independently of order.
struct KeepGenerator {
    std::mt19937 saved = rng;
    ~KeepGenerator() { rng = saved; }
};

// The downscaling rule, worked in 64 bits from the reference generator.
int64_t reference_int(std::mt19937& reference, int low, int high) {
    uint64_t range = static_cast<uint32_t>(static_cast<int64_t>(high) - low);
    if (range == 0xFFFFFFFFu)
        return static_cast<int32_t>(static_cast<uint32_t>(low + static_cast<int64_t>(reference())));
    uint64_t n = range + 1;
    uint64_t scale = 0xFFFFFFFFull / n;
    uint64_t draw;
    do draw = reference();
    while (draw >= n * scale);
    return static_cast<int32_t>(static_cast<uint32_t>(low + static_cast<int64_t>(draw / scale)));
}

std::vector<String> texts(std::initializer_list<const char*> list) {
    std::vector<String> out;
    for (const char* t : list) out.push_back(String(t));
    return out;
}

}  // namespace

TEST(Random, GeneratorStartsSeededWith3) { EXPECT_TRUE(rng == std::mt19937(3)); }

TEST(Random, FirstDrawsFromSeed3FollowTheRule) {
    KeepGenerator keep;
    rng.seed(3);
    std::mt19937 reference(3);
    // The game's own draws: sounds, spawn delays, headings, positions.
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(random_int(1, 3), reference_int(reference, 1, 3));
        double u = reference() * std::ldexp(1.0, -32);
        EXPECT_EQ(random_float(1200, 1700), static_cast<float>(1200 + 500 * u));
        u = reference() * std::ldexp(1.0, -32);
        EXPECT_EQ(random_float(0, 1), static_cast<float>(u));
        u = reference() * std::ldexp(1.0, -32);
        EXPECT_EQ(random_float(135, 225), static_cast<float>(135 + 90 * u));
    }
    EXPECT_TRUE(rng == reference);
}

TEST(Random, IntRejectsDrawsAboveTheLimit) {
    KeepGenerator keep;
    rng.seed(3);
    std::mt19937 reference(3);
    // n = 2^31 gives scale 1 and limit 2^31: about every other draw is
    // rejected, and the count of draws must match exactly.
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(random_int(0, INT_MAX), reference_int(reference, 0, INT_MAX));
    // The full span takes one draw, low + draw modulo 2^32.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(random_int(INT_MIN, INT_MAX), reference_int(reference, INT_MIN, INT_MAX));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(random_int(-10, 10), reference_int(reference, -10, 10));
    EXPECT_TRUE(rng == reference);
}

TEST(Random, Ranges) {
    KeepGenerator keep;
    rng.seed(3);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(random_int(5, 5), 5);
        int v = random_int(1, 3);
        EXPECT_TRUE(v >= 1 && v <= 3);
        float f = random_float(-50, 690);
        EXPECT_TRUE(f >= -50 && f <= 690);
    }
}

TEST(Geometry, AngleBetween) {
    struct Case {
        Vec2f to;
        float degrees;
    };
    const std::vector<Case> cases = {
        {{0, -1}, 0}, {{1, 0}, 90},  {{0, 1}, 180},   {{-1, 0}, 270},
        {{0, 0}, 0},  {{1, -1}, 45}, {{-1, -1}, 315},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        EXPECT_FLOAT_EQ(angle_between(Vec2f{}, c.to), c.degrees);
    }
    EXPECT_FLOAT_EQ(angle_between(Vec2f{10, 10}, Vec2f{10, 20}), 180);
}

TEST(Geometry, EllipsesOverlapStrictly) {
    struct Case {
        Vec2f a, b, half_a, half_b;
        bool overlap;
    };
    const std::vector<Case> cases = {
        {{0, 0}, {2, 0}, {1, 1}, {1, 1}, false},  // touching
        {{0, 0}, {1.9f, 0}, {1, 1}, {1, 1}, true},  {{0, 0}, {0, 2.5f}, {1, 1}, {1, 1}, false},
        {{0, 0}, {0, 2.5f}, {1, 2}, {1, 1}, true},   // tall first ellipse reaches down
        {{0, 0}, {2.5f, 0}, {1, 2}, {1, 1}, false},  // but not sideways
        {{5, 5}, {5, 5}, {0, 0}, {0, 0}, false},     // two points never overlap
        {{5, 5}, {5, 5}, {1, 1}, {0, 0}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ellipses_overlap(c.a, c.b, c.half_a, c.half_b), c.overlap)
            << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y;
    }
}

TEST(Geometry, EllipseRadiusAndOffset) {
    EXPECT_NEAR(ellipse_radius(Vec2f{3, 5}, 0), 5, 1e-5);
    EXPECT_NEAR(ellipse_radius(Vec2f{3, 5}, 180), 5, 1e-5);
    EXPECT_NEAR(ellipse_radius(Vec2f{3, 5}, 90), 3, 1e-5);
    EXPECT_NEAR(ellipse_radius(Vec2f{3, 5}, 270), 3, 1e-5);
    Vec2f up = offset_by_angle(Vec2f{10, 10}, 0, 4);
    EXPECT_NEAR(up.x, 10, 1e-5);
    EXPECT_NEAR(up.y, 6, 1e-5);
    Vec2f right = offset_by_angle(Vec2f{10, 10}, 90, 4);
    EXPECT_NEAR(right.x, 14, 1e-5);
    EXPECT_NEAR(right.y, 10, 1e-5);
    EXPECT_FLOAT_EQ(distance(Vec2f{1, 1}, Vec2f{4, 5}), 5);
}

TEST(Geometry, ClampAndApproach) {
    EXPECT_EQ(clamp(5, 10, 0), 10);  // upper bound first, then the lower
    EXPECT_EQ(clamp(5, 0, 10), 5);
    EXPECT_EQ(clamp(-1, 0, 10), 0);
    EXPECT_EQ(clamp(11, 0, 10), 10);
    EXPECT_EQ(approach(350, 10, 5), 345);  // no wrap-around
    EXPECT_EQ(approach(0, 3, 5), 3);
    EXPECT_EQ(approach(10, 3, 5), 5);
    EXPECT_EQ(approach(10, 7, 5), 7);
    EXPECT_EQ(approach(4, 4, 5), 4);
}

TEST(Geometry, Rectangles) {
    EXPECT_TRUE(point_in_rect(Vec2f{30, 70}, Vec2f{10, 20}, Vec2f{20, 50}));  // far corner
    EXPECT_TRUE(point_in_rect(Vec2f{10, 20}, Vec2f{10, 20}, Vec2f{20, 50}));
    EXPECT_FALSE(point_in_rect(Vec2f{30.01f, 70}, Vec2f{10, 20}, Vec2f{20, 50}));
    EXPECT_FALSE(point_in_rect(Vec2f{std::nanf(""), 30}, Vec2f{10, 20}, Vec2f{20, 50}));

    Vec4f reversed{10, 10, 0, 0};
    EXPECT_TRUE(point_in_bounds(Vec2f{5, 5}, reversed));
    EXPECT_EQ(reversed.x1, 0);
    EXPECT_EQ(reversed.y1, 0);
    EXPECT_EQ(reversed.x2, 10);
    EXPECT_EQ(reversed.y2, 10);
    Vec4f flat{5, 10, 5, 0};
    EXPECT_FALSE(point_in_bounds(Vec2f{5, 5}, flat));
    EXPECT_EQ(flat.y1, 10);  // zero width: nothing reordered
    Vec4f half{0, 10, 10, 0};
    Vec4f copy = normalise_rect(half);
    EXPECT_EQ(half.y1, 0);
    EXPECT_EQ(copy.y2, 10);
}

TEST(Geometry, Colours) {
    Vec4f c = colour_from_255(Vec4f{255, 128, 0, 0.5f});
    EXPECT_FLOAT_EQ(c.r, 1);
    EXPECT_FLOAT_EQ(c.g, 128.0f / 255);
    EXPECT_FLOAT_EQ(c.b, 0);
    EXPECT_FLOAT_EQ(c.a, 0.5f);
}

TEST(Geometry, RecordsFromTexts) {
    Vec2i size = to_vec2i(texts({"1280", "720"}));
    EXPECT_EQ(size.x, 1280);
    EXPECT_EQ(size.y, 720);
    Vec2i single = to_vec2i(texts({"1280"}));
    EXPECT_EQ(single.x, 0);
    EXPECT_EQ(single.y, 0);
    Vec2i truncated = to_vec2i(texts({"640.9", " 360 ", "7"}));
    EXPECT_EQ(truncated.x, 640);
    EXPECT_EQ(truncated.y, 360);
    // Too large for an int: saturated, not undefined.
    Vec2i huge = to_vec2i(texts({"99999999999", "1"}));
    EXPECT_EQ(huge.x, INT_MAX);
    Vec4f three = to_vec4f(texts({"1", "2", "3"}));
    EXPECT_EQ(three.x1 + three.y1 + three.x2 + three.y2, 0);
    Vec4f four = to_vec4f(texts({"1", "2", "3", "4.5"}));
    EXPECT_EQ(four.y2, 4.5f);
    Vec3f v3 = to_vec3f(texts({"1", "2", "3"}));
    EXPECT_EQ(v3.z, 3);
    EXPECT_EQ(to_vec3f(texts({"1", "2"})).x, 0);
    EXPECT_EQ(to_vec2f(texts({"1.5", "2"})).x, 1.5f);
}

TEST(Geometry, TruncateToIntSaturates) {
    EXPECT_EQ(truncate_to_int(59.9), 59);
    EXPECT_EQ(truncate_to_int(-59.9), -59);
    EXPECT_EQ(truncate_to_int(std::nan("")), 0);
    EXPECT_EQ(truncate_to_int(1e300), INT_MAX);
    EXPECT_EQ(truncate_to_int(-std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(truncate_to_int(2147483647.9), INT_MAX);
    EXPECT_EQ(truncate_to_int(-2147483648.9), INT_MIN);
}

TEST(Geometry, DiamondProjectionRoundTrips) {
    Vec2f d = to_diamond(Vec2f{10, 3});
    EXPECT_NEAR(d.x, 10 - 2 * 3, 1e-4);
    EXPECT_NEAR(d.y, 10 + 2 * 3, 1e-4);
    for (Vec2f p : {Vec2f{10, 3}, Vec2f{-4, 7.5f}, Vec2f{0, 0}, Vec2f{123, -45}}) {
        Vec2f back = from_diamond(to_diamond(p));
        EXPECT_NEAR(back.x, p.x, 1e-3);
        EXPECT_NEAR(back.y, p.y, 1e-3);
    }
}
