#pragma once

// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so the program
// ends between two events: never in the middle of writing a package.
// Threads: the handler only writes a byte to a pipe; the signal is emitted on
// the main thread.

#include <QObject>

class QSocketNotifier;

namespace vidarium {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vidarium
