#pragma once

#include "Updater.h"

#include <QObject>

class QAction;
class QWidget;

namespace vistrel {

class CheckForUpdatesViewModel;

// The "Check for Updates…" menu item, disabled while a check runs, and the dialogs that tell
// its result: always for a check the user started, only a new version for a scheduled one.
class CheckForUpdatesView : public QObject {
    Q_OBJECT
public:
    CheckForUpdatesView(Updater* updater, QWidget* dialogParent);

    QAction* action() const { return action_; }
    CheckForUpdatesViewModel* model() const { return model_; }

private:
    void show(const Updater::Result& result);

    CheckForUpdatesViewModel* model_;
    Updater* updater_;
    QWidget* dialogParent_;
    QAction* action_;
};

} // namespace vistrel
