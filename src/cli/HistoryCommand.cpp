#include "Commands.h"
#include "JsonWriter.h"
#include "TerminalText.h"

#include "filesystem/FileUrl.h"
#include "history/SnapshotHistory.h"
#include "services/Formats.h"
#include "store/VistrelModelContainer.h"

#include <QDateTime>

#include <cstdio>
#include <sys/stat.h>

namespace vistrel::cli {

namespace {

std::string json(const SnapshotHistory::Snapshot& snapshot)
{
    const auto& facts = snapshot.facts;
    JsonWriter writer;
    writer.beginObject().string("location", snapshot.location).boolean("current", snapshot.current);
    if (snapshot.root)
        writer.string("root", *snapshot.root);
    else
        writer.null("root");
    writer.integer("startedAt", facts ? std::optional(facts->startedAt) : std::nullopt)
        .integer("endedAt", facts ? std::optional(facts->endedAt) : std::nullopt)
        .integer("entryCount", facts ? std::optional(facts->entryCount) : std::nullopt)
        .integer("volumeUsedBytes", facts ? facts->volumeUsedBytes : std::nullopt)
        .integer("bytesOnDisk", snapshot.bytesOnDisk);
    if (snapshot.problem)
        writer.string("problem", *snapshot.problem);
    writer.endObject();
    return writer.text();
}

std::string line(const SnapshotHistory::Snapshot& snapshot)
{
    const auto& facts = snapshot.facts;
    const std::string when = facts
        ? QDateTime::fromSecsSinceEpoch(facts->endedAt).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString()
        : std::string("unknown date");
    const std::string items = facts ? Formats::groupedCount(facts->entryCount).toStdString() + " items" : "";
    std::string text = when;
    text.resize(std::max<std::size_t>(text.size(), 17), ' ');
    char figures[80];
    std::snprintf(figures, sizeof figures, "%16s %10s  %-8s", items.c_str(),
                  Formats::byteCount(snapshot.bytesOnDisk).toStdString().c_str(), snapshot.current ? "current" : "");
    text += figures;
    text += terminalText(snapshot.location);
    if (snapshot.problem)
        text += "  (" + terminalText(*snapshot.problem) + ")";
    return text;
}

} // namespace

// The current snapshot of a scan root (or of a store file) and the earlier ones kept beside it.
const CommandLine::Spec historyCommandLine{"history",
                                           {{"--root", "DIR", false, 1}, {"--store", "FILE", false, 1}, {"--json"}},
                                           {}};

int runHistory(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto parsed = CommandLine::parse(historyCommandLine, arguments, &problem);
    if (!parsed)
        return usageError(problem);
    const bool json = parsed->has("--json");
    std::optional<std::string> root, store;
    if (const auto given = parsed->value("--root"))
        root = FileUrl::directory(absolutePath(*given)).path();
    if (const auto given = parsed->value("--store"))
        store = absolutePath(*given);
    std::string location = store.value_or(std::string());
    if (!store) {
        try {
            location = VistrelModelContainer::checkedOnDiskStoreLocation(root.value_or("/"), false);
        } catch (const std::exception& error) {
            return failure(error.what());
        }
    }
    struct stat status { };
    if (::stat(location.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return failure(terminalText(location) + " is a folder, not a snapshot store");
    const auto snapshots = SnapshotHistory::list(location);
    if (snapshots.empty())
        return failure("no snapshot store at " + terminalText(location) + " (run vistrel-cli scan first)");
    if (snapshots.front().current && snapshots.front().problem)
        return failure(terminalText(location)
                       + " is not a snapshot store: " + terminalText(*snapshots.front().problem));
    for (const auto& snapshot : snapshots)
        std::printf("%s\n", json ? cli::json(snapshot).c_str() : line(snapshot).c_str());
    return exitSuccess;
}

} // namespace vistrel::cli
