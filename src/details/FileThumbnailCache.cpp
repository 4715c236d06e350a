#include "FileThumbnailCache.h"

#include <charconv>

namespace vistrel {

namespace {

// The shortest exact decimal form, with at least one digit after the point: 16.0, 12.5.
QString number(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return QString::fromStdString(text);
}

} // namespace

FileThumbnailCache::FileThumbnailCache()
    : pictures_(maximumEntries)
{
}

FileThumbnailCache& FileThumbnailCache::shared()
{
    static FileThumbnailCache instance; // thread-safe one-time initialisation
    return instance;
}

QString FileThumbnailCache::key(const std::string& url, double width, double height)
{
    const QString text = QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()));
    if (!url.empty() && url.back() == '/')
        return text;
    return number(width) + QLatin1Char('x') + number(height) + QLatin1Char('-') + text;
}

std::optional<QPixmap> FileThumbnailCache::find(const QString& key)
{
    std::lock_guard lock(mutex_);
    if (const QPixmap* picture = pictures_.object(key))
        return *picture;
    return std::nullopt;
}

void FileThumbnailCache::insert(const QString& key, const QPixmap& picture)
{
    std::lock_guard lock(mutex_);
    pictures_.insert(key, new QPixmap(picture));
}

int FileThumbnailCache::count()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(pictures_.count());
}

} // namespace vistrel
