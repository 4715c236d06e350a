#include "ExplorerSearchView.h"

#include "ExplorerItemMenu.h"
#include "ExplorerSearchItemModel.h"
#include "ExplorerSearchViewModel.h"
#include "HighlightedTextDelegate.h"
#include "ToneDelegate.h"

#include "services/Preferences.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace vistrel {

ExplorerSearchView::ExplorerSearchView(ExplorerSearchViewModel* viewModel, const std::string& rootPath,
                                       Preferences* preferences, QWidget* parent)
    : QWidget(parent)
    , viewModel_(viewModel)
    , preferences_(preferences)
    , itemModel_(new ExplorerSearchItemModel(viewModel, rootPath, this))
    , table_(new QTreeView(this))
    , status_(new QLabel(this))
    , progress_(new QProgressBar(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    status_->setContentsMargins(8, 4, 8, 4);
    table_->setModel(itemModel_);
    table_->setAccessibleName(QStringLiteral("Search results"));
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setItemDelegate(new ToneDelegate(table_));
    table_->setItemDelegateForColumn(ExplorerSearchItemModel::nameColumn,
                                     new HighlightedTextDelegate(ExplorerSearchItemModel::searchTextRole, table_));
    table_->installEventFilter(this);
    QHeaderView* header = table_->header();
    header->setAccessibleName(QStringLiteral("Columns"));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(ExplorerSearchItemModel::nameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(ExplorerSearchItemModel::pathColumn, QHeaderView::Stretch);
    for (const auto& [column, width] :
         {std::pair{ExplorerSearchItemModel::kindColumn, 120},
          std::pair{ExplorerSearchItemModel::lastOpenedColumn, 120}, std::pair{ExplorerSearchItemModel::sizeColumn, 80},
          std::pair{ExplorerSearchItemModel::changeColumn, 90}}) {
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(column, width);
    }
    if (preferences_)
        header->restoreState(preferences_->searchTableCustomization());
    header->setSectionHidden(ExplorerSearchItemModel::changeColumn, !viewModel_->listsChanges());
    const auto saveLayout = [this] {
        if (preferences_)
            preferences_->setSearchTableCustomization(table_->header()->saveState());
    };
    connect(header, &QHeaderView::sectionMoved, this, saveLayout);
    connect(header, &QHeaderView::sectionResized, this, saveLayout);

    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(120);
    progress_->setAccessibleName(QStringLiteral("Searching"));
    connect(viewModel_, &ExplorerSearchViewModel::resultsChanged, this, &ExplorerSearchView::update);
    connect(viewModel_, &ExplorerSearchViewModel::searchingChanged, this, &ExplorerSearchView::update);
    connect(table_, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { openSelected(); });
    connect(table_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& position) {
        if (QMenu* menu = makeContextMenu(table_->indexAt(position))) {
            menu->exec(table_->viewport()->mapToGlobal(position));
            delete menu;
        }
    });
    update();
}

void ExplorerSearchView::update()
{
    status_->setText(viewModel_->statusText());
    status_->setAccessibleName(viewModel_->statusText());
    progress_->setVisible(viewModel_->searching());
    progress_->move(table_->geometry().center() - QPoint(progress_->width() / 2, progress_->height() / 2));
    progress_->raise();
}

void ExplorerSearchView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

QString ExplorerSearchView::statusText() const
{
    return status_->text();
}

bool ExplorerSearchView::showsProgress() const
{
    return !progress_->isHidden();
}

void ExplorerSearchView::openSelected()
{
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid())
        return;
    // The path's bytes from the result itself: a name need not be UTF-8.
    const std::string& path = viewModel_->results()[static_cast<std::size_t>(current.row())].id;
    viewModel_->openParentSelecting(ItemUrl{ItemUrl::fileScheme, path});
}

std::vector<std::string> ExplorerSearchView::selectedItemPaths() const
{
    std::vector<std::string> paths;
    const auto& results = viewModel_->results();
    const auto& comparisons = viewModel_->comparisons();
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        const auto row = static_cast<std::size_t>(index.row());
        if (index.row() < 0 || row >= results.size())
            continue;
        if (row < comparisons.size() && comparisons[row].removed())
            continue; // gone from disk already
        paths.push_back(results[row].id);
    }
    return paths;
}

std::pair<std::int64_t, std::int64_t> ExplorerSearchView::selectedItemFigures() const
{
    std::pair<std::int64_t, std::int64_t> figures{0, 0};
    const auto& results = viewModel_->results();
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        if (index.row() < 0 || static_cast<std::size_t>(index.row()) >= results.size())
            continue;
        const VistrelFile& file = results[static_cast<std::size_t>(index.row())];
        figures.first += file.totalAllocatedSize.value_or(0);
        figures.second += FileUrl(file.id).isDirectory() ? file.fileCount.value_or(0) : 1;
    }
    return figures;
}

QMenu* ExplorerSearchView::makeContextMenu(const QModelIndex& index)
{
    if (!index.isValid())
        return nullptr;
    const std::string path = viewModel_->results()[static_cast<std::size_t>(index.row())].id;
    const ItemUrl url{ItemUrl::fileScheme, path};
    QMenu* menu = ExplorerItemMenu::make(
        url, [this, url] { viewModel_->openParentSelecting(url); }, this);
    if (menu && extendMenu_)
        extendMenu_(menu, path);
    return menu;
}

bool ExplorerSearchView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vistrel
