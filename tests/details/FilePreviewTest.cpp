// The quick look at a file, opened from the details panel.
#include "details/ExplorerDetailsView.h"
#include "details/FilePreviewWindow.h"
#include "details/ItemDetails.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

namespace vistrel {
namespace {

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

} // namespace
} // namespace vistrel
