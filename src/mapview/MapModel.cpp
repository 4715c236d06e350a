#include "MapModel.h"

#include "MapRenderer.h"

#include "map/GrowthColour.h"
#include "map/GrowthSubtree.h"
#include "objectstore/StoreContext.h"
#include "services/MainThread.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelFileSubtree.h"

namespace vistrel {

MapModel::MapModel(std::shared_ptr<SnapshotReader> reader, FileUrl directory, QObject* parent)
    : QObject(parent)
    , reader_(std::move(reader))
    , directory_(std::move(directory))
{
}

MapModel::~MapModel()
{
    suspend();
}

void MapModel::cancelMap()
{
    ++*generation_; // the work in flight stops at its next check, or its query is interrupted
    debounce_.cancel();
    if (inFlight_)
        inFlight_->cancel();
    inFlight_.reset();
    if (busy_) {
        busy_ = false;
        built_ = {}; // not made for any size: the next setSize builds again
    }
}

void MapModel::repaint()
{
    const QSize size = built_.isEmpty() ? wanted_ : built_;
    cancelMap();
    built_ = {};
    setSize(size, dark_);
}

void MapModel::suspend()
{
    cancelMap();
    if (typesInFlight_ && typesBusy_) {
        ++typesGeneration_;
        typesInFlight_->cancel();
        typesBusy_ = false;
        typesRead_ = false;
    }
    typesInFlight_.reset();
}

void MapModel::rebuild()
{
    const QSize size = built_.isEmpty() ? wanted_ : built_;
    suspend();
    built_ = {};
    typesRead_ = false;
    setSize(size, dark_);
}

void MapModel::setSize(QSize size, bool dark)
{
    if (size.isEmpty())
        return;
    const bool coming = size == wanted_ && dark == dark_ && (busy_ || debounce_.pending());
    if (!coming && (size != built_ || dark != dark_ || image_.isNull())) {
        wanted_ = size;
        dark_ = dark;
        ++*generation_;
        if (inFlight_)
            inFlight_->cancel();
        // The first map is wanted at once; later sizes come in bursts while a splitter moves.
        if (image_.isNull() && !busy_)
            build();
        else
            debounce_.request();
    }
    // After the map: the types read every file, the map only what it can draw.
    if (!typesRead_)
        readTypes();
}

void MapModel::setHighlightedCategory(std::optional<FileTypeCategory::Category> category)
{
    if (category == highlighted_)
        return;
    highlighted_ = category;
    Q_EMIT highlightChanged();
}

void MapModel::setComparison(std::shared_ptr<const SnapshotComparison> comparison)
{
    const bool was = colouredByGrowth();
    comparison_ = std::move(comparison);
    if (was || colouredByGrowth())
        repaint(); // the same tiles in other colours: the types stay as they were
    Q_EMIT colouringChanged();
}

void MapModel::setColouredByGrowth(bool byGrowth)
{
    if (byGrowth_ == byGrowth)
        return;
    byGrowth_ = byGrowth;
    if (comparison_)
        repaint();
    Q_EMIT colouringChanged();
}

void MapModel::build()
{
    if (!reader_ || wanted_.isEmpty())
        return;
    const std::uint64_t generation = ++*generation_;
    busy_ = true;
    Q_EMIT changed();
    const QSize size = wanted_;
    const bool dark = dark_;
    const double labelHeight = labelHeight_;
    const FileUrl directory = directory_;
    const auto growth = colouredByGrowth() ? comparison_ : nullptr;
    if (inFlight_)
        inFlight_->cancel();
    inFlight_ = reader_->postCancellable([this, owner = lifetime_.watch(), counter = generation_, generation, size,
                                          dark, labelHeight, directory, growth](StoreContext& context) {
        const auto stale = [counter, generation] { return counter->load() != generation; };
        if (stale())
            return;
        MapLayout layout;
        QImage image;
        QString failure;
        try {
            const double share = MapLayout::smallestShare(size.width(), size.height());
            const auto subtree = VistrelFileSubtree::read(directory, context, share);
            if (stale())
                return;
            // Sized against the folder's whole size: room its items do not fill stays empty.
            MapLayout::Options options;
            options.labelHeight = labelHeight;
            auto own = SnapshotCompletion::scanRootFile(context.container(), directory);
            if (!own)
                own = VistrelFile::file(directory, context);
            options.rootSize = own ? own->totalAllocatedSize.value_or(0) : 0;
            std::vector<std::uint32_t> colours;
            if (!growth) {
                layout = MapLayout::build(directory, subtree, size.width(), size.height(), options);
            } else {
                // Read finer than the shown snapshot: an item missing here grew at least fourfold.
                const auto earlier = growth->earlierSizes(directory, share / 4);
                if (stale())
                    return;
                std::unordered_map<std::string, std::int64_t> sizesNow;
                for (const auto& item : subtree)
                    sizesNow.emplace(item.id, item.allocatedSize);
                // What was removed keeps its earlier room, in a colour of its own.
                const auto minimum = static_cast<std::int64_t>(share * static_cast<double>(options.rootSize));
                auto merged = GrowthSubtree::merge(subtree, earlier, options.rootSize, 0, minimum,
                                                   [&context](const std::string& path) {
                                                       return VistrelFile::file(FileUrl(path), context).has_value();
                                                   });
                if (stale())
                    return;
                options.rootSize = merged.rootSize;
                layout = MapLayout::build(directory, merged.items, size.width(), size.height(), options);
                colours.reserve(layout.tiles().size());
                for (const MapLayout::Tile& tile : layout.tiles()) {
                    if (merged.removed.count(tile.path)) {
                        colours.push_back(GrowthColour::removed(dark));
                        continue;
                    }
                    const auto then = earlier.find(tile.path);
                    const auto now = sizesNow.find(tile.path);
                    colours.push_back(GrowthColour::of(then == earlier.end() ? 0 : then->second,
                                                       now == sizesNow.end() ? tile.size : now->second, dark));
                }
            }
            image = MapRenderer::render(layout, size.width(), size.height(), dark, stale, growth ? &colours : nullptr);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (stale())
            return; // interrupted on purpose: not a failure
        onMainThread(owner,
                     [this, generation, size, layout = std::move(layout), image = std::move(image), failure]() mutable {
                         if (generation_->load() != generation)
                             return;
                         inFlight_.reset();
                         layout_ = std::move(layout);
                         image_ = std::move(image);
                         failure_ = failure;
                         built_ = size;
                         busy_ = false;
                         Q_EMIT changed();
                     });
    });
}

void MapModel::readTypes()
{
    if (!reader_)
        return;
    typesRead_ = true;
    typesBusy_ = true;
    const int generation = ++typesGeneration_;
    const FileUrl directory = directory_;
    typesInFlight_
        = reader_->postCancellable([this, owner = lifetime_.watch(), directory, generation](StoreContext& context) {
              std::vector<FileTypeTotals::Row> rows;
              bool failed = false;
              try {
                  rows = FileTypeTotals::read(directory, context).rows();
              } catch (const std::exception&) {
                  failed = true; // interrupted, or the map's own read reports the failure
              }
              onMainThread(owner, [this, rows = std::move(rows), failed, generation]() mutable {
                  if (generation != typesGeneration_ || !typesBusy_)
                      return; // given up since
                  typesInFlight_.reset();
                  typesBusy_ = false;
                  types_ = std::move(rows);
                  if (failed)
                      typesRead_ = false; // a later showing tries again
                  Q_EMIT typesChanged();
              });
          });
}

} // namespace vistrel
