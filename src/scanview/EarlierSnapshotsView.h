#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace vistrel {

class ScanScreenModel;

// "Earlier snapshots" on the scan screen: the snapshots kept from earlier scans of the root
// (date, items, size on disk), each to open or delete. Return or a double click opens one,
// Delete deletes it after asking.
class EarlierSnapshotsView : public QWidget {
    Q_OBJECT
public:
    explicit EarlierSnapshotsView(ScanScreenModel* model, QWidget* parent = nullptr);

    // Lists the model's snapshots again.
    void update();
    QTreeWidget* list() const { return list_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* deleteButton() const { return delete_; }

private:
    int selectedIndex() const;
    void openSelected();
    void deleteSelected();

    ScanScreenModel* model_;
    QTreeWidget* list_;
    QPushButton* open_;
    QPushButton* delete_;
    std::vector<std::string> shown_; // the locations listed, so that an unchanged list keeps its state
};

} // namespace vistrel
