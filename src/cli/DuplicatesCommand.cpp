#include "Commands.h"
#include "JsonWriter.h"
#include "ScanTerminal.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "duplicates/DuplicateFinder.h"
#include "duplicates/DuplicateFolders.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "services/Formats.h"
#include "store/VistrelFileSubtree.h"

#include <QVariantList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <unistd.h>

namespace vistrel::cli {

namespace {

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void print(const std::vector<DuplicateFinder::Group>& groups, bool json)
{
    std::int64_t wasted = 0;
    for (const DuplicateFinder::Group& group : groups) {
        wasted += group.wasted();
        if (json) {
            QVariantList paths;
            for (const std::string& path : group.paths)
                paths.push_back(bytes(path));
            JsonWriter object;
            object.beginObject()
                .integer("size", group.size)
                .integer("count", static_cast<std::int64_t>(group.paths.size()))
                .integer("wasted", group.wasted())
                .string("kind", group.folders ? "folders" : "files")
                .variant("paths", paths)
                .endObject();
            std::printf("%s\n", object.text().c_str());
            continue;
        }
        std::string line = Formats::byteCount(group.wasted()).toStdString() + " wasted by "
            + std::to_string(group.paths.size()) + (group.folders ? " folder copies of " : " copies of ")
            + Formats::byteCount(group.size).toStdString() + ":";
        for (const std::string& path : group.paths)
            line += "  " + terminalText(path);
        std::printf("%s\n", line.c_str());
    }
    if (json) {
        JsonWriter last;
        last.beginObject()
            .integer("groups", static_cast<std::int64_t>(groups.size()))
            .integer("wasted", wasted)
            .endObject();
        std::printf("%s\n", last.text().c_str());
    } else {
        std::printf("Groups of copies: %zu, wasting %s\n", groups.size(),
                    Formats::byteCount(wasted).toStdString().c_str());
    }
}

// The copies among the candidates, read on a thread of its own while this one shows the
// progress on a terminal and turns a signal into a cancel. Empty when cancelled.
std::optional<std::vector<DuplicateFinder::Group>> findWithProgress(
    const std::vector<DuplicateCandidates::SizeGroup>& candidates, HashCache* cache)
{
    installCancelSignals();
    DuplicateFinder::Progress progress;
    std::atomic<bool> cancelled{false};
    auto found = std::async(std::launch::async,
                            [&] { return DuplicateFinder::find(candidates, &progress, &cancelled, cache); });
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    while (found.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (receivedSignal() != 0)
            cancelled = true;
        if (terminal)
            std::fprintf(stderr, "\r\033[KReading %s of %s…",
                         Formats::byteCount(progress.bytesRead).toStdString().c_str(),
                         Formats::byteCount(progress.bytesToRead).toStdString().c_str());
    }
    if (terminal)
        std::fprintf(stderr, "\r\033[K");
    auto groups = found.get();
    if (receivedSignal() != 0)
        return std::nullopt;
    return groups;
}

} // namespace

// The files under a directory that are copies of one another, told by content.
const CommandLine::Spec duplicatesCommandLine{
    "duplicates",
    {{"--store", "FILE"}, {"--under", "DIR"}, {"--min-size", "N"}, {"--json"}},
    {}};

int runDuplicates(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(duplicatesCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    long long minimumSize = 1;
    if (const auto text = line->value("--min-size")) {
        char* end = nullptr;
        minimumSize = std::strtoll(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || minimumSize < 0)
            return usageError("duplicates: --min-size takes a number of bytes");
    }
    const bool json = line->has("--json");
    int cancelledBy = 0;
    const int status
        = SnapshotOutput::readUnder(*line, "cannot read the snapshot", [&](const FileUrl& root, StoreContext& context) {
              // The hashes of files read before, kept beside a snapshot on disk.
              const std::string& store = context.container().configuration().fileLocation;
              HashCache cache;
              if (!store.empty())
                  cache.load(store + ".hashes");
              auto found = findWithProgress(DuplicateCandidates::read(root, minimumSize, context), &cache);
              if (found && !store.empty() && !cache.save(store + ".hashes"))
                  std::fprintf(stderr, "vistrel-cli: cannot keep the hashes beside the snapshot\n");
              if (!found) {
                  cancelledBy = receivedSignal();
                  return;
              }
              auto files = std::move(*found);
              std::vector<std::string> items;
              if (!files.empty())
                  for (VistrelFileSubtree::Item& item : VistrelFileSubtree::read(root, context))
                      items.push_back(std::move(item.id));
              print(DuplicateFolders::fold(std::move(files), items), json);
          });
    if (cancelledBy != 0) {
        std::fprintf(stderr, "vistrel-cli: duplicates cancelled\n");
        return 128 + cancelledBy;
    }
    return status;
}

} // namespace vistrel::cli
