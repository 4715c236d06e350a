#include "Commands.h"
#include "JsonWriter.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "history/SnapshotDiff.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "services/Formats.h"
#include "store/SnapshotCompletion.h"

#include <cstdio>
#include <cstdlib>

namespace vistrel::cli {

namespace {

std::string sizeText(const std::optional<std::int64_t>& size)
{
    return size ? Formats::byteCount(*size).toStdString() : "-";
}

std::string changeText(const SnapshotDiff::Change& change)
{
    if (!change.before)
        return "new";
    if (!change.after)
        return "removed";
    const std::int64_t difference = change.change();
    return (difference < 0 ? "-" : "+")
        + Formats::byteCount(static_cast<std::int64_t>(change.magnitude())).toStdString();
}

std::string json(const SnapshotDiff::Change& change)
{
    JsonWriter writer;
    writer.beginObject()
        .string("id", change.id)
        .string("name", change.name)
        .integer("level", change.level)
        .integer("before", change.before)
        .integer("after", change.after)
        .integer("change", change.change())
        .integer("fileCountBefore", change.before ? change.fileCountBefore : std::nullopt)
        .integer("fileCountAfter", change.after ? change.fileCountAfter : std::nullopt)
        .endObject();
    return writer.text();
}

} // namespace

// The items whose size changed most between two snapshots of one root.
const CommandLine::Spec diffCommandLine{"diff", {{"--under", "DIR"}, {"-n", "N"}, {"--json"}}, {"OLD", "NEW"}, true};

int runDiff(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(diffCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::vector<std::string>& stores = line->operands();
    const bool json = line->has("--json");
    std::optional<std::string> under;
    if (const auto given = line->value("--under"))
        under = absolutePath(*given);
    long long count = 20;
    if (const auto text = line->value("-n")) {
        char* end = nullptr;
        count = std::strtoll(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || count < 0 || count > 1000)
            return usageError("diff: -n takes a number from 1 to 1000, or 0 for every change");
    }
    const auto before = SnapshotOutput::openExisting(stores[0]);
    if (!before)
        return exitFailure;
    const auto after = SnapshotOutput::openExisting(stores[1]);
    if (!after)
        return exitFailure;
    try {
        const auto beforeRoot = SnapshotCompletion::scanRoot(*before);
        const auto afterRoot = SnapshotCompletion::scanRoot(*after);
        if (beforeRoot && afterRoot && *beforeRoot != *afterRoot)
            return failure("the snapshots are of different folders: " + terminalText(*beforeRoot) + " and "
                           + terminalText(*afterRoot));
        const FileUrl directory = FileUrl::directory(under.value_or(afterRoot.value_or("/")));
        auto beforeContext = before->makeContext();
        auto afterContext = after->makeContext();
        beforeContext->setPageCacheLimit(SnapshotDiff::streamingCacheKibibytes);
        afterContext->setPageCacheLimit(SnapshotDiff::streamingCacheKibibytes);
        const auto print = [json](const SnapshotDiff::Change& change) {
            if (json)
                std::printf("%s\n", cli::json(change).c_str());
            else
                std::printf("%12s %12s %12s  %s\n", changeText(change).c_str(), sizeText(change.before).c_str(),
                            sizeText(change.after).c_str(), terminalText(change.id).c_str());
        };
        if (count == 0) {
            // Every change as it is met, shallowest first; the count comes last.
            const std::int64_t total = SnapshotDiff::every(directory, *beforeContext, *afterContext, print);
            if (json)
                std::printf("{\"total\": %lld}\n", static_cast<long long>(total));
            else
                std::printf("All %lld changes under %s\n", static_cast<long long>(total),
                            terminalText(directory.path()).c_str());
            return std::fflush(stdout) == 0 ? exitSuccess : failure("cannot write the changes");
        }
        const auto result
            = SnapshotDiff::biggest(directory, *beforeContext, *afterContext, static_cast<std::size_t>(count));
        if (json)
            std::printf("{\"total\": %lld}\n", static_cast<long long>(result.total));
        for (const SnapshotDiff::Change& change : result.changes)
            print(change);
        if (!json)
            std::printf("The %lld biggest of %lld changes under %s\n", static_cast<long long>(result.changes.size()),
                        static_cast<long long>(result.total), terminalText(directory.path()).c_str());
    } catch (const std::exception& error) { // store errors, and anything a damaged store provokes
        return failure(std::string("cannot read the snapshot: ") + error.what());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
