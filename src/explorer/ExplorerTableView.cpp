#include "ExplorerTableView.h"

#include "ExplorerItemMenu.h"
#include "ExplorerTableItemModel.h"
#include "ExplorerTableViewModel.h"
#include "HighlightedTextDelegate.h"
#include "ShareBarDelegate.h"
#include "ToneDelegate.h"

#include "details/EmptyStateView.h"
#include "services/Preferences.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace vistrel {

namespace {

// A share orders its rows as their size on disk does.
constexpr KeyPathComparator::Key columnKeys[]
    = {KeyPathComparator::Key::name,          KeyPathComparator::Key::fileCount, KeyPathComparator::Key::allocatedSize,
       KeyPathComparator::Key::allocatedSize, KeyPathComparator::Key::totalSize, KeyPathComparator::Key::change};

} // namespace

ExplorerTableView::ExplorerTableView(ExplorerTableViewModel* viewModel, Preferences* preferences, QWidget* parent)
    : QWidget(parent)
    , viewModel_(viewModel)
    , preferences_(preferences)
    , itemModel_(new ExplorerTableItemModel(viewModel, this))
    , tree_(new QTreeView(this))
    , progress_(new QProgressBar(this))
    , noResults_(new EmptyStateView(QStringLiteral("magnifyingglass"), QStringLiteral("No Results"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    tree_->setModel(itemModel_);
    tree_->setAccessibleName(QStringLiteral("Files and folders"));
    tree_->setUniformRowHeights(true);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setItemDelegate(new ToneDelegate(tree_));
    tree_->setItemDelegateForColumn(
        ExplorerTableItemModel::nameColumn,
        new HighlightedTextDelegate(ExplorerTableItemModel::filterTextRole, tree_, ExplorerTableItemModel::badgeRole));
    tree_->installEventFilter(this);

    QHeaderView* header = tree_->header();
    header->setAccessibleName(QStringLiteral("Columns"));
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSectionResizeMode(ExplorerTableItemModel::nameColumn, QHeaderView::Stretch);
    for (const int column : {ExplorerTableItemModel::filesColumn, ExplorerTableItemModel::sizeColumn}) {
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(column, 80);
    }
    header->setSectionResizeMode(ExplorerTableItemModel::shareColumn, QHeaderView::Fixed);
    header->resizeSection(ExplorerTableItemModel::shareColumn, 110);
    tree_->setItemDelegateForColumn(ExplorerTableItemModel::shareColumn,
                                    new ShareBarDelegate(ExplorerTableItemModel::shareRole, tree_));
    header->setSectionResizeMode(ExplorerTableItemModel::apparentSizeColumn, QHeaderView::Fixed);
    header->resizeSection(ExplorerTableItemModel::apparentSizeColumn, 110);
    header->setSectionHidden(ExplorerTableItemModel::apparentSizeColumn, true);
    header->setSectionResizeMode(ExplorerTableItemModel::changeColumn, QHeaderView::Fixed);
    header->resizeSection(ExplorerTableItemModel::changeColumn, 90);
    // A layout saved before a column existed would misplace it: it is left for the defaults.
    if (savedLayoutFits())
        header->restoreState(preferences_->tableCustomization());
    header->setSectionHidden(ExplorerTableItemModel::nameColumn, false);
    header->setSectionHidden(ExplorerTableItemModel::changeColumn, true); // while comparing only
    connect(header, &QHeaderView::sectionMoved, this, &ExplorerTableView::saveLayout);
    connect(header, &QHeaderView::sectionResized, this, &ExplorerTableView::saveLayout);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        viewModel_->sortBy(columnKeys[column]);
        saveLayout();
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& position) {
        QMenu* menu = makeColumnsMenu(this);
        menu->exec(tree_->header()->mapToGlobal(position));
        delete menu;
    });

    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Filtering"));
    progress_->setFixedWidth(120);
    progress_->hide();
    noResults_->hide();
    noResults_->setAttribute(Qt::WA_TransparentForMouseEvents);

    connect(tree_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (auto* row = itemModel_->rowAt(index)) {
            row->expanded = true;
            viewModel_->loadChildren(row);
        }
    });
    connect(tree_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (auto* row = itemModel_->rowAt(index))
            row->expanded = false;
    });
    // The selection, not the current row, feeds the details: Ctrl+click on the selected row
    // leaves a current row but nothing selected, and the panel empties.
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = tree_->selectionModel()->selectedRows();
        const auto* row = rows.isEmpty() ? nullptr : itemModel_->rowAt(rows.front());
        viewModel_->setSelectedPath(row ? std::optional<ItemUrl>(row->source().url()) : std::nullopt);
    });
    connect(tree_, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { viewModel_->primaryAction(); });
    connect(tree_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& position) {
        if (QMenu* menu = makeContextMenu(tree_->indexAt(position))) {
            menu->exec(tree_->viewport()->mapToGlobal(position));
            delete menu;
        }
    });
    connect(viewModel_, &ExplorerTableViewModel::childrenAdopted, this,
            [this](ExplorerTableRowModel* row) { applyVisibility(row); });
    connect(viewModel_, &ExplorerTableViewModel::rowsReordered, this, [this] {
        for (auto& row : viewModel_->files())
            tree_->setRowHidden(row->index(), {}, !row->show);
        for (auto& row : viewModel_->files())
            applyVisibility(row.get());
        updateSortIndicator();
        updateOverlay();
        tree_->viewport()->update(); // highlights of the old text
    });
    connect(viewModel_, &ExplorerTableViewModel::filterTextChanged, tree_->viewport(), qOverload<>(&QWidget::update));
    connect(viewModel_, &ExplorerTableViewModel::rowsReset, this, [this] { updateOverlay(); });
    connect(viewModel_, &ExplorerTableViewModel::filteringAndSortingChanged, this, &ExplorerTableView::updateOverlay);
    connect(viewModel_, &ExplorerTableViewModel::selectionRequested, this, [this](const ItemUrl& url) {
        // Rebuilt rows start folded: a row further down is stood for by its folder here.
        ExplorerTableRowModel* match = nullptr;
        for (auto& row : viewModel_->files()) {
            const ItemUrl& candidate = row->source().url();
            if (candidate == url) {
                match = row.get();
                break;
            }
            if (candidate.isFile() && candidate.hasDirectoryPath() && url.path.starts_with(candidate.path))
                match = row.get();
        }
        if (match) {
            select(itemModel_->indexOf(match));
        } else {
            // Gone from the snapshot: nothing highlighted, and the details agree.
            tree_->selectionModel()->clearSelection();
            viewModel_->setSelectedPath(std::nullopt);
        }
    });
    updateSortIndicator();
}

