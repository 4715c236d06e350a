#include "FilePreviewWindow.h"

#include "DesktopServices.h"

#include "filesystem/FileUrl.h"
#include "services/Background.h"
#include "services/DisplayName.h"

#include <QDesktopServices>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// Only a regular file is previewed. It is opened by its bytes (names need not be UTF-8), never
// through a link, and without waiting: a pipe or device put in its place cannot block.
std::unique_ptr<QFile> openRegularFile(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return nullptr;
    struct stat status { };
    auto file = std::make_unique<QFile>();
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || !file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return nullptr;
    }
    return file;
}

struct Loaded {
    FilePreviewWindow::Kind kind = FilePreviewWindow::Kind::other;
    QImage image;
    QString text;
};

// On a worker: the picture or the text of the file, whichever it holds.
Loaded load(const QString& name, const std::string& path)
{
    using Kind = FilePreviewWindow::Kind;
    const std::unique_ptr<QFile> file = openRegularFile(path);
    if (!file) {
        struct stat status { };
        return {::lstat(path.c_str(), &status) != 0 && errno == ENOENT ? Kind::missing : Kind::other, {}, {}};
    }
    {
        QImageReader reader(file.get());
        reader.setAutoTransform(true);
        // Pictures of absurd size are not decoded.
        if (reader.canRead() && reader.size().isValid()
            && reader.size().width() * qint64(reader.size().height()) < 200'000'000) {
            QImage image = reader.read();
            if (!image.isNull())
                return {Kind::image, std::move(image), {}};
        }
    }
    file->seek(0);
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(name, file.get());
    if (type.inherits(QStringLiteral("text/plain")) && file->seek(0))
        return {Kind::text, {}, QString::fromUtf8(file->read(FilePreviewWindow::maximumTextBytes))};
    return {};
}

} // namespace

FilePreviewWindow::FilePreviewWindow(std::string path, QWidget* parent)
    : QDialog(parent)
    , path_(std::move(path))
    , stack_(new QStackedLayout(this))
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path_)); // for the type by name
    setWindowTitle(DisplayName::of(FileUrl::lastPathComponent(path_)));
    setAccessibleName(QStringLiteral("Preview of ") + windowTitle());
    resize(720, 540);
    auto* loading = new QLabel(QStringLiteral("Loading…"), this);
    loading->setAlignment(Qt::AlignCenter);
    stack_->addWidget(loading);
    runInBackground(
        lifetime_, [name, path = path_] { return load(name, path); },
        [this](Loaded loaded) { showLoaded(loaded.kind, loaded.image, loaded.text); });
}

FilePreviewWindow::~FilePreviewWindow() = default;

void FilePreviewWindow::showLoaded(Kind kind, const QImage& image, const QString& text)
{
    kind_ = kind;
    QWidget* page = nullptr;
    switch (kind) {
    case Kind::image: {
        auto* label = new QLabel(this);
        label->setAlignment(Qt::AlignCenter);
        label->setPixmap(
            QPixmap::fromImage(image.size().boundedTo(QSize(1600, 1200)) == image.size()
                                   ? image
                                   : image.scaled(QSize(1600, 1200), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        label->setAccessibleName(QStringLiteral("Image"));
        page = label;
        break;
    }
    case Kind::text: {
        auto* view = new QPlainTextEdit(text, this);
        view->setReadOnly(true);
        view->setAccessibleName(QStringLiteral("Text"));
        page = view;
        break;
    }
    case Kind::missing: {
        auto* label = new QLabel(
            QStringLiteral("“%1” no longer exists: it was moved or deleted after the scan.").arg(windowTitle()), this);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setAccessibleName(label->text());
        page = label;
        break;
    }
    case Kind::other:
    case Kind::loading: {
        page = new QWidget(this);
        auto* layout = new QVBoxLayout(page);
        layout->addStretch();
        auto* open = new QPushButton(QStringLiteral("Open with Default Application"), page);
        open->setAccessibleName(open->text());
        const QUrl url = DesktopServices::fileUrl(path_);
        connect(open, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
        layout->addWidget(open, 0, Qt::AlignCenter);
        layout->addStretch();
        break;
    }
    }
    stack_->addWidget(page);
    stack_->setCurrentWidget(page);
    Q_EMIT kindChanged();
}

void FilePreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vistrel
