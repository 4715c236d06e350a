#pragma once

#include "ItemUrl.h"
#include "SizeComparison.h"

#include "store/VistrelFile.h"

#include <QObject>

#include <optional>
#include <string>

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
    // Where a folder action (Rescan Folder, Open Terminal Here) acts: the selected folder,
    // else the one on screen.
    std::string selectedFolderOrCurrent() const;

    // The selected item's Size then and now, while the screen compares with an earlier
    // snapshot (also for an item only the earlier snapshot has).
    const std::optional<SizeComparison>& selectedComparison() const { return selectedComparison_; }
    void setSelectedComparison(std::optional<SizeComparison> comparison);

    // Whether a new screen may be rooted at `url`: a directory of the snapshot other than this one.
    bool canSetAsCurrent(const ItemUrl& url) const;

    // Why a read of the snapshot failed (damaged, or changed by another program); absent while
    // every read succeeded. The screen shows it instead of passing off a failure as empty.
    const std::optional<QString>& readFailure() const { return readFailure_; }
    void reportReadFailure(const std::string& description);

Q_SIGNALS:
    void selectedDetailsFileChanged();
    void selectedComparisonChanged();
    void readFailureChanged();

private:
    FileUrl currentPath_{"/"};
    std::optional<FileUrl> selection_;
    std::optional<VistrelFile> selectedDetailsFile_;
    std::optional<SizeComparison> selectedComparison_;
    std::optional<QString> readFailure_;
};

} // namespace vistrel
