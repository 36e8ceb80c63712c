// An untextured primitive for the Renderer: a kind word and three lists the
// builders fill in a fixed layout per kind (the Renderer reads them by
// position).
//
// kind 1 line:      records {x1, y1, x2, y2}, colour; floats width
// kind 2 rectangle: records corners {x1, y1, x2, y2}, outline, fill; floats width
// kind 3 ellipse:   points centre, radii; records outline, fill; floats segments, width
// kind 4:           records first, third, fourth; floats second, fifth (never drawn)
#pragma once

#include "core/Math.h"

#include <cstdint>
#include <vector>

class Shape {
public:
    // The kind word's values.
    enum Kind : uint32_t {
        empty = 0,
        line = 1,
        rectangle = 2,
        ellipse = 3,
        never_drawn = 4,  // set_kind4: stored, skipped by the Renderer
    };

    Shape();

    uint32_t kind() const;
    const std::vector<Vec2f>& points() const;
    const std::vector<Vec4f>& records() const;
    const std::vector<float>& floats() const;

    // Every builder empties the lists first; their storage stays allocated,
    // so a Shape rebuilt every frame allocates only once.
    void clear();
    void set_line(const Vec4f& ends, const Vec4f& colour, float width);
    void set_rectangle_bounds(const Vec4f& corners, const Vec4f& outline, const Vec4f& fill,
                              float width);
    void set_rectangle(const Vec2f& a, const Vec2f& b, const Vec4f& outline, const Vec4f& fill,
                       float width);
    void set_circle(const Vec2f& centre, const Vec2f& radii, int32_t segments, const Vec4f& outline,
                    const Vec4f& fill, float width);
    void set_kind4(const Vec4f& first, float second, const Vec4f& third, const Vec4f& fourth,
                   float fifth);

private:
    void start(uint32_t new_kind);

    uint32_t kind_;
    std::vector<Vec2f> points_;
    std::vector<Vec4f> records_;
    std::vector<float> floats_;
};
