#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vistrel {

// The folders a scan leaves out, as people write them for du, gdu and ncdu:
// - "node_modules" (no "/"): any folder of that name; globs allowed ("*.cache").
// - "/home/*/.cache" (absolute): that path, each "*" within one folder name.
// - "*/build/tmp" (relative, with "/"): matched against the whole path, where "*" may span
//   folders, so it applies at any depth.
// A trailing "/" is ignored. Excluded folders are recorded without being walked.
class ExclusionPatterns {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    ExclusionPatterns() = default;
    // Throws Error naming the first pattern that is empty, holds a line break or a NUL, or
    // has an unmatched "[".
    explicit ExclusionPatterns(std::vector<std::string> patterns);

    // Why a pattern cannot be used, or empty when it can.
    static std::string problemWith(std::string_view pattern);

    bool empty() const { return patterns_.empty(); }
    const std::vector<std::string>& patterns() const { return patterns_; }
    // `directoryPath` is absolute and ends with "/".
    bool excludes(std::string_view directoryPath) const;

private:
    std::vector<std::string> patterns_;
    // Patterns without a wildcard are looked up, so that many of them cost little more than
    // one: names, absolute paths, and relative paths matched as a path's last components.
    std::unordered_set<std::string> literalNames_;
    std::unordered_set<std::string> literalPaths_;
    std::unordered_set<std::string> literalTails_;
    std::vector<std::string> globs_;
};

} // namespace vistrel
