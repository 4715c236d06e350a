#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace vistrel {

// Reads ncdu's JSON export (format 1.0 to 1.2, as ncdu and gdu write it) as a stream of
// items: it holds one item and the number of open directories, never the tree, and never
// recurses, so neither the nesting nor the file's size is bounded by memory or the stack.
// Names stay the bytes the file holds (\u escapes become UTF-8).
class NcduJsonReader {
public:
    // Says what is wrong and where: the offset of the byte the reader stopped at.
    class Error : public std::runtime_error {
    public:
        Error(const std::string& problem, std::uint64_t offset);
        std::uint64_t offset() const { return offset_; }

    private:
        std::uint64_t offset_;
    };

    struct Metadata {
        int majorVersion = 0;
        int minorVersion = 0;
        std::string programName;
        std::string programVersion;
        std::optional<std::int64_t> timestamp;
    };

    // One file or directory; absent fields were not in the file.
    struct Item {
        std::string name;
        std::optional<std::int64_t> apparentSize; // asize
        std::optional<std::int64_t> diskUsage; // dsize
        std::optional<std::int64_t> device; // dev
        std::optional<std::int64_t> inode; // ino
        std::optional<std::int64_t> linkCount; // nlink
        bool hardLinked = false; // hlnkc (format 1.0 and 1.1)
        bool readError = false; // read_error
        std::string excluded; // "pattern", "otherfs", "kernfs", …; empty when not excluded
        bool notRegular = false; // notreg
        std::optional<std::int64_t> mode;
        std::uint64_t offset = 0; // where its object starts
    };

    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void metadata(const Metadata& metadata) = 0;
        // A directory; its contents follow until the matching closeDirectory().
        virtual void openDirectory(Item&& item) = 0;
        virtual void file(Item&& item) = 0;
        virtual void closeDirectory() = 0;
    };

    // The longest name and the deepest nesting a file may have: beyond them a file is a
    // fabrication, and a snapshot of it would fill the disk with paths.
    static constexpr std::size_t maximumNameLength = 4096;
    static constexpr std::size_t maximumDepth = 8192;

    // Reads the file on `fd` to its end. Throws Error; the handler's own exceptions pass
    // through. `progress` hears the bytes read so far, now and then.
    static void read(int fd, Handler& handler, const std::function<void(std::uint64_t)>& progress = {});
};

} // namespace vistrel
