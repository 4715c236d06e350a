#include "VistrelMainWindow.h"

#include "AppNavigationSplitView.h"

#include "details/FileIcons.h"
#include "explorer/ExplorerView.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolBar>

namespace vistrel {

VistrelMainWindow::VistrelMainWindow(ExplorerEnvironment environment, QWidget* parent)
    : QMainWindow(parent)
    , shell_(new AppNavigationSplitView(std::move(environment), this))
    , backAction_(new QAction(FileIcons::symbol(QStringLiteral("back")), QStringLiteral("Back"), this))
{
    setCentralWidget(shell_);
    auto* toolbar = addToolBar(QStringLiteral("Navigation"));
    toolbar->setObjectName(QStringLiteral("navigation"));
    toolbar->setMovable(false);
    backAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    backAction_->setToolTip(QStringLiteral("Back (Alt+Left)"));
    toolbar->addAction(backAction_);
    if (QWidget* button = toolbar->widgetForAction(backAction_))
        button->setAccessibleName(QStringLiteral("Back"));
    connect(backAction_, &QAction::triggered, shell_, &AppNavigationSplitView::goBack);
    // Ctrl+F reaches the search field from anywhere in the window.
    auto* find = new QAction(QStringLiteral("Find"), this);
    find->setShortcut(QKeySequence::Find);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        if (ExplorerView* screen = shell_->currentScreen()) {
            screen->searchField()->setFocus(Qt::ShortcutFocusReason);
            screen->searchField()->selectAll();
        }
    });
    connect(shell_, &AppNavigationSplitView::currentScreenChanged, this, &VistrelMainWindow::updateTitle);
    resize(1100, 700);
    qApp->installEventFilter(this);
    updateTitle();
}

void VistrelMainWindow::updateTitle()
{
    const ExplorerView* screen = shell_->currentScreen();
    setWindowTitle(screen ? QStringLiteral("Vistrel — ") + screen->subtitle() : QStringLiteral("Vistrel"));
    backAction_->setEnabled(shell_->canGoBack());
}

void VistrelMainWindow::keyPressEvent(QKeyEvent* event)
{
    // Backspace goes back only when it has no text to edit.
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier
        && !qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        shell_->goBack();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool VistrelMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::BackButton) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            shell_->goBack();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vistrel