bool ExplorerTableView::savedLayoutFits() const
{
    return preferences_ && !preferences_->tableCustomization().isEmpty()
        && preferences_->tableColumnCount() == ExplorerTableItemModel::columnCount_;
}

void ExplorerTableView::saveLayout()
{
    if (!preferences_)
        return;
    preferences_->setTableCustomization(tree_->header()->saveState());
    preferences_->setTableColumnCount(ExplorerTableItemModel::columnCount_);
}

QMenu* ExplorerTableView::makeColumnsMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("Columns"), parent);
    menu->setAccessibleName(QStringLiteral("Columns"));
    addColumnActions(menu);
    return menu;
}

void ExplorerTableView::addColumnActions(QMenu* menu)
{
    QHeaderView* header = tree_->header();
    // The name stays: a row without it says nothing. Change comes and goes with comparing.
    for (int column = ExplorerTableItemModel::filesColumn; column < ExplorerTableItemModel::changeColumn; ++column) {
        QAction* action = menu->addAction(itemModel_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        action->setCheckable(true);
        action->setChecked(!header->isSectionHidden(column));
        connect(action, &QAction::toggled, this, [this, column](bool shown) {
            tree_->header()->setSectionHidden(column, !shown);
            saveLayout();
        });
    }
}

void ExplorerTableView::syncColumnsWithPreferences()
{
    if (!savedLayoutFits())
        return;
    QHeaderView saved(Qt::Horizontal);
    saved.setModel(itemModel_);
    saved.restoreState(preferences_->tableCustomization());
    for (int column = ExplorerTableItemModel::filesColumn; column < ExplorerTableItemModel::changeColumn; ++column)
        tree_->header()->setSectionHidden(column, saved.isSectionHidden(column));
}

void ExplorerTableView::setComparing(bool comparing)
{
    tree_->header()->setSectionHidden(ExplorerTableItemModel::changeColumn, !comparing);
    // An order by change means nothing without one.
    const SortOrder& order = viewModel_->order();
    if (!comparing && !order.empty() && order.front().key == KeyPathComparator::Key::change)
        viewModel_->sortBy(KeyPathComparator::Key::allocatedSize);
}

bool ExplorerTableView::comparing() const
{
    return !tree_->header()->isSectionHidden(ExplorerTableItemModel::changeColumn);
}

void ExplorerTableView::select(const QModelIndex& index)
{
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void ExplorerTableView::applyVisibility(ExplorerTableRowModel* row)
{
    auto* children = row->loadedChildren();
    if (!children || !row->expanded)
        return;
    const QModelIndex parent = itemModel_->indexOf(row);
    for (auto& child : *children) {
        tree_->setRowHidden(child->index(), parent, !child->show);
        applyVisibility(child.get());
    }
}

std::vector<std::string> ExplorerTableView::selectedItemPaths() const
{
    std::vector<std::string> paths;
    for (const QModelIndex& index : tree_->selectionModel()->selectedRows())
        if (const auto* row = itemModel_->rowAt(index); row && row->source().url().isFile()
            && !(row->source().comparison() && row->source().comparison()->removed())) // gone already
            paths.push_back(row->source().url().path);
    return paths;
}

std::pair<std::int64_t, std::int64_t> ExplorerTableView::selectedItemFigures() const
{
    std::pair<std::int64_t, std::int64_t> figures{0, 0};
    for (const QModelIndex& index : tree_->selectionModel()->selectedRows()) {
        const auto* row = itemModel_->rowAt(index);
        if (!row || !row->source().url().isFile())
            continue;
        figures.first += row->source().totalAllocatedSize().value_or(0);
        figures.second += row->source().url().hasDirectoryPath() ? row->source().fileCount().value_or(0) : 1;
    }
    return figures;
}

QMenu* ExplorerTableView::makeContextMenu(const QModelIndex& index)
{
    const auto* row = itemModel_->rowAt(index);
    if (!row)
        return nullptr;
    const ItemUrl url = row->source().url();
    QMenu* menu = ExplorerItemMenu::make(
        url, [this, url] { viewModel_->setAsCurrentDirectory(url); }, this);
    if (menu && extendMenu_)
        extendMenu_(menu, url.path);
    return menu;
}

bool ExplorerTableView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            viewModel_->primaryAction();
            return true;
        }
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            Q_EMIT previewRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ExplorerTableView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateOverlay();
}

void ExplorerTableView::updateOverlay()
{
    const QRect area = tree_->geometry();
    progress_->setVisible(viewModel_->filteringAndSorting());
    progress_->move(area.center() - QPoint(progress_->width() / 2, progress_->height() / 2));
    progress_->raise();
    noResults_->setVisible(viewModel_->showsNoResults());
    noResults_->setGeometry(area);
    noResults_->raise();
}

void ExplorerTableView::updateSortIndicator()
{
    const SortOrder& order = viewModel_->order();
    if (order.empty())
        return;
    const int column = static_cast<int>(std::find(std::begin(columnKeys), std::end(columnKeys), order.front().key)
                                        - std::begin(columnKeys));
    // Qt draws an ascending indicator as a down arrow; the desktop's file managers point down
    // while the largest or last comes first.
    tree_->header()->setSortIndicator(column, order.front().forward ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool ExplorerTableView::showsProgress() const
{
    return progress_->isVisible();
}

bool ExplorerTableView::showsNoResults() const
{
    return noResults_->isVisible();
}

} // namespace vistrel
