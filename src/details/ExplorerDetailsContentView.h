#pragma once

#include "store/VistrelFile.h"

#include <QWidget>

#include <optional>

class QLabel;
class QStackedLayout;

namespace vistrel {

class EmptyStateView;
class FileThumbnailView;

// The details pane of an explorer screen: the selected item, or the empty state
// "Details View" while nothing is selected.
class ExplorerDetailsContentView : public QWidget {
    Q_OBJECT
public:
    explicit ExplorerDetailsContentView(QWidget* parent = nullptr);

    void setFile(const std::optional<VistrelFile>& file);
    const std::optional<VistrelFile>& file() const { return file_; }
    bool showsEmptyState() const;

private:
    std::optional<VistrelFile> file_;
    QStackedLayout* stack_;
    EmptyStateView* empty_;
    FileThumbnailView* thumbnail_;
    QLabel* name_;
    QLabel* path_;
};

} // namespace vistrel
