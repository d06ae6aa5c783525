#include "resourcemanager.h"

#include "model/applicationsettings.h"
#include "platform/notificationcenter.h"
#include "platform/plist/propertylist.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

namespace vidarium {

namespace {

const QString ShippedCopyPath
    = QStringLiteral(":/resources/com.tallowmere.vidarium.versions.plist");
const QString DefaultServerUrl = QStringLiteral(
    "https://www.tallowmere.com/sparkle/versions/com.tallowmere.vidarium.versions.plist");
// A version file is a few hundred bytes; anything far larger is not one.
constexpr qint64 MaximumBodyBytes = 1024 * 1024;

PlistDictionary shippedCopy()
{
    QFile file(ShippedCopyPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Result<PlistValue> value = PropertyList::read(file.readAll());
    return value && value->type() == PlistValue::Type::Dictionary ? value->toDictionary()
                                                                  : PlistDictionary();
}

} // namespace

ResourceManager &ResourceManager::sharedManager()
{
    static ResourceManager *manager = new ResourceManager(serverUrl());
    return *manager;
}

QUrl ResourceManager::serverUrl()
{
    if (qEnvironmentVariableIsSet("VIDARIUM_VERSION_URL"))
        return QUrl(qEnvironmentVariable("VIDARIUM_VERSION_URL"));
    return QUrl(DefaultServerUrl);
}

ResourceManager::ResourceManager(const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_url(url)
    , m_dictionary(shippedCopy())
{
    m_network = new QNetworkAccessManager(this);
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        m_scheduled.reset();
        download();
    });
    if (m_url.isValid() && !m_url.isEmpty())
        resetWithTimeInterval(0);
}

ResourceManager::~ResourceManager()
{
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
    }
}

std::optional<QUrl> ResourceManager::downloadLink() const
{
    const PlistValue link = m_dictionary.value(QStringLiteral("Links"))
                                .toDictionary()
                                .value(QStringLiteral("Download"));
    if (link.type() != PlistValue::Type::String)
        return std::nullopt;
    const QUrl url(link.toString(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return url;
}

void ResourceManager::resetWithTimeInterval(qint64 milliseconds)
{
    m_scheduled = milliseconds;
    m_refreshTimer.start(int(std::min<qint64>(
        qint64(double(milliseconds) * m_timeScale), std::numeric_limits<int>::max())));
}

std::optional<qint64> ResourceManager::scheduledInterval() const
{
    return m_refreshTimer.isActive() ? m_scheduled : std::nullopt;
}

void ResourceManager::download()
{
    if (m_reply)
        return;
    if (!m_url.isValid() || m_url.isEmpty()) {
        resetWithNetworkError(QStringLiteral("no address"), QString());
        return;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(30000);
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaximumBodyBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void ResourceManager::finished(QNetworkReply *reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        resetWithNetworkError(reply->errorString(), reply->url().toString());
        emit fetchFinished(false);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->read(MaximumBodyBytes + 1);
    const Result<PlistValue> value
        = status == 200 && !body.isEmpty() && body.size() <= MaximumBodyBytes
        ? PropertyList::read(body)
        : Result<PlistValue>(Error(QStringLiteral("HTTP status %1").arg(status)));
    if (!value || value->type() != PlistValue::Type::Dictionary) {
        resetWithNetworkError(
            value ? QStringLiteral("not a dictionary") : value.error().message(), QString());
        emit fetchFinished(false);
        return;
    }
    m_dictionary = value->toDictionary();
    m_retryInterval = RetryIntervalMs;
    resetWithTimeInterval(RefreshIntervalMs);
    NotificationCenter::instance().post(DidReceiveVersionData);
    emit fetchFinished(true);
}

void ResourceManager::resetWithNetworkError(const QString &error, const QString &failingUrl)
{
    ApplicationSettings::logConsoleMessage(
        QStringLiteral("Version Info: Connection failed: %1 %2 %3")
            .arg(m_url.toString(), error, failingUrl));
    resetWithTimeInterval(m_retryInterval);
    m_retryInterval = std::min(m_retryInterval * 2, MaximumRetryIntervalMs);
}

} // namespace vidarium
