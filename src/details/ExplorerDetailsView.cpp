#include "ExplorerDetailsView.h"

#include "AnyDictionaryBrowserItem.h"
#include "FileIcons.h"
#include "FilePreviewWindow.h"
#include "FileThumbnailView.h"
#include "ItemDetailsBoolRowView.h"
#include "ItemDetailsDateRowView.h"
#include "ItemDetailsNumberRowView.h"
#include "ItemDetailsStringRowView.h"

#include "services/Preferences.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

QWidget* rowView(const ItemDetails::Row& row, QWidget* parent)
{
    switch (row.kind) {
    case ItemDetails::Row::Kind::number:
        return new ItemDetailsNumberRowView(row.title, *row.text, parent);
    case ItemDetails::Row::Kind::text:
        return new ItemDetailsStringRowView(row.title, *row.text, parent);
    case ItemDetails::Row::Kind::date:
        return new ItemDetailsDateRowView(row.title, *row.date, parent);
    case ItemDetails::Row::Kind::boolean:
        return new ItemDetailsBoolRowView(row.title, *row.flag, parent);
    }
    return nullptr;
}

} // namespace

ExplorerDetailsView::ExplorerDetailsView(ItemDetails details, Preferences* preferences, QWidget* parent)
    : QWidget(parent)
    , details_(std::move(details))
    , preferences_(preferences)
    , path_(new QLabel(this))
    , tabs_(new QTabWidget(this))
{
    setAccessibleName(QStringLiteral("Details of ") + details_.name);
    auto* layout = new QVBoxLayout(this);

    // Header box.
    auto* header = new QFrame(this);
    header->setFrameShape(QFrame::StyledPanel);
    header->setMinimumWidth(200);
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->addWidget(new FileThumbnailView(details_.rawPath, 64, header), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    auto* name = new QLabel(header);
    QFont title = name->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    name->setFont(title);
    QPalette faded = name->palette();
    QColor text = faded.color(QPalette::WindowText);
    text.setAlphaF(0.8);
    faded.setColor(QPalette::WindowText, text);
    name->setPalette(faded);
    name->setText(name->fontMetrics().elidedText(details_.name, Qt::ElideRight, 200));
    name->setToolTip(details_.name);
    name->setAccessibleName(details_.name);
    name->setTextFormat(Qt::PlainText);
    column->addWidget(name);
    if (!details_.localizedName.isEmpty()) {
        auto* line = new QLabel(details_.localizedName, header);
        line->setTextFormat(Qt::PlainText);
        line->setAccessibleName(QStringLiteral("Shown as ") + details_.localizedName);
        column->addWidget(line);
    }
    column->addStretch();
    headerLayout->addLayout(column, 1);
    auto* eye = new QToolButton(header);
    eye->setAutoRaise(true);
    eye->setIcon(FileIcons::symbol(QStringLiteral("eye")));
    eye->setToolTip(QStringLiteral("Preview (Space)"));
    eye->setAccessibleName(QStringLiteral("Preview"));
    connect(eye, &QToolButton::clicked, this, &ExplorerDetailsView::openPreview);
    headerLayout->addWidget(eye, 0, Qt::AlignTop);
    layout->addWidget(header);

    // The path, cut at the head so that the name stays in view.
    QFont footnote = path_->font();
    footnote.setPointSizeF(footnote.pointSizeF() * 0.85);
    path_->setFont(footnote);
    path_->setToolTip(details_.path);
    path_->setAccessibleName(details_.path);
    path_->setTextFormat(Qt::PlainText);
    layout->addWidget(path_);

    const QIcon tabIcon = FileIcons::symbol(QStringLiteral("app"));
    tabs_->addTab(makeGeneralTab(), tabIcon, QStringLiteral("General"));
    tabNumbers_.push_back(generalTab);
    // A tab that does not apply to the item is not shown at all.
    if (!details_.extendedAttributeItems.empty()) {
        auto* browser = new AnyDictionaryBrowserView(details_.extendedAttributeItems, tabs_);
        browser->setCut(details_.extendedAttributesCut);
        tabs_->addTab(browser, tabIcon, QStringLiteral("Extended Attributes"));
        tabNumbers_.push_back(extendedAttributesTab);
    }
    if (details_.propertyListItems) {
        auto* browser = new AnyDictionaryBrowserView(*details_.propertyListItems, tabs_);
        browser->setCut(details_.propertyListCut);
        tabs_->addTab(browser, tabIcon, QStringLiteral("Property List"));
        tabNumbers_.push_back(propertyListTab);
    }
    tabs_->setAccessibleName(QStringLiteral("Details tabs"));
    tabs_->tabBar()->setAccessibleName(QStringLiteral("Details tabs"));
    layout->addWidget(tabs_, 1);

    // The stored tab when this item has it; the preference stays as it is when it has not.
    const int stored = preferences_ ? preferences_->selectedTab().toInt() : generalTab;
    for (std::size_t index = 0; index < tabNumbers_.size(); ++index) {
        if (tabNumbers_[index] == stored)
            tabs_->setCurrentIndex(static_cast<int>(index));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (preferences_ && index >= 0 && index < static_cast<int>(tabNumbers_.size()))
            preferences_->setSelectedTab(QString::number(tabNumbers_[static_cast<std::size_t>(index)]));
    });
    elidePath();
}

