#include "VistrelScanView.h"

#include "EarlierSnapshotsView.h"
#include "FocusRing.h"
#include "ReturnActivates.h"
#include "ScanScreenModel.h"
#include "UsageBar.h"
#include "VolumeListView.h"

#include "details/FileIcons.h"
#include "filesystem/FileUrl.h"
#include "services/DisplayName.h"
#include "services/Formats.h"
#include "services/Translations.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

QLabel* label(QWidget* parent, double scale = 1.0, bool bold = false)
{
    auto* made = new QLabel(parent);
    QFont font = made->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    if (bold)
        font.setWeight(QFont::DemiBold);
    made->setFont(font);
    made->setTextFormat(Qt::PlainText);
    return made;
}

QWidget* swatch(QWidget* parent, QPalette::ColorRole fill)
{
    auto* box = new QLabel(parent);
    box->setFixedSize(12, 12);
    box->setAutoFillBackground(true);
    box->setStyleSheet(QStringLiteral("border: 1px solid palette(mid); border-radius: 2px; background: palette(%1);")
                           .arg(fill == QPalette::Highlight ? QStringLiteral("highlight") : QStringLiteral("base")));
    return box;
}

} // namespace

VistrelScanView::VistrelScanView(ScanScreenModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    setAccessibleName(QStringLiteral("Scan"));
    new FocusRing(this);
    auto* outer = new QHBoxLayout(this);
    auto* column = new QWidget(this);
    column->setFixedWidth(640);
    outer->addStretch();
    outer->addWidget(column);
    outer->addStretch();
    auto* layout = new QVBoxLayout(column);
    layout->setSpacing(14);
    layout->addStretch();

    // Header: the application's icon and name.
    auto* header = new QHBoxLayout;
    auto* appIcon = new QLabel(column);
    appIcon->setPixmap(FileIcons::applicationIcon().pixmap(64, 64));
    appIcon->setAccessibleName(QStringLiteral("Vistrel"));
    QLabel* title = label(column, 2.0, true);
    title->setText(QStringLiteral("Vistrel"));
    header->addWidget(appIcon);
    header->addWidget(title);
    header->addStretch();
    layout->addLayout(header);

    // What to scan: a volume, or any folder.
    volumes_ = new VolumeListView(model_, column);
    layout->addWidget(volumes_);

    // Volume panel.
    auto* volume = new QHBoxLayout;
    auto* volumeIcon = new QLabel(column);
    volumeIcon->setPixmap(FileIcons::picture("/", 64, devicePixelRatioF()));
    volume->addWidget(volumeIcon);
    auto* figures = new QVBoxLayout;
    volumeName_ = label(column, 1.4, true);
    volumeFormat_ = label(column);
    volumeFiles_ = label(column, 0.8);
    figures->addWidget(volumeName_);
    figures->addWidget(volumeFormat_);
    figures->addWidget(volumeFiles_);
    volume->addLayout(figures);
    volume->addStretch();
    volumeCapacity_ = label(column, 1.0, true);
    volume->addWidget(volumeCapacity_);
    layout->addLayout(volume);

    // The volume's usage: a folder's card shows none of it, only the folder.
    usagePanel_ = new QWidget(column);
    auto* usageLayout = new QVBoxLayout(usagePanel_);
    usageLayout->setContentsMargins(0, 0, 0, 0);
    usage_ = new UsageBar(usagePanel_);
    usageLayout->addWidget(usage_);
    auto* legend = new QHBoxLayout;
    used_ = label(usagePanel_, 0.85);
    free_ = label(usagePanel_, 0.85);
    used_->setTextFormat(Qt::RichText);
    free_->setTextFormat(Qt::RichText);
    legend->addWidget(swatch(usagePanel_, QPalette::Highlight));
    legend->addWidget(used_);
    legend->addSpacing(16);
    legend->addWidget(swatch(usagePanel_, QPalette::Base));
    legend->addWidget(free_);
    legend->addStretch();
    usageLayout->addLayout(legend);
    layout->addWidget(usagePanel_);
    // Against the stored snapshot: where the used space went.
    usedSpace_ = label(column, 0.85);
    usedSpace_->setWordWrap(true);
    layout->addWidget(usedSpace_);

    // A stored snapshot that cannot be opened, and the way out.
    auto* problemRow = new QHBoxLayout;
    problem_ = label(column);
    problem_->setWordWrap(true);
    deleteStore_ = new QPushButton(QStringLiteral("Delete Stored Snapshot"), column);
    deleteStore_->setAccessibleName(QStringLiteral("Delete Stored Snapshot"));
    problemRow->addWidget(problem_, 1);
    problemRow->addWidget(deleteStore_);
    layout->addLayout(problemRow);

    // Action row.
    auto* actions = new QHBoxLayout;
    openPrevious_ = new QPushButton(QStringLiteral("Open previous snapshot"), column);
    openPrevious_->setAccessibleName(QStringLiteral("Open previous snapshot"));
    storeOnDisk_ = new QCheckBox(QStringLiteral("Store snapshot on disk"), column);
    storeOnDisk_->setToolTip(QString::fromLatin1(ScanScreenModel::storageHelp));
    storeOnDisk_->setAccessibleName(QStringLiteral("Store snapshot on disk"));
    storeOnDisk_->setAccessibleDescription(QString::fromLatin1(ScanScreenModel::storageHelp));
    mainButton_ = new QPushButton(column);
    mainButton_->setDefault(true);
    mainButton_->setMinimumWidth(100);
    actions->addWidget(openPrevious_);
    actions->addStretch();
    actions->addWidget(storeOnDisk_);
    actions->addWidget(mainButton_);
    layout->addLayout(actions);
    // When the snapshot offered was made, and the ones kept from before it.
    summary_ = label(column, 0.85);
    summary_->setContentsMargins(8, 0, 0, 0);
    layout->addWidget(summary_);
    earlier_ = new EarlierSnapshotsView(model_, column);
    layout->addWidget(earlier_);

    // Progress row, 64 points high in every state.
    progressRow_ = new QStackedWidget(column);
    progressRow_->setFixedHeight(64);
    progressRow_->addWidget(new QWidget(progressRow_));
    // An ordinary bar, with the counts under it.
    auto* progressPage = new QWidget(progressRow_);
    auto* progressLayout = new QVBoxLayout(progressPage);
    progressLayout->setContentsMargins(0, 8, 0, 0);
    progress_ = new QProgressBar(progressPage);
    progress_->setAccessibleName(QStringLiteral("Scan progress"));
    progress_->setTextVisible(false);
    progressCounts_ = label(progressPage, 0.85);
    progressLayout->addWidget(progress_);
    progressLayout->addWidget(progressCounts_);
    progressLayout->addStretch();
    progressRow_->addWidget(progressPage);
    auto* cancellingPage = new QWidget(progressRow_);
    auto* cancellingLayout = new QVBoxLayout(cancellingPage);
    cancelling_ = new QProgressBar(cancellingPage);
    cancelling_->setRange(0, 0);
    cancelling_->setTextVisible(false);
    cancelling_->setAccessibleName(QStringLiteral("Cancelling..."));
    cancellingLayout->addWidget(new QLabel(QStringLiteral("Cancelling..."), cancellingPage));
    cancellingLayout->addWidget(cancelling_);
    progressRow_->addWidget(cancellingPage);
    layout->addWidget(progressRow_);

    QLabel* footer = label(column, 0.85);
    footer->setText(QString::fromLatin1(ScanScreenModel::footer));
    footer->setWordWrap(true);
    layout->addWidget(footer);
    layout->addStretch();

    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(mainButton_), static_cast<QAbstractButton*>(openPrevious_),
          static_cast<QAbstractButton*>(deleteStore_)})
        ReturnActivates::install(button);
    connect(mainButton_, &QPushButton::clicked, model_, &ScanScreenModel::mainButtonAction);
    connect(openPrevious_, &QPushButton::clicked, model_, &ScanScreenModel::openPreviousSnapshot);
    connect(deleteStore_, &QPushButton::clicked, model_, &ScanScreenModel::deleteStoredSnapshot);
    connect(storeOnDisk_, &QCheckBox::toggled, model_, &ScanScreenModel::setPersistedSnapshot);
    connect(model_, &ScanScreenModel::changed, this, &VistrelScanView::update);
    update();
}

