#pragma once

#include <stdexcept>

namespace vistrel {

// The scanning engine's own error.
class FileSystemWalkerError : public std::runtime_error {
public:
    enum class Code { cancelled };
    explicit FileSystemWalkerError(Code code)
        : std::runtime_error("The scan was cancelled.")
        , code_(code)
    {
    }
    static FileSystemWalkerError cancelled() { return FileSystemWalkerError(Code::cancelled); }
    Code code() const { return code_; }

private:
    Code code_;
};

} // namespace vistrel
