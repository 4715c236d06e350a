#pragma once

#include <QWidget>

#include <string>
#include <vector>

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
    // Home Folder and the folders scanned lately: a click or Return scans one at once.
    QListWidget* places() const { return places_; }
    QPushButton* scanFolderButton() const { return scanFolder_; }

    // Follows the model: the list when it arrives, the selection, and whether it can change.
    void update();

private:
    void rebuild();
    void chooseFolder();

    ScanScreenModel* model_;
    void rebuildPlaces();

    QListWidget* list_;
    QListWidget* places_;
    QPushButton* scanFolder_;
    std::vector<std::string> shownPlaces_;
    std::size_t shownCount_ = 0;
};

} // namespace vistrel
