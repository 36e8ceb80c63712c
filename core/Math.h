// Value records for points, sizes, rectangles and colours; plane geometry;
// random numbers. Angles are degrees, 0 pointing up the screen (towards
// smaller y) and growing clockwise.
#pragma once

#include "core/String.h"

#include <cstdint>
#include <random>
#include <vector>

struct Vec2i {
    int x = 0;
    int y = 0;
};

struct Vec2f {
    float x = 0;
    float y = 0;
};

struct Vec3f {
    float x = 0;
    float y = 0;
    float z = 0;
};

// A rectangle {x1, y1, x2, y2} (two opposite corners) or a colour
// {r, g, b, a} from 0 to 1.
struct Vec4f {
    union {
        float x1 = 0;
        float r;
    };
    union {
        float y1 = 0;
        float g;
    };
    union {
        float x2 = 0;
        float b;
    };
    union {
        float y2 = 0;
        float a;
    };
};

// The generator behind random_int and random_float, seeded with 3 before
// main runs.
extern std::mt19937 rng;

// Edges included.
bool point_in_rect(const Vec2f& p, const Vec2f& pos, const Vec2f& size);
// Orders the corners in place (strict comparisons: a zero-width or
// zero-height rectangle is left as it is) and returns a copy.
Vec4f normalise_rect(Vec4f& r);
// Normalises r in place, then tests p between its corners, edges included.
bool point_in_bounds(const Vec2f& p, Vec4f& r);
float distance(const Vec2f& a, const Vec2f& b);
float ellipse_radius(const Vec2f& half_size, float heading);
// Heading from one point to the other, 0 to 360; equal points give 0.
float angle_between(const Vec2f& from, const Vec2f& to);
// The collision test: strictly overlapping (touching is not overlapping).
bool ellipses_overlap(const Vec2f& a, const Vec2f& b, const Vec2f& half_a, const Vec2f& half_b);
// The upper bound applies first: with low above high the result is low.
float clamp(float value, float low, float high);
// One step towards target, never past it; no wrap-around at 360.
float approach(float current, float target, float step);
Vec2f offset_by_angle(const Vec2f& p, float heading, float distance);
// r, g, b from 0 to 255 to 0 to 1; alpha unchanged.
Vec4f colour_from_255(const Vec4f& colour);

// Records from the fields of a split value, each read with
// String::to_double; all zero when there are fewer fields than the record
// has. to_vec2i truncates towards zero (saturating; NaN gives 0).
Vec2i to_vec2i(const std::vector<String>& fields);
Vec2f to_vec2f(const std::vector<String>& fields);
Vec3f to_vec3f(const std::vector<String>& fields);
Vec4f to_vec4f(const std::vector<String>& fields);

// Towards zero, saturating at the int range; NaN gives 0.
int truncate_to_int(double value);
// A sum or product formed in 64 bits, saturated to the int range.
int saturate_to_int(int64_t value);

Vec2f to_diamond(const Vec2f& p);
Vec2f from_diamond(const Vec2f& q);

// From low to high, both included.
int random_int(int low, int high);
// From low up to high.
float random_float(float low, float high);
