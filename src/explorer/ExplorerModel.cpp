#include "ExplorerModel.h"

#include "services/Log.h"

namespace vistrel {

ExplorerModel::ExplorerModel(FileUrl root, std::optional<FileUrl> selection, QObject* parent)
    : QObject(parent)
{
    Log::debug(LogCategory::app, "init ExplorerModel for " + root.path());
    currentPath_ = std::move(root);
    selection_ = std::move(selection);
}

void ExplorerModel::setSelectedDetailsFile(std::optional<VistrelFile> file)
{
    if (!file && !selectedDetailsFile_)
        return;
    selectedDetailsFile_ = std::move(file);
    Q_EMIT selectedDetailsFileChanged();
}

void ExplorerModel::setSelectedComparison(std::optional<SizeComparison> comparison)
{
    if (!comparison && !selectedComparison_)
        return;
    selectedComparison_ = comparison;
    Q_EMIT selectedComparisonChanged();
}

void ExplorerModel::reportReadFailure(const std::string& description)
{
    Log::error(LogCategory::app, "cannot read the snapshot: " + description);
    const QString text = QString::fromUtf8(description.data(), static_cast<qsizetype>(description.size()));
    if (readFailure_ == text)
        return;
    readFailure_ = text;
    Q_EMIT readFailureChanged();
}

std::string ExplorerModel::selectedFolderOrCurrent() const
{
    if (selectedDetailsFile_ && FileUrl(selectedDetailsFile_->id).isDirectory())
        return selectedDetailsFile_->id;
    return currentPath_.path();
}

bool ExplorerModel::canSetAsCurrent(const ItemUrl& url) const
{
    return url.hasDirectoryPath() && url.path != currentPath_.path() && url.isFile();
}

} // namespace vistrel
