#include "filesystem/ExtendedAttributes.h"
#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/FileUrl.h"
#include "filesystem/VolumeFigures.h"
#include "support/TemporaryTree.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <QDateTime>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::TemporaryTree;

LiveProperties liveOf(const std::string& path)
{
    return FileSystemMetadata::liveProperties(FileUrl(path));
}

TEST(LiveProperties, ExtendedAttributesAndTagsReadBack)
{
    TemporaryTree tree;
    tree.writeFile("tagged", 1);
    tree.writeFile("plain", 1);
    const QByteArray binary("\x00\xff\x01", 3);
    const int status = ExtendedAttributes::write(tree.path("tagged"), "user.vistrel.binary", binary);
    if (status == ENOTSUP || status == EOPNOTSUPP)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    ASSERT_EQ(status, 0);
    ASSERT_EQ(ExtendedAttributes::write(tree.path("tagged"), "user.xdg.tags", "red,blue"), 0);

    const LiveProperties live = liveOf(tree.path("tagged"));
    ASSERT_TRUE(live.extendedAttributes);
    EXPECT_EQ(live.extendedAttributes->value(QStringLiteral("user.vistrel.binary")), binary);
    EXPECT_EQ(live.extendedAttributes->value(QStringLiteral("user.xdg.tags")), QByteArray("red,blue"));
    EXPECT_EQ(live.tags, (QStringList{"red", "blue"}));
    const LiveProperties plain = liveOf(tree.path("plain"));
    EXPECT_TRUE(plain.tags.isEmpty());
    EXPECT_TRUE(!plain.extendedAttributes || !plain.extendedAttributes->contains(QStringLiteral("user.xdg.tags")));
}

TEST(LiveProperties, DatesOwnerAndFlagsOfAFile)
{
    TemporaryTree tree;
    tree.writeFile(".hidden", 10);
    const LiveProperties live = liveOf(tree.path(".hidden"));
    EXPECT_TRUE(live.hidden);
    EXPECT_EQ(live.status.linkCount, 1u);
    EXPECT_EQ(live.status.size, 10);
    ASSERT_TRUE(live.parentPath);
    EXPECT_EQ(live.parentPath->toStdString(), tree.root());
    EXPECT_EQ(live.displayName, QByteArray(".hidden"));
    EXPECT_EQ(live.readable, true);
    EXPECT_EQ(live.executable, false) << "mode 0644 is not executable";
    EXPECT_LE(std::abs(live.modified().secsTo(QDateTime::currentDateTimeUtc())), 60);
    EXPECT_EQ(live.permissions(), 0644);
    EXPECT_EQ(live.status.ownerId, ::getuid());
    EXPECT_FALSE(liveOf(tree.root() + "/").hidden) << "only the name's own leading dot hides";

    const LiveProperties root = liveOf("/");
    EXPECT_FALSE(root.parentPath) << "the root has no parent";
    EXPECT_FALSE(root.displayName.isEmpty()) << "the root is named after its volume";
}

TEST(LiveProperties, SparseFilesAreToldApart)
{
    TemporaryTree tree;
    const std::string path = tree.path("sparse");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 64 * 1024 * 1024), 0);
    ::close(fd);
    tree.writeFile("dense", 4096);
    EXPECT_TRUE(liveOf(path).sparse());
    EXPECT_FALSE(liveOf(tree.path("dense")).sparse());
}

TEST(LiveProperties, ContentTypesIncludingPropertyListsAndDynamicTypes)
{
    TemporaryTree tree;
    tree.writeFile("settings.plist", "anything");
    tree.writeFile("no-extension", std::string("bplist00") + std::string(30, '\x01'));
    tree.writeFile("xml-list", "<?xml version=\"1.0\"?>\n<!DOCTYPE plist>\n<plist version=\"1.0\"><dict/></plist>\n");
    tree.writeFile("notes.txt", "hello\n");
    tree.writeFile("blob.zzqq", std::string("\x01\x02\x03\xfe\xff\x00\x07", 7));
    tree.makeDirectory("folder");

    const auto typeOf = [&](const std::string& relative) {
        const auto type = liveOf(tree.path(relative)).contentType;
        return std::make_pair(type.identifier, type.isDynamic);
    };
    EXPECT_EQ(typeOf("settings.plist").first, QStringLiteral("application/x-plist"));
    EXPECT_EQ(typeOf("no-extension").first, QStringLiteral("application/x-plist"));
    EXPECT_EQ(typeOf("xml-list").first, QStringLiteral("application/x-plist"));
    EXPECT_EQ(typeOf("notes.txt"), std::make_pair(QStringLiteral("text/plain"), false));
    EXPECT_EQ(typeOf("blob.zzqq"), std::make_pair(QStringLiteral("application/octet-stream"), true));
    EXPECT_EQ(typeOf("folder/").first, QStringLiteral("inode/directory"));
    EXPECT_FALSE(liveOf(tree.path("notes.txt")).contentType.description.isEmpty());
}

