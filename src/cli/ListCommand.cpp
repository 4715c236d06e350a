#include "Commands.h"
#include "SnapshotOutput.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "store/VistrelFile.h"

#include <cstdio>

namespace vistrel::cli {

int runList(const std::vector<std::string>& arguments)
{
    std::optional<std::string> store;
    std::optional<std::string> directory;
    bool json = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--store" && index + 1 < arguments.size())
            store = arguments[++index];
        else if (argument == "--json")
            json = true;
        else if (!directory && (argument.empty() || argument[0] != '-'))
            directory = argument;
        else
            return usageError("ls: unexpected argument " + argument);
    }
    const auto container = SnapshotOutput::openExisting(store);
    if (!container)
        return exitFailure;
    const FileUrl url = FileUrl::directory(directory ? absolutePath(*directory) : "/");
    try {
        auto context = container->makeContext();
        const auto children = VistrelFile::children(url, *context);
        if (!json)
            std::printf("%s\n", SnapshotOutput::tableHeader().c_str());
        for (const auto& file : children)
            std::printf("%s\n", (json ? SnapshotOutput::json(file) : SnapshotOutput::tableRow(file)).c_str());
    } catch (const StoreError& error) {
        return failure(std::string("cannot read the snapshot: ") + error.what());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
