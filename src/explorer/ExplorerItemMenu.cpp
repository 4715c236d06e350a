#include "ExplorerItemMenu.h"

#include "details/DesktopServices.h"

#include <QMenu>

namespace vistrel {

QMenu* ExplorerItemMenu::make(const ItemUrl& url, const std::function<void()>& setAsCurrentDirectory, QWidget* parent)
{
    if (!url.isFile())
        return nullptr;
    auto* menu = new QMenu(parent);
    if (url.hasDirectoryPath()) {
        menu->addAction(QStringLiteral("Set as current directory"), parent, setAsCurrentDirectory);
        menu->addSeparator();
    }
    const std::string path = url.path;
    menu->addAction(QString::fromLatin1(DesktopServices::showInFileManagerText), parent,
                    [path] { DesktopServices::showInFinder(path); });
    menu->addAction(QStringLiteral("Copy path"), parent, [path] { DesktopServices::copyPath(path); });
    return menu;
}

} // namespace vistrel
