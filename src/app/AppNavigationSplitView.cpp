#include "AppNavigationSplitView.h"

#include "details/FileIcons.h"
#include "explorer/ExplorerView.h"
#include "explorer/NavigationModel.h"
#include "services/DisplayName.h"

#include <QListWidget>
#include <QStackedWidget>

namespace vistrel {

AppNavigationSplitView::AppNavigationSplitView(ExplorerEnvironment environment, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent)
    , navigationModel_(new NavigationModel(this))
    , environment_(std::move(environment))
    , sidebar_(new QListWidget(this))
    , stack_(new QStackedWidget(this))
{
    environment_.navigationModel = navigationModel_;
    sidebar_->setAccessibleName(QStringLiteral("Sidebar"));
    for (const NavigationContentDestination destination : allNavigationContentDestinations) {
        // A snapshot of a folder names it under the label, so the window says what it shows.
        const std::string& root = environment_.scanRoot.path();
        const QString rootText
            = root == "/" ? QString() : DisplayName::of(environment_.scanRoot.pathWithoutTrailingSeparator());
        auto* item = new QListWidgetItem(
            FileIcons::symbol(iconName(destination)),
            rootText.isEmpty() ? label(destination) : label(destination) + QLatin1Char('\n') + rootText, sidebar_);
        item->setData(Qt::AccessibleTextRole,
                      rootText.isEmpty() ? label(destination) : label(destination) + QStringLiteral(": ") + rootText);
        item->setToolTip(rootText);
    }
    sidebar_->setCurrentRow(0);
    sidebar_->setMinimumWidth(120);
    stack_->setMinimumWidth(640);
    stack_->setAccessibleName(title(NavigationContentDestination::explorer));
    addWidget(sidebar_);
    addWidget(stack_);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setSizes({200, 1000});
    setChildrenCollapsible(false);

    pushScreen(environment_.scanRoot, std::nullopt);
    connect(navigationModel_, &NavigationModel::pushed, this, [this](const ExplorerNavigationDestination& destination) {
        pushScreen(destination.root, destination.selection);
    });
    connect(navigationModel_, &NavigationModel::popped, this, &AppNavigationSplitView::popScreen);
}

AppNavigationSplitView::~AppNavigationSplitView() = default;

ExplorerView* AppNavigationSplitView::currentScreen() const
{
    return qobject_cast<ExplorerView*>(stack_->currentWidget());
}

int AppNavigationSplitView::screenCount() const
{
    return stack_->count();
}

void AppNavigationSplitView::pushScreen(FileUrl root, std::optional<FileUrl> selection)
{
    auto* screen = new ExplorerView(environment_, std::move(root), std::move(selection), stack_);
    stack_->addWidget(screen);
    stack_->setCurrentWidget(screen);
    screen->refresh();
    Q_EMIT currentScreenChanged();
}

void AppNavigationSplitView::popScreen()
{
    if (stack_->count() <= 1)
        return;
    QWidget* top = stack_->widget(stack_->count() - 1);
    // The screen below comes into view (and takes the focus) before the top one goes, so
    // that hiding the top screen does not hand the focus to some other control.
    stack_->setCurrentIndex(stack_->count() - 2);
    stack_->removeWidget(top);
    top->deleteLater();
    if (ExplorerView* screen = currentScreen()) {
        // Coming back shows the screen's rows anew, every directory closed.
        screen->refresh();
    }
    Q_EMIT currentScreenChanged();
}

bool AppNavigationSplitView::canGoBack() const
{
    return !navigationModel_->navigationPath().empty();
}

void AppNavigationSplitView::goBack()
{
    navigationModel_->pop();
}

} // namespace vistrel
