#include "toolprocess.h"

#include "platform/filepath.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <vector>

extern char **environ;

namespace vidarium {

namespace {

using Clock = std::chrono::steady_clock;

// How often a blocked read wakes up to look at the deadline and cancellation.
constexpr int PollSliceMs = 100;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

class SpawnActions
{
public:
    SpawnActions() { m_ok = posix_spawn_file_actions_init(&m_actions) == 0; }
    ~SpawnActions()
    {
        if (m_ok)
            posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnActions(const SpawnActions &) = delete;
    SpawnActions &operator=(const SpawnActions &) = delete;

    bool ok() const { return m_ok; }
    posix_spawn_file_actions_t *get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
    bool m_ok = false;
};

// Waits for the child to end, killing it when the deadline passes first.
// Returns the wait status, or -1 when it could not be collected.
int reap(pid_t pid, Clock::time_point deadline, bool *killed)
{
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0 && errno != EINTR)
            return -1;
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            *killed = true;
            while (::waitpid(pid, &status, 0) < 0) {
                if (errno != EINTR)
                    return -1;
            }
            return status;
        }
        ::usleep(2000);
    }
}

// The program and its arguments as the child's argv bytes; a file name goes
// as its own bytes. The list must outlive the pointers made from it.
QList<QByteArray> encodedCommand(const QString &program, const QStringList &arguments)
{
    QList<QByteArray> encoded;
    encoded.reserve(arguments.size() + 1);
    encoded.append(encodePath(program));
    for (const QString &argument : arguments)
        encoded.append(encodePath(argument));
    return encoded;
}

// Starts the program with its output (and, when merged, its errors) on the
// pipe's write end and nothing on its input. Returns the child, or nothing.
std::optional<pid_t> spawnChild(
    QList<QByteArray> &command, int writeEnd, ToolProcess::ErrorOutput errorOutput)
{
    std::vector<char *> argv;
    argv.reserve(size_t(command.size()) + 1);
    for (QByteArray &argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnActions actions;
    if (!actions.ok())
        return std::nullopt;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd, STDOUT_FILENO);
    if (errorOutput == ToolProcess::ErrorOutput::Merged)
        posix_spawn_file_actions_adddup2(actions.get(), writeEnd, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = 0;
    if (::posix_spawn(
            &pid, command.first().constData(), actions.get(), nullptr, argv.data(), environ)
        != 0)
        return std::nullopt;
    return pid;
}

// Reads the pipe until the child closes it, the deadline passes, the caller
// cancels or the output passes the size cap. A failed read ends the reading
// as if the child had closed its output: what was collected so far is used.
ToolProcess::Outcome collectOutput(int readEnd, Clock::time_point deadline,
    const std::function<bool()> &cancelled, QByteArray &output)
{
    char buffer[65536];
    for (;;) {
        if (cancelled && cancelled())
            return ToolProcess::Outcome::Cancelled;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return ToolProcess::Outcome::TimedOut;
        pollfd descriptor { readEnd, POLLIN, 0 };
        const int ready = ::poll(&descriptor, 1, int(std::min<qint64>(left.count(), PollSliceMs)));
        if (ready < 0 && errno != EINTR)
            return ToolProcess::Outcome::Finished;
        if (ready <= 0)
            continue;
        const ssize_t count = ::read(readEnd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return ToolProcess::Outcome::Finished;
        }
        if (count == 0)
            return ToolProcess::Outcome::Finished;
        if (output.size() + count > ToolProcess::MaximumOutputSize)
            return ToolProcess::Outcome::Overflowed;
        output.append(buffer, count);
    }
}

} // namespace

ToolProcess::Result ToolProcess::run(const QString &program, const QStringList &arguments,
    ErrorOutput errorOutput, std::chrono::milliseconds timeLimit,
    const std::function<bool()> &cancelled)
{
    Result result;
    if (program.isEmpty())
        return result;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);
    QList<QByteArray> command = encodedCommand(program, arguments);
    const std::optional<pid_t> pid = spawnChild(command, writeEnd.get(), errorOutput);
    if (!pid)
        return result;
    writeEnd.reset();

    const Clock::time_point deadline = Clock::now() + timeLimit;
    QByteArray output;
    Outcome outcome = collectOutput(readEnd.get(), deadline, cancelled, output);
    readEnd.reset();

    bool killed = false;
    // A child that closed its output but does not end gets the rest of its time.
    const Clock::time_point reapDeadline = outcome == Outcome::Finished ? deadline : Clock::now();
    const int status = reap(*pid, reapDeadline, &killed);
    if (outcome == Outcome::Finished && killed)
        outcome = Outcome::TimedOut;
    if (outcome == Outcome::Finished && status != -1 && WIFSIGNALED(status))
        outcome = Outcome::Crashed;
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);

    result.outcome = outcome;
    if (outcome == Outcome::Finished)
        result.output = std::move(output);
    return result;
}

} // namespace vidarium
