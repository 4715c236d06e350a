#include "Commands.h"
#include "JsonWriter.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/VolumeFigures.h"

#include <cstdio>

namespace vistrel::cli {

int runVolume(const std::vector<std::string>& arguments)
{
    if (!arguments.empty())
        return usageError("volume takes no arguments");
    try {
        const VolumeFigures figures = VolumeFigures::read("/");
        JsonWriter json;
        json.beginObject().string("path", "/");
        json.integer("totalCapacity", figures.totalCapacity)
            .integer("availableCapacity", figures.availableCapacity)
            .integer("resourceCount", figures.resourceCount);
        if (figures.localizedFormatDescription)
            json.string("localizedFormatDescription", *figures.localizedFormatDescription);
        else
            json.null("localizedFormatDescription");
        if (figures.localizedName)
            json.string("localizedName", *figures.localizedName);
        else
            json.null("localizedName");
        json.endObject();
        std::printf("%s\n", json.text().c_str());
        return exitSuccess;
    } catch (const FileSystemError& error) {
        std::fprintf(stderr, "vistrel-cli: cannot read the volume of /: %s\n", error.localizedDescription().c_str());
        return exitFailure;
    }
}

} // namespace vistrel::cli
