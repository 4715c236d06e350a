#pragma once

#include "UnmeasuredFolders.h"

#include <QAbstractItemModel>
#include <QPixmap>

#include <optional>

namespace vistrel {

class ExplorerTableRowModel;
class ExplorerTableViewModel;

// Adapts the explorer table's rows to Qt's views: one item per row, children fetched when a
// row is first opened, reorders reported as layout changes so that open rows and the
// selection survive a sort.
class ExplorerTableItemModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Size is the allocated size; Apparent Size (hidden at first) the bytes the files hold;
    // Share the Size's part of the current folder's, with a bar; Change (shown only while
    // comparing) the Size's change since an earlier snapshot.
    enum Column { nameColumn, filesColumn, sizeColumn, shareColumn, apparentSizeColumn, changeColumn, columnCount_ };
    // The row's URL path and scheme, and whether it is the aggregate row; shareRole the share
    // (0 to 1) the bar draws.
    enum Role { pathRole = Qt::UserRole + 1, isOthersRole, filterTextRole, badgeRole, shareRole };
    // Why a folder holds a cache anyone can make again ("Cache" badge), judged by its path.
    static std::optional<std::string> cacheReason(const std::string& path);

    explicit ExplorerTableItemModel(ExplorerTableViewModel* viewModel, QObject* parent = nullptr);

    ExplorerTableRowModel* rowAt(const QModelIndex& index) const;
    QModelIndex indexOf(const ExplorerTableRowModel* row, int column = 0) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Why a folder row has no figures; nothing for any other row.
    std::optional<UnmeasuredFolders::Reason> unmeasuredReason(const ExplorerTableRowModel& row) const;

private:
    void reordered();
    static QPixmap withEmblem(const QPixmap& picture, UnmeasuredFolders::Reason reason);

    ExplorerTableViewModel* viewModel_;
};

} // namespace vistrel
