#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

// A failed file-system call: the errno, the path it concerned and a readable description.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(int errorNumber, std::string path, std::string operation);

    int errorNumber() const { return errorNumber_; }
    const std::string& path() const { return path_; }
    // strerror text, e.g. "Permission denied": what the log lines quote.
    std::string localizedDescription() const;

private:
    int errorNumber_;
    std::string path_;
};

} // namespace vistrel
