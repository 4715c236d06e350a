#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

namespace vistrel {

class ScanScreenModel;

// The scan screen's choice of what to scan: the mounted volumes, each with its name, mount
// point, type and usage, and "Scan Folder…" (Ctrl+O) for any directory. It shows the
// model's list and selection and holds no logic.
class VolumeListView : public QWidget {
    Q_OBJECT
public:
    explicit VolumeListView(ScanScreenModel* model, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* scanFolderButton() const { return scanFolder_; }

    // Follows the model: the list when it arrives, the selection, and whether it can change.
    void update();

private:
    void rebuild();
    void chooseFolder();

    ScanScreenModel* model_;
    QListWidget* list_;
    QPushButton* scanFolder_;
    std::size_t shownCount_ = 0;
};

} // namespace vistrel
