// The quick look at a file, opened from the details panel.
#include "details/DesktopServices.h"
#include "details/ExplorerDetailsView.h"
#include "details/FilePreviewWindow.h"
#include "details/ItemDetails.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "support/CommandRunner.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QThreadPool>

#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::CommandResult;
using testing::runCommand;
using testing::TemporaryTree;

TEST(FilePreview, ImagesTextAndAnythingElseAndEscClosesIt)
{
    testing::ensureApplication();
    TemporaryTree tree;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(tree.path("picture.png"))));
    tree.writeFile("notes.txt", std::string("hello\n"));
    tree.writeFile("blob.bin", std::string("\x01\x02\x03\xfe", 4));
    for (const auto& [name, kind] : {std::pair{"picture.png", FilePreviewWindow::Kind::image},
                                     std::pair{"notes.txt", FilePreviewWindow::Kind::text},
                                     std::pair{"blob.bin", FilePreviewWindow::Kind::other}}) {
        FilePreviewWindow window(tree.path(name));
        ASSERT_TRUE(testing::waitUntil([&] { return window.kind() != FilePreviewWindow::Kind::loading; })) << name;
        EXPECT_EQ(window.kind(), kind) << name;
    }

    auto made = FileSystemWalker::makeRecord(FileUrl(tree.path("notes.txt")), nullptr);
    ExplorerDetailsView panel(ItemDetails::make(VistrelFile(made->record)), nullptr);
    EXPECT_FALSE(panel.previewURL());
    panel.openPreview();
    ASSERT_TRUE(panel.preview());
    EXPECT_EQ(panel.previewURL(), tree.path("notes.txt"));
    QTest::keyClick(panel.preview(), Qt::Key_Escape);
    ASSERT_TRUE(testing::waitUntil([&] { return !panel.previewURL().has_value(); })) << "closing clears previewURL";
    EXPECT_FALSE(panel.preview());
}

// Pipes and devices where a file was expected must not block the preview or quitting, and a
// name that is not UTF-8 shows its own file, not one whose name decodes alike.
TEST(FilePreview, OnlyRegularFilesAreReadAndNamesStayBytes)
{
    testing::ensureApplication();
    TemporaryTree tree;
    ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0600), 0);
    tree.makeSymbolicLink(tree.path("pipe"), "link-to-pipe");
    tree.writeFile("replaced.txt", std::string("text\n"));
    for (const char* name : {"pipe", "link-to-pipe", "replaced.txt"}) {
        if (std::string(name) == "replaced.txt") {
            // Replaced by a pipe after the scan saw a text file.
            ASSERT_EQ(::unlink(tree.path(name).c_str()), 0);
            ASSERT_EQ(::mkfifo(tree.path(name).c_str(), 0600), 0);
        }
        auto window = std::make_unique<FilePreviewWindow>(tree.path(name));
        ASSERT_TRUE(testing::waitUntil([&] { return window->kind() != FilePreviewWindow::Kind::loading; })) << name;
        EXPECT_EQ(window->kind(), FilePreviewWindow::Kind::other) << name;
    }
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(5000)) << "no reader is left blocked on a pipe";

    tree.writeFile("bad\xff\xfename.txt", std::string("the right file\n"));
    tree.writeFile("bad\xef\xbf\xbd\xef\xbf\xbdname.txt", std::string("the wrong file\n"));
    FilePreviewWindow window(tree.path("bad\xff\xfename.txt"));
    ASSERT_TRUE(testing::waitUntil([&] { return window.kind() != FilePreviewWindow::Kind::loading; }));
    ASSERT_EQ(window.kind(), FilePreviewWindow::Kind::text);
    const auto* text = window.findChild<QPlainTextEdit*>();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("the right file\n"));
    EXPECT_EQ(DesktopServices::fileUrl(tree.path("bad\xff\xfename.txt")).toEncoded().right(17),
              QByteArray("bad%FF%FEname.txt"))
        << "the URL handed to other programs keeps the bytes";
}

// An item deleted since the scan says so; a path that is not UTF-8 is copied so that a shell
// reaches the very bytes.
TEST(FilePreview, AGoneFileSaysSoAndPathsCopyAsTheirBytes)
{
    testing::ensureApplication();
    TemporaryTree tree;
    FilePreviewWindow gone(tree.path("deleted-since"));
    ASSERT_TRUE(testing::waitUntil([&] { return gone.kind() != FilePreviewWindow::Kind::loading; }));
    EXPECT_EQ(gone.kind(), FilePreviewWindow::Kind::missing);
    const auto* label = gone.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_TRUE(label);

    const std::string path = tree.path("bad\xff it's\\caf\xc3\xa9");
    tree.writeFile("bad\xff it's\\caf\xc3\xa9", std::string("x"));
    const QString text = DesktopServices::pathAsText(path);
    EXPECT_TRUE(text.startsWith(QStringLiteral("$'"))) << text.toStdString();
    const CommandResult shell = runCommand({"/bin/bash", "-c", "printf %s " + text.toStdString()});
    EXPECT_EQ(shell.standardOutput, path) << "bash turns the text back into the bytes";
    EXPECT_EQ(DesktopServices::pathAsText("/tmp/caf\xc3\xa9"), QStringLiteral(u"/tmp/café")) << "UTF-8 stays text";
    DesktopServices::copyPath(path);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied && copied->hasUrls());
    EXPECT_EQ(copied->urls().front().toEncoded(), DesktopServices::fileUrl(path).toEncoded());
}

} // namespace
} // namespace vistrel
