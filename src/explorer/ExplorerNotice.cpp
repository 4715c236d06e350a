#include "ExplorerNotice.h"

#include "services/DisplayName.h"
#include "services/Translations.h"

#include <QCoreApplication>

namespace vistrel {

namespace {

// `first` before `rest`, a space between them when both say something.
QString joined(const QString& first, const QString& rest)
{
    if (first.isEmpty())
        return rest;
    return rest.isEmpty() ? first : first + QLatin1Char(' ') + rest;
}

} // namespace

ExplorerNotice ExplorerNotice::compose(const ExplorerEnvironment& environment, bool atScanRoot)
{
    ExplorerNotice notice;
    QString text;
    if (!environment.scanFinished)
        text = QStringLiteral("This snapshot is incomplete: its scan did not finish.");
    else if (environment.unreadableDirectories.value_or(0) > 0)
        text = QCoreApplication::translate(
            "Explorer", "%n folders could not be read during the scan and are left out of the totals.", nullptr,
            Translations::count(*environment.unreadableDirectories));
    const auto& unmeasured = environment.unmeasuredFolders;
    QStringList names;
    if (environment.scanFinished && unmeasured && !text.isEmpty())
        for (const auto& folder : unmeasured->unreadableFolders()) {
            names << DisplayName::of(folder.path);
            notice.unreadableFolders << DisplayName::of(folder.path)
                    + (folder.reason.empty() ? QString() : QStringLiteral(" — ") + DisplayName::of(folder.reason));
        }
    notice.namesOnlySome = names.size() > namedFolders;
    if (!names.isEmpty())
        text += QLatin1Char(' ') + names.mid(0, namedFolders).join(QStringLiteral(", "))
            + (notice.namesOnlySome ? QStringLiteral(", …") : QStringLiteral("."));
    if (atScanRoot && unmeasured && !unmeasured->exclusionPatterns().empty()) {
        QStringList patterns;
        for (const std::string& pattern : unmeasured->exclusionPatterns())
            patterns << DisplayName::of(pattern);
        text = joined(
            text,
            QStringLiteral("Folders matching %1 were left out of this scan.").arg(patterns.join(QStringLiteral(", "))));
    }
    if (atScanRoot)
        text = joined(environment.scanNote, text);
    if (!environment.importedFrom.isEmpty())
        text = joined(QStringLiteral("This snapshot was read from an export made by %1: it may describe another "
                                     "machine, so nothing can be cleaned up from it.")
                          .arg(environment.importedFrom),
                      text);
    if (!environment.earlierSnapshotDate.isEmpty())
        text = joined(QStringLiteral("This is an earlier snapshot, of %1: it shows the disk as it was then, and "
                                     "nothing can be cleaned up from it.")
                          .arg(environment.earlierSnapshotDate),
                      text);
    notice.text = text;
    return notice;
}

} // namespace vistrel
