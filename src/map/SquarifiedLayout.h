#pragma once

#include <cstdint>
#include <vector>

namespace vistrel {

// Lays out weighted items as rectangles that fill a rectangle, each with an area in
// proportion to its weight and as close to square as the squarified algorithm makes them
// (Bruls, Huizing and van Wijk, 2000): items largest first fill rows along the shorter side
// while each added item makes the row's worst aspect ratio better.
class SquarifiedLayout {
public:
    struct Rect {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;

        double area() const { return width * height; }
        bool contains(double px, double py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    };

    // One rectangle per weight, in the weights' order; a weight of 0 or less gets an empty
    // rectangle at the bounds' origin. Weights need not be sorted.
    static std::vector<Rect> layout(const std::vector<std::int64_t>& weights, const Rect& bounds);

    // The larger side over the smaller (1 for a square; infinite for an empty rectangle).
    static double aspectRatio(const Rect& rect);
};

} // namespace vistrel
