#include "Commands.h"
#include "SnapshotOutput.h"

#include "JsonWriter.h"
#include "TerminalText.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "store/OtherFiles.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"

#include <cstdio>

namespace vistrel::cli {

const CommandLine::Spec listCommandLine{"ls", {{"--store", "FILE"}, {"--json"}}, {"[DIR]"}};

int runList(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(listCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> store = line->value("--store");
    const bool json = line->has("--json");
    const FileUrl url = FileUrl::directory(line->operands().empty() ? "/" : absolutePath(line->operands().front()));
    const auto container = SnapshotOutput::openExisting(store, url.path());
    if (!container)
        return exitFailure;
    try {
        auto context = container->makeContext();
        const auto children = VistrelFile::children(url, *context);
        // The scan's root has no record of its own, only children.
        auto self = VistrelFile::file(url, *context);
        if (!self)
            self = SnapshotCompletion::scanRootFile(*container, url);
        if (!self && children.empty())
            return failure(terminalText(url.path()) + " is not in the snapshot");
        std::optional<OtherFiles> others;
        if (self)
            others = OtherFiles::aggregate(*self, children);
        if (!json)
            std::printf("%s\n", SnapshotOutput::tableHeader().c_str());
        for (const auto& file : children)
            std::printf("%s\n", (json ? SnapshotOutput::json(file) : SnapshotOutput::tableRow(file)).c_str());
        if (others && json) {
            JsonWriter writer;
            writer.beginObject()
                .null("id")
                .string("name", OtherFiles::name)
                .integer("level", url.pathComponentCount() + 1)
                .integer("fileResourceType", std::nullopt)
                .integer("fileCount", others->fileCount)
                .integer("totalSize", std::nullopt)
                .integer("totalAllocatedSize", others->totalAllocatedSize)
                .boolean("isPurgeable", std::nullopt)
                .endObject();
            std::printf("%s\n", writer.text().c_str());
        } else if (others) {
            std::printf(
                "%s\n",
                SnapshotOutput::tableRow(OtherFiles::name, others->fileCount, others->totalAllocatedSize).c_str());
        }
    } catch (const std::exception& error) {
        return failure(std::string("cannot read the snapshot: ") + error.what());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
