#include "Commands.h"
#include "SnapshotOutput.h"

#include "TerminalText.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "services/Formats.h"
#include "services/Translations.h"
#include "store/VistrelFileSearch.h"

#include <QCoreApplication>

#include <cstdio>

namespace vistrel::cli {

const CommandLine::Spec searchCommandLine{"search", {{"--store", "FILE"}, {"--under", "DIR"}, {"--json"}}, {"TEXT"}};

int runSearch(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(searchCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const bool json = line->has("--json");
    const std::optional<std::string> text = line->operands().front();
    if (text->empty())
        return usageError("search needs a text");
    const std::string failure = "cannot get results for search " + terminalText(*text);
    return SnapshotOutput::readUnder(*line, failure, [&](const FileUrl& under, StoreContext& context) {
        const auto result = VistrelFileSearch::search(under, *text, context);
        if (json)
            std::printf("{\"total\": %lld}\n", static_cast<long long>(result.total));
        else
            std::printf("%s\n", SnapshotOutput::tableHeader().c_str());
        for (const auto& file : result.files)
            std::printf("%s\n", (json ? SnapshotOutput::json(file) : SnapshotOutput::tableRow(file)).c_str());
        if (!json) {
            const auto shown = static_cast<std::int64_t>(result.files.size());
            const QString status = shown < result.total
                ? QCoreApplication::translate("Search", "Showing %1 out of %2")
                      .arg(Formats::messageCount(shown), Formats::messageCount(result.total))
                : QCoreApplication::translate("Search", "Matched %n results", nullptr,
                                              Translations::count(result.total));
            std::printf("%s\n", status.toStdString().c_str());
        }
    });
}

} // namespace vistrel::cli
