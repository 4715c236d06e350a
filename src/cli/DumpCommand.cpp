#include "Commands.h"
#include "SnapshotOutput.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "store/VistrelFile.h"

#include <cstdio>

namespace vistrel::cli {

const CommandLine::Spec dumpCommandLine{"dump", {{"--store", "FILE"}}, {}};

int runDump(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(dumpCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> store = line->value("--store");
    const auto container = SnapshotOutput::openExisting(store);
    if (!container)
        return exitFailure;
    try {
        auto context = container->makeContext();
        const std::string& identity = container->storeIdentity();
        // In key order: by level, then by path bytes.
        context->fetchEach(StoreFetchDescriptor{std::nullopt, {{"level", true}, {"id", true}}, std::nullopt},
                           [&identity](StoredObject&& object) {
                               const auto file = VistrelFile::fromStored(std::move(object), identity);
                               std::printf("%s\n", SnapshotOutput::json(file).c_str());
                           });
    } catch (const std::exception& error) {
        return failure(std::string("cannot read the snapshot: ") + error.what());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
