#pragma once

// Runs one external program (ffprobe, ffmpeg) as a child process and collects
// its standard output. A damaged file can make either program wait for ever,
// so every run has a time limit after which the child is killed and its
// output counts as none; a runaway child that floods its pipe is killed the
// same way once it passes a size cap.
// Threads: run() is reentrant and blocks the calling worker thread; the pipes
// are close-on-exec so children started at once by several workers never hold
// each other's pipes open.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace vidarium {

class ToolProcess
{
public:
    enum class ErrorOutput {
        Merged, // standard error shares the output pipe (the probes)
        Discarded, // standard error goes nowhere (frame extraction writes JPEG bytes)
    };

    enum class Outcome {
        Finished, // the child closed its output and ended on its own
        NotStarted, // no program, or it could not be started
        TimedOut, // killed after the time limit
        Crashed, // ended by a signal
        Overflowed, // killed after writing more than the size cap
        Cancelled, // killed because the caller's work was cancelled
    };

    struct Result
    {
        Outcome outcome = Outcome::NotStarted;
        int exitCode = -1;
        QByteArray output; // always empty unless the outcome is Finished
    };

    // cancelled is polled a few times a second; it may be empty.
    static Result run(const QString &program, const QStringList &arguments, ErrorOutput errorOutput,
        std::chrono::milliseconds timeLimit, const std::function<bool()> &cancelled = {});

    // Output larger than this is not what either program writes for one frame or one probe.
    static constexpr qsizetype MaximumOutputSize = 256 * 1024 * 1024;
};

} // namespace vidarium
