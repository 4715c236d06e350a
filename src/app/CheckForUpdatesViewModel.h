#pragma once

#include <QObject>

namespace vistrel {

class Updater;

// Mirrors whether an update check may start now (false until the updater says so).
class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
public:
    explicit CheckForUpdatesViewModel(Updater* updater, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return canCheckForUpdates_; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void set(bool canCheck);
    bool canCheckForUpdates_ = false;
};

} // namespace vistrel
