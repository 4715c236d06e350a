#pragma once

#include "explorer/ExplorerEnvironment.h"

#include <QMainWindow>

class QAction;

namespace vistrel {

class AppNavigationSplitView;

// The application's one window: a toolbar with the back action over the navigation shell.
// Back is also Alt+Left, the mouse's back button and Backspace outside text fields.
class VistrelMainWindow : public QMainWindow {
    Q_OBJECT
public:
    VistrelMainWindow(ExplorerEnvironment environment, QWidget* parent = nullptr);

    AppNavigationSplitView* shell() const { return shell_; }
    QAction* backAction() const { return backAction_; }

protected:
    // The mouse's back button goes back wherever in the window it is pressed.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateTitle();

    AppNavigationSplitView* shell_;
    QAction* backAction_;
};

} // namespace vistrel
