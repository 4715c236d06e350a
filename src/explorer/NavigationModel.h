#pragma once

#include "ExplorerNavigationDestination.h"
#include "NavigationContentDestination.h"

#include <QObject>

#include <vector>

namespace vistrel {

// The navigation state of one open snapshot: the sidebar's content area and the screens
// pushed on top of its root screen. Main thread only.
class NavigationModel : public QObject {
    Q_OBJECT
public:
    explicit NavigationModel(QObject* parent = nullptr);

    NavigationContentDestination content() const { return content_; }
    void setContent(NavigationContentDestination content);

    const std::vector<ExplorerNavigationDestination>& navigationPath() const { return navigationPath_; }
    void push(ExplorerNavigationDestination destination);
    // Removes the last destination; nothing when the path is empty.
    void pop();

Q_SIGNALS:
    void contentChanged();
    void pushed(const ExplorerNavigationDestination& destination);
    void popped();

private:
    NavigationContentDestination content_ = NavigationContentDestination::explorer;
    std::vector<ExplorerNavigationDestination> navigationPath_;
};

} // namespace vistrel
