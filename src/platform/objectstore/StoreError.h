#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

// Any failure of the object store; what() is the readable description.
class StoreError : public std::runtime_error {
public:
    // busy: another process is scanning into the store. inUse: another program holds it open
    // in SQLite (a reader in the middle of a query) and a scan cannot write it.
    enum class Code { failed, notASnapshot, incompatibleVersion, cannotOpen, full, busy, inUse };
    StoreError(Code code, const std::string& description)
        : std::runtime_error(description)
        , code_(code)
    {
    }
    Code code() const { return code_; }

private:
    Code code_;
};

} // namespace vistrel
