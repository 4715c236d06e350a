#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace vistrel {

class EarlierSnapshotsView;
class ScanScreenModel;
class UsageBar;

// The scan screen: the volume's figures and usage, "Open previous snapshot", the storage
// choice, "Scan"/"Cancel" and the progress. It shows the model and holds no logic.
class VistrelScanView : public QWidget {
    Q_OBJECT
public:
    explicit VistrelScanView(ScanScreenModel* model, QWidget* parent = nullptr);

    QPushButton* mainButton() const { return mainButton_; }
    QPushButton* openPreviousButton() const { return openPrevious_; }
    QCheckBox* storeOnDisk() const { return storeOnDisk_; }
    QProgressBar* progressBar() const { return progress_; }
    EarlierSnapshotsView* earlierSnapshots() const { return earlier_; }
    QLabel* snapshotSummary() const { return summary_; }

private:
    void update();

    ScanScreenModel* model_;
    class VolumeListView* volumes_;
    QLabel* volumeName_;
    QLabel* volumeFormat_;
    QLabel* volumeFiles_;
    QLabel* volumeCapacity_;
    QWidget* usagePanel_ = nullptr;
    UsageBar* usage_;
    QLabel* used_;
    QLabel* free_;
    QLabel* usedSpace_;
    QLabel* problem_;
    QPushButton* deleteStore_;
    QPushButton* openPrevious_;
    QLabel* summary_;
    EarlierSnapshotsView* earlier_;
    QCheckBox* storeOnDisk_;
    QPushButton* mainButton_;
    QStackedWidget* progressRow_;
    QProgressBar* progress_;
    QLabel* progressCounts_;
    QProgressBar* cancelling_;
};

} // namespace vistrel
