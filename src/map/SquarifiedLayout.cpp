#include "SquarifiedLayout.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace vistrel {

namespace {

// The worst aspect ratio of a row of `areas` (sum `sum`, largest `largest`, smallest
// `smallest`) laid along a side of length `side`.
double worst(double sum, double largest, double smallest, double side)
{
    const double side2 = side * side;
    const double sum2 = sum * sum;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

} // namespace

double SquarifiedLayout::aspectRatio(const Rect& rect)
{
    if (rect.width <= 0 || rect.height <= 0)
        return std::numeric_limits<double>::infinity();
    return std::max(rect.width / rect.height, rect.height / rect.width);
}

std::vector<SquarifiedLayout::Rect> SquarifiedLayout::layout(const std::vector<std::int64_t>& weights,
                                                             const Rect& bounds)
{
    std::vector<Rect> result(weights.size(), Rect{bounds.x, bounds.y, 0, 0});
    std::vector<std::size_t> order;
    double total = 0;
    for (std::size_t index = 0; index < weights.size(); ++index) {
        if (weights[index] > 0) {
            order.push_back(index);
            total += static_cast<double>(weights[index]);
        }
    }
    if (order.empty() || bounds.width <= 0 || bounds.height <= 0)
        return result;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
    // Areas in the bounds' units: they add up to the bounds' area.
    const double scale = bounds.area() / total;
    std::vector<double> areas(order.size());
    for (std::size_t index = 0; index < order.size(); ++index)
        areas[index] = static_cast<double>(weights[order[index]]) * scale;

    Rect free = bounds;
    std::size_t start = 0;
    while (start < order.size()) {
        const double side = std::min(free.width, free.height);
        // Grow the row while its worst ratio improves.
        std::size_t end = start + 1;
        double sum = areas[start];
        double current = worst(sum, areas[start], areas[start], side);
        while (end < order.size()) {
            const double next = worst(sum + areas[end], areas[start], areas[end], side);
            if (next > current)
                break;
            sum += areas[end];
            current = next;
            ++end;
        }
        // The row takes a strip of the free rectangle along its shorter side.
        const bool horizontalStrip = free.width >= free.height; // a column at the left
        const double thickness = side > 0 ? sum / side : 0;
        double offset = 0;
        for (std::size_t index = start; index < end; ++index) {
            const double length = thickness > 0 ? areas[index] / thickness : 0;
            Rect& tile = result[order[index]];
            if (horizontalStrip)
                tile = Rect{free.x, free.y + offset, thickness, length};
            else
                tile = Rect{free.x + offset, free.y, length, thickness};
            offset += length;
        }
        if (horizontalStrip) {
            free.x += thickness;
            free.width = std::max(0.0, free.width - thickness);
        } else {
            free.y += thickness;
            free.height = std::max(0.0, free.height - thickness);
        }
        start = end;
    }
    return result;
}

} // namespace vistrel
