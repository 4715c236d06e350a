// What the window says after a cleanup and what its menu items are called.
#include "cleanup/CleanupSummary.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace vistrel {
namespace {

TEST(CleanupSummary, SaysWhatWentWhereHowMuchAndWhatTheVolumeHasNow)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); // the figures' separators
    CleanupModel::Report trashed;
    trashed.action = CleanupModel::Action::moveToTrash;
    trashed.done = {"/home/ann/VMs/disk.vdi"};
    trashed.bytes = 2150000000;
    trashed.trashFolder = "/home/ann/.local/share/Trash";
    trashed.freeBefore = 1000000000;
    trashed.freeAfter = 1000000000;
    EXPECT_EQ(CleanupSummary::of(trashed).toStdString(),
              "Moved “disk.vdi” (2.15 GB) to the Trash in /home/ann/.local/share/Trash. The space is freed when the "
              "trash is emptied. Free space: 1 GB before, 1 GB now.");

    CleanupModel::Report deleted;
    deleted.action = CleanupModel::Action::deletePermanently;
    deleted.done = {"/w/build/", "/w/cache/", "/w/a.o", "/w/b.o"};
    deleted.bytes = 12400000;
    deleted.failures = {{"/w/locked", "Permission denied"}};
    EXPECT_EQ(CleanupSummary::of(deleted).toStdString(),
              "Deleted “build”, “cache”, “a.o” and 1 more (12.4 MB) permanently from /w. “locked” could not be "
              "handled: Permission denied.")
        << "no free space where it is not known";

    CleanupModel::Report refused;
    refused.action = CleanupModel::Action::deletePermanently;
    refused.failures = {{"/r/mnt/", "another file system is mounted there"}, {"/r/b/", "x"}};
    EXPECT_EQ(CleanupSummary::of(refused).toStdString(), "Nothing was changed. 2 items could not be handled.");

    // A folder holding a mount: its own files go, the mount stays, and both are said.
    CleanupModel::Report part;
    part.action = CleanupModel::Action::deletePermanently;
    part.partly = {"/r/a/"};
    part.failures = {{"/r/a/mnt/", "another file system is mounted there; it was left alone"}};
    part.freeBefore = 1000000000;
    part.freeAfter = 1000070000;
    EXPECT_EQ(CleanupSummary::of(part).toStdString(),
              "Deleted part of “a” permanently from /r; the rest is still there. Free space: 1 GB before, 1 GB now. "
              "“mnt” could not be handled: another file system is mounted there; it was left alone.");

    CleanupModel::Report undone;
    undone.action = CleanupModel::Action::undoMoveToTrash;
    undone.done = {"/home/ann/VMs/disk.vdi"};
    undone.bytes = 2150000000;
    EXPECT_EQ(CleanupSummary::of(undone).toStdString(), "Put “disk.vdi” (2.15 GB) back in /home/ann/VMs.");
}

TEST(CleanupSummary, MenuItemsNameTheirTarget)
{
    EXPECT_EQ(CleanupSummary::moveToTrashLabel({"/h/.local/share/x/logs/debug.log"}).toStdString(),
              "Move “debug.log” to &Trash");
    EXPECT_EQ(CleanupSummary::deletePermanentlyLabel({"/h/build/"}).toStdString(), "&Delete “build” Permanently…");
    EXPECT_EQ(CleanupSummary::moveToTrashLabel({"/a", "/b", "/c"}).toStdString(), "Move 3 Items to &Trash");
    EXPECT_EQ(CleanupSummary::moveToTrashLabel({}).toStdString(), "Move to &Trash");
    EXPECT_EQ(CleanupSummary::names({"/x/caf\xe9"}).toStdString(), "“caf\\xE9”") << "bytes that are not text, shown";
}

} // namespace
} // namespace vistrel
