#include "Commands.h"
#include "SnapshotOutput.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "store/VistrelFile.h"

#include <cstdio>

namespace vistrel::cli {

int runDump(const std::vector<std::string>& arguments)
{
    std::optional<std::string> store;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index] == "--store" && index + 1 < arguments.size())
            store = arguments[++index];
        else if (arguments[index] == "--" && index + 1 == arguments.size())
            break; // dump takes no operands
        else
            return usageError("dump: unexpected argument " + arguments[index]);
    }
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
