#pragma once

#include <QLabel>

#include <string>

namespace vistrel {

// An item's picture at a fixed size: its icon from the cache, or the faint placeholder.
class FileThumbnailView : public QLabel {
    Q_OBJECT
public:
    FileThumbnailView(std::string path, int size, QWidget* parent = nullptr);

    void setPath(std::string path);
    const std::string& path() const { return path_; }

private:
    void load();

    std::string path_;
    int size_;
};

} // namespace vistrel
