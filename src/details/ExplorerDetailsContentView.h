#pragma once

#include "ItemDetails.h"

#include "services/LifetimeToken.h"
#include "store/VistrelFile.h"

#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QStackedLayout;

namespace vistrel {

class EmptyStateView;
class ExplorerDetailsView;
class Preferences;

// The details pane of an explorer screen: the selected item's details, or the empty state
// "Details View" while nothing is selected. The file system is read off the main thread, one
// item at a time: while a read runs, a newer selection waits and those it replaced are never
// read, so moving quickly through a list reads only where the selection settles.
class ExplorerDetailsContentView : public QWidget {
    Q_OBJECT
public:
    explicit ExplorerDetailsContentView(Preferences* preferences = nullptr, QWidget* parent = nullptr);
    ~ExplorerDetailsContentView() override;

    void setFile(const std::optional<VistrelFile>& file);
    // A line above the panel: the item's figures against an earlier snapshot (empty hides it).
    void setComparisonText(const QString& text);
    QLabel* comparisonLine() const { return comparison_; }
    const std::optional<VistrelFile>& file() const { return file_; }
    bool showsEmptyState() const;
    // The panel of the item shown, once its details are read.
    ExplorerDetailsView* detailsView() const { return details_; }
    // How many file-system reads this pane has started (tests).
    int readsStarted() const { return readsStarted_; }

Q_SIGNALS:
    void detailsShown();

private:
    void startRead();
    void show(ItemDetails details);

    Preferences* preferences_;
    std::optional<VistrelFile> file_;
    QStackedLayout* stack_;
    EmptyStateView* empty_;
    QLabel* comparison_;
    ExplorerDetailsView* details_ = nullptr;
    // The item being read; absent while no read runs.
    std::optional<std::string> readingId_;
    int readsStarted_ = 0;
    LifetimeToken lifetime_;
};

} // namespace vistrel
