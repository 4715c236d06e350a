#include "NavigationModel.h"

#include "services/Log.h"

namespace vistrel {

NavigationModel::NavigationModel(QObject* parent)
    : QObject(parent)
{
    Log::debug(LogCategory::app, "init VistrelNavigationSplitModel");
}

void NavigationModel::setContent(NavigationContentDestination content)
{
    if (content == content_)
        return;
    content_ = content;
    Q_EMIT contentChanged();
}

void NavigationModel::push(ExplorerNavigationDestination destination)
{
    navigationPath_.push_back(std::move(destination));
    Q_EMIT pushed(navigationPath_.back());
}

void NavigationModel::pop()
{
    if (navigationPath_.empty())
        return;
    navigationPath_.pop_back();
    Q_EMIT popped();
}

} // namespace vistrel
