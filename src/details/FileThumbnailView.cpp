#include "FileThumbnailView.h"

#include "FileIcons.h"

namespace vistrel {

FileThumbnailView::FileThumbnailView(std::string path, int size, QWidget* parent)
    : QLabel(parent)
    , path_(std::move(path))
    , size_(size)
{
    setFixedSize(size, size);
    setAlignment(Qt::AlignCenter);
    load();
}

void FileThumbnailView::setPath(std::string path)
{
    if (path == path_)
        return;
    path_ = std::move(path);
    load();
}

void FileThumbnailView::load()
{
    const QPixmap picture = FileIcons::picture(path_, size_, devicePixelRatioF());
    setPixmap(picture.isNull() ? FileIcons::placeholder(size_, devicePixelRatioF()) : picture);
}

} // namespace vistrel
