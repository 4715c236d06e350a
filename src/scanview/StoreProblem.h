#pragma once

#include <QString>

#include <exception>
#include <string>

namespace vistrel {

// What the scan screen says when the snapshot store cannot be used: what happened to the
// file, in the user's words, and what they can do about it. The log keeps the technical line.
class StoreProblem {
public:
    static QString describe(const std::string& location, const std::exception_ptr& error);
    // Whether the problem passes by itself (another scan or program holds the store).
    static bool isTemporary(const std::exception_ptr& error);
};

} // namespace vistrel
