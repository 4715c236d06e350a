#include "Commands.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "services/Formats.h"
#include "store/VistrelFileSearch.h"

#include <cstdio>
#include <cstdlib>

namespace vistrel::cli {

// The largest files anywhere under a directory, as the map's third scope lists them.
const CommandLine::Spec topCommandLine{"top", {{"--store", "FILE"}, {"--under", "DIR"}, {"-n", "N"}, {"--json"}}, {}};

int runTop(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(topCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    long long count = 20;
    if (const auto text = line->value("-n")) {
        char* end = nullptr;
        count = std::strtoll(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || count < 1 || count > VistrelFileSearch::resultLimit)
            return usageError("top: -n takes a number from 1 to 1000");
    }
    const bool json = line->has("--json");
    return SnapshotOutput::readUnder(
        *line, "cannot read the snapshot", [&](const FileUrl& root, StoreContext& context) {
            const auto result = VistrelFileSearch::largestFiles(root, context);
            const auto shown = std::min<std::size_t>(result.files.size(), static_cast<std::size_t>(count));
            if (json)
                std::printf("{\"total\": %lld}\n", static_cast<long long>(result.total));
            for (std::size_t index = 0; index < shown; ++index) {
                const VistrelFile& file = result.files[index];
                if (json)
                    std::printf("%s\n", SnapshotOutput::json(file).c_str());
                else
                    std::printf("%12s  %s\n",
                                Formats::byteCount(file.totalAllocatedSize.value_or(0)).toStdString().c_str(),
                                terminalText(file.id).c_str());
            }
            if (!json)
                std::printf("The %lld largest of %lld files under %s\n", static_cast<long long>(shown),
                            static_cast<long long>(result.total), terminalText(root.path()).c_str());
        });
}

} // namespace vistrel::cli
