#include "Commands.h"
#include "JsonWriter.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "map/FileTypeTotals.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "services/Formats.h"

#include <cstdio>

namespace vistrel::cli {

// How the files under a directory split by type, as the types list beside the map shows it.
const CommandLine::Spec typesCommandLine{"types", {{"--store", "FILE"}, {"--under", "DIR"}, {"--json"}}, {}};

int runTypes(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(typesCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const bool json = line->has("--json");
    return SnapshotOutput::readUnder(
        *line, "cannot read the snapshot", [&](const FileUrl& root, StoreContext& context) {
            const auto rows = FileTypeTotals::read(root, context).rows();
            std::int64_t size = 0;
            std::int64_t files = 0;
            for (const FileTypeTotals::Row& row : rows) {
                size += row.size;
                files += row.fileCount;
                if (json) {
                    JsonWriter object;
                    object.beginObject()
                        .string("category", FileTypeCategory::key(row.category))
                        .string("label", FileTypeCategory::label(row.category))
                        .integer("size", row.size)
                        .integer("fileCount", row.fileCount)
                        .fraction("share", row.share)
                        .endObject();
                    std::printf("%s\n", object.text().c_str());
                } else {
                    std::printf("%12s  %5.1f %%  %12s  %s\n", Formats::byteCount(row.size).toStdString().c_str(),
                                row.share * 100.0, Formats::messageCount(row.fileCount).toStdString().c_str(),
                                FileTypeCategory::label(row.category));
                }
            }
            if (!json)
                std::printf("%s in %s files under %s\n", Formats::byteCount(size).toStdString().c_str(),
                            Formats::messageCount(files).toStdString().c_str(), terminalText(root.path()).c_str());
        });
}

} // namespace vistrel::cli
