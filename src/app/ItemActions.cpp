#include "ItemActions.h"

#include "details/DesktopServices.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerView.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace vistrel {

ItemActions::ItemActions(QMenu* menu, QWidget* window, ScreenSource screen)
    : QObject(window)
    , window_(window)
    , screen_(std::move(screen))
    , copyPath_(menu->addAction(QStringLiteral("&Copy Path")))
    , terminal_(menu->addAction(QStringLiteral("Open Ter&minal Here")))
{
    // A text field with the focus keeps Ctrl+C for its own text.
    copyPath_->setShortcut(QKeySequence::Copy);
    connect(copyPath_, &QAction::triggered, this, [this] {
        if (const auto item = selectedItem())
            DesktopServices::copyPath(*item);
    });
    connect(terminal_, &QAction::triggered, this, [this] {
        if (const auto folder = terminalFolder()) {
            if (const auto failed = DesktopServices::openTerminal(*folder))
                QMessageBox::information(window_, QStringLiteral("Open Terminal Here"), *failed);
        }
    });
    connect(menu, &QMenu::aboutToShow, this, &ItemActions::update);
    update();
}

std::optional<std::string> ItemActions::selectedItem() const
{
    ExplorerView* screen = screen_();
    if (!screen || !screen->model()->selectedDetailsFile())
        return std::nullopt;
    return screen->model()->selectedDetailsFile()->id;
}

std::optional<std::string> ItemActions::terminalFolder() const
{
    ExplorerView* screen = screen_();
    if (!screen)
        return std::nullopt;
    return screen->model()->selectedFolderOrCurrent();
}

void ItemActions::update()
{
    const bool shown = screen_() != nullptr;
    copyPath_->setEnabled(shown);
    terminal_->setEnabled(shown);
}

} // namespace vistrel
