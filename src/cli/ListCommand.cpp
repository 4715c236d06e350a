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

int runList(const std::vector<std::string>& arguments)
{
    std::optional<std::string> store;
    std::optional<std::string> directory;
    bool json = false;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (!optionsEnded && argument == "--store" && index + 1 < arguments.size())
            store = arguments[++index];
        else if (!optionsEnded && argument == "--json")
            json = true;
        else if (!directory && (optionsEnded || argument.empty() || argument[0] != '-'))
            directory = argument;
        else
            return usageError("ls: unexpected argument " + argument);
    }
    const FileUrl url = FileUrl::directory(directory ? absolutePath(*directory) : "/");
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
