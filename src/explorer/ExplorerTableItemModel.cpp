#include "ExplorerTableItemModel.h"

#include "ChangeText.h"
#include "FigureFont.h"

#include "cleanup/CacheFolders.h"

#include "ExplorerTableRowModel.h"
#include "ExplorerTableViewModel.h"

#include "details/FileIcons.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPalette>

namespace vistrel {

ExplorerTableItemModel::ExplorerTableItemModel(ExplorerTableViewModel* viewModel, QObject* parent)
    : QAbstractItemModel(parent)
    , viewModel_(viewModel)
{
    connect(viewModel, &ExplorerTableViewModel::rowsAboutToBeReset, this, [this] { beginResetModel(); });
    connect(viewModel, &ExplorerTableViewModel::rowsReset, this, [this] { endResetModel(); });
    connect(viewModel, &ExplorerTableViewModel::childrenAboutToBeAdopted, this,
            [this](ExplorerTableRowModel* row, int count) {
                if (count > 0)
                    beginInsertRows(indexOf(row), 0, count - 1);
            });
    connect(viewModel, &ExplorerTableViewModel::childrenAdopted, this, [this](ExplorerTableRowModel* row) {
        if (row->loadedChildren() && !row->loadedChildren()->empty())
            endInsertRows();
    });
    connect(viewModel, &ExplorerTableViewModel::rowsAboutToBeReordered, this,
            [this] { Q_EMIT layoutAboutToBeChanged(); });
    connect(viewModel, &ExplorerTableViewModel::rowsReordered, this, &ExplorerTableItemModel::reordered);
}

void ExplorerTableItemModel::reordered()
{
    // Rows keep their identity (the row objects); only their positions changed.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const auto* row = rowAt(index);
        after.append(row ? createIndex(row->index(), index.column(), const_cast<ExplorerTableRowModel*>(row))
                         : QModelIndex());
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

std::optional<std::string> ExplorerTableItemModel::cacheReason(const std::string& path)
{
    // By the path alone: the table asks for every row it paints, so no disk is read here.
    static const std::string userCache = CacheFolders::userCacheFolder();
    if (path.empty() || path.back() != '/')
        return std::nullopt;
    return CacheFolders::byPath(path, userCache);
}

std::optional<UnmeasuredFolders::Reason> ExplorerTableItemModel::unmeasuredReason(
    const ExplorerTableRowModel& row) const
{
    const auto& source = row.source();
    // A folder the scan recorded without walking: no count and no size.
    if (!source.file() || !source.url().hasDirectoryPath() || source.fileCount() || source.totalAllocatedSize())
        return std::nullopt;
    const UnmeasuredFolders* folders = viewModel_->unmeasuredFolders();
    const auto reason = folders ? folders->reason(source.url().path) : UnmeasuredFolders::Reason::unreadableOrEmpty;
    return reason == UnmeasuredFolders::Reason::empty ? std::nullopt : std::optional(reason);
}

QPixmap ExplorerTableItemModel::withEmblem(const QPixmap& picture, UnmeasuredFolders::Reason reason)
{
    // One composed icon per reason: every folder shares the folder icon.
    static QHash<int, QPixmap> composed;
    const int key = static_cast<int>(reason);
    if (const auto found = composed.constFind(key); found != composed.constEnd())
        return *found;
    const char* emblem = reason == UnmeasuredFolders::Reason::excluded ? "action-unavailable-symbolic"
        : reason == UnmeasuredFolders::Reason::otherFileSystem         ? "drive-harddisk-symbolic"
                                                                       : "emblem-unreadable";
    QPixmap result = picture;
    const QPixmap mark = QIcon::fromTheme(QString::fromLatin1(emblem)).pixmap(10, 10);
    QPainter painter(&result); // logical coordinates, whatever the pixel ratio
    if (!mark.isNull()) {
        painter.drawPixmap(QRect(6, 6, 10, 10), mark);
    } else {
        // Without an icon theme: a dot in the reason's colour.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::white);
        painter.setBrush(reason == UnmeasuredFolders::Reason::excluded              ? QColor(120, 120, 120)
                             : reason == UnmeasuredFolders::Reason::otherFileSystem ? QColor(40, 110, 200)
                                                                                    : QColor(200, 40, 40));
        painter.drawEllipse(QRectF(8, 8, 7, 7));
    }
    painter.end();
    composed.insert(key, result);
    return result;
}

ExplorerTableRowModel* ExplorerTableItemModel::rowAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<ExplorerTableRowModel*>(index.internalPointer()) : nullptr;
}

QModelIndex ExplorerTableItemModel::indexOf(const ExplorerTableRowModel* row, int column) const
{
    if (!row || row == viewModel_->rootRow())
        return {};
    return createIndex(row->index(), column, const_cast<ExplorerTableRowModel*>(row));
}

QModelIndex ExplorerTableItemModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= columnCount_ || row < 0)
        return {};
    ExplorerTableRowModel::Children* rows = nullptr;
    if (!parent.isValid())
        rows = &viewModel_->files();
    else
        rows = rowAt(parent)->loadedChildren();
    if (!rows || row >= static_cast<int>(rows->size()))
        return {};
    return createIndex(row, column, (*rows)[static_cast<std::size_t>(row)].get());
}

