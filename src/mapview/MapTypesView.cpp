#include "MapTypesView.h"

#include "MapModel.h"

#include "services/Formats.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace vistrel {

namespace {

constexpr int categoryRole = Qt::UserRole;

QIcon swatch(FileTypeCategory::Category category, bool dark)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(QColor::fromRgb(FileTypeCategory::colour(category, dark)));
    return QIcon(pixmap);
}

} // namespace

MapTypesView::MapTypesView(MapModel* model, QWidget* parent)
    : QTreeWidget(parent)
    , model_(model)
{
    setAccessibleName(QStringLiteral("Types"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Size"), QStringLiteral("Files"), QStringLiteral("Share")});
    header()->setStretchLastSection(false);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Executables and libraries 000.0 MB 000,000 00.0 %"))
                    + 48);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(model_, &MapModel::typesChanged, this, &MapTypesView::fill);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto selected = selectedItems();
        if (selected.isEmpty())
            model_->setHighlightedCategory(std::nullopt);
        else
            model_->setHighlightedCategory(
                static_cast<FileTypeCategory::Category>(selected.front()->data(0, categoryRole).toInt()));
    });
    fill();
}

void MapTypesView::fill()
{
    clear();
    if (model_->typesBusy()) {
        auto* waiting = new QTreeWidgetItem(this, {QStringLiteral("Adding up the types…")});
        waiting->setFlags(Qt::NoItemFlags);
        return;
    }
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    for (const FileTypeTotals::Row& row : model_->types()) {
        auto* item = new QTreeWidgetItem(this,
                                         {QString::fromUtf8(FileTypeCategory::label(row.category)),
                                          Formats::byteCount(row.size), Formats::groupedCount(row.fileCount),
                                          QString::number(row.share * 100.0, 'f', 1) + QStringLiteral(" %")});
        item->setIcon(0, swatch(row.category, dark));
        // A narrow pane elides the longer names; the whole name stays one hover away.
        item->setToolTip(0, item->text(0));
        item->setData(0, categoryRole, static_cast<int>(row.category));
        for (int column = 1; column < 4; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        if (model_->highlightedCategory() == row.category)
            item->setSelected(true);
    }
}

void MapTypesView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !selectedItems().isEmpty()) {
        clearSelection();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace vistrel
