#include "CleanupActions.h"

#include "cleanup/CleanupModel.h"
#include "cleanup/CleanupSummary.h"
#include "explorer/ExplorerModel.h"
#include "explorer/ExplorerView.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace vistrel {

namespace {

QString names(const std::vector<std::string>& paths)
{
    return CleanupSummary::names(paths);
}

} // namespace

CleanupActions::CleanupActions(QMenu* menu, QWidget* window, ScreenSource screen, CleanupSource cleanup)
    : QObject(window)
    , window_(window)
    , screen_(std::move(screen))
    , cleanup_(std::move(cleanup))
    , moveToTrash_(menu->addAction(QStringLiteral("Move to &Trash")))
    , deletePermanently_(menu->addAction(QStringLiteral("&Delete Permanently…")))
    , undo_(menu->addAction(QStringLiteral("&Undo Move to Trash")))
    , rescan_(menu->addAction(QStringLiteral("&Rescan Folder")))
{
    // A text field with the focus keeps these keys for its own editing.
    moveToTrash_->setShortcut(QKeySequence::Delete);
    deletePermanently_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    undo_->setShortcut(QKeySequence::Undo);
    rescan_->setShortcut(QKeySequence(Qt::Key_F5));
    connect(moveToTrash_, &QAction::triggered, this, [this] { trash(selectedItems()); });
    connect(deletePermanently_, &QAction::triggered, this, [this] {
        const auto items = selectedItems();
        if (!items.empty() && !refused(items, QStringLiteral("Delete Permanently")))
            askToDelete(items);
    });
    connect(undo_, &QAction::triggered, this, [this] {
        if (CleanupModel* cleanup = cleanup_())
            cleanup->undoMoveToTrash();
    });
    connect(rescan_, &QAction::triggered, this, [this] {
        CleanupModel* cleanup = cleanup_();
        ExplorerView* screen = screen_();
        if (!cleanup || !screen)
            return;
        cleanup->rescanFolder(screen->model()->selectedFolderOrCurrent());
    });
    connect(menu, &QMenu::aboutToShow, this, &CleanupActions::update);
    makeSummaryBar();
    update();
}

void CleanupActions::makeSummaryBar()
{
    auto* main = qobject_cast<QMainWindow*>(window_);
    if (!main)
        return;
    summary_ = new QLabel(main);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    summary_->setAccessibleName(QStringLiteral("What the last cleanup did"));
    summaryUndo_ = new QPushButton(QStringLiteral("Undo"), main);
    summaryUndo_->setAccessibleName(QStringLiteral("Undo Move to Trash"));
    connect(summaryUndo_, &QPushButton::clicked, undo_, &QAction::trigger);
    main->statusBar()->addWidget(summary_, 1);
    main->statusBar()->addPermanentWidget(summaryUndo_);
    summaryUndo_->hide();
    main->statusBar()->hide();
}

std::vector<std::string> CleanupActions::selectedItems() const
{
    ExplorerView* screen = screen_();
    return screen ? screen->selectedItemPaths() : std::vector<std::string>{};
}

void CleanupActions::update()
{
    CleanupModel* cleanup = cleanup_();
    watch(cleanup);
    // The selection is checked when an action runs: shortcuts must not wait for the menu
    // to be opened to know it.
    const bool idle = cleanup && !cleanup->busy() && screen_();
    moveToTrash_->setEnabled(idle);
    deletePermanently_->setEnabled(idle);
    // Each names what it acts on.
    const auto items = selectedItems();
    moveToTrash_->setText(CleanupSummary::moveToTrashLabel(items));
    deletePermanently_->setText(CleanupSummary::deletePermanentlyLabel(items));
    undo_->setEnabled(idle && cleanup->canUndo());
    rescan_->setEnabled(idle);
}

void CleanupActions::watch(CleanupModel* cleanup)
{
    if (cleanup == watched_)
        return;
    watched_ = cleanup;
    if (cleanup) {
        connect(cleanup, &CleanupModel::finished, this, &CleanupActions::finished);
        connect(cleanup, &CleanupModel::busyChanged, this, &CleanupActions::busyChanged);
    }
}

bool CleanupActions::refused(const std::vector<std::string>& paths, const QString& title)
{
    CleanupModel* cleanup = cleanup_();
    for (const std::string& path : paths) {
        const auto refusal = cleanup ? cleanup->refusal(path) : std::optional<std::string>("no snapshot is open");
        if (refusal) {
            QMessageBox::information(
                window_, title,
                QStringLiteral("Vistrel does not remove %1: %2.").arg(names({path}), QString::fromStdString(*refusal)));
            return true;
        }
    }
    return false;
}

void CleanupActions::busyChanged()
{
    update();
    CleanupModel* cleanup = cleanup_();
    if (!cleanup || !cleanup->busy()) {
        delete progress_;
        progress_ = nullptr;
        return;
    }
    // Only a job that takes a while shows its progress; it can be cancelled between items.
    QTimer::singleShot(400, this, [this] {
        CleanupModel* cleanup = cleanup_();
        if (!cleanup || !cleanup->busy() || progress_)
            return;
        auto* dialog = new QProgressDialog(QStringLiteral("Working on the snapshot and the disk…"),
                                           QStringLiteral("Cancel"), 0, 0, window_);
        dialog->setWindowTitle(QStringLiteral("Cleaning Up"));
        dialog->setAccessibleName(dialog->windowTitle());
        dialog->setMinimumDuration(0);
        connect(dialog, &QProgressDialog::canceled, this, [this] {
            if (CleanupModel* cleanup = cleanup_())
                cleanup->cancel();
        });
        progress_ = dialog;
        dialog->show();
    });
}

