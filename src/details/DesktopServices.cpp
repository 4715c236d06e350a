#include "DesktopServices.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "services/Log.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

namespace vistrel {

QUrl DesktopServices::fileUrl(const std::string& path)
{
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

void DesktopServices::showInFinder(const std::string& path)
{
    bool isFile = true;
    try {
        isFile = !FileSystemMetadata::status(path).isDirectory();
    } catch (const FileSystemError& error) {
        Log::error(LogCategory::app,
                   "failed to retreieve resource values for " + path + ": " + error.localizedDescription());
    }
    const QUrl url = fileUrl(path);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"),
        isFile ? QStringLiteral("ShowItems") : QStringLiteral("ShowFolders"));
    call << QStringList{QString::fromLatin1(url.toEncoded())} << QString();
    const QUrl folder = isFile ? url.adjusted(QUrl::RemoveFilename) : url;
    // Asked without waiting: the window stays responsive while the file manager starts.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, folder] {
        watcher->deleteLater();
        if (!watcher->isError())
            return;
        // No file manager answers: open the folder itself.
        if (!QDesktopServices::openUrl(folder))
            Log::error(LogCategory::app, "cannot open " + folder.toString().toStdString());
    });
}

void DesktopServices::copyToPasteboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    auto* data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data);
}

QString DesktopServices::pathAsText(const std::string& path)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(path.data(), static_cast<qsizetype>(path.size())));
    if (!decoder.hasError())
        return text;
    // Bash's ANSI-C quoting: printable ASCII as it is, every other byte as \xHH.
    QString quoted = QStringLiteral("$'");
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\'' || byte == '\\')
            quoted += QStringLiteral("\\%1").arg(QLatin1Char(c));
        else if (byte >= 0x20 && byte < 0x7f)
            quoted += QLatin1Char(c);
        else
            quoted += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return quoted + QLatin1Char('\'');
}

void DesktopServices::copyPath(const std::string& path)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    auto* data = new QMimeData;
    data->setText(pathAsText(path));
    data->setUrls({fileUrl(path)});
    clipboard->setMimeData(data);
}

std::optional<QString> DesktopServices::terminalProgram()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (found.isEmpty()) {
        const QString chosen = qEnvironmentVariable("TERMINAL").trimmed();
        if (!chosen.isEmpty())
            found = chosen.startsWith(QLatin1Char('/')) ? (QFileInfo(chosen).isExecutable() ? chosen : QString())
                                                        : QStandardPaths::findExecutable(chosen);
    }
    return found.isEmpty() ? std::nullopt : std::optional<QString>(found);
}

std::optional<QString> DesktopServices::openTerminal(const std::string& folder)
{
    const auto program = terminalProgram();
    if (!program)
        return QStringLiteral("No terminal was found: install one, or set TERMINAL to the one you use.");
    // A folder whose name is not valid text cannot be handed over as a working folder.
    const QString directory = QFile::decodeName(QByteArray::fromStdString(folder));
    if (QFile::encodeName(directory).toStdString() != folder)
        return QStringLiteral("The folder's name is not valid text, so a terminal cannot be opened in it.");
    if (!QProcess::startDetached(*program, {}, directory))
        return QStringLiteral("%1 could not be started.").arg(*program);
    return std::nullopt;
}

} // namespace vistrel
