#pragma once

#include "explorer/ExplorerEnvironment.h"

#include <QSplitter>

#include <memory>

class QListWidget;
class QStackedWidget;

namespace vistrel {

class ExplorerView;
class NavigationModel;

// The window's content while a snapshot is open: the sidebar of content areas beside a
// stack of explorer screens bound to the navigation path (push adds a screen, back pops
// exactly the last one).
class AppNavigationSplitView : public QSplitter {
    Q_OBJECT
public:
    AppNavigationSplitView(ExplorerEnvironment environment, QWidget* parent = nullptr);
    ~AppNavigationSplitView() override;

    NavigationModel* navigationModel() const { return navigationModel_; }
    ExplorerView* currentScreen() const;
    int screenCount() const;
    QListWidget* sidebar() const { return sidebar_; }
    // The back action: pops the last pushed screen.
    void goBack();
    bool canGoBack() const;

Q_SIGNALS:
    // The shown screen changed: its subtitle, and whether back can go anywhere.
    void currentScreenChanged();

private:
    void pushScreen(FileUrl root, std::optional<FileUrl> selection);
    void popScreen();

    NavigationModel* navigationModel_;
    ExplorerEnvironment environment_;
    QListWidget* sidebar_;
    QStackedWidget* stack_;
};

} // namespace vistrel
