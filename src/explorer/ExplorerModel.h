#pragma once

#include "ItemUrl.h"

#include "store/VistrelFile.h"

#include <QObject>

#include <optional>

namespace vistrel {

// The state one explorer screen's table, search, path bar and details share. Its current
// directory is fixed for the screen's life: moving elsewhere pushes a new screen.
class ExplorerModel : public QObject {
    Q_OBJECT
public:
    ExplorerModel(FileUrl root, std::optional<FileUrl> selection, QObject* parent = nullptr);

    const FileUrl& currentPath() const { return currentPath_; }
    const std::optional<FileUrl>& selection() const { return selection_; }

    const std::optional<VistrelFile>& selectedDetailsFile() const { return selectedDetailsFile_; }
    void setSelectedDetailsFile(std::optional<VistrelFile> file);

    // Whether a new screen may be rooted at `url`: a directory of the snapshot other than this one.
    bool canSetAsCurrent(const ItemUrl& url) const;

Q_SIGNALS:
    void selectedDetailsFileChanged();

private:
    FileUrl currentPath_{"/"};
    std::optional<FileUrl> selection_;
    std::optional<VistrelFile> selectedDetailsFile_;
};

} // namespace vistrel