void CleanupActions::trash(const std::vector<std::string>& paths)
{
    if (!paths.empty() && !refused(paths, QStringLiteral("Move to Trash")))
        cleanup_()->moveToTrash(paths);
}

void CleanupActions::addItemActions(QMenu* menu, const std::string& path)
{
    CleanupModel* cleanup = cleanup_();
    const bool idle = cleanup && !cleanup->busy();
    menu->addSeparator();
    menu->addAction(CleanupSummary::moveToTrashLabel({path}), this, [this, path] { trash({path}); })->setEnabled(idle);
    menu->addAction(CleanupSummary::deletePermanentlyLabel({path}), this,
                    [this, path] {
                        if (!refused({path}, QStringLiteral("Delete Permanently")))
                            askToDelete({path});
                    })
        ->setEnabled(idle);
    if (FileUrl(path).isDirectory())
        menu->addAction(rescan_->text(), this,
                        [this, path] {
                            if (CleanupModel* cleanup = cleanup_())
                                cleanup->rescanFolder(path);
                        })
            ->setEnabled(idle);
}

void CleanupActions::askToDelete(std::vector<std::string> paths)
{
    CleanupModel* cleanup = cleanup_();
    ExplorerView* screen = screen_();
    if (!cleanup || paths.empty())
        return;
    QString figures;
    if (const auto totals = screen ? screen->selectedItemFigures(paths) : std::nullopt) {
        figures = QStringLiteral(" (%1").arg(Formats::byteCount(totals->first));
        figures += totals->second == 1 ? QStringLiteral(" in 1 file")
                                       : QStringLiteral(" in %1 files").arg(Formats::groupedCount(totals->second));
        figures += QLatin1Char(')');
    }
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Delete Permanently"),
                                QStringLiteral("Delete %1%2 permanently?").arg(names(paths), figures),
                                QMessageBox::Cancel, window_);
    QStringList where;
    for (std::size_t index = 0; index < paths.size() && index < 3; ++index)
        where << DisplayName::of(FileUrl(paths[index]).pathWithoutTrailingSeparator());
    if (paths.size() > 3)
        where << QStringLiteral("…");
    box->setInformativeText(where.join(QLatin1Char('\n'))
                            + QStringLiteral("\n\nIt does not go to the trash and cannot be brought back."));
    QPushButton* remove = box->addButton(QStringLiteral("Delete Permanently"), QMessageBox::DestructiveRole);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    confirmation_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, remove, paths] {
        confirmation_ = nullptr;
        if (box->clickedButton() == remove)
            if (CleanupModel* cleanup = cleanup_())
                cleanup->deletePermanently(paths);
    });
    box->open();
}

void CleanupActions::finished()
{
    CleanupModel* cleanup = cleanup_();
    if (!cleanup || !cleanup->lastReport())
        return;
    const CleanupModel::Report& report = *cleanup->lastReport();
    if (ExplorerView* screen = screen_()) {
        const bool removal = report.action == CleanupModel::Action::moveToTrash
            || report.action == CleanupModel::Action::deletePermanently;
        // After an undo the item is selected again.
        const bool undone = report.action == CleanupModel::Action::undoMoveToTrash && !report.done.empty();
        screen->reloadAfterChange(removal ? report.done : std::vector<std::string>{},
                                  undone ? std::optional<std::string>(report.done.front()) : std::nullopt);
    }
    if (summary_) {
        summary_->setText(CleanupSummary::of(report));
        summaryUndo_->setVisible(report.action == CleanupModel::Action::moveToTrash && !report.done.empty()
                                 && cleanup->canUndo());
        summary_->parentWidget()->show();
    }
    if (!report.failures.empty() || report.snapshotFailure) {
        QStringList lines;
        for (const auto& failure : report.failures)
            lines << DisplayName::of(failure.path) + QStringLiteral(": ") + QString::fromStdString(failure.reason);
        if (report.snapshotFailure)
            lines << QStringLiteral("The snapshot could not be updated: ")
                    + QString::fromStdString(*report.snapshotFailure);
        const bool nothing = report.done.empty();
        auto* box = new QMessageBox(QMessageBox::Warning,
                                    nothing ? QStringLiteral("Nothing Was Changed")
                                            : QStringLiteral("Not Everything Was Done"),
                                    CleanupSummary::of(report), QMessageBox::Ok, window_);
        box->setDetailedText(lines.join(QLatin1Char('\n')));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    if (!report.withoutTrash.empty()) {
        auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Move to Trash"),
                                    QStringLiteral("The volume of %1 has no trash that can be used. Delete it "
                                                   "permanently instead?")
                                        .arg(names(report.withoutTrash)),
                                    QMessageBox::Cancel, window_);
        QPushButton* instead = box->addButton(QStringLiteral("Delete Permanently…"), QMessageBox::AcceptRole);
        box->setDefaultButton(QMessageBox::Cancel);
        box->setAttribute(Qt::WA_DeleteOnClose);
        const auto paths = report.withoutTrash;
        connect(box, &QMessageBox::finished, this, [this, box, instead, paths] {
            if (box->clickedButton() == instead)
                askToDelete(paths);
        });
        box->open();
    }
    update();
}

} // namespace vistrel
