#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QMenu;
class QWidget;

namespace vistrel {

class CleanupModel;
class ExplorerView;

// The Edit menu's cleanup: Move to Trash (Delete), Delete Permanently… (Shift+Delete), Undo
// Move to Trash (Ctrl+Z) and Rescan Folder (F5), on the current screen's selected item (or
// its directory, for a rescan). Asks before deleting, says what could not be done, and
// reloads the screen once the snapshot has changed.
class CleanupActions : public QObject {
    Q_OBJECT
public:
    using ScreenSource = std::function<ExplorerView*()>;
    using CleanupSource = std::function<CleanupModel*()>;
    CleanupActions(QMenu* menu, QWidget* window, ScreenSource screen, CleanupSource cleanup);

    QAction* moveToTrashAction() const { return moveToTrash_; }
    QAction* deletePermanentlyAction() const { return deletePermanently_; }
    QAction* undoAction() const { return undo_; }
    QAction* rescanAction() const { return rescan_; }
    // The same actions in an item's context menu, for that item (not the selection).
    void addItemActions(QMenu* menu, const std::string& path);
    // Enables what the current screen and the cleanup's state allow.
    void update();
    // The dialog asking before a permanent delete (open while it asks; tests answer it).
    QWidget* confirmation() const { return confirmation_; }
    // The progress of a job that takes long, with its Cancel (open while it runs).
    QWidget* progress() const { return progress_; }
    // The status bar's line saying what the last job did, and its Undo.
    QLabel* summary() const { return summary_; }
    QPushButton* summaryUndo() const { return summaryUndo_; }

private:
    std::vector<std::string> selectedItems() const;
    void trash(const std::vector<std::string>& paths);
    bool refused(const std::vector<std::string>& paths, const QString& title);
    void askToDelete(std::vector<std::string> paths);
    void finished();
    void watch(CleanupModel* cleanup);
    void makeSummaryBar();

    QWidget* window_;
    ScreenSource screen_;
    CleanupSource cleanup_;
    QAction* moveToTrash_;
    QAction* deletePermanently_;
    QAction* undo_;
    QAction* rescan_;
    QWidget* confirmation_ = nullptr;
    QWidget* progress_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* summaryUndo_ = nullptr;
    void busyChanged();
    CleanupModel* watched_ = nullptr;
};

} // namespace vistrel
