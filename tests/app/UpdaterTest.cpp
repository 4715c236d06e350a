// The update checker against feeds served on 127.0.0.1.
#include "app/Updater.h"
#include "app/CheckForUpdatesView.h"
#include "app/CheckForUpdatesViewModel.h"

#include "support/EventLoop.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QWidget>

#include <functional>
#include <optional>

namespace vistrel {
namespace {

using testing::ensureApplication;
using testing::waitUntil;

QByteArray appcast(const QString& version)
{
    return QStringLiteral("<?xml version=\"1.0\"?><rss version=\"2.0\" "
                          "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
                          "<channel><title>Vistrel</title>"
                          "<item><title>old</title><enclosure url=\"https://example.org/old.tar.gz\" "
                          "sparkle:version=\"0.0.9\"/></item>"
                          "<item><title>new</title><enclosure url=\"https://example.org/v%1.tar.gz\" "
                          "sparkle:version=\"%1\"/></item>"
                          "</channel></rss>")
        .arg(version)
        .toUtf8();
}

// Answers every request with `body`, once `release` allows it.
class FeedServer : public QTcpServer {
public:
    QByteArray body;
    bool release = true;
    FeedServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    waitUntil([this] { return release; });
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(serverPort()) + "/appcast.xml"; }
};

std::optional<Updater::Result> check(Updater& updater)
{
    std::optional<Updater::Result> result;
    QObject::connect(&updater, &Updater::checkFinished, [&result](const Updater::Result& made) { result = made; });
    updater.checkForUpdates(true);
    waitUntil([&] { return result.has_value(); });
    return result;
}

TEST(Updater, ReadsTheNewestVersionOfAnAppcast)
{
    const auto newer = Updater::parseFeed(appcast(QStringLiteral("1.2.0")), QStringLiteral("0.1.0"));
    EXPECT_EQ(newer.kind, Updater::Result::Kind::newVersion);
    EXPECT_EQ(newer.version, QStringLiteral("1.2.0"));
    EXPECT_EQ(newer.link, QUrl(QStringLiteral("https://example.org/v1.2.0.tar.gz")));
    EXPECT_EQ(Updater::parseFeed(appcast(QStringLiteral("0.1.0")), QStringLiteral("0.1.0")).kind,
              Updater::Result::Kind::upToDate);
    EXPECT_EQ(Updater::parseFeed(appcast(QStringLiteral("0.10.0")), QStringLiteral("0.9.0")).kind,
              Updater::Result::Kind::newVersion)
        << "versions compare by number, not text";
    EXPECT_EQ(Updater::parseFeed("<rss><channel>", QStringLiteral("0.1.0")).kind, Updater::Result::Kind::failed);
    EXPECT_EQ(Updater::parseFeed("<html>not a feed</html>", QStringLiteral("0.1.0")).kind,
              Updater::Result::Kind::failed);
}

TEST(Updater, TheFlagIsFalseDuringACheckAndErrorsEndItToo)
{
    ensureApplication();
    FeedServer server;
    server.body = appcast(QStringLiteral("9.0"));
    server.release = false;
    qputenv(Updater::feedVariable, server.url());
    Updater updater(QStringLiteral("0.1.0"));
    QWidget parent;
    CheckForUpdatesView view(&updater, &parent);
    EXPECT_TRUE(view.action()->isEnabled());
    std::optional<Updater::Result> result;
    QObject::connect(&updater, &Updater::checkFinished, [&result](const Updater::Result& made) { result = made; });
    view.action()->trigger();
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_FALSE(view.model()->canCheckForUpdates());
    EXPECT_FALSE(view.action()->isEnabled()) << "disabled while a check runs";
    server.release = true;
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->kind, Updater::Result::Kind::newVersion);
    EXPECT_TRUE(view.action()->isEnabled()) << "enabled again afterwards";

    server.body = "<rss><channel><item>";
    const auto malformed = check(updater);
    ASSERT_TRUE(malformed);
    EXPECT_EQ(malformed->kind, Updater::Result::Kind::failed);

    server.close(); // nothing listens there any more
    const auto unreachable = check(updater);
    ASSERT_TRUE(unreachable) << "an unreachable feed ends the check";
    EXPECT_EQ(unreachable->kind, Updater::Result::Kind::failed);
    EXPECT_FALSE(unreachable->description.isEmpty());
    EXPECT_TRUE(updater.canCheckForUpdates());
    qunsetenv(Updater::feedVariable);
}

} // namespace
} // namespace vistrel
