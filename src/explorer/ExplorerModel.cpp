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

bool ExplorerModel::canSetAsCurrent(const ItemUrl& url) const
{
    return url.hasDirectoryPath() && url.path != currentPath_.path() && url.isFile();
}

} // namespace vistrel