// Telling a type by content reads the file's head; that must not count as opening it.
TEST(LiveProperties, ReadingContentLeavesTheAccessTimeAlone)
{
    TemporaryTree tree;
    tree.writeFile("unnamed", std::string("bplist00") + std::string(30, '\x01'));
    // Under relatime a read updates an access time older than the modification time.
    const timespec times[2] = {{1600000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.path("unnamed").c_str(), times, 0), 0);
    const LiveProperties live = liveOf(tree.path("unnamed"));
    EXPECT_EQ(live.contentType.identifier, QStringLiteral("application/x-plist"));
    EXPECT_EQ(live.accessed().toSecsSinceEpoch(), 1600000000);
    struct stat status { };
    ASSERT_EQ(::stat(tree.path("unnamed").c_str(), &status), 0);
    EXPECT_EQ(status.st_atim.tv_sec, 1600000000);
}

TEST(LiveProperties, WorkBeyondPathMaxAndFailWithADescription)
{
    TemporaryTree tree;
    const std::string deep = tree.path(tree.makeDeepChain("deep", std::string(150, 'z'), PATH_MAX + 200));
    const LiveProperties live = liveOf(deep);
    EXPECT_TRUE(live.status.isDirectory());
    EXPECT_EQ(live.displayName, QByteArray(150, 'z'));
    EXPECT_NE(live.status.inode, 0u);

    EXPECT_THROW(liveOf(tree.path("gone")), FileSystemError);
}

TEST(VolumeFigures, TheRootVolumeReportsItsFigures)
{
    const VolumeFigures figures = VolumeFigures::read("/");
    ASSERT_TRUE(figures.totalCapacity && figures.availableCapacity);
    EXPECT_GT(*figures.totalCapacity, 0);
    EXPECT_LE(*figures.availableCapacity, *figures.totalCapacity);
    ASSERT_TRUE(figures.localizedFormatDescription);
    EXPECT_FALSE(figures.localizedFormatDescription->empty());
    if (figures.resourceCount) {
        EXPECT_GT(*figures.resourceCount, 0);
    }
    EXPECT_THROW(VolumeFigures::read("/definitely/not/here"), FileSystemError);
}

} // namespace
} // namespace vistrel

namespace vistrel {
namespace {

// mountinfo escapes the blank in the mount point; the figures must still find the mount.
TEST(VolumeFigures, AMountPointWithABlankInItsName)
{
    testing::TemporaryTree tree;
    tree.makeDirectory("with space");
    const std::string point = tree.path("with space");
    if (::geteuid() != 0 || ::mount("vistrel figures", point.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root and a mount namespace that allows it";
    const VolumeFigures figures = VolumeFigures::read(point);
    ::umount(point.c_str());
    EXPECT_EQ(figures.localizedFormatDescription, "tmpfs");
    EXPECT_EQ(figures.localizedName, point) << "no label: the mount point, as the volume list names it";
    EXPECT_EQ(figures.totalCapacity, 1024 * 1024);
}

// A loop-mounted image is named by the label in its superblock, with udev's links or without.
TEST(VolumeFigures, ALabelIsReadFromTheFileSystemItself)
{
    testing::TemporaryTree tree;
    tree.makeDirectory("point");
    const std::string image = tree.path("labelled.img");
    const std::string point = tree.path("point");
    if (::geteuid() != 0)
        GTEST_SKIP() << "loop mounts need root";
    if (std::system(
            ("truncate -s 8M '" + image + "' && mkfs.ext4 -q -L 'Holiday Photos' '" + image + "' 2>/dev/null").c_str())
        != 0)
        GTEST_SKIP() << "mkfs.ext4 is missing";
    if (std::system(("mount -o loop '" + image + "' '" + point + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "loop devices cannot be mounted here";
    const VolumeFigures figures = VolumeFigures::read(point);
    ::umount2(point.c_str(), MNT_DETACH);
    EXPECT_EQ(figures.label, "Holiday Photos");
    EXPECT_EQ(figures.localizedName, "Holiday Photos");
    EXPECT_EQ(figures.localizedFormatDescription, "ext4");
}

} // namespace
} // namespace vistrel
