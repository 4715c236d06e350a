#include "StoreTestSupport.h"

#include "objectstore/SqliteConnection.h"
#include "objectstore/StoreError.h"
#include "store/SnapshotCompletion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vistrel {
namespace {

using namespace testing;

std::string contentsOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void expectRefused(const std::string& path, const std::string& descriptionPart)
{
    const std::string before = contentsOf(path);
    try {
        VistrelModelContainer::shared().makeContainer(path);
        FAIL() << "opened " << path;
    } catch (const ModelContainerError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Could not create ModelContainer: ", 0), 0u) << message;
        EXPECT_NE(message.find(descriptionPart), std::string::npos) << message;
    }
    EXPECT_EQ(contentsOf(path), before) << "a refused file must not be changed";
}

TEST(ModelContainer, ASecondContainerOverTheSameFileSeesTheData)
{
    TemporaryTree tree;
    const std::string path = tree.path("shared.store");
    auto first = VistrelModelContainer::shared().makeContainer(path);
    save(*first, {recordFor("/a/"), recordFor("/a/b", 4)});
    auto second = VistrelModelContainer::shared().makeContainer(path);
    const auto fromFirst = VistrelFile::file(FileUrl("/a/b"), first->mainContext());
    const auto fromSecond = VistrelFile::file(FileUrl("/a/b"), second->mainContext());
    ASSERT_TRUE(fromFirst && fromSecond);
    EXPECT_EQ(*fromFirst, *fromSecond) << "objects of one stored entity are equal";
    EXPECT_EQ(std::hash<VistrelFile>()(*fromFirst), std::hash<VistrelFile>()(*fromSecond));
    EXPECT_FALSE(*fromFirst == *VistrelFile::file(FileUrl("/a/"), first->mainContext()));
}

TEST(ModelContainer, InMemorySnapshotsAreSeparateAndEndWithTheirContainer)
{
    auto first = VistrelModelContainer::shared().makeContainer(true);
    save(*first, {recordFor("/only-here")});
    auto second = VistrelModelContainer::shared().makeContainer(true);
    EXPECT_FALSE(VistrelFile::snapshotExists(second->mainContext()));
    // Contexts made on the container see what another context saved.
    auto reader = first->makeContext();
    EXPECT_TRUE(VistrelFile::file(FileUrl("/only-here"), *reader));
    const auto object = VistrelFile::file(FileUrl("/only-here"), first->mainContext());
    const auto otherObject = VistrelFile::file(FileUrl("/only-here"), *reader);
    EXPECT_EQ(*object, *otherObject);

    // The data lives exactly as long as the container and the contexts made on it.
    const std::string name = first->storeIdentity();
    first.reset();
    EXPECT_EQ(reader->count(std::nullopt), 1) << "a context keeps its container alive";
    reader.reset();
    SqliteConnection probe("file:" + name + "?vfs=memdb");
    EXPECT_EQ(std::get<std::int64_t>(probe.queryValue("SELECT COUNT(*) FROM sqlite_schema")), 0);
}

TEST(ModelContainer, DamagedForeignAndOtherVersionFilesAreRefusedUnchanged)
{
    TemporaryTree tree;
    tree.writeFile("text.store", std::string(5000, 'x'));
    expectRefused(tree.path("text.store"), "not a database");

    {
        SqliteConnection foreign(tree.path("foreign.store"));
        foreign.execute("CREATE TABLE accounts (name TEXT); INSERT INTO accounts VALUES ('x')");
    }
    expectRefused(tree.path("foreign.store"), "not a snapshot");

    const std::string versioned = tree.path("old.store");
    VistrelModelContainer::shared().makeContainer(versioned).reset();
    {
        SqliteConnection connection(versioned);
        connection.execute("UPDATE vistrel_store_metadata SET value = '0.9.0' WHERE key = 'schemaVersion'");
    }
    expectRefused(versioned, "0.9.0");

    // A snapshot whose header is intact but whose pages are garbage.
    const std::string damaged = tree.path("damaged.store");
    {
        auto container = VistrelModelContainer::shared().makeContainer(damaged);
        save(*container, {recordFor("/x")});
    }
    std::string bytes = contentsOf(damaged);
    ASSERT_GT(bytes.size(), 8192u);
    for (std::size_t index = 100; index < bytes.size(); ++index)
        bytes[index] = static_cast<char>(index * 7);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_THROW(VistrelModelContainer::shared().makeContainer(damaged), ModelContainerError);
}

TEST(ModelContainer, TheOnDiskStoreLivesUnderXdgDataHome)
{
    TemporaryTree tree;
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous ? previous : "";
    ::setenv("XDG_DATA_HOME", tree.path("data").c_str(), 1);
    const std::string location = VistrelModelContainer::onDiskStoreLocation();
    EXPECT_EQ(location, tree.path("data/org.vistrel.Vistrel/default.store"));
    auto container = VistrelModelContainer::shared().makeContainer(false);
    struct stat status { };
    EXPECT_EQ(::stat(location.c_str(), &status), 0) << "the folder and the store are made when missing";
    container.reset();
    EXPECT_TRUE(VistrelModelContainer::deleteStoreFile(location));
    EXPECT_NE(::stat(location.c_str(), &status), 0);
    if (previous)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

// Sets or unsets environment variables for one scope.
class ScopedEnvironment {
public:
    void set(const char* name, const char* value)
    {
        const char* previous = std::getenv(name);
        saved_.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(ModelContainer, WithoutHomeTheStoreGoesToTheUsersOwnHomeFolder)
{
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", nullptr);
    environment.set("HOME", nullptr);
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_TRUE(entry);
    EXPECT_EQ(VistrelModelContainer::onDiskStoreLocation(),
              std::string(entry->pw_dir) + "/.local/share/org.vistrel.Vistrel/default.store");
}

// One snapshot per scan root, side by side; a directory is read from its nearest root's.
TEST(ModelContainer, EachScanRootHasItsOwnStoreAndADirectoryFindsItsRoots)
{
    TemporaryTree tree;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", tree.path("data").c_str());
    const std::string folder = tree.path("data/org.vistrel.Vistrel/");
    EXPECT_EQ(VistrelModelContainer::onDiskStoreLocation("/"), folder + "default.store");
    const std::string home = VistrelModelContainer::onDiskStoreLocation("/home/");
    const std::string deep = VistrelModelContainer::onDiskStoreLocation("/" + std::string(5000, 'd') + "/");
    EXPECT_EQ(home.rfind(folder, 0), 0u) << "in the same private folder";
    EXPECT_NE(home, VistrelModelContainer::onDiskStoreLocation("/home/me/"));
    EXPECT_LT(deep.size() - folder.size(), 64u) << "a root of any length names a short file";

    EXPECT_EQ(VistrelModelContainer::storedRootHolding("/home/me/src/"), "/") << "nothing stored: the default";
    auto homeStore
        = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readWrite, "/home/");
    auto meStore
        = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readWrite, "/home/me/");
    EXPECT_EQ(VistrelModelContainer::storedRootHolding("/home/me/src/"), "/home/me/") << "the nearest";
    EXPECT_EQ(VistrelModelContainer::storedRootHolding("/home/other"), "/home/");
    EXPECT_EQ(VistrelModelContainer::storedRootHolding("/homework/"), "/");
}

TEST(ModelContainer, TheStoreFolderIsPrivateAndMustBeTheUsersOwn)
{
    TemporaryTree tree;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", tree.path("data").c_str());
    const std::string folder = tree.path("data/org.vistrel.Vistrel");
    {
        auto container = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readWrite);
        struct stat status { };
        ASSERT_EQ(::stat(folder.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u);
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving the folder to another user needs root";
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    try {
        VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::scanning);
        FAIL() << "a folder of another user's was used";
    } catch (const ModelContainerError& error) {
        EXPECT_NE(std::string(error.what()).find("is not a folder of this user's"), std::string::npos) << error.what();
    }
}

TEST(ModelContainer, ReadersNeverCreateOrChangeAStore)
{
    TemporaryTree tree;
    using Access = VistrelModelContainer::Access;
    EXPECT_THROW(VistrelModelContainer::shared().makeContainer(tree.path("missing.store"), Access::readOnly),
                 ModelContainerError);
    struct stat status { };
    EXPECT_NE(::stat(tree.path("missing.store").c_str(), &status), 0);

    tree.writeFile("empty.store", std::string());
    EXPECT_THROW(VistrelModelContainer::shared().makeContainer(tree.path("empty.store"), Access::readOnly),
                 ModelContainerError);
    ASSERT_EQ(::stat(tree.path("empty.store").c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 0) << "an empty file stays empty";

    ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0600), 0);
    try {
        VistrelModelContainer::shared().makeContainer(tree.path("fifo"), Access::scanning);
        FAIL() << "a fifo was opened as a store";
    } catch (const ModelContainerError& error) {
        EXPECT_NE(std::string(error.what()).find("is not a regular file"), std::string::npos);
    }
    EXPECT_NE(::stat(tree.path("fifo-journal").c_str(), &status), 0);
}

TEST(ModelContainer, OneScannerAtATimeAndReadersStandAside)
{
    TemporaryTree tree;
    using Access = VistrelModelContainer::Access;
    const std::string path = tree.path("s.store");
    auto scanner = VistrelModelContainer::shared().makeContainer(path, Access::scanning);
    for (const Access access : {Access::scanning, Access::readOnly}) {
        try {
            VistrelModelContainer::shared().makeContainer(path, access);
            FAIL() << "opened while a scanner holds the store";
        } catch (const ModelContainerError& error) {
            EXPECT_EQ(error.code(), StoreError::Code::busy);
        }
    }
    scanner->releaseWriterLock();
    EXPECT_NO_THROW(VistrelModelContainer::shared().makeContainer(path, Access::readOnly));
    EXPECT_NO_THROW(VistrelModelContainer::shared().makeContainer(path, Access::scanning));
}

TEST(SnapshotCompletion, AnUnfinishedScanIsRememberedInTheStore)
{
    TemporaryTree tree;
    const std::string path = tree.path("s.store");
    {
        auto container = VistrelModelContainer::shared().makeContainer(path);
        EXPECT_TRUE(SnapshotCompletion::isFinished(*container)) << "stores without the mark read as finished";
        EXPECT_FALSE(SnapshotCompletion::unreadableDirectories(*container));
        SnapshotCompletion::markUnfinished(*container);
    }
    auto reopened = VistrelModelContainer::shared().makeContainer(path, VistrelModelContainer::Access::readOnly);
    EXPECT_FALSE(SnapshotCompletion::isFinished(*reopened));
    auto writer = VistrelModelContainer::shared().makeContainer(path);
    SnapshotCompletion::markFinished(*writer, 7);
    EXPECT_TRUE(SnapshotCompletion::isFinished(*reopened));
    EXPECT_EQ(SnapshotCompletion::unreadableDirectories(*reopened), 7);

    // The unreadable folders by name, whatever bytes their paths hold.
    using Folder = SnapshotCompletion::UnreadableFolder;
    EXPECT_FALSE(SnapshotCompletion::unreadableFolders(*reopened)) << "not kept by older snapshots";
    const std::vector<Folder> odd{{"/a%0A/", "Permission denied"},
                                  {"/two\nlines/", ""},
                                  {"/100%\ttab/", "why\tnot"},
                                  {"/\xff/", "Input/output error"}};
    SnapshotCompletion::recordUnreadableFolders(*writer, odd);
    EXPECT_EQ(SnapshotCompletion::unreadableFolders(*reopened), odd);
    SnapshotCompletion::recordUnreadableFolders(*writer, {});
    EXPECT_EQ(SnapshotCompletion::unreadableFolders(*reopened), std::vector<Folder>{});
}

} // namespace
} // namespace vistrel
