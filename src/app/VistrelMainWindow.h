#pragma once

#include "PreferencesDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QMessageBox;

namespace vistrel {

class AppNavigationSplitView;
class Preferences;
class StoreContainer;
class VistrelView;

// The application's one window, "Vistrel": the root view under a toolbar with the back action
// and a menu bar with "Close Snapshot" (Ctrl+X) and the Help menu. Back is also Alt+Left, the
// mouse's back button and Backspace outside text fields.
class VistrelMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // With a container the explorer opens on it at once; without, the scan screen shows.
    VistrelMainWindow(Preferences* preferences, std::shared_ptr<StoreContainer> container = nullptr,
                      std::string scanRoot = "/", QWidget* parent = nullptr);

    // Adds "Check for Updates…" to the Help menu.
    void setUpdater(class Updater* updater);
    // Whether Preferences offers daily update checks (builds that check for updates at all).
    void setUpdateChecksOffered(bool offered) { updateChecksOffered_ = offered; }

    VistrelView* rootView() const { return root_; }
    // The explorer's shell while a snapshot is open, else null.
    AppNavigationSplitView* shell() const;
    QAction* backAction() const { return backAction_; }
    QAction* closeSnapshotAction() const { return closeSnapshot_; }
    QAction* scanAgainAction() const { return scanAgain_; }
    // View > Show Map (Ctrl+M): the current screen's map, and the default for new screens.
    QAction* showMapAction() const { return showMap_; }
    QAction* showDetailsAction() const { return showDetails_; }
    class CompareActions* compareActions() const { return compareActions_; }
    class CleanupActions* cleanupActions() const { return cleanupActions_; }
    class ItemActions* itemActions() const { return itemActions_; }
    // The toolbar's application icon, shown on the scan screen in Back's place.
    QAction* applicationIconAction() const { return applicationIcon_; }

    // Help > Help: the product page in the browser; when none can be started, a message that
    // says so and shows the address to copy.
    void openHelp();
    // How addresses are opened; the desktop's browser unless replaced (tests).
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    QMessageBox* helpFailureMessage() const { return helpFailure_; }
    // Edit > Preferences…: one dialog at a time; it saves on OK.
    void openPreferences(Preferences* preferences);
    PreferencesDialog* preferencesDialog() const { return preferencesDialog_; }

Q_SIGNALS:
    // Preferences were saved with daily update checks on or off.
    void automaticUpdateChecksChanged(bool on);

protected:
    // The mouse's back button goes back wherever in the window it is pressed.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void contentChanged();
    void updateTitle();
    void goBack();

    VistrelView* root_;
    QAction* backAction_;
    QAction* closeSnapshot_;
    QAction* scanAgain_;
    class QMenu* helpMenu_ = nullptr;
    class QMenu* viewMenu_ = nullptr;
    QAction* showMap_ = nullptr;
    QAction* showDetails_ = nullptr;
    class CompareActions* compareActions_ = nullptr;
    class CleanupActions* cleanupActions_ = nullptr;
    class ItemActions* itemActions_ = nullptr;
    QAction* applicationIcon_ = nullptr;
    std::function<bool(const QUrl&)> urlOpener_;
    QMessageBox* helpFailure_ = nullptr;
    QPointer<PreferencesDialog> preferencesDialog_;
    bool updateChecksOffered_ = false;
};

} // namespace vistrel
