#include "Updater.h"

#include "services/Log.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVersionNumber>
#include <QXmlStreamReader>

namespace vistrel {

namespace {
constexpr int timeoutMilliseconds = 15000;
constexpr int firstCheckMilliseconds = 60 * 1000;
constexpr int dayMilliseconds = 24 * 60 * 60 * 1000;
} // namespace

Updater::Updater(QString currentVersion, QObject* parent)
    : QObject(parent)
    , currentVersion_(std::move(currentVersion))
    , network_(new QNetworkAccessManager(this))
{
    schedule_.setSingleShot(false);
    connect(&schedule_, &QTimer::timeout, this, [this] {
        schedule_.setInterval(dayMilliseconds);
        checkForUpdates(false);
    });
}

QUrl Updater::feed() const
{
    const QByteArray overridden = qgetenv(feedVariable);
    return QUrl(overridden.isEmpty() ? QString::fromLatin1(defaultFeed) : QString::fromUtf8(overridden));
}

void Updater::startSchedule()
{
    schedule_.start(firstCheckMilliseconds);
}

void Updater::stopSchedule()
{
    schedule_.stop();
}

void Updater::checkForUpdates(bool userInitiated)
{
    if (!canCheck_)
        return;
    canCheck_ = false;
    Q_EMIT canCheckForUpdatesChanged(false);
    QNetworkRequest request(feed());
    request.setTransferTimeout(timeoutMilliseconds);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Vistrel/") + currentVersion_);
    QNetworkReply* reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, userInitiated] { finished(reply, userInitiated); });
}

void Updater::finished(QNetworkReply* reply, bool userInitiated)
{
    reply->deleteLater();
    Result result;
    if (reply->error() != QNetworkReply::NoError) {
        result.description = reply->errorString();
    } else {
        result = parseFeed(reply->readAll(), currentVersion_);
    }
    result.userInitiated = userInitiated;
    if (result.kind == Result::Kind::failed)
        Log::error(LogCategory::app, "update check failed: " + result.description.toStdString());
    canCheck_ = true;
    Q_EMIT canCheckForUpdatesChanged(true);
    Q_EMIT checkFinished(result);
}

Updater::Result Updater::parseFeed(const QByteArray& feed, const QString& currentVersion)
{
    Result result;
    QXmlStreamReader xml(feed);
    QVersionNumber newest;
    QUrl newestLink;
    bool sawChannel = false;
    bool inItem = false;
    QVersionNumber itemVersion;
    QUrl itemLink;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("channel"))
                sawChannel = true;
            else if (name == QLatin1String("item")) {
                inItem = true;
                itemVersion = QVersionNumber();
                itemLink = QUrl();
            } else if (inItem && name == QLatin1String("enclosure")) {
                // Sparkle's form: the version and the download on the enclosure.
                const auto attributes = xml.attributes();
                for (const auto& attribute : attributes) {
                    if (attribute.name() == QLatin1String("version")
                        || attribute.name() == QLatin1String("shortVersionString"))
                        itemVersion = std::max(itemVersion, QVersionNumber::fromString(attribute.value().toString()));
                }
                if (attributes.hasAttribute(QStringLiteral("url")))
                    itemLink = QUrl(attributes.value(QStringLiteral("url")).toString());
            } else if (inItem && (name == QLatin1String("version") || name == QLatin1String("shortVersionString"))) {
                itemVersion = std::max(itemVersion, QVersionNumber::fromString(xml.readElementText()));
            } else if (inItem && name == QLatin1String("link") && itemLink.isEmpty()) {
                itemLink = QUrl(xml.readElementText().trimmed());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("item")) {
            inItem = false;
            if (!itemVersion.isNull() && itemVersion > newest) {
                newest = itemVersion;
                newestLink = itemLink;
            }
        }
    }
    if (xml.hasError()) {
        result.description = QStringLiteral("The update feed cannot be read: ") + xml.errorString();
        return result;
    }
    if (!sawChannel || newest.isNull()) {
        result.description = QStringLiteral("The update feed lists no version.");
        return result;
    }
    result.version = newest.toString();
    result.link = newestLink;
    result.kind
        = newest > QVersionNumber::fromString(currentVersion) ? Result::Kind::newVersion : Result::Kind::upToDate;
    return result;
}

} // namespace vistrel
