#include "game/PlayLook.h"

namespace {

// Red, green and blue over 255.
constexpr Vec4f bar_fill_255{63, 219, 6, 1};
constexpr Vec4f bar_background_255{190, 48, 49, 1};
constexpr Vec4f bar_outline{0, 0, 0, 1};

}  // namespace

void set_health_bar(Shape& fill, Shape& background, Shape& outline, const Vec2f& top_left,
                    const Vec2f& bottom_right, float fill_right) {
    fill.set_rectangle(top_left, {fill_right, bottom_right.y}, transparent,
                       colour_from_255(bar_fill_255), 1);
    background.set_rectangle(top_left, bottom_right, transparent,
                             colour_from_255(bar_background_255), 1);
    outline.set_rectangle(top_left, bottom_right, bar_outline, transparent, 1);
}

String sound_variant(const char* name) { return String(name) + String::from_int(random_int(1, 3)); }
