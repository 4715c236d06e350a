#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <string>

namespace vistrel {

// The explorer's two desktop actions, shared by the table, the search and the details.
class DesktopServices {
public:
    // The menu text of showInFinder on Linux.
    static constexpr const char* showInFileManagerText = "Open in File Manager";

    // Reveals the item in the file manager: a file selected inside its folder, a directory
    // opened (org.freedesktop.FileManager1 over D-Bus, else the folder opened by URL).
    static void showInFinder(const std::string& path);
    // The clipboard holds `text` as plain text only.
    static void copyToPasteboard(const QString& text);
    // The clipboard holds the path as text and as a file URL that keeps every byte. A path
    // that is not UTF-8 is text quoted for a shell ($'…\xff…'), so that pasting it into a
    // terminal reaches the file.
    static void copyPath(const std::string& path);
    // The desktop's terminal, found as desktop environments find it: x-terminal-emulator
    // (Debian's alternative), then $TERMINAL; none when neither can be run.
    static std::optional<QString> terminalProgram();
    // Starts it in `folder`; why not, when it cannot.
    static std::optional<QString> openTerminal(const std::string& folder);
    static QString pathAsText(const std::string& path);
    // A file URL of the path's exact bytes, percent-encoded where needed.
    static QUrl fileUrl(const std::string& path);
};

} // namespace vistrel
