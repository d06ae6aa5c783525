#include "guitestsupport.h"

#include "app/resourcemanager.h"
#include "platform/plist/propertylist.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

// Answers every request on the loopback address with one canned response.
class HttpStub : public QTcpServer
{
public:
    HttpStub(int status, QByteArray body)
        : m_status(status)
        , m_body(std::move(body))
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    ++requests;
                    socket->write(QByteArray("HTTP/1.1 ") + QByteArray::number(m_status)
                        + " X\r\nContent-Length: " + QByteArray::number(m_body.size())
                        + "\r\nConnection: close\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/versions.plist").arg(serverPort()));
    }
    int requests = 0;

private:
    int m_status;
    QByteArray m_body;
};

QByteArray versionsWithLink(const QString &link)
{
    return PropertyList::writeXml(PlistValue(PlistDictionary { { QStringLiteral("Links"),
        PlistValue(PlistDictionary { { QStringLiteral("Download"), PlistValue(link) } }) } }));
}

// Timers stretched so that only the test starts fetches (the first one too).
void quieten(ResourceManager &manager)
{
    manager.setTimeScale(1e6);
    manager.resetWithTimeInterval(1);
}

bool fetchOnce(ResourceManager &manager)
{
    std::optional<bool> result;
    QObject::connect(
        &manager, &ResourceManager::fetchFinished, &manager, [&result](bool ok) { result = ok; },
        Qt::SingleShotConnection);
    manager.download();
    waitUntil([&result] { return result.has_value(); }, 10000);
    return result.value_or(false);
}

} // namespace

TEST(ResourceManager, OfflineKeepsTheShippedCopyAndBacksOff)
{
    // A port nobody listens on.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/x.plist").arg(closed.serverPort()));
    closed.close();
    ResourceManager manager(url);
    quieten(manager);
    const std::optional<QUrl> shipped = manager.downloadLink();
    ASSERT_TRUE(shipped);
    EXPECT_EQ(shipped->scheme(), QStringLiteral("https"));

    EXPECT_FALSE(fetchOnce(manager));
    EXPECT_EQ(manager.scheduledInterval(), ResourceManager::RetryIntervalMs);
    EXPECT_FALSE(fetchOnce(manager));
    EXPECT_EQ(manager.scheduledInterval(), 2 * ResourceManager::RetryIntervalMs);
    for (int i = 0; i < 12; ++i)
        fetchOnce(manager);
    EXPECT_EQ(manager.scheduledInterval(), ResourceManager::MaximumRetryIntervalMs);
    EXPECT_EQ(manager.downloadLink(), shipped);
}

TEST(ResourceManager, NotFoundKeepsTheShippedCopy)
{
    HttpStub stub(404, "missing");
    ResourceManager manager(stub.url());
    quieten(manager);
    const std::optional<QUrl> shipped = manager.downloadLink();
    EXPECT_FALSE(fetchOnce(manager));
    EXPECT_GE(stub.requests, 1);
    EXPECT_EQ(manager.downloadLink(), shipped);
    EXPECT_EQ(manager.scheduledInterval(), ResourceManager::RetryIntervalMs);
}

TEST(ResourceManager, AGoodAnswerReplacesTheCopyAndResetsTheBackOff)
{
    HttpStub stub(200, versionsWithLink(QStringLiteral("https://example.org/get")));
    ResourceManager manager(stub.url());
    quieten(manager);
    ASSERT_TRUE(fetchOnce(manager));
    EXPECT_EQ(manager.downloadLink(), QUrl(QStringLiteral("https://example.org/get")));
    EXPECT_EQ(manager.scheduledInterval(), ResourceManager::RefreshIntervalMs);
}

TEST(ResourceManager, OnlyWebLinksAreOffered)
{
    for (const QString &link : { QStringLiteral("file:///etc/passwd"),
             QStringLiteral("javascript:alert(1)"), QStringLiteral("not a link") }) {
        SCOPED_TRACE(link.toStdString());
        HttpStub stub(200, versionsWithLink(link));
        ResourceManager manager(stub.url());
        quieten(manager);
        ASSERT_TRUE(fetchOnce(manager));
        EXPECT_FALSE(manager.downloadLink());
    }
    HttpStub garbage(200, "this is no property list");
    ResourceManager manager(garbage.url());
    quieten(manager);
    EXPECT_FALSE(fetchOnce(manager));
    EXPECT_TRUE(manager.downloadLink());
}

TEST(ResourceManager, NoAddressFetchesNothing)
{
    ResourceManager manager { QUrl() };
    processEvents();
    EXPECT_FALSE(manager.isFetching());
    EXPECT_FALSE(manager.scheduledInterval());
}
