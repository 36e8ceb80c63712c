#include "graphics/Shape.h"

Shape::Shape() : kind_(empty) {}

uint32_t Shape::kind() const { return kind_; }

const std::vector<Vec2f>& Shape::points() const { return points_; }

const std::vector<Vec4f>& Shape::records() const { return records_; }

const std::vector<float>& Shape::floats() const { return floats_; }

void Shape::start(uint32_t new_kind) {
    points_.clear();
    records_.clear();
    floats_.clear();
    kind_ = new_kind;
}

void Shape::clear() { start(empty); }

void Shape::set_line(const Vec4f& ends, const Vec4f& colour, float width) {
    start(line);
    records_.push_back(ends);
    records_.push_back(colour);
    floats_.push_back(width);
}

void Shape::set_rectangle_bounds(const Vec4f& corners, const Vec4f& outline, const Vec4f& fill,
                                 float width) {
    start(rectangle);
    records_.push_back(corners);
    records_.push_back(outline);
    records_.push_back(fill);
    floats_.push_back(width);
}

void Shape::set_rectangle(const Vec2f& a, const Vec2f& b, const Vec4f& outline, const Vec4f& fill,
                          float width) {
    set_rectangle_bounds(Vec4f{a.x, a.y, b.x, b.y}, outline, fill, width);
}

void Shape::set_circle(const Vec2f& centre, const Vec2f& radii, int32_t segments,
                       const Vec4f& outline, const Vec4f& fill, float width) {
    start(ellipse);
    points_.push_back(centre);
    points_.push_back(radii);
    records_.push_back(outline);
    records_.push_back(fill);
    floats_.push_back(static_cast<float>(segments));
    floats_.push_back(width);
}

void Shape::set_kind4(const Vec4f& first, float second, const Vec4f& third, const Vec4f& fourth,
                      float fifth) {
    start(never_drawn);
    records_.push_back(first);
    records_.push_back(third);
    records_.push_back(fourth);
    floats_.push_back(second);
    floats_.push_back(fifth);
}
