#pragma once

#include <QIcon>
#include <QPixmap>

#include <string>

namespace vistrel {

// Item pictures from the desktop icon theme, decided by name alone (a row's icon never
// reads the file): the folder icon for directories, the MIME type's icon for the rest.
class FileIcons {
public:
    // Makes the freedesktop icon theme reachable where the platform gives none (Xvfb, the
    // offscreen platform): search paths from $XDG_DATA_DIRS, a full-colour fallback theme.
    static void prepareTheme();

    // The picture of `path` (a directory's ends with '/') at `size` device-independent
    // pixels, through the process-wide cache; null when no icon can be had.
    static QPixmap picture(const std::string& path, int size, qreal devicePixelRatio = 1.0);
    // The icon of a path, uncached.
    static QIcon icon(const std::string& path);
    // The faint "doc" placeholder shown when there is no picture (opacity 0.1).
    static QPixmap placeholder(int size, qreal devicePixelRatio = 1.0);
    // The application's own icon.
    static QIcon applicationIcon();
    // A named symbol ("folder", "doc", "info.circle", ...) from the theme, with a style fallback.
    static QIcon symbol(const QString& name);
};

} // namespace vistrel
