#pragma once

#include "ExplorerEnvironment.h"

#include <QString>
#include <QStringList>

namespace vistrel {

// What the notice above an explorer screen says of its snapshot: incomplete, folders left
// unread or out, an earlier or imported snapshot, what the scan could not do. Widget-free.
struct ExplorerNotice {
    QString text; // empty: no notice
    // Every unreadable folder with its reason, one a line, for the full list.
    QStringList unreadableFolders;
    // The text names only the first few unreadable folders: the full list is one click away.
    bool namesOnlySome = false;

    static constexpr int namedFolders = 3;

    // `atScanRoot`: the screen shows the folder the snapshot was scanned from, where what was
    // left out of the whole scan is said (below, the left-out rows say it themselves).
    static ExplorerNotice compose(const ExplorerEnvironment& environment, bool atScanRoot);
};

} // namespace vistrel
