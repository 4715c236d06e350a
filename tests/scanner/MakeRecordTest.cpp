#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "scanner/ResourceTypeCode.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

std::optional<FileSystemWalker::MadeRecord> recordOf(const std::string& path)
{
    return FileSystemWalker::makeRecord(FileUrl(path), nullptr);
}

TEST(MakeRecord, EachKindOfItemGetsItsTypeCode)
{
    TemporaryTree tree;
    tree.writeFile("file", 1000);
    tree.makeDirectory("dir");
    tree.makeSymbolicLink("dir", "link");
    ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tree.path("sock");
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    EXPECT_EQ(recordOf(tree.path("file"))->record.fileResourceType, 50);
    EXPECT_EQ(recordOf(tree.path("dir/"))->record.fileResourceType, 255);
    EXPECT_EQ(recordOf(tree.path("fifo"))->record.fileResourceType, 1);
    EXPECT_EQ(recordOf(socketPath)->record.fileResourceType, 7);
    EXPECT_EQ(recordOf("/dev/null")->record.fileResourceType, 2);
    ::close(sock);

    // The link itself: its own size (the length of its target), never the directory's.
    const auto link = recordOf(tree.path("link"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->record.fileResourceType, 6);
    EXPECT_EQ(link->record.totalSize, 3);
    EXPECT_EQ(link->record.path, tree.path("link"));

    const auto file = recordOf(tree.path("file"));
    EXPECT_EQ(file->record.totalSize, 1000);
    EXPECT_EQ(file->record.totalAllocatedSize, file->size.totalAllocatedSize);
    EXPECT_EQ(file->record.level, FileUrl(tree.path("file")).pathComponentCount());
    EXPECT_FALSE(file->record.fileCount);
    EXPECT_FALSE(file->record.isPurgeable) << "Linux reports no purgeable flag";
    EXPECT_FALSE(recordOf(tree.path("vanished"))) << "an item gone since the listing gives no record";
}

TEST(ResourceTypeCode, TableReadsBothWaysAndUnassignedCodesHaveNoType)
{
    for (const auto type : {FileResourceType::unknown, FileResourceType::namedPipe, FileResourceType::characterSpecial,
                            FileResourceType::blockSpecial, FileResourceType::symbolicLink, FileResourceType::socket,
                            FileResourceType::regular, FileResourceType::directory}) {
        const auto code = ResourceTypeCode::code(type);
        ASSERT_TRUE(code);
        EXPECT_EQ(ResourceTypeCode::type(*code), type);
    }
    for (const int unassigned : {3, 5, 8, 49, 51, 254})
        EXPECT_FALSE(ResourceTypeCode::type(static_cast<std::uint8_t>(unassigned))) << unassigned;
}

} // namespace
} // namespace vistrel
