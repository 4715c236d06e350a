#pragma once

#include <optional>
#include <string>

namespace vistrel {

// Folders whose contents any program can make again, so that people know what is safe to
// remove: those tagged by the Cache Directory Tagging convention (a CACHEDIR.TAG file that
// starts with its signature), the user's cache folder, and a short list of well-known names.
class CacheFolders {
public:
    // Why `folder` (absolute, ending with '/') holds a cache, judged by its path alone; none
    // when its path says nothing. `userCacheFolder` is $XDG_CACHE_HOME or ~/.cache.
    static std::optional<std::string> byPath(const std::string& folder, const std::string& userCacheFolder);
    // The same, also looking on disk: the tag file, and a Cargo project's "target" (a
    // Cargo.toml beside it). Reads the disk: never on the main thread.
    static std::optional<std::string> reason(const std::string& folder, const std::string& userCacheFolder);
    // $XDG_CACHE_HOME when absolute, else $HOME/.cache/.
    static std::string userCacheFolder();

    static constexpr const char* tagSignature = "Signature: 8a477f597d28d172789f06886806bc55";
};

} // namespace vistrel
