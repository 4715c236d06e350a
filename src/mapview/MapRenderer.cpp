#include "MapRenderer.h"

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

// The ridge heights: each level down is a little flatter than the one above.
constexpr double ridgeHeight = 0.5;
constexpr double ridgeFalloff = 0.75;
constexpr double ambient = 0.25;
constexpr double diffuse = 0.75;
// Light from the upper left, a little in front.
constexpr double lightX = 0.09759;
constexpr double lightY = 0.19518;
constexpr double lightZ = 0.9759;

struct Surface {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0; // first- and second-order coefficients

    void addRidge(const SquarifiedLayout::Rect& rect, double height)
    {
        if (rect.width > 0) {
            x1 += 4 * height * (2 * rect.x + rect.width) / rect.width;
            x2 -= 4 * height / rect.width;
        }
        if (rect.height > 0) {
            y1 += 4 * height * (2 * rect.y + rect.height) / rect.height;
            y2 -= 4 * height / rect.height;
        }
    }
};

QRgb shade(QRgb colour, double intensity)
{
    const auto channel = [intensity](int value) { return std::clamp(static_cast<int>(value * intensity), 0, 255); };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

} // namespace

QImage MapRenderer::render(const MapLayout& layout, int width, int height, bool dark,
                           const std::function<bool()>& cancelled, const std::vector<std::uint32_t>* tileColours)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    const QRgb background = dark ? qRgb(0x30, 0x30, 0x34) : qRgb(0xd8, 0xd8, 0xdc);
    image.fill(background);
    const auto& tiles = layout.tiles();
    // Each tile's surface: its directories' ridges and its own. Parents come first.
    std::vector<Surface> surfaces(tiles.size());
    for (std::size_t index = 0; index < tiles.size(); ++index) {
        if (cancelled && index % 256 == 0 && cancelled())
            return {};
        const MapLayout::Tile& tile = tiles[index];
        Surface surface = tile.parent ? surfaces[*tile.parent] : Surface{};
        surface.addRidge(tile.rect, ridgeHeight * std::pow(ridgeFalloff, tile.depth - 1));
        surfaces[index] = surface;
        // A directory shows only where its contents left room; its files paint over it.
        const std::uint32_t fill = tileColours && index < tileColours->size()
            ? (*tileColours)[index]
            : FileTypeCategory::colour(tile.category, dark);
        const QRgb colour = tile.directory ? background : static_cast<QRgb>(0xff000000u | fill);
        const int left = std::clamp(static_cast<int>(std::lround(tile.rect.x)), 0, image.width());
        const int top = std::clamp(static_cast<int>(std::lround(tile.rect.y)), 0, image.height());
        const int right = std::clamp(static_cast<int>(std::lround(tile.rect.x + tile.rect.width)), 0, image.width());
        const int bottom = std::clamp(static_cast<int>(std::lround(tile.rect.y + tile.rect.height)), 0, image.height());
        for (int y = top; y < bottom; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            const double py = y + 0.5;
            const double ny = -(2 * surface.y2 * py + surface.y1);
            for (int x = left; x < right; ++x) {
                const double px = x + 0.5;
                const double nx = -(2 * surface.x2 * px + surface.x1);
                const double cosine = (nx * lightX + ny * lightY + lightZ) / std::sqrt(nx * nx + ny * ny + 1.0);
                line[x] = shade(colour, ambient + diffuse * std::max(0.0, cosine));
            }
        }
    }
    return image;
}

} // namespace vistrel
