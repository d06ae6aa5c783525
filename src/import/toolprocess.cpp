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

} // namespace

ToolProcess::Result ToolProcess::run(const QString &program, const QStringList &arguments,
    ErrorOutput errorOutput, std::chrono::milliseconds timeLimit,
    const std::function<bool()> &cancelled)
{
    Result result;
    if (program.isEmpty())
        return result;

    const QByteArray programPath = encodePath(program);
    QList<QByteArray> encoded;
    encoded.reserve(arguments.size() + 1);
    encoded.append(programPath);
    for (const QString &argument : arguments)
        encoded.append(encodePath(argument)); // a file name as its own bytes
    std::vector<char *> argv;
    argv.reserve(size_t(encoded.size()) + 1);
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);

    SpawnActions actions;
    if (!actions.ok())
        return result;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    if (errorOutput == ErrorOutput::Merged)
        posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = 0;
    if (::posix_spawn(&pid, programPath.constData(), actions.get(), nullptr, argv.data(), environ)
        != 0)
        return result;
    writeEnd.reset();

    const Clock::time_point deadline = Clock::now() + timeLimit;
    Outcome outcome = Outcome::Finished;
    QByteArray output;
    char buffer[65536];
    for (;;) {
        if (cancelled && cancelled()) {
            outcome = Outcome::Cancelled;
            break;
        }
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            outcome = Outcome::TimedOut;
            break;
        }
        pollfd descriptor { readEnd.get(), POLLIN, 0 };
        const int ready = ::poll(&descriptor, 1, int(std::min<qint64>(left.count(), PollSliceMs)));
        if (ready < 0 && errno != EINTR)
            break; // what was collected so far is used, as with a failed read
        if (ready <= 0)
            continue;
        const ssize_t count = ::read(readEnd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            break;
        }
        if (count == 0)
            break;
        if (output.size() + count > MaximumOutputSize) {
            outcome = Outcome::Overflowed;
            break;
        }
        output.append(buffer, count);
    }
    readEnd.reset();

    bool killed = false;
    // A child that closed its output but does not end gets the rest of its time.
    const Clock::time_point reapDeadline = outcome == Outcome::Finished ? deadline : Clock::now();
    const int status = reap(pid, reapDeadline, &killed);
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
