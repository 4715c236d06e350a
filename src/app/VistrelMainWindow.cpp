#include "VistrelMainWindow.h"

#include "CleanupActions.h"
#include "ItemActions.h"

#include "AppNavigationSplitView.h"
#include "CheckForUpdatesView.h"
#include "CompareActions.h"
#include "PreferencesDialog.h"
#include "PreferencesModel.h"
#include "VistrelView.h"

#include "details/FileIcons.h"
#include "explorer/ExplorerTableView.h"
#include "explorer/ExplorerView.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QToolBar>
#include <QUrl>

namespace vistrel {

namespace {
constexpr const char* productPage = "https://vistrel.org/";
} // namespace

VistrelMainWindow::VistrelMainWindow(Preferences* preferences, std::shared_ptr<StoreContainer> container,
                                     std::string scanRoot, QWidget* parent)
    : QMainWindow(parent)
    , root_(new VistrelView(preferences, std::move(scanRoot), this))
    , backAction_(new QAction(FileIcons::symbol(QStringLiteral("back")), QStringLiteral("Back"), this))
    , closeSnapshot_(new QAction(QStringLiteral("&Close Snapshot"), this))
    , scanAgain_(new QAction(QStringLiteral("Scan &Again"), this))
{
    setWindowIcon(FileIcons::applicationIcon());
    setCentralWidget(root_);
    auto* toolbar = addToolBar(QStringLiteral("Navigation"));
    toolbar->setObjectName(QStringLiteral("navigation"));
    toolbar->setMovable(false);
    backAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    backAction_->setToolTip(QStringLiteral("Back (Alt+Left)"));
    toolbar->addAction(backAction_);
    if (QWidget* button = toolbar->widgetForAction(backAction_))
        button->setAccessibleName(QStringLiteral("Back"));
    // The scan screen has nowhere to go back to: it shows the application's icon instead.
    auto* icon = new QLabel(toolbar);
    icon->setPixmap(FileIcons::applicationIcon().pixmap(32, 32));
    icon->setContentsMargins(6, 0, 6, 0);
    icon->setAccessibleName(QStringLiteral("Vistrel"));
    applicationIcon_ = toolbar->addWidget(icon);
    connect(backAction_, &QAction::triggered, this, &VistrelMainWindow::goBack);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    scanAgain_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    file->addAction(scanAgain_);
    connect(scanAgain_, &QAction::triggered, root_, &VistrelView::scanAgain);
    closeSnapshot_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    file->addAction(closeSnapshot_);
    connect(closeSnapshot_, &QAction::triggered, root_, &VistrelView::closeSnapshot);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* preferencesAction
        = edit->addAction(QStringLiteral("Preferences…"), this, [this, preferences] { openPreferences(preferences); });
    preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferencesAction->setEnabled(preferences != nullptr);
    edit->addSeparator();
    cleanupActions_ = new CleanupActions(
        edit, this,
        [this]() -> ExplorerView* {
            AppNavigationSplitView* shell = this->shell();
            return shell ? shell->currentScreen() : nullptr;
        },
        [this] { return root_->cleanup(); });
    edit->addSeparator();
    itemActions_ = new ItemActions(edit, this, [this]() -> ExplorerView* {
        AppNavigationSplitView* shell = this->shell();
        return shell ? shell->currentScreen() : nullptr;
    });
    root_->setItemMenuExtension(
        [this](QMenu* menu, const std::string& path) { cleanupActions_->addItemActions(menu, path); });

    // View > Columns: the table header's menu, reachable from the keyboard.
    QMenu* view = viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    showMap_ = view->addAction(QStringLiteral("Show &Map"));
    showMap_->setCheckable(true);
    showMap_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(showMap_, &QAction::triggered, this, [this](bool shown) {
        if (AppNavigationSplitView* shell = this->shell(); shell && shell->currentScreen())
            shell->currentScreen()->setMapShown(shown);
    });
    showDetails_ = view->addAction(QStringLiteral("Show &Details"));
    showDetails_->setCheckable(true);
    showDetails_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(showDetails_, &QAction::triggered, this, [this](bool shown) {
        if (AppNavigationSplitView* shell = this->shell(); shell && shell->currentScreen())
            shell->currentScreen()->setDetailsShown(shown);
    });
    compareActions_ = new CompareActions(view, toolbar, this, [this] { return root_->comparison(); });
    QMenu* columns = view->addMenu(QStringLiteral("&Columns"));
    connect(columns, &QMenu::aboutToShow, this, [this, columns] {
        columns->clear();
        if (AppNavigationSplitView* shell = this->shell(); shell && shell->currentScreen())
            shell->currentScreen()->table()->addColumnActions(columns);
    });
    QMenu* help = helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Help"), this, &VistrelMainWindow::openHelp);
    help->addAction(QStringLiteral("About Vistrel"), this, [this] {
        QMessageBox::about(this, QStringLiteral("About Vistrel"),
                           QStringLiteral("Vistrel %1\nA disk-usage analyzer: what fills your disk, exactly.")
                               .arg(QApplication::applicationVersion()));
    });

    // Ctrl+F reaches the search field from anywhere in the window.
    auto* find = new QAction(QStringLiteral("Find"), this);
    find->setShortcut(QKeySequence::Find);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        if (AppNavigationSplitView* shell = this->shell(); shell && shell->currentScreen()) {
            shell->currentScreen()->searchField()->setFocus(Qt::ShortcutFocusReason);
            shell->currentScreen()->searchField()->selectAll();
        }
    });

    connect(root_, &VistrelView::contentChanged, this, &VistrelMainWindow::contentChanged);
    if (container)
        root_->open(std::move(container));
    resize(1100, 720);
    qApp->installEventFilter(this);
    contentChanged();
}

