#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace vistrel {

class ExplorerView;

// The Edit menu's actions on an item that change nothing: Copy Path (Ctrl+C) of the current
// screen's selected item, and Open Terminal Here in the selected folder (else the one on
// screen), saying so when no terminal can be started.
class ItemActions : public QObject {
    Q_OBJECT
public:
    using ScreenSource = std::function<ExplorerView*()>;
    ItemActions(QMenu* menu, QWidget* window, ScreenSource screen);

    QAction* copyPathAction() const { return copyPath_; }
    QAction* terminalAction() const { return terminal_; }
    // The folder Open Terminal Here starts in, when a screen is shown.
    std::optional<std::string> terminalFolder() const;
    // Enables what the current screen allows.
    void update();

private:
    std::optional<std::string> selectedItem() const;

    QWidget* window_;
    ScreenSource screen_;
    QAction* copyPath_;
    QAction* terminal_;
};

} // namespace vistrel
