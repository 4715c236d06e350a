// The sentence that says where the used space went.
#include "details/UsedSpaceText.h"
#include "filesystem/UsedSpace.h"
#include "services/Formats.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(UsedSpaceText, NamesEachPartAndWhatIsMountedInside)
{
    UsedSpace space;
    space.used = 187'000'000'000;
    space.scanned = 19'000'000'000;
    space.reserved = 160'000'000'000;
    space.deletedOpen = 3'000'000'000;
    EXPECT_EQ(space.rest(), 5'000'000'000);
    EXPECT_EQ(
        UsedSpaceText::describe(space),
        QStringLiteral("Used %1: %2 scanned, %3 reserved for the superuser, %4 in deleted files still open, %5 of "
                       "file-system metadata, unreadable folders and what changed since the scan.")
            .arg(Formats::byteCount(space.used), Formats::byteCount(space.scanned), Formats::byteCount(space.reserved),
                 Formats::byteCount(*space.deletedOpen), Formats::byteCount(space.rest())));

    // Parts that are nothing say nothing; a negative rest (files written since) neither.
    UsedSpace small;
    small.used = 1000;
    small.scanned = 5000;
    small.mountedInside.push_back({"/home", "ext4", 42'000'000});
    EXPECT_EQ(UsedSpaceText::describe(small),
              QStringLiteral("Used %1: %2 scanned. Not counted here, as other file systems: /home (ext4, %3 used).")
                  .arg(Formats::byteCount(1000), Formats::byteCount(5000), Formats::byteCount(42'000'000)));
}

} // namespace
} // namespace vistrel
