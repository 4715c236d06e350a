#pragma once

#include <cstdint>
#include <string>

namespace vistrel::testing {

// A real directory tree in a fresh temporary folder, removed again (however deep) on
// destruction. While it lives the process's umask is 022, so that the modes of what tests
// make do not depend on the shell that runs them. Relative paths are below the root; parents are made as needed.
class TemporaryTree {
public:
    TemporaryTree();
    ~TemporaryTree();
    TemporaryTree(const TemporaryTree&) = delete;
    TemporaryTree& operator=(const TemporaryTree&) = delete;

    // Absolute path of the root, ending with '/'.
    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + relative; }

    void makeDirectory(const std::string& relative);
    // A file of `size` bytes of data ('x').
    void writeFile(const std::string& relative, std::int64_t size = 0);
    void writeFile(const std::string& relative, const std::string& contents);
    void makeSymbolicLink(const std::string& target, const std::string& relative);
    void makeHardLink(const std::string& existingRelative, const std::string& newRelative);
    // A chain of nested directories named `component` whose full path exceeds `minimumLength`
    // bytes; made with openat, so beyond PATH_MAX. Returns the relative path of the deepest one
    // (with a trailing '/').
    std::string makeDeepChain(const std::string& first, const std::string& component, std::size_t minimumLength);

private:
    std::string root_;
    unsigned previousUmask_; // mode_t, restored on destruction
};

} // namespace vistrel::testing
