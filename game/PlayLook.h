// What the bodies of the play screen share: the colours they are drawn
// with, the health bar of the ship and of every enemy, the ranges their
// random draws come from and the variants of their sounds.
#pragma once

#include "core/Math.h"
#include "core/String.h"
#include "graphics/Shape.h"

// Draws nothing: a colour whose alpha is 0.
inline constexpr Vec4f transparent{0, 0, 0, 0};
// A sprite in its texture's own colours.
inline constexpr Vec4f untinted{1, 1, 1, 1};
// A body just hit: red and slightly transparent.
inline constexpr Vec4f hit_flash{1, 0, 0, 0.9f};

// A random draw's range, low included.
struct Range {
    float low;
    float high;
    // One draw of random_float.
    float draw() const { return random_float(low, high); }
};

// The three shapes of a health bar over the rectangle from top_left to
// bottom_right: the red background, the green fill up to fill_right and the
// black outline, each with line width 1.
void set_health_bar(Shape& fill, Shape& background, Shape& outline, const Vec2f& top_left,
                    const Vec2f& bottom_right, float fill_right);

// One of a sound's three variants, name + "1" to name + "3" ("hit2",
// "explosion3"), drawn with random_int.
String sound_variant(const char* name);
