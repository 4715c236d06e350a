#include "AnyDictionaryBrowserView.h"

#include "AnyDictionaryBrowserItem.h"
#include "DesktopServices.h"
#include "EmptyStateView.h"
#include "FileIcons.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedLayout>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vistrel {

namespace {

constexpr int itemRole = Qt::UserRole + 1;

void addShown(const AnyDictionaryBrowserView::Item& item, const QString& filter, QTreeWidgetItem* row,
              std::vector<const AnyDictionaryBrowserView::Item*>& owners)
{
    row->setText(0, item.header());
    row->setToolTip(0, item.header());
    if (item.stringValue()) {
        row->setText(1, *item.stringValue());
        row->setToolTip(1, *item.stringValue());
    }
    row->setData(0, itemRole, static_cast<qulonglong>(owners.size()));
    owners.push_back(&item);
    if (!item.children())
        return;
    for (const auto& child : *item.children()) {
        if (child->matches(filter))
            addShown(*child, filter, new QTreeWidgetItem(row), owners);
    }
}

} // namespace

AnyDictionaryBrowserView::AnyDictionaryBrowserView(std::vector<std::shared_ptr<Item>> values, QWidget* parent)
    : QWidget(parent)
    , values_(std::move(values))
    , filter_(new QLineEdit(this))
    , tree_(new QTreeWidget(this))
    , noResultsPage_(new QWidget(this))
    , cutNote_(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    auto* filterRow = new QHBoxLayout;
    auto* glass = new QLabel(this);
    glass->setPixmap(FileIcons::symbol(QStringLiteral("magnifyingglass")).pixmap(14, 14));
    filterRow->addWidget(glass);
    filter_->setPlaceholderText(QStringLiteral("Filter..."));
    filter_->setAccessibleName(QStringLiteral("Filter"));
    filter_->setClearButtonEnabled(true);
    filterRow->addWidget(filter_, 1);
    layout->addLayout(filterRow);
    cutNote_->setText(QStringLiteral("Only part of the values is shown: there are more, or they are nested more "
                                     "deeply, than Vistrel reads."));
    cutNote_->setWordWrap(true);
    cutNote_->setAccessibleName(cutNote_->text());
    cutNote_->hide();
    layout->addWidget(cutNote_);
    stack_ = new QStackedLayout;
    layout->addLayout(stack_, 1);
    tree_->setColumnCount(2);
    tree_->setHeaderHidden(true);
    tree_->setAccessibleName(QStringLiteral("Values"));
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setUniformRowHeights(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    QFont caption = tree_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    tree_->setFont(caption);
    stack_->addWidget(tree_);
    new QVBoxLayout(noResultsPage_);
    stack_->addWidget(noResultsPage_);
    connect(filter_, &QLineEdit::textChanged, this, &AnyDictionaryBrowserView::rebuild);
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        if (QMenu* menu = makeContextMenu(tree_->itemAt(position))) {
            menu->exec(tree_->viewport()->mapToGlobal(position));
            delete menu;
        }
    });
    rebuild();
}

AnyDictionaryBrowserView::~AnyDictionaryBrowserView() = default;

void AnyDictionaryBrowserView::rebuild()
{
    // A new filter makes the whole tree anew, every node open.
    const QString filter = filter_->text();
    tree_->clear();
    owners_.clear();
    for (const auto& item : values_) {
        if (item->matches(filter))
            addShown(*item, filter, new QTreeWidgetItem(tree_), owners_);
    }
    tree_->expandAll();
    const bool none = tree_->topLevelItemCount() == 0 && !filter.isEmpty();
    if (none) {
        delete noResults_;
        noResults_ = new EmptyStateView(QStringLiteral("magnifyingglass"),
                                        QStringLiteral("No Results for “%1”").arg(filter), noResultsPage_);
        noResultsPage_->layout()->addWidget(noResults_);
    }
    stack_->setCurrentWidget(none ? noResultsPage_ : static_cast<QWidget*>(tree_));
}

void AnyDictionaryBrowserView::setCut(bool cut)
{
    cutNote_->setVisible(cut);
}

bool AnyDictionaryBrowserView::showsCutNote() const
{
    return !cutNote_->isHidden();
}

bool AnyDictionaryBrowserView::showsNoResults() const
{
    return stack_->currentWidget() == noResultsPage_;
}

const AnyDictionaryBrowserView::Item* AnyDictionaryBrowserView::itemAt(QTreeWidgetItem* row) const
{
    if (!row)
        return nullptr;
    const auto index = row->data(0, itemRole).toULongLong();
    return index < owners_.size() ? owners_[index] : nullptr;
}

QMenu* AnyDictionaryBrowserView::makeContextMenu(QTreeWidgetItem* row)
{
    const Item* item = itemAt(row);
    if (!item)
        return nullptr;
    auto* menu = new QMenu(this);
    const QString id = item->id();
    const std::optional<QString> value = item->stringValue();
    menu->addAction(QStringLiteral("Copy ID"), this, [id] { DesktopServices::copyToPasteboard(id); });
    menu->addAction(QStringLiteral("Copy Value"), this, [value] {
        if (value)
            DesktopServices::copyToPasteboard(*value);
    });
    return menu;
}

} // namespace vistrel