QWidget* ExplorerDetailsView::makeGeneralTab()
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAccessibleName(QStringLiteral("General"));
    auto* list = new QWidget(scroll);
    auto* layout = new QVBoxLayout(list);
    layout->setSpacing(0);
    addRows(details_.essentials, list, layout);

    // The rest, folded away until asked for; the choice is kept.
    advancedButton_ = new QToolButton(list);
    advancedButton_->setText(QStringLiteral("Advanced"));
    advancedButton_->setAccessibleName(QStringLiteral("Advanced"));
    advancedButton_->setCheckable(true);
    advancedButton_->setAutoRaise(true);
    advancedButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    advanced_ = new QWidget(list);
    auto* advancedLayout = new QVBoxLayout(advanced_);
    advancedLayout->setContentsMargins(0, 0, 0, 0);
    advancedLayout->setSpacing(0);
    bool first = true;
    for (const ItemDetails::Section& section : details_.advanced) {
        if (std::none_of(section.begin(), section.end(), [](const auto& row) { return row.present(); }))
            continue;
        if (!first) {
            auto* line = new QFrame(advanced_);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            advancedLayout->addWidget(line);
        }
        first = false;
        addRows(section, advanced_, advancedLayout);
    }
    const auto showAdvanced = [this](bool shown) {
        advancedButton_->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
        advanced_->setVisible(shown);
    };
    const bool shown = preferences_ && preferences_->detailsAdvancedShown();
    advancedButton_->setChecked(shown);
    showAdvanced(shown);
    connect(advancedButton_, &QToolButton::toggled, this, [this, showAdvanced](bool checked) {
        showAdvanced(checked);
        if (preferences_)
            preferences_->setDetailsAdvancedShown(checked);
    });
    layout->addSpacing(6);
    layout->addWidget(advancedButton_, 0, Qt::AlignLeft);
    layout->addWidget(advanced_);
    layout->addStretch();
    scroll->setWidget(list);
    return scroll;
}

void ExplorerDetailsView::addRows(const ItemDetails::Section& section, QWidget* parent, QVBoxLayout* layout)
{
    for (const ItemDetails::Row& row : section)
        if (row.present())
            layout->addWidget(rowView(row, parent));
}

void ExplorerDetailsView::openPreview()
{
    if (preview_) {
        preview_->raise();
        preview_->activateWindow();
        return;
    }
    previewUrl_ = details_.rawPath;
    preview_ = new FilePreviewWindow(*previewUrl_, this);
    preview_->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview_, &QDialog::finished, this, [this] {
        previewUrl_.reset();
        preview_ = nullptr;
    });
    preview_->show();
    preview_->activateWindow(); // so that Esc and Space reach it at once
}

void ExplorerDetailsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    elidePath();
}

void ExplorerDetailsView::elidePath()
{
    path_->setText(path_->fontMetrics().elidedText(details_.path, Qt::ElideLeft, std::max(80, width() - 24)));
}

} // namespace vistrel
