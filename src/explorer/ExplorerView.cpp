#include "ExplorerView.h"

#include "ChangeText.h"
#include "ExplorerModel.h"
#include "ExplorerNotice.h"
#include "ExplorerPathBarView.h"
#include "ExplorerSearchView.h"
#include "ExplorerSearchViewModel.h"
#include "ExplorerTableRowModel.h"
#include "ExplorerTableRowModelDataSource.h"
#include "ExplorerTableView.h"
#include "ExplorerTableViewModel.h"
#include "NavigationModel.h"
#include "UnreadableFoldersDialog.h"
#include "UsedSpaceLine.h"
#include "history/ComparisonModel.h"
#include "mapview/MapModel.h"
#include "mapview/MapPane.h"
#include "mapview/MapView.h"

#include "details/EmptyStateView.h"
#include "details/ExplorerDetailsContentView.h"
#include "details/ExplorerDetailsView.h"
#include "services/DisplayName.h"
#include "services/Log.h"
#include "services/Preferences.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace vistrel {

namespace {

QString text(const std::string& bytes)
{
    return DisplayName::of(bytes);
}

} // namespace

ExplorerView::ExplorerView(const ExplorerEnvironment& environment, FileUrl root, std::optional<FileUrl> selection,
                           QWidget* parent)
    : QWidget(parent)
    , model_(new ExplorerModel(std::move(root), std::move(selection), this))
    , tableViewModel_(new ExplorerTableViewModel(environment.reader, model_, environment.navigationModel, this))
    , searchField_(new QLineEdit(this))
    , scopes_(new QButtonGroup(this))
    , content_(new QStackedWidget(this))
    , environment_(environment)
{
    setAccessibleName(subtitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 6);
    searchField_->setPlaceholderText(QStringLiteral("Filter and search..."));
    searchField_->setAccessibleName(QStringLiteral("Filter and search"));
    searchField_->setClearButtonEnabled(true);
    // Qt's clear button comes unnamed: screen readers would announce a nameless button.
    for (QToolButton* clear : searchField_->findChildren<QToolButton*>())
        clear->setAccessibleName(QStringLiteral("Clear the filter"));
    searchField_->installEventFilter(this);
    bar->addWidget(searchField_, 1);
    bar->addSpacing(6);
    // The scopes are one segmented control: side by side, the checked one filled.
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    for (const SearchScope scope : allSearchScopes)
        segments->addWidget(makeScopeButton(scope));
    bar->addLayout(segments);
    scopes_->button(static_cast<int>(SearchScope::changes))->setVisible(false); // while comparing only
    layout->addLayout(bar);
    if (QLabel* notice = makeNotice(environment))
        layout->addWidget(notice);
    if (QLabel* usedSpace = makeUsedSpaceLine(environment))
        layout->addWidget(usedSpace);
    layout->addWidget(makeReadFailureNotice());
    layout->addWidget(makeComparisonNotice());
    layout->addWidget(content_, 1);

    // The filter scope: the table beside the details, the path bar below.
    auto* filterPage = new QWidget(content_);
    auto* filterLayout = new QVBoxLayout(filterPage);
    // The path bar's box keeps clear of the window's edges.
    filterLayout->setContentsMargins(0, 0, 6, 6);
    totalLine_ = new QLabel(filterPage);
    totalLine_->setTextFormat(Qt::PlainText);
    totalLine_->setContentsMargins(4, 0, 0, 2);
    filterLayout->addWidget(totalLine_);
    auto* split = detailsSplit_ = new QSplitter(Qt::Horizontal, filterPage);
    table_ = new ExplorerTableView(tableViewModel_, environment.preferences, split);
    table_->setMenuExtension(environment.extendItemMenu);
    details_ = new ExplorerDetailsContentView(environment.preferences, split);
    details_->setMinimumWidth(240); // the header box needs 200 and margins
    split->addWidget(table_);
    split->addWidget(details_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({620, 380});
    split->setChildrenCollapsible(false);
    if (environment.preferences) {
        if (!environment.preferences->detailsSplitter().isEmpty())
            split->restoreState(environment.preferences->detailsSplitter());
        details_->setVisible(environment.preferences->detailsShown());
        connect(split, &QSplitter::splitterMoved, this,
                [this] { environment_.preferences->setDetailsSplitter(detailsSplit_->saveState()); });
    }
    // The map goes below the table and the details, in a splitter of its own.
    mapSplit_ = new QSplitter(Qt::Vertical, filterPage);
    mapSplit_->setChildrenCollapsible(false);
    mapSplit_->addWidget(split);
    filterLayout->addWidget(mapSplit_, 1);
    tableViewModel_->setUnmeasuredFolders(environment.unmeasuredFolders);
    if (environment.preferences && environment.preferences->mapShown())
        setMapShown(true);
    pathBar_ = new ExplorerPathBarView(model_, environment.navigationModel, environment.scanRoot, filterPage);
    filterLayout->addWidget(pathBar_);
    content_->addWidget(filterPage);
    searchPage_ = new QWidget(content_);
    auto* searchLayout = new QVBoxLayout(searchPage_);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    content_->addWidget(searchPage_);

    connect(model_, &ExplorerModel::selectedDetailsFileChanged, this,
            [this] { details_->setFile(model_->selectedDetailsFile()); });
    connect(tableViewModel_, &ExplorerTableViewModel::rowsReset, this, [this] {
        // The volume's share only where the scanned folder starts: below it, the rows say it.
        const bool atRoot = model_->currentPath() == environment_.scanRoot;
        const QString total = tableViewModel_->totalText(atRoot ? environment_.volumeUsedBytes : std::nullopt);
        totalLine_->setText(total);
        totalLine_->setAccessibleName(total);
    });
    connect(model_, &ExplorerModel::selectedComparisonChanged, this, [this] {
        const auto& figures = model_->selectedComparison();
        const QString label = environment_.comparison ? environment_.comparison->comparedLabel() : QString();
        pathBar_->setFigures(figures ? ChangeText::thenAndNow(*figures) : QString());
        details_->setComparisonText(figures ? ChangeText::sentence(*figures, label) : QString());
    });
    connect(searchField_, &QLineEdit::textChanged, tableViewModel_, &ExplorerTableViewModel::setFilterText);
    connect(table_, &ExplorerTableView::previewRequested, this, [this] {
        if (ExplorerDetailsView* panel = details_->detailsView())
            panel->openPreview();
    });
    setFocusProxy(table_->tree());
    if (environment_.comparison) {
        applyComparison();
        connect(environment_.comparison, &ComparisonModel::comparisonChanged, this, [this] {
            applyComparison();
            // Screens behind this one load anew when they come back.
            if (isVisible())
                refresh();
        });
    }
}

ExplorerView::~ExplorerView() = default;

QWidget* ExplorerView::makeComparisonNotice()
{
    comparisonNotice_ = new QWidget(this);
    auto* row = new QHBoxLayout(comparisonNotice_);
    row->setContentsMargins(8, 2, 8, 4);
    comparisonLabel_ = new QLabel(comparisonNotice_);
    comparisonLabel_->setTextFormat(Qt::PlainText);
    auto* stop = new QPushButton(QStringLiteral("Stop Comparing"), comparisonNotice_);
    stop->setAccessibleName(QStringLiteral("Stop Comparing"));
    row->addWidget(comparisonLabel_, 1);
    row->addWidget(stop);
    connect(stop, &QPushButton::clicked, this, [this] {
        if (environment_.comparison)
            environment_.comparison->stop();
    });
    comparisonNotice_->hide();
    return comparisonNotice_;
}

void ExplorerView::applyComparison()
{
    const ComparisonModel* comparison = environment_.comparison;
    const bool comparing = comparison && comparison->comparing();
    tableViewModel_->setComparison(comparing ? comparison->comparison() : nullptr);
    table_->setComparing(comparing);
    model_->setSelectedComparison(std::nullopt); // read again with the rows
    if (comparing)
        comparisonLabel_->setText(QStringLiteral("Changes since the snapshot of %1: red grew, green shrank; faded "
                                                 "items are gone (blue on the map).")
                                      .arg(comparison->comparedLabel()));
    comparisonLabel_->setAccessibleName(comparisonLabel_->text());
    comparisonNotice_->setVisible(comparing);
    if (QAbstractButton* changes = scopes_->button(static_cast<int>(SearchScope::changes)))
        changes->setVisible(comparing);
    if (mapPane_)
        mapPane_->setComparison(comparing ? comparison->comparison() : nullptr);
    // The changes listed were against the comparison that just ended or changed.
    if (scope_ == SearchScope::changes) {
        delete searchView_;
        delete searchViewModel_;
        searchView_ = nullptr;
        searchViewModel_ = nullptr;
        setSearchScope(comparing ? SearchScope::changes : SearchScope::filter);
    }
}

bool ExplorerView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == searchField_ && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (!searchField_->text().isEmpty()) {
            searchField_->clear();
        } else if (content_->currentWidget() == searchPage_ && searchView_) {
            searchView_->table()->setFocus(Qt::ShortcutFocusReason);
        } else {
            table_->tree()->setFocus(Qt::ShortcutFocusReason);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ExplorerView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (environment_.snapshotChanges && *environment_.snapshotChanges != changesSeen_) {
        changesSeen_ = *environment_.snapshotChanges;
        if (mapView_)
            mapView_->model()->rebuild();
    }
    const QWidget* focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused))
        setFocus(Qt::OtherFocusReason);
}

