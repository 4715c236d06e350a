#include "CheckForUpdatesViewModel.h"

#include "Updater.h"

namespace vistrel {

CheckForUpdatesViewModel::CheckForUpdatesViewModel(Updater* updater, QObject* parent)
    : QObject(parent)
{
    // The initial value first, then every change.
    set(updater->canCheckForUpdates());
    connect(updater, &Updater::canCheckForUpdatesChanged, this, &CheckForUpdatesViewModel::set);
}

void CheckForUpdatesViewModel::set(bool canCheck)
{
    if (canCheck == canCheckForUpdates_)
        return;
    canCheckForUpdates_ = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}

} // namespace vistrel
