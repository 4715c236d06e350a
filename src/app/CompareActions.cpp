#include "CompareActions.h"

#include "history/ComparisonModel.h"

#include <QMenu>
#include <QMessageBox>
#include <QToolBar>
#include <QToolButton>

namespace vistrel {

CompareActions::CompareActions(QMenu* viewMenu, QToolBar* toolbar, QWidget* window,
                               std::function<ComparisonModel*()> comparison)
    : QObject(window)
    , window_(window)
    , comparison_(std::move(comparison))
    , menu_(viewMenu->addMenu(QStringLiteral("Compare &With")))
    , button_(new QToolButton(toolbar))
{
    menu_->setAccessibleName(QStringLiteral("Compare With"));
    connect(menu_, &QMenu::aboutToShow, this, &CompareActions::fillMenu);
    button_->setText(QStringLiteral("Compare With"));
    button_->setAccessibleName(QStringLiteral("Compare With"));
    button_->setToolTip(QStringLiteral("Show what changed since an earlier snapshot of this folder"));
    button_->setMenu(menu_);
    button_->setPopupMode(QToolButton::InstantPopup);
    button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    buttonAction_ = toolbar->addWidget(button_);
    update();
}

void CompareActions::update()
{
    ComparisonModel* comparison = comparison_();
    menu_->setEnabled(comparison != nullptr);
    buttonAction_->setVisible(comparison != nullptr);
    if (comparison)
        button_->setText(comparison->comparing() ? QStringLiteral("Comparing With %1").arg(comparison->comparedLabel())
                                                 : QStringLiteral("Compare With"));
    if (comparison)
        connect(comparison, &ComparisonModel::comparisonChanged, this, &CompareActions::update, Qt::UniqueConnection);
}

void CompareActions::fillMenu()
{
    menu_->clear();
    ComparisonModel* comparison = comparison_();
    if (!comparison)
        return;
    // Listed afresh for the next time: a scan may have kept another one since.
    comparison->reload();
    if (comparison->candidates().empty()) {
        menu_->addAction(QStringLiteral("No Earlier Snapshots of This Folder"))->setEnabled(false);
    }
    for (const ComparisonModel::Candidate& candidate : comparison->candidates()) {
        QAction* action
            = menu_->addAction(candidate.current ? candidate.label + QStringLiteral(" (current)") : candidate.label);
        action->setCheckable(true);
        action->setChecked(comparison->comparedLocation() == candidate.location);
        const std::string location = candidate.location;
        connect(action, &QAction::triggered, this, [this, location] {
            ComparisonModel* model = comparison_();
            if (model && !model->compareWith(location))
                QMessageBox::warning(window_, QStringLiteral("Compare With"), model->error());
        });
    }
    menu_->addSeparator();
    QAction* stop = menu_->addAction(QStringLiteral("&Stop Comparing"));
    stop->setEnabled(comparison->comparing());
    connect(stop, &QAction::triggered, this, [this] {
        if (ComparisonModel* model = comparison_())
            model->stop();
    });
}

} // namespace vistrel
