#include "FileIcons.h"

#include "FileThumbnailCache.h"
#include "SymbolIconEngine.h"

#include "services/Log.h"

#include <QApplication>

#include <algorithm>

#include <QDir>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

// Resources of a static library are registered by name, outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace vistrel {

namespace {

QString freedesktopName(const QString& symbol)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("doc"), QStringLiteral("text-x-generic")},
        {QStringLiteral("info.circle"), QStringLiteral("dialog-information")},
        {QStringLiteral("eye"), QStringLiteral("view-reveal-symbolic")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("edit-find")},
        {QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic")},
        {QStringLiteral("back"), QStringLiteral("go-previous")},
    };
    return names.value(symbol, symbol);
}

QStyle::StandardPixmap styleFallback(const QString& symbol)
{
    if (symbol == QLatin1String("folder"))
        return QStyle::SP_DirIcon;
    if (symbol == QLatin1String("info.circle"))
        return QStyle::SP_MessageBoxInformation;
    if (symbol == QLatin1String("chevron.right"))
        return QStyle::SP_ArrowRight;
    if (symbol == QLatin1String("back"))
        return QStyle::SP_ArrowBack;
    return QStyle::SP_FileIcon;
}

} // namespace

void FileIcons::prepareTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    const QStringList dirs = dataDirs.isEmpty()
        ? QStringList{QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")}
        : QString::fromLocal8Bit(dataDirs).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        const QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists())
            paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
    // Icons the platform's theme lacks come from a full theme, never from Qt's own drawings.
    for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("breeze")}) {
        if (QDir(QStringLiteral("/usr/share/icons/") + theme).exists()) {
            QIcon::setFallbackThemeName(theme);
            break;
        }
    }
    if (!QIcon::hasThemeIcon(QStringLiteral("folder"))) {
        for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("breeze"), QStringLiteral("hicolor")}) {
            QIcon::setThemeName(theme);
            if (QIcon::hasThemeIcon(QStringLiteral("folder")))
                break;
        }
    }
}

QIcon FileIcons::icon(const std::string& path)
{
    if (!path.empty() && path.back() == '/')
        return symbol(QStringLiteral("folder"));
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    // Types by name go by the extension: one lookup per extension, not per file (a lookup
    // takes long enough that a screen of new rows would stall the window).
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    const QString kind = dot > 0 ? text.mid(dot).toLower() : text;
    static QHash<QString, QIcon> icons;
    if (const auto found = icons.constFind(kind); found != icons.constEnd())
        return *found;
    static QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(text, QMimeDatabase::MatchExtension);
    QIcon icon;
    // A type's own icon may be missing where its generic one exists (image-png, image-x-generic).
    for (const QString& iconName : {type.iconName(), type.genericIconName(), QStringLiteral("text-x-generic")}) {
        if (!iconName.isEmpty() && QIcon::hasThemeIcon(iconName)) {
            icon = QIcon::fromTheme(iconName);
            break;
        }
    }
    if (icon.isNull())
        Log::debug(LogCategory::app, "failed to load thumbnail for file://" + path + ": no icon for its type");
    if (icons.size() < 4096)
        icons.insert(kind, icon);
    return icon;
}

QPixmap FileIcons::picture(const std::string& path, int size, qreal devicePixelRatio)
{
    // A directory's picture serves every size, so it is kept large and scaled to fit.
    const bool directory = !path.empty() && path.back() == '/';
    const int made = directory ? std::max(size, 64) : size;
    const auto fitted = [&](const QPixmap& picture) {
        if (picture.isNull() || picture.deviceIndependentSize().width() <= size)
            return picture;
        // Every directory shows the same picture: its scaled copies are made once per size.
        static QHash<QPair<qint64, int>, QPixmap> scaledCopies;
        QPixmap& scaled = scaledCopies[{picture.cacheKey(), size}];
        if (scaled.isNull()) {
            scaled
                = picture.scaled(QSize(size, size) * devicePixelRatio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            scaled.setDevicePixelRatio(devicePixelRatio);
        }
        return scaled;
    };
    const QString key = FileThumbnailCache::key("file://" + path, size, size);
    if (auto cached = FileThumbnailCache::shared().find(key))
        return fitted(*cached);
    const QIcon icon = FileIcons::icon(path);
    if (!icon.isNull()) {
        // Files of one type share one rendering: only the cache entry is per item.
        static QHash<QString, QPixmap> renderings;
        QPixmap& rendering = renderings[icon.name() + QLatin1Char('@') + QString::number(made) + QLatin1Char('x')
                                        + QString::number(devicePixelRatio)];
        if (rendering.isNull())
            rendering = icon.pixmap(QSize(made, made), devicePixelRatio);
        FileThumbnailCache::shared().insert(key, rendering);
        return fitted(rendering);
    }
    // Not cached: the next showing asks again (the type's lookup is, and was logged once).
    return {};
}

QPixmap FileIcons::placeholder(int size, qreal devicePixelRatio)
{
    static QHash<QString, QPixmap> made; // one per size: rows without an icon ask for it often
    QPixmap& faint = made[QString::number(size) + QLatin1Char('@') + QString::number(devicePixelRatio)];
    if (!faint.isNull())
        return faint;
    faint = QPixmap(QSize(size, size) * devicePixelRatio);
    faint.setDevicePixelRatio(devicePixelRatio);
    faint.fill(Qt::transparent);
    QPainter painter(&faint);
    painter.setOpacity(0.1);
    painter.drawPixmap(0, 0, symbol(QStringLiteral("doc")).pixmap(QSize(size, size), devicePixelRatio));
    return faint;
}

QIcon FileIcons::applicationIcon()
{
    static const bool registered = (registerIconResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/icons/org.vistrel.Vistrel.png"));
}

QIcon FileIcons::symbol(const QString& name)
{
    const QString themeName = freedesktopName(name);
    const QIcon themed = QIcon::fromTheme(themeName);
    // Symbolic icons are drawn dark gray: painted in the text colour they show on any style.
    if (!themed.isNull() && themeName.endsWith(QLatin1String("-symbolic")))
        return QIcon(new SymbolIconEngine(themed));
    if (!themed.isNull())
        return themed;
    return qApp ? QApplication::style()->standardIcon(styleFallback(name)) : QIcon();
}

} // namespace vistrel
