#pragma once

#include <QAbstractTableModel>
#include <QDateTime>

#include "services/LifetimeToken.h"
#include <memory>
#include <optional>
#include <vector>

namespace vistrel {

class ExplorerSearchViewModel;

// The search results as a flat table. "Kind" and "Last Opened" come from the live file
// system: read off the main thread, only for rows a view asks about (the painted ones).
class ExplorerSearchItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Change only while the results are the biggest changes.
    enum Column { nameColumn, kindColumn, lastOpenedColumn, pathColumn, sizeColumn, changeColumn, columnCount_ };
    // The search text, for the highlighting of names.
    enum Role { searchTextRole = Qt::UserRole + 1 };

    explicit ExplorerSearchItemModel(ExplorerSearchViewModel* viewModel, const std::string& rootPath,
                                     QObject* parent = nullptr);
    ~ExplorerSearchItemModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct LiveValues {
        bool requested = false;
        bool loaded = false;
        std::optional<QString> kind;
        std::optional<QDateTime> lastOpened;
    };
    void requestLiveValues(int row) const;
    const struct SizeComparison* comparisonAt(int row) const;

    ExplorerSearchViewModel* viewModel_;
    std::string rootPath_;
    mutable std::vector<LiveValues> live_;
    // Results of an older list must not land in a newer one.
    std::uint64_t generation_ = 0;
    LifetimeToken lifetime_;
};

} // namespace vistrel