QModelIndex ExplorerTableItemModel::parent(const QModelIndex& index) const
{
    const auto* row = rowAt(index);
    return row ? indexOf(row->parent()) : QModelIndex();
}

int ExplorerTableItemModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return static_cast<int>(viewModel_->files().size());
    const auto* children = rowAt(parent)->loadedChildren();
    return children ? static_cast<int>(children->size()) : 0;
}

int ExplorerTableItemModel::columnCount(const QModelIndex&) const
{
    return columnCount_;
}

bool ExplorerTableItemModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !viewModel_->files().empty();
    if (parent.column() > 0)
        return false;
    return rowAt(parent)->isExpandable();
}

bool ExplorerTableItemModel::canFetchMore(const QModelIndex& parent) const
{
    const auto* row = rowAt(parent);
    return row && row->isExpandable() && !row->loadedChildren();
}

void ExplorerTableItemModel::fetchMore(const QModelIndex& parent)
{
    viewModel_->loadChildren(rowAt(parent));
}

QVariant ExplorerTableItemModel::data(const QModelIndex& index, int role) const
{
    const auto* row = rowAt(index);
    if (!row)
        return {};
    const auto& source = row->source();
    const bool others = !source.url().isFile();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case nameColumn:
            // Screen readers hear the badge the eye sees.
            if (role == Qt::AccessibleTextRole && !others && cacheReason(source.url().path))
                return DisplayName::of(source.name()) + QStringLiteral(", cache");
            return DisplayName::of(source.name());
        case filesColumn:
            return source.fileCount() ? Formats::groupedCount(*source.fileCount()) : QStringLiteral("-");
        case sizeColumn:
            return source.totalAllocatedSize() ? Formats::byteCount(*source.totalAllocatedSize()) : QStringLiteral("-");
        case shareColumn:
            if (const auto share = viewModel_->shareOf(*row))
                return QString::number(*share * 100.0, 'f', 1) + QStringLiteral(" %");
            return QStringLiteral("-");
        case apparentSizeColumn:
            return source.totalSize() ? Formats::byteCount(*source.totalSize()) : QStringLiteral("-");
        case changeColumn:
            if (const SizeComparison* comparison = source.comparison()) {
                const QString text = ChangeText::of(*comparison);
                // Heard as a word where the eye sees an empty cell.
                return text.isEmpty() && role == Qt::AccessibleTextRole ? QStringLiteral("No change") : text;
            }
            return QString();
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == nameColumn && !others) {
            const QPixmap picture = FileIcons::picture(source.url().path, 16);
            if (const auto reason = unmeasuredReason(*row))
                return withEmblem(picture.isNull() ? FileIcons::placeholder(16) : picture, *reason);
            return picture.isNull() ? FileIcons::placeholder(16) : picture;
        }
        break;
    case badgeRole:
        if (index.column() == nameColumn && !others && cacheReason(source.url().path))
            return QStringLiteral("Cache");
        break;
    case Qt::ToolTipRole:
        // Why a folder has no figures comes first; then what it is.
        if (const auto reason = unmeasuredReason(*row)) {
            const UnmeasuredFolders* folders = viewModel_->unmeasuredFolders();
            return folders ? folders->describe(source.url().path) : UnmeasuredFolders::describe(*reason);
        }
        if (const auto cache = others ? std::nullopt : cacheReason(source.url().path))
            return QStringLiteral("Cache: ") + QString::fromStdString(*cache);
        // An empty folder: no badge, a plain word.
        if (!others && source.url().hasDirectoryPath() && source.file() && source.fileCount().value_or(0) == 0
            && !source.totalAllocatedSize().value_or(0))
            return UnmeasuredFolders::describe(UnmeasuredFolders::Reason::empty);
        break;
    case Qt::TextAlignmentRole:
        if (index.column() != nameColumn)
            return QVariant::fromValue(Qt::AlignTrailing | Qt::AlignVCenter);
        break;
    case Qt::FontRole:
        if (index.column() != nameColumn)
            return figureFont();
        break;
    case textToneRole: {
        // Items only the earlier snapshot has are faded, with their old figures.
        const TextTone otherwise = index.column() != nameColumn ? TextTone::figure
            : others                                            ? TextTone::other
                                                                : TextTone::normal;
        return static_cast<int>(ChangeText::cellTone(source.comparison(), index.column() == changeColumn, otherwise));
    }
    case shareRole:
        if (index.column() == shareColumn)
            if (const auto share = viewModel_->shareOf(*row))
                return *share;
        break;
    case pathRole:
        return QString::fromUtf8(source.url().path.data(), static_cast<qsizetype>(source.url().path.size()));
    case isOthersRole:
        return others;
    case filterTextRole:
        return viewModel_->filterText();
    }
    return {};
}

QVariant ExplorerTableItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        switch (section) {
        case nameColumn:
            return QStringLiteral("Name");
        case filesColumn:
            return QStringLiteral("Files");
        case sizeColumn:
            return QStringLiteral("Size");
        case shareColumn:
            return QStringLiteral("Share");
        case apparentSizeColumn:
            return QStringLiteral("Apparent Size");
        case changeColumn:
            return QStringLiteral("Change");
        }
    }
    if (role == Qt::TextAlignmentRole && section != nameColumn)
        return QVariant::fromValue(Qt::AlignTrailing | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ExplorerTableItemModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!rowAt(index)->isExpandable())
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace vistrel
