#include "ExplorerDetailsContentView.h"

#include "EmptyStateView.h"
#include "ExplorerDetailsView.h"

#include "services/Background.h"
#include "services/DisplayName.h"
#include "services/Log.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <utility>

namespace vistrel {

ExplorerDetailsContentView::ExplorerDetailsContentView(Preferences* preferences, QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , stack_(new QStackedLayout)
    , empty_(new EmptyStateView(QStringLiteral("info.circle"), QStringLiteral("Details View"), this))
    , comparison_(new QLabel(this))
{
    setAccessibleName(QStringLiteral("Details"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    comparison_->setTextFormat(Qt::PlainText);
    comparison_->setWordWrap(true);
    comparison_->setContentsMargins(8, 4, 8, 4);
    comparison_->hide();
    column->addWidget(comparison_);
    column->addLayout(stack_, 1);
    stack_->addWidget(empty_);
}

void ExplorerDetailsContentView::setComparisonText(const QString& text)
{
    comparison_->setText(text);
    comparison_->setAccessibleName(text);
    comparison_->setVisible(!text.isEmpty());
}

ExplorerDetailsContentView::~ExplorerDetailsContentView() = default;

void ExplorerDetailsContentView::setFile(const std::optional<VistrelFile>& file)
{
    const bool same = file && file_ && file->id == file_->id && details_;
    file_ = file;
    if (!file_) {
        stack_->setCurrentWidget(empty_);
        if (details_) {
            stack_->removeWidget(details_);
            details_->deleteLater();
            details_ = nullptr;
        }
        return;
    }
    if (same)
        return; // the same item keeps its panel
    if (!readingId_)
        startRead();
}

void ExplorerDetailsContentView::startRead()
{
    ++readsStarted_;
    readingId_ = file_->id;
    runInBackground(
        lifetime_,
        [file = *file_]() mutable {
            ItemDetails details;
            try {
                details = ItemDetails::make(file);
            } catch (const std::exception& error) {
                // The panel still names the item; a stuck read would leave it on the old one.
                Log::error(LogCategory::app, "cannot read the details of " + file.id + ": " + error.what());
                details.name = DisplayName::of(file.name);
                details.path = DisplayName::of(file.id);
                details.rawPath = file.id;
            }
            return details;
        },
        [this](ItemDetails details) {
            const std::string read = *std::exchange(readingId_, std::nullopt);
            if (!file_)
                return; // the selection was cleared meanwhile
            if (file_->id != read) {
                startRead(); // the selection moved on: read where it is now
                return;
            }
            show(std::move(details));
        },
        BackgroundPriority::low);
}

void ExplorerDetailsContentView::show(ItemDetails details)
{
    // A new item makes a new panel.
    if (details_) {
        stack_->removeWidget(details_);
        details_->deleteLater();
    }
    details_ = new ExplorerDetailsView(std::move(details), preferences_, this);
    stack_->addWidget(details_);
    stack_->setCurrentWidget(details_);
    Q_EMIT detailsShown();
}

bool ExplorerDetailsContentView::showsEmptyState() const
{
    return stack_->currentWidget() == empty_;
}

} // namespace vistrel
