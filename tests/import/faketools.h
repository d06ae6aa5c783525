#pragma once

// Starts the stand-in for ffprobe and ffmpeg under the name that picks its
// mode (see tests/fakes/faketool.cpp).
// Threads: main thread.

#include <QByteArray>
#include <QString>

namespace vidarium::test {

// Makes "<folder>/<tool>-<mode>" a link to the fake program and returns its path.
QString fakeTool(const QString &folder, const QString &tool, const QString &mode);

// Writes a script file, executable unless told otherwise.
bool writeScript(const QString &path, const QByteArray &text, bool executable = true);

// Makes the folder the only one on the PATH of this process and the programs it
// starts, for the life of the object.
class ScopedSearchPath
{
public:
    explicit ScopedSearchPath(const QString &folder);
    ~ScopedSearchPath();
    ScopedSearchPath(const ScopedSearchPath &) = delete;
    ScopedSearchPath &operator=(const ScopedSearchPath &) = delete;

private:
    QByteArray m_saved;
};

} // namespace vidarium::test
