#include "MapModel.h"

#include "MapRenderer.h"

#include "services/MainThread.h"
#include "store/SnapshotReader.h"
#include "store/VistrelFileSubtree.h"

namespace vistrel {

MapModel::MapModel(std::shared_ptr<SnapshotReader> reader, FileUrl directory, QObject* parent)
    : QObject(parent)
    , reader_(std::move(reader))
    , directory_(std::move(directory))
{
    debounce_.setSingleShot(true);
    debounce_.setInterval(debounceMilliseconds);
    connect(&debounce_, &QTimer::timeout, this, &MapModel::build);
}

MapModel::~MapModel()
{
    *alive_ = false;
    ++*generation_; // the work in flight stops at its next check
}

void MapModel::setSize(QSize size, bool dark)
{
    if (size.isEmpty() || (size == built_ && dark == dark_ && !image_.isNull()))
        return;
    wanted_ = size;
    dark_ = dark;
    ++*generation_;
    debounce_.start();
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
    const FileUrl directory = directory_;
    reader_->post([this, alive = alive_, counter = generation_, generation, size, dark, directory](StoreContext& context) {
        const auto stale = [counter, generation] { return counter->load() != generation; };
        if (stale())
            return;
        MapLayout layout;
        QImage image;
        QString failure;
        try {
            const auto subtree = VistrelFileSubtree::read(directory, context, MapLayout::smallestShare(size.width(), size.height()));
            if (stale())
                return;
            layout = MapLayout::build(directory, subtree, size.width(), size.height());
            image = MapRenderer::render(layout, size.width(), size.height(), dark, stale);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (stale())
            return;
        onMainThread(alive, [this, generation, size, layout = std::move(layout), image = std::move(image),
                             failure]() mutable {
            if (generation_->load() != generation)
                return;
            layout_ = std::move(layout);
            image_ = std::move(image);
            failure_ = failure;
            built_ = size;
            busy_ = false;
            Q_EMIT changed();
        });
    });
}

} // namespace vistrel
