#include "VolumeListView.h"

#include "ScanScreenModel.h"
#include "UsageBar.h"

#include "details/FileIcons.h"
#include "services/Formats.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>

#include "ReturnActivates.h"
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

constexpr int rowHeight = 52;

// One volume: its icon, name and "mount point · type" over a usage bar with its figures.
QWidget* volumeRow(const ScanScreenModel::VolumeChoice& volume, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 4, 8, 4);
    auto* icon = new QLabel(row);
    icon->setPixmap(FileIcons::picture(volume.root, 32, row->devicePixelRatioF()));
    layout->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new QLabel(row);
    name->setTextFormat(Qt::PlainText);
    QFont bold = name->font();
    bold.setWeight(QFont::DemiBold);
    name->setFont(bold);
    name->setText(volume.name);
    auto* where = new QLabel(row);
    where->setTextFormat(Qt::PlainText);
    QFont small = where->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    where->setFont(small);
    where->setText(QString::fromUtf8(volume.root.data(), static_cast<qsizetype>(volume.root.size()))
                   + QStringLiteral(" · ") + volume.type);
    texts->addWidget(name);
    texts->addWidget(where);
    layout->addLayout(texts, 1);
    auto* usage = new QVBoxLayout;
    auto* bar = new UsageBar(row);
    bar->setFixedSize(160, 10);
    bar->setUsage(volume.usedCapacity, volume.totalCapacity);
    // The window's highlight, not the list's softened selection colour.
    QPalette barColours = bar->palette();
    barColours.setColor(QPalette::Highlight, QGuiApplication::palette().color(QPalette::Highlight));
    bar->setPalette(barColours);
    auto* figures = new QLabel(row);
    figures->setFont(small);
    figures->setText(Formats::byteCount(volume.usedCapacity) + QStringLiteral(" of ")
                     + Formats::byteCount(volume.totalCapacity));
    usage->addWidget(bar);
    usage->addWidget(figures, 0, Qt::AlignRight);
    layout->addLayout(usage);
    // The row's labels are drawn over the item: the item alone speaks for it.
    row->setAttribute(Qt::WA_TransparentForMouseEvents);
    return row;
}

} // namespace

