#include "EarlierSnapshotsView.h"

#include "ScanScreenModel.h"

#include "services/Formats.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

EarlierSnapshotsView::EarlierSnapshotsView(ScanScreenModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(QStringLiteral("Earlier snapshots"), this);
    QFont font = heading->font();
    font.setWeight(QFont::DemiBold);
    heading->setFont(font);
    layout->addWidget(heading);

    auto* row = new QHBoxLayout;
    list_ = new QTreeWidget(this);
    list_->setAccessibleName(QStringLiteral("Earlier snapshots"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Items"), QStringLiteral("Size on Disk")});
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    list_->setMaximumHeight(130);
    heading->setBuddy(list_);
    row->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    open_ = new QPushButton(QStringLiteral("Open"), this);
    open_->setAccessibleName(QStringLiteral("Open earlier snapshot"));
    delete_ = new QPushButton(QStringLiteral("Delete…"), this);
    delete_->setAccessibleName(QStringLiteral("Delete earlier snapshot"));
    buttons->addWidget(open_);
    buttons->addWidget(delete_);
    buttons->addStretch();
    row->addLayout(buttons);
    layout->addLayout(row);

    connect(open_, &QPushButton::clicked, this, &EarlierSnapshotsView::openSelected);
    connect(delete_, &QPushButton::clicked, this, &EarlierSnapshotsView::deleteSelected);
    connect(list_, &QTreeWidget::itemActivated, this, &EarlierSnapshotsView::openSelected);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        open_->setEnabled(selectedIndex() >= 0);
        delete_->setEnabled(selectedIndex() >= 0);
    });
    auto* deleteKey = new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &EarlierSnapshotsView::deleteSelected);
    update();
}

void EarlierSnapshotsView::update()
{
    std::vector<std::string> locations;
    for (const auto& snapshot : model_->earlierSnapshots())
        locations.push_back(snapshot.location);
    if (locations == shown_ && list_->topLevelItemCount() == static_cast<int>(locations.size()))
        return;
    shown_ = std::move(locations);
    const int selected = selectedIndex();
    list_->clear();
    for (const ScanScreenModel::EarlierSnapshot& snapshot : model_->earlierSnapshots()) {
        const QString date = snapshot.endedAt ? Formats::dateTimeStyle(QDateTime::fromSecsSinceEpoch(*snapshot.endedAt))
                                              : QStringLiteral("Unknown date");
        const QString items = snapshot.entryCount ? Formats::groupedCount(*snapshot.entryCount) : QStringLiteral("—");
        auto* item = new QTreeWidgetItem(list_, {date, items, Formats::byteCount(snapshot.bytesOnDisk)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!snapshot.problem.isEmpty()) {
            item->setToolTip(0, snapshot.problem);
            item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        }
    }
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(std::clamp(selected, 0, list_->topLevelItemCount() - 1)));
    open_->setEnabled(selectedIndex() >= 0);
    delete_->setEnabled(selectedIndex() >= 0);
}

int EarlierSnapshotsView::selectedIndex() const
{
    const auto selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

void EarlierSnapshotsView::openSelected()
{
    if (const int index = selectedIndex(); index >= 0)
        model_->openEarlierSnapshot(static_cast<std::size_t>(index));
}

void EarlierSnapshotsView::deleteSelected()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    const QString date = list_->topLevelItem(index)->text(0);
    QMessageBox question(QMessageBox::Question, QStringLiteral("Delete Earlier Snapshot"),
                         QStringLiteral("Delete the snapshot of %1?").arg(date), QMessageBox::Cancel | QMessageBox::Ok,
                         this);
    question.button(QMessageBox::Ok)->setText(QStringLiteral("Delete"));
    question.setDefaultButton(QMessageBox::Cancel);
    question.setInformativeText(QStringLiteral("It cannot be compared with or opened again."));
    if (question.exec() == QMessageBox::Ok)
        model_->deleteEarlierSnapshot(static_cast<std::size_t>(index));
}

} // namespace vistrel