void VistrelScanView::update()
{
    volumes_->update();
    const auto& volume = model_->volume();
    // A folder that is not a mount point is named by its path; a volume as the system names it.
    const std::string& root = model_->root();
    const bool wholeVolume = model_->isWholeVolume();
    volumeName_->setText(wholeVolume ? volume.localizedName
                                     : DisplayName::of(FileUrl(root).pathWithoutTrailingSeparator()));
    volumeFormat_->setText(volume.localizedFormatDescription);
    volumeFiles_->setText(wholeVolume ? QCoreApplication::translate("Scan", "%1 files", nullptr,
                                                                    Translations::count(volume.resourceCount))
                                            .arg(Formats::groupedCount(volume.resourceCount))
                                      : QStringLiteral("A folder on %1, which has %2 free")
                                            .arg(volume.localizedName, Formats::byteCount(volume.availableCapacity)));
    volumeCapacity_->setText(Formats::byteCount(volume.totalCapacity));
    volumeCapacity_->setVisible(wholeVolume);
    usagePanel_->setVisible(wholeVolume);
    usage_->setUsage(volume.usedCapacity, volume.totalCapacity);
    used_->setText(QStringLiteral("<b>Used</b> ") + Formats::byteCount(volume.usedCapacity).toHtmlEscaped());
    free_->setText(QStringLiteral("<b>Free</b> ") + Formats::byteCount(volume.availableCapacity).toHtmlEscaped());
    used_->setAccessibleName(QStringLiteral("Used ") + Formats::byteCount(volume.usedCapacity));
    free_->setAccessibleName(QStringLiteral("Free ") + Formats::byteCount(volume.availableCapacity));

    usedSpace_->setText(model_->usedSpaceText());
    usedSpace_->setAccessibleName(model_->usedSpaceText());
    usedSpace_->setVisible(!model_->usedSpaceText().isEmpty());

    const QString problem = !model_->scanProblem().isEmpty() ? model_->scanProblem() : model_->storeProblem();
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    deleteStore_->setVisible(model_->scanProblem().isEmpty() && !model_->storeProblem().isEmpty()
                             && model_->storeCanBeDeleted());

    openPrevious_->setVisible(model_->showsOpenPreviousSnapshot());
    summary_->setText(model_->snapshotSummary());
    summary_->setVisible(model_->showsOpenPreviousSnapshot() && !model_->snapshotSummary().isEmpty());
    openPrevious_->setAccessibleDescription(model_->snapshotSummary());
    earlier_->update();
    earlier_->setVisible(model_->showsEarlierSnapshots());
    const bool blocked = storeOnDisk_->blockSignals(true);
    storeOnDisk_->setChecked(model_->persistedSnapshot());
    storeOnDisk_->blockSignals(blocked);
    mainButton_->setText(model_->mainButtonTitle());
    mainButton_->setAccessibleName(model_->mainButtonTitle());
    mainButton_->setEnabled(model_->mainButtonEnabled());

    switch (model_->state()) {
    case ScanScreenModel::ViewState::scanning: {
        progressRow_->setCurrentIndex(1);
        // QProgressBar counts in int: the counts are scaled when they do not fit.
        const std::int64_t total = model_->progress().totalUnitCount();
        const std::int64_t done = std::min(model_->progress().completedUnitCount(), std::max<std::int64_t>(total, 0));
        progress_->setRange(0, static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
        progress_->setValue(static_cast<int>(total > INT32_MAX ? done * INT32_MAX / total : done));
        const std::int64_t completed = model_->progress().completedUnitCount();
        // Without a total (a folder), the bar only says that the scan is alive.
        if (model_->importing())
            progressCounts_->setText(model_->importProgressText());
        else
            progressCounts_->setText(
                total > 0 ? QCoreApplication::translate("Scan", "%1 of %2 items", nullptr, Translations::count(total))
                                .arg(Formats::groupedCount(completed), Formats::groupedCount(total))
                          : QCoreApplication::translate("Scan", "%1 items", nullptr, Translations::count(completed))
                                .arg(Formats::groupedCount(completed)));
        progress_->setAccessibleDescription(progressCounts_->text());
        break;
    }
    case ScanScreenModel::ViewState::cancelling:
        progressRow_->setCurrentIndex(2);
        break;
    default:
        progressRow_->setCurrentIndex(0);
        break;
    }
}

} // namespace vistrel