VolumeListView::VolumeListView(ScanScreenModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , list_(new QListWidget(this))
    , places_(new QListWidget(this))
    , scanFolder_(new QPushButton(QStringLiteral("Scan Folder…"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_->setAccessibleName(QStringLiteral("Volumes"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A light selection, so that the rows' usage bars (drawn in the highlight colour) stay visible.
    QPalette palette = list_->palette();
    const QColor base = palette.color(QPalette::Base);
    const QColor highlight = palette.color(QPalette::Highlight);
    palette.setColor(QPalette::Highlight,
                     QColor::fromRgbF(base.redF() * 0.75f + highlight.redF() * 0.25f,
                                      base.greenF() * 0.75f + highlight.greenF() * 0.25f,
                                      base.blueF() * 0.75f + highlight.blueF() * 0.25f));
    palette.setColor(QPalette::HighlightedText, palette.color(QPalette::Text));
    list_->setPalette(palette);
    layout->addWidget(list_);
    places_->setAccessibleName(QStringLiteral("Folders"));
    places_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(places_);
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    scanFolder_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    scanFolder_->setToolTip(QStringLiteral("Scan any folder (Ctrl+O); the scan stays on its file system"));
    scanFolder_->setAccessibleName(QStringLiteral("Scan Folder"));
    actions->addWidget(scanFolder_);
    ReturnActivates::install(scanFolder_);
    layout->addLayout(actions);

    // The selection, not the current row: focusing the list makes a row current by itself.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        const int row = selected.isEmpty() ? -1 : list_->row(selected.front());
        if (row >= 0 && static_cast<std::size_t>(row) < model_->volumes().size())
            model_->selectRoot(model_->volumes()[static_cast<std::size_t>(row)].root);
    });
    // Return on a volume scans it (the row is the selected one by then).
    connect(list_, &QListWidget::itemActivated, this, [this] {
        if (model_->state() == ScanScreenModel::ViewState::idle && model_->mainButtonEnabled())
            model_->mainButtonAction();
    });
    const auto scanPlace = [this](QListWidgetItem* item) {
        const int row = places_->row(item);
        if (row >= 0 && static_cast<std::size_t>(row) < shownPlaces_.size())
            model_->scanFolder(shownPlaces_[static_cast<std::size_t>(row)]);
    };
    connect(places_, &QListWidget::itemClicked, this, scanPlace);
    connect(places_, &QListWidget::itemActivated, this, scanPlace);
    connect(scanFolder_, &QPushButton::clicked, this, &VolumeListView::chooseFolder);
    rebuild();
    update();
}

void VolumeListView::rebuild()
{
    const bool blocked = list_->blockSignals(true);
    list_->clear();
    for (const auto& volume : model_->volumes()) {
        auto* item = new QListWidgetItem(list_);
        item->setSizeHint(QSize(0, rowHeight));
        const QString root = QString::fromUtf8(volume.root.data(), static_cast<qsizetype>(volume.root.size()));
        item->setData(Qt::AccessibleTextRole,
                      QStringLiteral("%1, %2, %3, %4 used of %5")
                          .arg(volume.name, root, volume.type, Formats::byteCount(volume.usedCapacity),
                               Formats::byteCount(volume.totalCapacity)));
        item->setToolTip(root);
        list_->setItemWidget(item, volumeRow(volume, list_));
    }
    list_->blockSignals(blocked);
    shownCount_ = model_->volumes().size();
    // Up to three rows in view; more scroll.
    const int rows = static_cast<int>(std::clamp<std::size_t>(shownCount_, 1, 3));
    list_->setFixedHeight(rows * rowHeight + 2 * list_->frameWidth());
}

void VolumeListView::rebuildPlaces()
{
    places_->clear();
    shownPlaces_.clear();
    for (const ScanScreenModel::Place& place : model_->places()) {
        auto* item = new QListWidgetItem(QIcon(FileIcons::picture(place.root, 16)),
                                         place.name + QStringLiteral("   ") + place.where, places_);
        item->setData(Qt::AccessibleTextRole,
                      place.name + QStringLiteral(", ") + place.where
                          + (place.hasSnapshot ? QStringLiteral(", scanned before") : QString()));
        item->setToolTip(QStringLiteral("Scan ") + place.where);
        shownPlaces_.push_back(place.root);
    }
    const int rows = static_cast<int>(std::clamp<std::size_t>(shownPlaces_.size(), 1, 4));
    places_->setFixedHeight(rows * places_->sizeHintForRow(0) + 2 * places_->frameWidth() + 2);
    places_->setVisible(!shownPlaces_.empty());
}

void VolumeListView::update()
{
    if (shownCount_ != model_->volumes().size())
        rebuild();
    std::vector<std::string> places;
    for (const auto& place : model_->places())
        places.push_back(place.root);
    if (places != shownPlaces_ || (places.empty() && places_->isVisible()))
        rebuildPlaces();
    const bool blocked = list_->blockSignals(true);
    const int selected = model_->selectedVolume();
    if (selected >= 0)
        list_->setCurrentRow(selected);
    else
        list_->clearSelection();
    list_->blockSignals(blocked);
    const bool idle = model_->state() == ScanScreenModel::ViewState::idle;
    list_->setEnabled(idle);
    places_->setEnabled(idle);
    scanFolder_->setEnabled(idle);
}

void VolumeListView::chooseFolder()
{
    // From the home folder, where people keep what they want to measure; chosen is scanned.
    const std::string home = ScanScreenModel::homeFolder();
    const QString start = QFile::decodeName(QByteArray(home.data(), static_cast<qsizetype>(home.size())));
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Scan Folder"), start);
    if (!folder.isEmpty()) {
        const QByteArray bytes = QFile::encodeName(folder);
        model_->scanFolder(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

} // namespace vistrel
