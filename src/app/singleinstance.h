#pragma once

// One process per user: the first start listens on a local socket; a later
// start hands its paths to it and ends, since two processes writing one
// package would lose data.
// Threads: main thread.

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace vidarium {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The socket name for this user (in the runtime folder).
    static QString defaultServerName();

    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Hands `paths` to a running instance. True when one took them (this start
    // should end); false when this process is the first and now listens.
    bool forwardOrListen(const QStringList &paths);
    bool isListening() const;

signals:
    // Paths from a later start (possibly none: it only asked to be shown).
    void pathsReceived(const QStringList &paths);

private:
    bool forward(const QStringList &paths);
    void readConnection();

    QString m_serverName;
    QLocalServer *m_server = nullptr;
};

} // namespace vidarium
