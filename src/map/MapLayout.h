#pragma once

#include "FileTypeCategory.h"
#include "SquarifiedLayout.h"

#include "store/VistrelFileSubtree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// A directory's whole subtree laid out as a treemap: one tile per file, inside nested frames
// for directories, each sized by its allocated size. Tiles smaller than minimumSide pixels
// either way are not made: their area stays with their directory's frame, so the tiles are
// bounded by the pixels, never by the number of entries. Plain data, built off the main
// thread and read by the map's view.
class MapLayout {
public:
    static constexpr double minimumSide = 2.0;
    // The frame a directory keeps around its contents, where it is large enough.
    static constexpr double framePadding = 1.0;

    struct Tile {
        SquarifiedLayout::Rect rect;
        std::string path;
        std::int64_t size = 0;
        int depth = 0; // 1 for the current directory's children
        std::optional<std::size_t> parent; // the directory's tile it lies in; none at depth 1
        bool directory = false;
        FileTypeCategory::Category category = FileTypeCategory::other;
        // A folder's band at the top of its frame, kept free for its name; 0 when it has none.
        double labelBand = 0;
    };

    struct Options {
        // The current folder's whole size: what its items do not fill stays empty room, so a
        // single small file never fills the map. 0: the items' own sum.
        std::int64_t rootSize = 0;
        // The height of a folder's name band, given to folders at least three bands high and
        // four wide; 0 for none.
        double labelHeight = 0;
    };

    // `subtree` as VistrelFileSubtree reads it (level by level) below `root`, laid out in a
    // `width` by `height` rectangle. Items with no size take no room; what a directory holds
    // beyond its items in `subtree` stays empty in its frame.
    static MapLayout build(const FileUrl& root, const std::vector<VistrelFileSubtree::Item>& subtree, double width,
                           double height, const Options& options);
    static MapLayout build(const FileUrl& root, const std::vector<VistrelFileSubtree::Item>& subtree, double width,
                           double height);
    // The share of the root's size below which an item can never be drawn at this size: what
    // the read may leave out.
    static double smallestShare(double width, double height);

    // Parents before their children.
    const std::vector<Tile>& tiles() const { return tiles_; }
    // The deepest tile at a point, or none.
    std::optional<std::size_t> tileAt(double x, double y) const;
    // The row of the current directory that holds `path`: the path of its child on the way
    // down (the path itself for a direct child); none for a path outside the directory.
    static std::optional<std::string> rowFor(const std::string& path, const FileUrl& currentDirectory);

private:
    std::vector<Tile> tiles_;
};

} // namespace vistrel
