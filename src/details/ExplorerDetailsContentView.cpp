#include "ExplorerDetailsContentView.h"

#include "EmptyStateView.h"
#include "FileThumbnailView.h"

#include "services/Formats.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace vistrel {

ExplorerDetailsContentView::ExplorerDetailsContentView(QWidget* parent)
    : QWidget(parent)
    , stack_(new QStackedLayout(this))
    , empty_(new EmptyStateView(QStringLiteral("info.circle"), QStringLiteral("Details View"), this))
{
    setAccessibleName(QStringLiteral("Details"));
    stack_->addWidget(empty_);
    // The item's header; the full panel with its tabs comes with the details panel.
    auto* header = new QWidget(this);
    auto* layout = new QVBoxLayout(header);
    thumbnail_ = new FileThumbnailView("/", 64, header);
    name_ = new QLabel(header);
    QFont title = name_->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    name_->setFont(title);
    name_->setTextFormat(Qt::PlainText);
    path_ = new QLabel(header);
    path_->setTextFormat(Qt::PlainText);
    path_->setWordWrap(true);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(thumbnail_, 0, Qt::AlignHCenter);
    layout->addWidget(name_, 0, Qt::AlignHCenter);
    layout->addWidget(path_);
    layout->addStretch();
    stack_->addWidget(header);
}

void ExplorerDetailsContentView::setFile(const std::optional<VistrelFile>& file)
{
    file_ = file;
    if (!file_) {
        stack_->setCurrentWidget(empty_);
        return;
    }
    thumbnail_->setPath(file_->id);
    const QString name = QString::fromUtf8(file_->name.data(), static_cast<qsizetype>(file_->name.size()));
    name_->setText(name);
    name_->setToolTip(name);
    name_->setAccessibleName(name);
    path_->setText(QString::fromUtf8(file_->id.data(), static_cast<qsizetype>(file_->id.size())));
    stack_->setCurrentIndex(1);
}

bool ExplorerDetailsContentView::showsEmptyState() const
{
    return stack_->currentWidget() == empty_;
}

} // namespace vistrel
