#pragma once

#include <QStackedWidget>

#include <functional>
#include <memory>

namespace vistrel {

class AppNavigationSplitView;
class CleanupModel;
class ComparisonModel;
class Preferences;
class ScanScreenModel;
class StoreContainer;
class VistrelScanView;

// The window's content: the scan screen while no snapshot is open, the explorer's shell while
// one is. It holds the open snapshot and is the one place that drops it; switching discards
// the other side's state (a fresh scan screen, or a fresh navigation and explorer).
class VistrelView : public QStackedWidget {
    Q_OBJECT
public:
    // `scanRoot` is what the scan screen scans ("/"; a small tree in tests).
    VistrelView(Preferences* preferences, std::string scanRoot = "/", QWidget* parent = nullptr);

    bool hasSnapshot() const { return container_ != nullptr; }
    const std::shared_ptr<StoreContainer>& container() const { return container_; }
    // Shows the explorer on `container`.
    // `scanNote`: what the scan that made it could not do beside it, said in the explorer.
    void open(std::shared_ptr<StoreContainer> container, QString scanNote = {});
    // The close-snapshot action: back to a fresh scan screen, on the root it closed.
    void closeSnapshot();
    // File > Scan Again: the snapshot closed and its root scanned anew.
    void scanAgain();

    AppNavigationSplitView* shell() const { return shell_; }
    // Cleanup on the open snapshot (Edit > Move to Trash, …); none on the scan screen.
    CleanupModel* cleanup() const { return cleanup_; }
    // Which earlier snapshot the open one is compared with; none on the scan screen.
    ComparisonModel* comparison() const { return comparison_; }
    // What the window adds to every item's context menu, for snapshots opened from now on.
    void setItemMenuExtension(std::function<void(QMenu*, const std::string&)> extend)
    {
        extendItemMenu_ = std::move(extend);
    }
    ScanScreenModel* scanScreenModel() const { return scanModel_; }
    VistrelScanView* scanScreen() const { return scanView_; }

Q_SIGNALS:
    // The side shown changed (and so whether a snapshot is open).
    void contentChanged();

private:
    void showScanScreen();
    // Opens the store file again, read-only, after a read of it failed.
    void reopen(const std::string& location);
    void clear();

    Preferences* preferences_;
    std::string scanRoot_;
    std::shared_ptr<StoreContainer> container_;
    ScanScreenModel* scanModel_ = nullptr;
    VistrelScanView* scanView_ = nullptr;
    AppNavigationSplitView* shell_ = nullptr;
    CleanupModel* cleanup_ = nullptr;
    ComparisonModel* comparison_ = nullptr;
    std::function<void(QMenu*, const std::string&)> extendItemMenu_;
};

} // namespace vistrel
