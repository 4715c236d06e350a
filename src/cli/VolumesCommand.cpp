#include "Commands.h"
#include "JsonWriter.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/MountTable.h"
#include "filesystem/VolumeFigures.h"
#include "services/Formats.h"

#include <cstdio>
#include <optional>

namespace vistrel::cli {

namespace {

std::string padRight(std::string text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    if (shown < width)
        text.append(width - shown, ' ');
    return text;
}

std::string padLeft(const QString& text, int width)
{
    return text.rightJustified(width).toStdString();
}

} // namespace

// The volumes the scan screen offers: name, mount point, type and usage.
const CommandLine::Spec volumesCommandLine{"volumes", {{"--json"}}, {}};

int runVolumes(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(volumesCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const bool json = line->has("--json");
    const auto volumes = MountTable::currentVolumes();
    if (!json)
        std::printf("%s%s%s%s%s\n", padRight("Name", 24).c_str(), padRight("Mount point", 32).c_str(),
                    padRight("Type", 10).c_str(), padLeft(QStringLiteral("Size"), 11).c_str(),
                    padLeft(QStringLiteral("Used"), 11).c_str());
    for (const auto& volume : volumes) {
        std::optional<VolumeFigures> figures;
        std::string problem;
        try {
            figures = VolumeFigures::read(volume.mountPoint);
        } catch (const FileSystemError& error) {
            problem = error.localizedDescription();
        }
        const std::string name = figures && figures->label ? *figures->label : volume.mountPoint;
        std::optional<std::int64_t> used;
        if (figures && figures->totalCapacity && figures->availableCapacity)
            used = *figures->totalCapacity - *figures->availableCapacity;
        if (json) {
            JsonWriter writer;
            writer.beginObject()
                .string("name", name)
                .string("mountPoint", volume.mountPoint)
                .string("type", volume.type)
                .string("source", volume.source)
                .integer("totalCapacity", figures ? figures->totalCapacity : std::nullopt)
                .integer("availableCapacity", figures ? figures->availableCapacity : std::nullopt)
                .integer("usedCapacity", used)
                .integer("resourceCount", figures ? figures->resourceCount : std::nullopt);
            if (problem.empty())
                writer.null("error");
            else
                writer.string("error", problem);
            writer.endObject();
            std::printf("%s\n", writer.text().c_str());
            continue;
        }
        const QString size
            = figures && figures->totalCapacity ? Formats::byteCount(*figures->totalCapacity) : QStringLiteral("-");
        const QString usedText = used ? Formats::byteCount(*used) : QStringLiteral("-");
        std::printf("%s %s %s %s%s%s\n", padRight(terminalText(name), 23).c_str(),
                    padRight(terminalText(volume.mountPoint), 31).c_str(),
                    padRight(terminalText(volume.type), 9).c_str(), padLeft(size, 11).c_str(),
                    padLeft(usedText, 11).c_str(), problem.empty() ? "" : ("  " + terminalText(problem)).c_str());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
