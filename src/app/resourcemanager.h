#pragma once

// Version information about the program: the copy shipped with it, replaced by
// the current one from the maker's server, fetched at start and then weekly.
// Offline, fetches back off from 5 seconds, doubling up to an hour, and start
// again at 5 seconds after a success. Only http and https download links are
// offered. Failures never reach the user. The server address comes from
// VIDARIUM_VERSION_URL when that is set; set and empty, nothing is fetched.
// Threads: main thread.

#include "platform/plist/plistvalue.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
#include <QNetworkReply>

namespace vidarium {

class ResourceManager : public QObject
{
    Q_OBJECT
public:
    static inline const QString DidReceiveVersionData
        = QStringLiteral("com.tallowmere.vidarium.AppDidReceiveVersionDataNotification");
    static constexpr qint64 RetryIntervalMs = 5000;
    static constexpr qint64 MaximumRetryIntervalMs = 3600 * 1000;
    static constexpr qint64 RefreshIntervalMs = qint64(604800) * 1000;

    // The shared service, made on first use; it schedules its first fetch then.
    static ResourceManager &sharedManager();
    // The server address: VIDARIUM_VERSION_URL when set (empty: none), else the maker's.
    static QUrl serverUrl();

    // A service fetching from `url` (an empty address fetches nothing).
    explicit ResourceManager(const QUrl &url, QObject *parent = nullptr);
    ~ResourceManager() override;

    const PlistDictionary &dictionary() const { return m_dictionary; }
    // The "Download" link of "Links", only when it is an http or https address.
    std::optional<QUrl> downloadLink() const;

    // Starts one fetch now (the timer's action).
    void download();
    // Schedules the next fetch; replaces any pending one.
    void resetWithTimeInterval(qint64 milliseconds);
    // The interval of the pending fetch, or nothing when none is pending.
    std::optional<qint64> scheduledInterval() const;
    bool isFetching() const { return m_reply != nullptr; }
    // Shortens every interval (tests): the schedule is recorded unscaled.
    void setTimeScale(double scale) { m_timeScale = scale; }

signals:
    // After each fetch, successful or not (tests wait for it).
    void fetchFinished(bool succeeded);

private:
    void finished(QNetworkReply *reply);
    void resetWithNetworkError(const QString &error, const QString &failingUrl);

    QUrl m_url;
    PlistDictionary m_dictionary;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_refreshTimer;
    std::optional<qint64> m_scheduled;
    qint64 m_retryInterval = RetryIntervalMs;
    double m_timeScale = 1.0;
};

} // namespace vidarium