void VistrelMainWindow::setUpdater(Updater* updater)
{
    auto* view = new CheckForUpdatesView(updater, this);
    helpMenu_->addAction(view->action());
}

AppNavigationSplitView* VistrelMainWindow::shell() const
{
    return root_->shell();
}

void VistrelMainWindow::contentChanged()
{
    closeSnapshot_->setEnabled(root_->hasSnapshot());
    scanAgain_->setEnabled(root_->hasSnapshot());
    if (AppNavigationSplitView* shell = this->shell())
        connect(shell, &AppNavigationSplitView::currentScreenChanged, this, &VistrelMainWindow::updateTitle,
                Qt::UniqueConnection);
    updateTitle();
}

void VistrelMainWindow::updateTitle()
{
    const AppNavigationSplitView* shell = this->shell();
    const ExplorerView* screen = shell ? shell->currentScreen() : nullptr;
    setWindowTitle(screen ? QStringLiteral("Vistrel — ") + screen->subtitle() : QStringLiteral("Vistrel"));
    backAction_->setEnabled(shell && shell->canGoBack());
    backAction_->setVisible(shell != nullptr);
    applicationIcon_->setVisible(shell == nullptr);
    viewMenu_->setEnabled(screen != nullptr);
    showMap_->setEnabled(screen != nullptr);
    showMap_->setChecked(screen && screen->mapShown());
    showDetails_->setEnabled(screen != nullptr);
    showDetails_->setChecked(screen && screen->detailsShown());
    cleanupActions_->update();
    compareActions_->update();
}

void VistrelMainWindow::goBack()
{
    if (AppNavigationSplitView* shell = this->shell())
        shell->goBack();
}

void VistrelMainWindow::keyPressEvent(QKeyEvent* event)
{
    // Backspace goes back only when it has no text to edit.
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier
        && !qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        goBack();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool VistrelMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::BackButton) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            goBack();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void VistrelMainWindow::openPreferences(Preferences* preferences)
{
    if (preferencesDialog_) {
        preferencesDialog_->raise();
        preferencesDialog_->activateWindow();
        return;
    }
    auto* model = new PreferencesModel(preferences);
    model->setUpdateChecksOffered(updateChecksOffered_);
    preferencesDialog_ = new PreferencesDialog(model, this);
    model->setParent(preferencesDialog_);
    connect(preferencesDialog_, &QDialog::accepted, this, [this, model] {
        if (model->updateChecksOffered())
            Q_EMIT automaticUpdateChecksChanged(model->automaticUpdateChecks());
    });
    preferencesDialog_->setAttribute(Qt::WA_DeleteOnClose);
    preferencesDialog_->open();
}

void VistrelMainWindow::openHelp()
{
    const QUrl page(QString::fromLatin1(productPage));
    const bool opened = urlOpener_ ? urlOpener_(page) : QDesktopServices::openUrl(page);
    if (opened)
        return;
    delete helpFailure_;
    helpFailure_ = new QMessageBox(
        QMessageBox::Information, QStringLiteral("Help"),
        QStringLiteral("No web browser could be started. Vistrel's help is at:\n\n%1").arg(page.toString()),
        QMessageBox::Ok, this);
    // The address can be selected and copied.
    helpFailure_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    helpFailure_->setAccessibleName(QStringLiteral("Help"));
    helpFailure_->open();
}

} // namespace vistrel
