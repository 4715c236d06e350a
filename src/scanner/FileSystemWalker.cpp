#include "FileSystemWalker.h"

#include "ResourceTypeCode.h"
#include "platform/DirectoryHandle.h"
#include "platform/FileSystemMetadata.h"
#include "platform/FileUrl.h"

namespace vistrel {

std::optional<FileSystemWalker::MadeRecord> FileSystemWalker::makeRecord(std::string path, int parentDirectoryFd,
                                                                         const char* name,
                                                                         const FileStatus* attributes)
{
    // On Linux the attributes and the resource values come from the same statx, so an item
    // read once by the caller is not read again.
    std::optional<FileStatus> read;
    if (!attributes) {
        read = FileSystemMetadata::statusAt(parentDirectoryFd, name);
        if (!read)
            return std::nullopt;
        attributes = &*read;
    }
    MadeRecord made;
    made.id = FileID{static_cast<std::int64_t>(attributes->inode), static_cast<std::int64_t>(attributes->device)};
    made.size = FileSize{attributes->allocatedSize, attributes->size};
    FileSystemRecord& record = made.record;
    record.level = FileUrl(path).pathComponentCount();
    record.path = std::move(path);
    record.fileResourceType = ResourceTypeCode::code(attributes->resourceType());
    record.totalSize = attributes->size;
    record.totalAllocatedSize = attributes->allocatedSize;
    // Linux has no purgeable files: isPurgeable stays absent.
    return made;
}

std::optional<FileSystemWalker::MadeRecord> FileSystemWalker::makeRecord(const FileUrl& url,
                                                                         const FileStatus* attributes)
{
    std::string name;
    const DirectoryHandle parent = DirectoryHandle::openContaining(url.path(), &name);
    if (!parent.isValid())
        return std::nullopt;
    return makeRecord(url.path(), parent.fd(), name.c_str(), attributes);
}

} // namespace vistrel
