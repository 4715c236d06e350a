// The one table that sorts files into the map's categories.
#include "map/FileTypeCategory.h"

#include <gtest/gtest.h>

#include <set>

namespace vistrel {
namespace {

using C = FileTypeCategory;

TEST(FileTypeCategory, NamesSortByTheirLastExtensionIgnoringCase)
{
    EXPECT_EQ(C::ofName("holiday.JPG"), C::images);
    EXPECT_EQ(C::ofName("film.mkv"), C::video);
    EXPECT_EQ(C::ofName("song.flac"), C::audio);
    EXPECT_EQ(C::ofName("backup.tar.gz"), C::archives) << "the last extension decides";
    EXPECT_EQ(C::ofName("debian.iso"), C::archives);
    EXPECT_EQ(C::ofName("report.pdf"), C::documents);
    EXPECT_EQ(C::ofName("main.cpp"), C::sourceCode);
    EXPECT_EQ(C::ofName("libc.so.6"), C::executables) << "a versioned library";
    EXPECT_EQ(C::ofName("libx.so"), C::executables);
    EXPECT_EQ(C::ofName("tool_1.0_amd64.deb"), C::packages);
    EXPECT_EQ(C::ofName("disk.qcow2"), C::databases);
    EXPECT_EQ(C::ofName("places.sqlite"), C::databases);
    EXPECT_EQ(C::ofName("Makefile"), C::other) << "no extension";
    EXPECT_EQ(C::ofName(".bashrc"), C::other) << "a leading dot is a hidden name, not an extension";
    EXPECT_EQ(C::ofName("trailing."), C::other);
    EXPECT_EQ(C::ofName("weird.\xff\xfe"), C::other) << "bytes that are not UTF-8";
}

// What a build folder and a log folder hold, as real names.
TEST(FileTypeCategory, BuildOutputsAreExecutablesAndLogsAreTheirOwn)
{
    for (const char* built : {"main.o", "parser.lo", "libvistrel-store.a", "libfoo.la", "stdafx.pch", "all.h.gch",
                              "module.pyc", "Main.class", "libstd-1a2b.rlib", "kernel32.lib"})
        EXPECT_EQ(C::ofName(built), C::executables) << built;
    for (const char* written : {"main.c", "parser.y", "Main.java", "module.py", "lib.rs"})
        EXPECT_NE(C::ofName(written), C::executables) << written;
    for (const char* log : {"debug.log", "Xorg.0.log", "system.journal"})
        EXPECT_EQ(C::ofName(log), C::logs) << log;
    EXPECT_EQ(C::ofName("notes.txt"), C::documents);
    EXPECT_STREQ(C::label(C::logs), "Logs");
    EXPECT_STREQ(C::key(C::logs), "logs");
}

TEST(FileTypeCategory, EveryCategoryHasALabelAndColoursApart)
{
    std::set<std::uint32_t> light;
    std::set<std::uint32_t> dark;
    for (int category = 0; category < C::count_; ++category) {
        EXPECT_NE(std::string(C::label(static_cast<C::Category>(category))), "");
        light.insert(C::colour(static_cast<C::Category>(category), false));
        dark.insert(C::colour(static_cast<C::Category>(category), true));
    }
    EXPECT_EQ(light.size(), static_cast<std::size_t>(C::count_)) << "no two categories share a colour";
    EXPECT_EQ(dark.size(), static_cast<std::size_t>(C::count_));
    EXPECT_STREQ(C::label(C::archives), "Archives and disk images");
}

} // namespace
} // namespace vistrel
