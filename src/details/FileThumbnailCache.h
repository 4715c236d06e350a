#pragma once

#include <QCache>
#include <QPixmap>
#include <QString>

#include <mutex>
#include <optional>
#include <string>

namespace vistrel {

// The process-wide cache of item pictures: at most 1024, keyed as the size and the URL for
// files ("16.0x16.0-file:///a/b.txt") and the URL alone for directories, whose picture
// serves every size. Safe from any thread.
class FileThumbnailCache {
public:
    static constexpr int maximumEntries = 1024;

    static FileThumbnailCache& shared();

    // `url` is the item's absolute URL text; a directory's ends with '/'.
    static QString key(const std::string& url, double width, double height);

    std::optional<QPixmap> find(const QString& key);
    void insert(const QString& key, const QPixmap& picture);
    int count();

private:
    FileThumbnailCache();
    std::mutex mutex_;
    QCache<QString, QPixmap> pictures_;
};

} // namespace vistrel
