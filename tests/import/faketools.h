#pragma once

// Starts the stand-in for ffprobe and ffmpeg under the name that picks its
// mode (see tests/fakes/faketool.cpp).
// Threads: main thread.

#include <QString>

namespace vidarium::test {

// Makes "<folder>/<tool>-<mode>" a link to the fake program and returns its path.
QString fakeTool(const QString &folder, const QString &tool, const QString &mode);

} // namespace vidarium::test
