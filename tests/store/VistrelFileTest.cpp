#include "StoreTestSupport.h"

#include "support/CapturingLogSink.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace vistrel {
namespace {

using namespace testing;

TEST(VistrelFile, LoadsLivePropertiesOnceEvenAfterAFailure)
{
    TemporaryTree tree;
    tree.writeFile("notes.txt", "hello");
    auto store = VistrelModelContainer::shared().makeContainer(true);
    save(*store, {recordFor(tree.path("notes.txt"), 5), recordFor(tree.path("gone.txt"), 5)});

    auto present = VistrelFile::file(FileUrl(tree.path("notes.txt")), store->mainContext());
    ASSERT_TRUE(present);
    EXPECT_EQ(present->contentTypeIdentifier(), QStringLiteral("text/plain"));
    ASSERT_TRUE(present->live());
    EXPECT_EQ(present->live()->status.ownerId, ::getuid());
    EXPECT_EQ(present->live()->permissions(), 0644);
    // Changes after the first load are not seen: the object read the file system once.
    ASSERT_EQ(::chmod(tree.path("notes.txt").c_str(), 0600), 0);
    EXPECT_EQ(present->loadFromFileSystem()->permissions(), 0644);

    CapturingLogSink log;
    auto missing = VistrelFile::file(FileUrl(tree.path("gone.txt")), store->mainContext());
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->loadFromFileSystem());
    EXPECT_TRUE(missing->loadedFromFileSystem());
    ASSERT_EQ(log.records().size(), 1u) << "the failure is logged once";
    EXPECT_EQ(log.records().front().level, LogLevel::error);
    tree.writeFile("gone.txt", "back");
    EXPECT_FALSE(missing->contentTypeIdentifier()) << "a failed load is not retried";
    EXPECT_FALSE(missing->live());
    EXPECT_EQ(log.records().size(), 1u);
}

TEST(VistrelFile, ADynamicContentTypeHasNoIdentifier)
{
    TemporaryTree tree;
    tree.writeFile("blob.zzqq", std::string("\x01\x02\x03\xfe\xff\x00\x07", 7));
    tree.writeFile("list.plist", "<?xml version=\"1.0\"?><plist version=\"1.0\"/>");
    VistrelFile blob(recordFor(tree.path("blob.zzqq")));
    EXPECT_FALSE(blob.contentTypeIdentifier());
    EXPECT_TRUE(blob.live().has_value()) << "the properties were read, only the type is dynamic";
    VistrelFile list(recordFor(tree.path("list.plist")));
    EXPECT_EQ(list.contentTypeIdentifier(), QStringLiteral("application/x-plist"));
}

} // namespace
} // namespace vistrel