QString ExplorerView::subtitle() const
{
    return QStringLiteral("Explorer: ") + text(model_->currentPath().pathWithoutTrailingSeparator());
}

QString ExplorerView::searchScopeLabel(const FileUrl& currentPath, SearchScope scope)
{
    return rawValue(scope).toHtmlEscaped() + QStringLiteral(" <b>")
        + text(currentPath.lastPathComponent()).toHtmlEscaped() + QStringLiteral("</b>");
}

QWidget* ExplorerView::makeScopeButton(SearchScope scope)
{
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setChecked(scope == scope_);
    scopes_->addButton(button, static_cast<int>(scope));
    // The name of the current directory shows in bold inside the search scope's label.
    auto* label = new QLabel(scope == SearchScope::filter ? rawValue(scope).toHtmlEscaped()
                                                          : searchScopeLabel(model_->currentPath(), scope),
                             button);
    label->setTextFormat(Qt::RichText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* inside = new QHBoxLayout(button);
    inside->setContentsMargins(8, 2, 8, 2);
    inside->addWidget(label);
    button->setMinimumWidth(label->sizeHint().width() + 16);
    button->setAccessibleName(scope == SearchScope::filter ? rawValue(scope)
                                                           : rawValue(scope) + QLatin1Char(' ')
                                      + text(model_->currentPath().lastPathComponent()));
    // Filled with the palette's highlight while checked, so that the chosen scope reads as
    // chosen in any palette.
    const auto paint = [this, button, label](bool on) {
        QPalette colours = palette();
        if (on) {
            colours.setColor(QPalette::Button, colours.color(QPalette::Highlight));
            colours.setColor(QPalette::ButtonText, colours.color(QPalette::HighlightedText));
            colours.setColor(QPalette::WindowText, colours.color(QPalette::HighlightedText));
        }
        button->setPalette(colours);
        label->setPalette(colours);
    };
    paint(button->isChecked());
    connect(button, &QToolButton::toggled, this, [this, scope, paint](bool on) {
        paint(on);
        if (on)
            setSearchScope(scope);
    });
    return button;
}

QLabel* ExplorerView::makeNotice(const ExplorerEnvironment& environment)
{
    const ExplorerNotice notice = ExplorerNotice::compose(environment, model_->currentPath() == environment.scanRoot);
    if (notice.text.isEmpty())
        return nullptr;
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::RichText);
    label->setText(notice.text.toHtmlEscaped()
                   + (notice.namesOnlySome ? QStringLiteral(" <a href=\"unreadable\">Show All</a>") : QString()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(label, &QLabel::linkActivated, this, [this, folders = notice.unreadableFolders] {
        auto* dialog = new UnreadableFoldersDialog(folders, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        unreadableDialog_ = dialog;
        dialog->open();
    });
    label->setAccessibleName(notice.text);
    label->setWordWrap(true);
    label->setContentsMargins(10, 6, 10, 6);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(255, 236, 179));
    palette.setColor(QPalette::WindowText, QColor(60, 40, 0));
    label->setPalette(palette);
    return label;
}

bool ExplorerView::detailsShown() const
{
    return !details_->isHidden();
}

void ExplorerView::setDetailsShown(bool shown)
{
    if (environment_.preferences)
        environment_.preferences->setDetailsShown(shown);
    details_->setVisible(shown);
}

QCheckBox* ExplorerView::growthColours() const
{
    return mapPane_ ? mapPane_->growthColours() : nullptr;
}

bool ExplorerView::mapShown() const
{
    return mapPane_ && !mapPane_->isHidden();
}

void ExplorerView::setMapShown(bool shown)
{
    if (environment_.preferences)
        environment_.preferences->setMapShown(shown);
    if (!shown) {
        if (mapPane_)
            mapPane_->hide();
        return;
    }
    if (!mapPane_) {
        // The map's long read goes to the search's reader, so the table never waits for it.
        auto reader = environment_.searchReader ? environment_.searchReader : environment_.reader;
        mapPane_ = new MapPane(std::move(reader), model_->currentPath(), mapSplit_);
        mapView_ = mapPane_->mapView();
        applyComparison();
        mapSplit_->addWidget(mapPane_);
        mapSplit_->setStretchFactor(0, 3);
        mapSplit_->setStretchFactor(1, 2);
        // The map's height, as the user left it on any screen.
        if (environment_.preferences && !environment_.preferences->mapSplitter().isEmpty())
            mapSplit_->restoreState(environment_.preferences->mapSplitter());
        connect(mapSplit_, &QSplitter::splitterMoved, this, [this] {
            if (environment_.preferences)
                environment_.preferences->setMapSplitter(mapSplit_->saveState());
        });
        connect(mapView_, &MapView::itemClicked, this, [this](const std::string& path) { selectFromMap(path); });
        connect(model_, &ExplorerModel::selectedDetailsFileChanged, mapView_, [this] {
            mapView_->setSelectedPath(model_->selectedDetailsFile() ? model_->selectedDetailsFile()->id
                                                                    : std::string());
        });
        connect(mapView_, &MapView::directoryOpened, this, [this](const std::string& path) {
            const ItemUrl url = ItemUrl::file(FileUrl(path));
            if (model_->canSetAsCurrent(url) && environment_.navigationModel)
                environment_.navigationModel->push(ExplorerNavigationDestination::explorer(FileUrl(path)));
        });
    }
    mapPane_->show();
}

void ExplorerView::selectFromMap(const std::string& path)
{
    // The table's row, the map's outline and the details always name one item, the one the
    // cleanup actions act on: a tile deeper down opens its folder with it selected.
    const auto row = MapLayout::rowFor(path, model_->currentPath());
    const ItemUrl url = ItemUrl::file(FileUrl(path));
    if (row && *row == path) {
        Q_EMIT tableViewModel_->selectionRequested(url);
        tableViewModel_->setSelectedPath(url);
    } else if (row && environment_.navigationModel) {
        environment_.navigationModel->push(
            ExplorerNavigationDestination::explorer(FileUrl(path).parentDirectory(), FileUrl(path)));
    } else {
        table_->tree()->selectionModel()->clearSelection();
        tableViewModel_->setSelectedPath(std::nullopt);
    }
}

QLabel* ExplorerView::makeUsedSpaceLine(const ExplorerEnvironment& environment)
{
    if (!environment.scannedAllocated || !environment.scanFinished || !(model_->currentPath() == environment.scanRoot))
        return nullptr;
    return new UsedSpaceLine(environment.scanRoot.path(), *environment.scannedAllocated, this);
}

QWidget* ExplorerView::makeReadFailureNotice()
{
    readFailureNotice_ = new QWidget(this);
    readFailureNotice_->setAccessibleName(QStringLiteral("Read failure"));
    readFailureNotice_->setAutoFillBackground(true);
    QPalette palette = readFailureNotice_->palette();
    palette.setColor(QPalette::Window, QColor(255, 214, 214));
    palette.setColor(QPalette::WindowText, QColor(90, 0, 0));
    readFailureNotice_->setPalette(palette);
    auto* row = new QHBoxLayout(readFailureNotice_);
    row->setContentsMargins(10, 6, 10, 6);
    readFailureLabel_ = new QLabel(readFailureNotice_);
    readFailureLabel_->setWordWrap(true);
    readFailureLabel_->setTextFormat(Qt::PlainText);
    row->addWidget(readFailureLabel_, 1);
    if (environment_.reopenSnapshot) {
        auto* reopen = new QPushButton(QStringLiteral("Reopen Snapshot"), readFailureNotice_);
        reopen->setAccessibleName(reopen->text());
        connect(reopen, &QPushButton::clicked, this, [this] { environment_.reopenSnapshot(); });
        row->addWidget(reopen);
    }
    if (environment_.rescan) {
        auto* rescan = new QPushButton(QStringLiteral("Scan Again"), readFailureNotice_);
        rescan->setAccessibleName(rescan->text());
        connect(rescan, &QPushButton::clicked, this, [this] { environment_.rescan(); });
        row->addWidget(rescan);
    }
    readFailureNotice_->hide();
    connect(model_, &ExplorerModel::readFailureChanged, this, [this] {
        readFailureLabel_->setText(readFailureText());
        readFailureLabel_->setAccessibleName(readFailureText());
        readFailureNotice_->setVisible(model_->readFailure().has_value());
    });
    return readFailureNotice_;
}

QString ExplorerView::readFailureText() const
{
    if (!model_->readFailure())
        return {};
    return QStringLiteral("Vistrel cannot read this snapshot: %1. What is shown may be incomplete.")
        .arg(*model_->readFailure());
}

void ExplorerView::setSearchScope(SearchScope scope)
{
    scope_ = scope;
    if (auto* button = scopes_->button(static_cast<int>(scope)); button && !button->isChecked())
        button->setChecked(true);
    content_->setCurrentIndex(scope == SearchScope::filter ? 0 : 1);
    if (scope == SearchScope::filter) {
        // The search is discarded; coming back rebuilds the table's rows, with the field's
        // text as their filter.
        delete searchView_;
        delete searchViewModel_;
        searchView_ = nullptr;
        searchViewModel_ = nullptr;
        refresh();
        return;
    }
    const bool largest = scope == SearchScope::largest;
    const bool changes = scope == SearchScope::changes;
    if (searchViewModel_ && searchViewModel_->listsLargestFiles() == largest
        && searchViewModel_->listsChanges() == changes)
        return;
    delete searchView_;
    delete searchViewModel_;
    searchViewModel_
        = new ExplorerSearchViewModel(environment_.searchReader ? environment_.searchReader : environment_.reader,
                                      model_, environment_.navigationModel, this);
    if (changes) {
        // Set before the view is made: it shows the Change column only for such a list.
        searchViewModel_->listBiggestChanges(tableViewModel_->comparison());
    }
    searchView_
        = new ExplorerSearchView(searchViewModel_, model_->currentPath().path(), environment_.preferences, searchPage_);
    searchView_->setMenuExtension(environment_.extendItemMenu);
    searchPage_->layout()->addWidget(searchView_);
    if (changes)
        return;
    if (largest) {
        // No text: the list is the same whatever the field holds.
        searchViewModel_->listLargestFiles();
        return;
    }
    connect(searchField_, &QLineEdit::textChanged, searchViewModel_, &ExplorerSearchViewModel::setSearchText);
    // The text already in the field is searched at once.
    searchViewModel_->setSearchText(searchField_->text());
}

std::vector<std::string> ExplorerView::selectedItemPaths() const
{
    std::vector<std::string> paths = scope_ == SearchScope::filter || !searchView_ ? table_->selectedItemPaths()
                                                                                   : searchView_->selectedItemPaths();
    if (paths.empty() && model_->selectedDetailsFile())
        paths.push_back(model_->selectedDetailsFile()->id);
    return paths;
}

std::optional<std::pair<std::int64_t, std::int64_t>> ExplorerView::selectedItemFigures(
    const std::vector<std::string>& paths) const
{
    const bool table = scope_ == SearchScope::filter || !searchView_;
    if ((table ? table_->selectedItemPaths() : searchView_->selectedItemPaths()) == paths)
        return table ? table_->selectedItemFigures() : searchView_->selectedItemFigures();
    // The item the details show (a click on the map).
    if (const auto& file = model_->selectedDetailsFile(); file && paths == std::vector<std::string>{file->id})
        return std::pair<std::int64_t, std::int64_t>{file->totalAllocatedSize.value_or(0),
                                                     FileUrl(file->id).isDirectory() ? file->fileCount.value_or(0) : 1};
    return std::nullopt;
}

void ExplorerView::reloadAfterChange(const std::vector<std::string>& removed, const std::optional<std::string>& select)
{
    if (environment_.snapshotChanges)
        changesSeen_ = *environment_.snapshotChanges;
    model_->setSelectedDetailsFile(std::nullopt);
    if (!removed.empty()) {
        // The row after it among its siblings, else the one before.
        const std::function<std::optional<std::string>(const ExplorerTableRowModel::Children&)> neighbour
            = [&](const ExplorerTableRowModel::Children& rows) -> std::optional<std::string> {
            for (std::size_t index = 0; index < rows.size(); ++index) {
                if (rows[index]->source().url().path == removed.front()) {
                    if (rows.size() == 1)
                        return std::nullopt;
                    return rows[index + 1 < rows.size() ? index + 1 : index - 1]->source().url().path;
                }
                if (const auto* children = rows[index]->loadedChildren())
                    if (auto found = neighbour(*children))
                        return found;
            }
            return std::nullopt;
        };
        if (const auto next = neighbour(tableViewModel_->files()))
            tableViewModel_->setSelectedPath(ItemUrl::file(FileUrl(*next)));
    }
    if (select)
        tableViewModel_->setSelectedPath(ItemUrl::file(FileUrl(*select)));
    refresh();
    if (mapView_)
        mapView_->model()->rebuild();
}

void ExplorerView::refresh()
{
    tableViewModel_->setFilterText(searchField_->text());
    table_->syncColumnsWithPreferences();
    tableViewModel_->refresh();
}

} // namespace vistrel
