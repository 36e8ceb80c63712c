#include "core/Math.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <cstdint>
#include <limits>

std::mt19937 rng(3);

namespace {

constexpr double degrees_to_radians = 0.0174532925;
constexpr double radians_to_degrees = 57.29577957855229;
constexpr double K1 = 0.44721359101694697;
constexpr double K2 = 0.8944271932414214;
constexpr double S = 2.2360680103302;
constexpr double H = 0.4999999937348017;

// The heading as the parametric angle of a circle, 0 pointing right.
float parameter_angle(float heading) {
    return static_cast<float>((heading - 90) * degrees_to_radians);
}

}  // namespace

bool point_in_rect(const Vec2f& p, const Vec2f& pos, const Vec2f& size) {
    return pos.x <= p.x && p.x <= pos.x + size.x && pos.y <= p.y && p.y <= pos.y + size.y;
}

Vec4f normalise_rect(Vec4f& r) {
    if (r.x1 > r.x2 && r.y1 > r.y2) {
        std::swap(r.x1, r.x2);
        std::swap(r.y1, r.y2);
    } else if (r.x1 < r.x2 && r.y1 > r.y2) {
        std::swap(r.y1, r.y2);
    } else if (r.x1 > r.x2 && r.y1 < r.y2) {
        std::swap(r.x1, r.x2);
    }
    return r;
}

bool point_in_bounds(const Vec2f& p, Vec4f& r) {
    normalise_rect(r);
    return r.x1 <= p.x && p.x <= r.x2 && r.y1 <= p.y && p.y <= r.y2;
}

float distance(const Vec2f& a, const Vec2f& b) {
    float dx = b.x - a.x;
    float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

float ellipse_radius(const Vec2f& half_size, float heading) {
    float t = parameter_angle(heading);
    Vec2f point{half_size.x * std::cos(t), half_size.y * std::sin(t)};
    return distance(Vec2f{}, point);
}

float angle_between(const Vec2f& from, const Vec2f& to) {
    float h = static_cast<float>(
        std::atan2(static_cast<double>(to.x - from.x), static_cast<double>(from.y - to.y)) *
        radians_to_degrees);
    if (h < 0) h += 360;
    return h;
}

bool ellipses_overlap(const Vec2f& a, const Vec2f& b, const Vec2f& half_a, const Vec2f& half_b) {
    float r1 = ellipse_radius(half_a, angle_between(a, b));
    float r2 = ellipse_radius(half_b, angle_between(b, a));
    return r1 + r2 > distance(a, b);
}

float clamp(float value, float low, float high) {
    float m = high > value ? value : high;
    return m > low ? m : low;
}

float approach(float current, float target, float step) {
    if (target > current) {
        float next = current + step;
        return next < target ? next : target;
    }
    if (target < current) {
        float next = current - step;
        return next > target ? next : target;
    }
    return current;
}

Vec2f offset_by_angle(const Vec2f& p, float heading, float distance) {
    float t = parameter_angle(heading);
    return Vec2f{p.x + std::cos(t) * distance, p.y + std::sin(t) * distance};
}

Vec4f colour_from_255(const Vec4f& colour) {
    Vec4f result;
    result.r = colour.r / 255;
    result.g = colour.g / 255;
    result.b = colour.b / 255;
    result.a = colour.a;
    return result;
}

int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int>::max();
    if (value <= -2147483649.0) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int saturate_to_int(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

Vec2i to_vec2i(const std::vector<String>& fields) {
    Vec2f read = to_vec2f(fields);
    return Vec2i{truncate_to_int(read.x), truncate_to_int(read.y)};
}

Vec2f to_vec2f(const std::vector<String>& fields) {
    if (fields.size() < 2) return Vec2f{};
    return Vec2f{fields[0].to_float(), fields[1].to_float()};
}

Vec3f to_vec3f(const std::vector<String>& fields) {
    if (fields.size() < 3) return Vec3f{};
    return Vec3f{fields[0].to_float(), fields[1].to_float(), fields[2].to_float()};
}

Vec4f to_vec4f(const std::vector<String>& fields) {
    Vec4f result;
    if (fields.size() < 4) return result;
    result.x1 = fields[0].to_float();
    result.y1 = fields[1].to_float();
    result.x2 = fields[2].to_float();
    result.y2 = fields[3].to_float();
    return result;
}

Vec2f to_diamond(const Vec2f& p) {
    float a = static_cast<float>(p.x * K1 * S);
    float b = static_cast<float>(p.y * K2 * S);
    return Vec2f{a - b, a + b};
}

Vec2f from_diamond(const Vec2f& q) {
    float u = static_cast<float>(q.y / K2 / S);
    float v = static_cast<float>(q.x / K2 / S);
    float x = v + u;
    return Vec2f{x, static_cast<float>(u - H * x)};
}

int random_int(int low, int high) {
    uint32_t range = static_cast<uint32_t>(high) - static_cast<uint32_t>(low);
    if (range == 0xFFFFFFFFu)
        return static_cast<int>(static_cast<uint32_t>(low) + static_cast<uint32_t>(rng()));
    uint32_t n = range + 1;
    uint32_t scale = 0xFFFFFFFFu / n;
    uint32_t limit = n * scale;
    uint32_t draw;
    do {
        draw = static_cast<uint32_t>(rng());
    } while (draw >= limit);
    return static_cast<int>(static_cast<uint32_t>(low) + draw / scale);
}

float random_float(float low, float high) {
    double u = static_cast<double>(rng()) * 0x1p-32;
    return static_cast<float>(low + (static_cast<double>(high) - low) * u);
}
