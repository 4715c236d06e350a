#include "Commands.h"
#include "JsonWriter.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "duplicates/DuplicateFinder.h"
#include "duplicates/DuplicateFolders.h"
#include "services/Formats.h"
#include "store/VistrelFileSubtree.h"

#include <QVariantList>

#include <cstdio>
#include <cstdlib>

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
    return SnapshotOutput::readUnder(
        *line, "cannot read the snapshot", [&](const FileUrl& root, StoreContext& context) {
            auto files = DuplicateFinder::find(DuplicateCandidates::read(root, minimumSize, context));
            std::vector<std::string> items;
            if (!files.empty())
                for (VistrelFileSubtree::Item& item : VistrelFileSubtree::read(root, context))
                    items.push_back(std::move(item.id));
            print(DuplicateFolders::fold(std::move(files), items), json);
        });
}

} // namespace vistrel::cli
