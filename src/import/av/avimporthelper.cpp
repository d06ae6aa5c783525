#include "import/av/avimporthelper.h"

#include "import/av/avimportprotocol.h"
#include "platform/filepath.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace vidarium {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::max<long long>(0, std::min<long long>(left.count(), 60 * 60 * 1000)));
}

// A write to a helper that just died raises SIGPIPE, whose default action ends
// the whole application. Blocking it on this thread turns it into EPIPE; any
// signal left pending is taken back before the mask is restored.
class SigpipeBlock
{
public:
    SigpipeBlock()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~SigpipeBlock()
    {
        const timespec zero = { 0, 0 };
        while (sigtimedwait(&m_pipe, nullptr, &zero) > 0) { }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }

private:
    sigset_t m_pipe;
    sigset_t m_previous;
};

} // namespace

AVImportHelper::~AVImportHelper()
{
    kill();
}

Result<std::unique_ptr<AVImportHelper>> AVImportHelper::start(
    const QString &program, const QStringList &arguments)
{
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0)
        return Error(Error::Code::Io, QStringLiteral("No pipe for the decode helper"));
    if (pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return Error(Error::Code::Io, QStringLiteral("No pipe for the decode helper"));
    }

    const QByteArray programPath = encodePath(program);
    QList<QByteArray> encoded;
    encoded.append(programPath);
    for (const QString &argument : arguments)
        encoded.append(argument.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    // Decoders complain on stderr about every damaged packet; nobody reads it.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc
        = posix_spawn(&pid, programPath.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    if (rc != 0) {
        ::close(input[1]);
        ::close(output[0]);
        return Error(Error::Code::NotFound,
            QStringLiteral("The decode helper %1 could not be started: %2")
                .arg(program, QString::fromUtf8(std::strerror(rc))));
    }
    std::unique_ptr<AVImportHelper> helper(new AVImportHelper);
    helper->m_pid = pid;
    helper->m_toHelper = input[1];
    helper->m_fromHelper = output[0];
    return helper;
}

Result<QCborMap> AVImportHelper::exchange(
    const QCborMap &request, std::chrono::milliseconds deadline)
{
    if (!isAlive())
        return Error(QStringLiteral("The decode helper is not running"));
    const Clock::time_point until = Clock::now() + deadline;
    Result<QCborMap> answer = [&]() -> Result<QCborMap> {
        if (Result<void> sent = writeAll(AVImportProtocol::frame(request), until); !sent)
            return sent.error();
        Result<QByteArray> header = readExactly(4, until);
        if (!header)
            return header.error();
        Result<qint64> length = AVImportProtocol::messageLength(header->constData());
        if (!length)
            return length.error();
        Result<QByteArray> body = readExactly(*length, until);
        if (!body)
            return body.error();
        return AVImportProtocol::parse(*body);
    }();
    if (!answer)
        kill();
    return answer;
}

Result<void> AVImportHelper::writeAll(const QByteArray &bytes, Clock::time_point deadline)
{
    SigpipeBlock block;
    qint64 written = 0;
    while (written < bytes.size()) {
        pollfd ready = { m_toHelper, POLLOUT, 0 };
        const int polled = ::poll(&ready, 1, millisecondsLeft(deadline));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled == 0)
            return Error(Error::Code::Timeout, QStringLiteral("The decode helper stopped reading"));
        const ssize_t n
            = ::write(m_toHelper, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return Error(Error::Code::Io, QStringLiteral("The decode helper ended unexpectedly"));
        written += n;
    }
    return {};
}

Result<QByteArray> AVImportHelper::readExactly(qint64 size, Clock::time_point deadline)
{
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        pollfd ready = { m_fromHelper, POLLIN, 0 };
        const int polled = ::poll(&ready, 1, millisecondsLeft(deadline));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled == 0)
            return Error(
                Error::Code::Timeout, QStringLiteral("The decode helper did not answer in time"));
        const ssize_t n = ::read(m_fromHelper, bytes.data() + got, size_t(size - got));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return Error(Error::Code::Io, QStringLiteral("The decode helper ended unexpectedly"));
        got += n;
    }
    return bytes;
}

void AVImportHelper::kill()
{
    if (m_toHelper >= 0)
        ::close(m_toHelper);
    if (m_fromHelper >= 0)
        ::close(m_fromHelper);
    m_toHelper = m_fromHelper = -1;
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) { }
    }
    m_pid = -1;
}

} // namespace vidarium
