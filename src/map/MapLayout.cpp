#include "MapLayout.h"

#include <unordered_map>

namespace vistrel {

namespace {

struct Node {
    const VistrelFileSubtree::Item* file = nullptr;
    std::vector<std::size_t> children;
};

std::string parentOf(const std::string& id)
{
    // "/a/b/" and "/a/b" both have "/a/" as parent.
    const std::size_t end = id.size() > 1 && id.back() == '/' ? id.size() - 1 : id.size();
    return id.substr(0, id.rfind('/', end - 1) + 1);
}

} // namespace

MapLayout MapLayout::build(const FileUrl& root, const std::vector<VistrelFileSubtree::Item>& subtree, double width,
                           double height, const Options& options)
{
    MapLayout layout;
    // The tree: the root is node 0, every item hangs under its parent's node.
    std::vector<Node> nodes(1);
    std::unordered_map<std::string, std::size_t> byPath{{root.path(), 0}};
    nodes.reserve(subtree.size() + 1);
    for (const VistrelFileSubtree::Item& file : subtree) {
        const auto parent = byPath.find(parentOf(file.id));
        if (parent == byPath.end() || file.allocatedSize <= 0)
            continue; // outside the root, or under an item that takes no room
        const std::size_t index = nodes.size();
        nodes.push_back(Node{&file, {}});
        nodes[parent->second].children.push_back(index);
        if (!file.id.empty() && file.id.back() == '/')
            byPath.emplace(file.id, index);
    }

    // Each directory's children share its rectangle less its frame; small tiles are not made.
    struct Pending {
        std::size_t node;
        SquarifiedLayout::Rect rect;
        int depth;
        std::optional<std::size_t> tile;
    };
    std::vector<Pending> pending{{0, {0, 0, width, height}, 0, std::nullopt}};
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        const Node& node = nodes[current.node];
        if (node.children.empty())
            continue;
        SquarifiedLayout::Rect inner = current.rect;
        if (current.depth > 0 && inner.width > 4 * framePadding && inner.height > 4 * framePadding)
            inner = {inner.x + framePadding, inner.y + framePadding, inner.width - 2 * framePadding,
                     inner.height - 2 * framePadding};
        const double band = options.labelHeight;
        if (current.tile && band > 0 && current.rect.height >= 3 * band && current.rect.width >= 4 * band) {
            layout.tiles_[*current.tile].labelBand = band;
            inner = {inner.x, inner.y + band, inner.width, inner.height - band};
        }
        std::vector<std::int64_t> weights;
        weights.reserve(node.children.size() + 1);
        std::int64_t childrenTotal = 0;
        for (const std::size_t child : node.children) {
            weights.push_back(nodes[child].file->allocatedSize);
            childrenTotal += weights.back();
        }
        // What the read left out, and the directory's own blocks, keep their room in the frame.
        const std::int64_t whole = node.file ? node.file->allocatedSize : options.rootSize;
        if (whole > childrenTotal)
            weights.push_back(whole - childrenTotal);
        const auto rects = SquarifiedLayout::layout(weights, inner);
        for (std::size_t index = 0; index < node.children.size(); ++index) {
            const SquarifiedLayout::Rect& rect = rects[index];
            if (rect.width < minimumSide || rect.height < minimumSide)
                continue;
            const VistrelFileSubtree::Item& file = *nodes[node.children[index]].file;
            const bool directory = !file.id.empty() && file.id.back() == '/';
            layout.tiles_.push_back(
                Tile{rect, file.id, file.allocatedSize, current.depth + 1, current.tile, directory,
                     directory ? FileTypeCategory::other
                               : FileTypeCategory::ofName(std::string_view(file.id).substr(file.id.rfind('/') + 1))});
            if (directory)
                pending.push_back({node.children[index], rect, current.depth + 1, layout.tiles_.size() - 1});
        }
    }
    return layout;
}

MapLayout MapLayout::build(const FileUrl& root, const std::vector<VistrelFileSubtree::Item>& subtree, double width,
                           double height)
{
    return build(root, subtree, width, height, Options{});
}

double MapLayout::smallestShare(double width, double height)
{
    // A tile's area is at most its share of the whole; frames only take from it.
    const double area = width * height;
    return area > 0 ? minimumSide * minimumSide / area : 1.0;
}

std::optional<std::size_t> MapLayout::tileAt(double x, double y) const
{
    // The deepest containing tile: children follow their parents, and the deepest holds the point
    // in the smallest rectangle.
    std::optional<std::size_t> found;
    for (std::size_t index = 0; index < tiles_.size(); ++index) {
        const Tile& tile = tiles_[index];
        if (tile.rect.contains(x, y) && (!found || tile.depth > tiles_[*found].depth))
            found = index;
    }
    return found;
}

std::optional<std::string> MapLayout::rowFor(const std::string& path, const FileUrl& currentDirectory)
{
    const std::string& directory = currentDirectory.path();
    if (path.size() <= directory.size() || path.compare(0, directory.size(), directory) != 0)
        return std::nullopt;
    const std::size_t slash = path.find('/', directory.size());
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

} // namespace vistrel
