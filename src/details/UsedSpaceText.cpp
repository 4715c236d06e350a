#include "UsedSpaceText.h"

#include "filesystem/UsedSpace.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

#include <QStringList>

namespace vistrel {

QString UsedSpaceText::describe(const UsedSpace& space)
{
    QStringList parts;
    parts << QStringLiteral("%1 scanned").arg(Formats::byteCount(space.scanned));
    if (space.reserved > 0)
        parts << QStringLiteral("%1 reserved for the superuser").arg(Formats::byteCount(space.reserved));
    if (space.deletedOpen.value_or(0) > 0)
        parts << QStringLiteral("%1 in deleted files still open").arg(Formats::byteCount(*space.deletedOpen));
    // What nothing outside the file system can see: its own metadata, folders not read.
    // A negative rest (hard links across the root, files written since) is not worth a word.
    if (space.rest() > 0)
        parts << QStringLiteral("%1 of file-system metadata, unreadable folders and what changed since the scan")
                     .arg(Formats::byteCount(space.rest()));
    QString text = QStringLiteral("Used %1: %2.").arg(Formats::byteCount(space.used), parts.join(QStringLiteral(", ")));
    if (!space.mountedInside.empty()) {
        QStringList mounts;
        for (const auto& mount : space.mountedInside)
            mounts << QStringLiteral("%1 (%2, %3 used)")
                          .arg(DisplayName::of(mount.mountPoint), DisplayName::of(mount.type),
                               Formats::byteCount(mount.used));
        text += QStringLiteral(" Not counted here, as other file systems: %1.").arg(mounts.join(QStringLiteral(", ")));
    }
    return text;
}

} // namespace vistrel
