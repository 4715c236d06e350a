#include "CleanupSummary.h"

#include "filesystem/FileUrl.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

namespace vistrel {

namespace {

QString folderOf(const std::string& path)
{
    return DisplayName::of(FileUrl(path).parentDirectory().pathWithoutTrailingSeparator());
}

QString freeSpace(const CleanupModel::Report& report)
{
    if (!report.freeBefore || !report.freeAfter)
        return {};
    return QStringLiteral(" Free space: %1 before, %2 now.")
        .arg(Formats::byteCount(*report.freeBefore), Formats::byteCount(*report.freeAfter));
}

QString target(const std::vector<std::string>& paths)
{
    if (paths.size() == 1)
        return CleanupSummary::names(paths);
    return QStringLiteral("%1 Items").arg(Formats::groupedCount(static_cast<std::int64_t>(paths.size())));
}

} // namespace

QString CleanupSummary::names(const std::vector<std::string>& paths)
{
    QStringList shown;
    for (std::size_t index = 0; index < paths.size() && index < 3; ++index)
        shown << QStringLiteral("“%1”").arg(DisplayName::of(FileUrl(paths[index]).lastPathComponent()));
    QString text = shown.join(QStringLiteral(", "));
    if (paths.size() > 3)
        text += QStringLiteral(" and %1 more").arg(Formats::groupedCount(static_cast<std::int64_t>(paths.size() - 3)));
    return text;
}

QString CleanupSummary::moveToTrashLabel(const std::vector<std::string>& paths)
{
    return paths.empty() ? QStringLiteral("Move to &Trash") : QStringLiteral("Move %1 to &Trash").arg(target(paths));
}

QString CleanupSummary::deletePermanentlyLabel(const std::vector<std::string>& paths)
{
    return paths.empty() ? QStringLiteral("&Delete Permanently…")
                         : QStringLiteral("&Delete %1 Permanently…").arg(target(paths));
}

QString CleanupSummary::of(const CleanupModel::Report& report)
{
    QString text;
    const QString size = Formats::byteCount(report.bytes);
    if (!report.done.empty()) {
        const QString what = names(report.done);
        switch (report.action) {
        case CleanupModel::Action::moveToTrash:
            text = QStringLiteral("Moved %1 (%2) to the Trash in %3. The space is freed when the trash is emptied.")
                       .arg(what, size, DisplayName::of(report.trashFolder));
            break;
        case CleanupModel::Action::deletePermanently:
            text
                = QStringLiteral("Deleted %1 (%2) permanently from %3.").arg(what, size, folderOf(report.done.front()));
            break;
        case CleanupModel::Action::undoMoveToTrash:
            text = QStringLiteral("Put %1 (%2) back in %3.").arg(what, size, folderOf(report.done.front()));
            break;
        case CleanupModel::Action::rescanFolder:
            text = QStringLiteral("Rescanned %1.").arg(what);
            break;
        }
        if (report.action != CleanupModel::Action::rescanFolder)
            text += freeSpace(report);
    } else if (report.partly.empty()) {
        text = report.cancelled ? QStringLiteral("Cancelled; nothing was changed.")
                                : QStringLiteral("Nothing was changed.");
    }
    // A folder with something in it that could not go: what did go is said all the same.
    if (!report.partly.empty()) {
        text += (text.isEmpty() ? QString() : QStringLiteral(" "))
            + QStringLiteral("Deleted part of %1 permanently from %2; the rest is still there.")
                  .arg(names(report.partly), folderOf(report.partly.front()));
        if (report.done.empty())
            text += freeSpace(report);
    }
    const std::size_t failed = report.failures.size();
    if (failed == 1)
        text += QStringLiteral(" %1 could not be handled: %2.")
                    .arg(names({report.failures.front().path}), QString::fromStdString(report.failures.front().reason));
    else if (failed > 1)
        text += QStringLiteral(" %1 items could not be handled.")
                    .arg(Formats::groupedCount(static_cast<std::int64_t>(failed)));
    return text;
}

} // namespace vistrel
