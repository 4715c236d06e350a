#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

// The scan lifecycle's own refusal: the root cannot be scanned. Nothing has been erased.
class ScanError : public std::runtime_error {
public:
    explicit ScanError(const std::string& description)
        : std::runtime_error(description)
    {
    }
};

} // namespace vistrel
