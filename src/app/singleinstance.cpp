#include "singleinstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace vidarium {

namespace {
constexpr int TimeoutMs = 2000;
// A message is a list of paths; more than this is not one.
constexpr qint64 MaximumMessageBytes = 1024 * 1024;
} // namespace

QString SingleInstance::defaultServerName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("vidarium-%1.socket").arg(getuid()));
}

SingleInstance::SingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(serverName)
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::forward(const QStringList &paths)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(TimeoutMs))
        return false;
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << paths;
    socket.write(message);
    if (!socket.waitForBytesWritten(TimeoutMs))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(TimeoutMs);
    return true;
}

bool SingleInstance::forwardOrListen(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());
    // Two starts at the same moment: the lock lets one of them become the first.
    QLockFile lock(m_serverName + QStringLiteral(".lock"));
    lock.tryLock(TimeoutMs);
    if (forward(absolute))
        return true;
    // Nobody answered: a socket file left by a crash is stale.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readConnection);
    return false;
}

void SingleInstance::readConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] {
            const QByteArray message = socket->readAll();
            if (message.size() > MaximumMessageBytes)
                return;
            QDataStream stream(message);
            QStringList paths;
            stream >> paths;
            if (stream.status() == QDataStream::Ok)
                emit pathsReceived(paths);
        });
    }
}

} // namespace vidarium
