#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace vistrel {

// Checks an appcast feed (RSS items carrying a version and a download link) for a newer
// version of the application. One check at a time; `canCheckForUpdates` is false while one
// runs. Never waits on the network on the calling thread.
class Updater : public QObject {
    Q_OBJECT
public:
    static constexpr const char* defaultFeed = "https://vistrel.org/appcast.xml";
    // Overrides the feed's address (tests serve one on 127.0.0.1).
    static constexpr const char* feedVariable = "VISTREL_UPDATE_FEED";

    struct Result {
        enum class Kind { upToDate, newVersion, failed };
        Kind kind = Kind::failed;
        QString version; // the newest version the feed offers
        QUrl link; // where to get it
        QString description; // what went wrong
        bool userInitiated = false;
    };

    Updater(QString currentVersion, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return canCheck_; }
    QUrl feed() const;
    // Starts a check; ignored while one runs.
    void checkForUpdates(bool userInitiated = true);
    // Checks on its own schedule: soon after start, then once a day.
    void startSchedule();
    void stopSchedule();

    // The newest item of an appcast, or a description of why it cannot be read.
    static Result parseFeed(const QByteArray& feed, const QString& currentVersion);

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const Updater::Result& result);

private:
    void finished(QNetworkReply* reply, bool userInitiated);

    QString currentVersion_;
    QNetworkAccessManager* network_;
    QTimer schedule_;
    bool canCheck_ = true;
};

} // namespace vistrel
