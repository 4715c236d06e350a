#include "ExplorerSearchItemModel.h"

#include "ChangeText.h"
#include "ExplorerSearchViewModel.h"
#include "FigureFont.h"

#include "details/FileIcons.h"
#include "services/Background.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QPalette>

namespace vistrel {

ExplorerSearchItemModel::ExplorerSearchItemModel(ExplorerSearchViewModel* viewModel, const std::string& rootPath,
                                                 QObject* parent)
    : QAbstractTableModel(parent)
    , viewModel_(viewModel)
    , rootPath_(rootPath)
{
    connect(viewModel, &ExplorerSearchViewModel::resultsChanged, this, [this] {
        beginResetModel();
        ++generation_;
        live_.assign(viewModel_->results().size(), LiveValues{});
        endResetModel();
    });
}

ExplorerSearchItemModel::~ExplorerSearchItemModel() = default;

int ExplorerSearchItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(viewModel_->results().size());
}

int ExplorerSearchItemModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

void ExplorerSearchItemModel::requestLiveValues(int row) const
{
    LiveValues& values = live_[static_cast<std::size_t>(row)];
    if (values.requested)
        return;
    values.requested = true;
    VistrelFile file = viewModel_->results()[static_cast<std::size_t>(row)];
    auto* self = const_cast<ExplorerSearchItemModel*>(this);
    runInBackground(
        lifetime_,
        [file]() mutable {
            LiveValues loaded{true, true, {}, {}};
            if (const auto& live = file.loadFromFileSystem()) {
                if (!live->contentType.description.isEmpty())
                    loaded.kind = live->contentType.description;
                loaded.lastOpened = live->accessed();
            }
            return loaded;
        },
        [self, generation = generation_, row](LiveValues loaded) {
            if (generation != self->generation_)
                return;
            self->live_[static_cast<std::size_t>(row)] = loaded;
            Q_EMIT self->dataChanged(self->index(row, kindColumn), self->index(row, lastOpenedColumn));
        },
        BackgroundPriority::low);
}

const SizeComparison* ExplorerSearchItemModel::comparisonAt(int row) const
{
    const auto& comparisons = viewModel_->comparisons();
    return row >= 0 && static_cast<std::size_t>(row) < comparisons.size() ? &comparisons[static_cast<std::size_t>(row)]
                                                                          : nullptr;
}

QVariant ExplorerSearchItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const VistrelFile& file = viewModel_->results()[static_cast<std::size_t>(index.row())];
    const auto text = [](const std::string& bytes) { return DisplayName::of(bytes); };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case nameColumn:
            return text(file.name);
        case kindColumn:
        case lastOpenedColumn: {
            requestLiveValues(index.row());
            const LiveValues& values = live_[static_cast<std::size_t>(index.row())];
            if (!values.loaded)
                return QString();
            if (index.column() == kindColumn)
                return values.kind.value_or(QStringLiteral("--"));
            return values.lastOpened ? Formats::relativeDateStyle(*values.lastOpened) : QStringLiteral("--");
        }
        case pathColumn:
            return ExplorerSearchViewModel::pathColumn(file.id, rootPath_);
        case sizeColumn:
            return file.totalAllocatedSize ? Formats::byteCount(*file.totalAllocatedSize) : QStringLiteral("-");
        case changeColumn:
            if (const SizeComparison* comparison = comparisonAt(index.row()))
                return ChangeText::of(*comparison);
            return QString();
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == nameColumn) {
            const QPixmap picture = FileIcons::picture(file.id, 16);
            return picture.isNull() ? FileIcons::placeholder(16) : picture;
        }
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == sizeColumn || index.column() == changeColumn)
            return QVariant::fromValue(Qt::AlignTrailing | Qt::AlignVCenter);
        break;
    case Qt::FontRole:
        if (index.column() == sizeColumn || index.column() == changeColumn)
            return figureFont();
        break;
    case textToneRole:
        // Gone since the earlier snapshot: faded, with its old figures.
        return static_cast<int>(
            ChangeText::cellTone(comparisonAt(index.row()), index.column() == changeColumn,
                                 index.column() != nameColumn ? TextTone::figure : TextTone::normal));
    case searchTextRole:
        return viewModel_->searchText();
    }
    return {};
}

QVariant ExplorerSearchItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    // The size's title sits over its figures, at the trailing edge.
    if (role == Qt::TextAlignmentRole && (section == sizeColumn || section == changeColumn))
        return QVariant::fromValue(Qt::AlignTrailing | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    static const char* const titles[] = {"Name", "Kind", "Last Opened", "Path", "Size", "Change"};
    return section >= 0 && section < columnCount_ ? QString::fromLatin1(titles[section]) : QVariant();
}

} // namespace vistrel
