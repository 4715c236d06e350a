#include "StoreTestSupport.h"

#include "objectstore/SqliteConnection.h"
#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

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
    struct stat status {};
    EXPECT_EQ(::stat(location.c_str(), &status), 0) << "the folder and the store are made when missing";
    container.reset();
    EXPECT_TRUE(VistrelModelContainer::deleteStoreFile(location));
    EXPECT_NE(::stat(location.c_str(), &status), 0);
    if (previous)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace vistrel
