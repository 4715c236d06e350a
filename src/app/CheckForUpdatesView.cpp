#include "CheckForUpdatesView.h"

#include "CheckForUpdatesViewModel.h"

#include <QAction>
#include <QMessageBox>
#include <QWidget>

namespace vistrel {

CheckForUpdatesView::CheckForUpdatesView(Updater* updater, QWidget* dialogParent)
    : QObject(dialogParent)
    , model_(new CheckForUpdatesViewModel(updater, this))
    , updater_(updater)
    , dialogParent_(dialogParent)
    , action_(new QAction(QStringLiteral("Check for Updates…"), this))
{
    action_->setEnabled(model_->canCheckForUpdates());
    connect(model_, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, action_, &QAction::setEnabled);
    connect(action_, &QAction::triggered, this, [this] { updater_->checkForUpdates(true); });
    connect(updater, &Updater::checkFinished, this, &CheckForUpdatesView::show);
}

void CheckForUpdatesView::show(const Updater::Result& result)
{
    if (!result.userInitiated && result.kind != Updater::Result::Kind::newVersion)
        return; // a scheduled check speaks only when there is something new
    auto* box = new QMessageBox(dialogParent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Check for Updates"));
    switch (result.kind) {
    case Updater::Result::Kind::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("Vistrel is up to date."));
        break;
    case Updater::Result::Kind::newVersion:
        box->setIcon(QMessageBox::Information);
        box->setTextFormat(Qt::RichText);
        box->setText(QStringLiteral("A new version of Vistrel is available: %1.<br><a href=\"%2\">%2</a>")
                         .arg(result.version.toHtmlEscaped(), result.link.toString().toHtmlEscaped()));
        box->setTextInteractionFlags(Qt::TextBrowserInteraction);
        break;
    case Updater::Result::Kind::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("The check for updates failed."));
        box->setInformativeText(result.description);
        break;
    }
    box->setAccessibleName(box->windowTitle());
    box->open();
}

} // namespace vistrel
