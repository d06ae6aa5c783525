#pragma once

// Which ffprobe and ffmpeg programs the external-program import tool runs:
// chosen as bookmarks in the settings "FFprobeBookmark" and "FFmpegBookmark",
// forgotten by storing empty data, and at the very first start taken from the
// PATH, which is what a Linux user expects.
// Threads: any thread (the settings store locks itself).

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace vidarium {

class UserDefaults;

class ExternalTools
{
public:
    enum class Program { FFprobe, FFmpeg };

    static QString settingsKey(Program program);
    // "ffprobe" or "ffmpeg": a chosen file's name must begin with it (exact case).
    static QString searchName(Program program);
    static bool acceptsFileName(Program program, const QString &fileName);

    // Stores a bookmark of the file. The name must fit the program; whether the
    // file can be run is checked when it is used.
    static Result<void> choose(UserDefaults &defaults, Program program, const QString &path);
    // Stores empty data: no program chosen.
    static void forget(UserDefaults &defaults, Program program);

    static QByteArray bookmark(const UserDefaults &defaults, Program program);
    // The chosen program's path; empty when none is chosen or it cannot be found.
    static QString path(const UserDefaults &defaults, Program program);
    // The path, or "Not Selected" when the bookmark does not resolve.
    static QString pathLabel(const UserDefaults &defaults, Program program);

    // At first start, when neither program was ever chosen nor forgotten, picks
    // the ones the PATH finds. Returns whether it chose anything.
    static bool chooseFromSearchPathIfUnset(UserDefaults &defaults);
};

} // namespace vidarium
