#include "FileSystemError.h"

#include <cstring>

namespace vistrel {

namespace {
std::string describe(int errorNumber, const std::string& path, const std::string& operation)
{
    return operation + " " + path + ": " + std::strerror(errorNumber);
}
} // namespace

FileSystemError::FileSystemError(int errorNumber, std::string path, std::string operation)
    : std::runtime_error(describe(errorNumber, path, operation))
    , errorNumber_(errorNumber)
    , path_(std::move(path))
{
}

std::string FileSystemError::localizedDescription() const
{
    return std::strerror(errorNumber_);
}

} // namespace vistrel
