#pragma once

// Which ffprobe and ffmpeg programs the external-program import tool runs:
// chosen as bookmarks in the settings "FFprobeBookmark" and "FFmpegBookmark",
// forgotten by storing empty data. Where none is chosen (the shipped defaults
// hold empty data) or the chosen file has gone, the one the PATH finds is run,
// which is what a Linux user expects; a chosen program always wins.
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

    enum class Source { None, Chosen, SearchPath };
    struct Location
    {
        QString path; // empty when no program was found
        Source source = Source::None;
    };
    // The program to run: the chosen one while its bookmark resolves (whether
    // or not it can be run), else the first of that name on the PATH.
    static Location locate(const UserDefaults &defaults, Program program);
    // Bookmark data of the located program for the dispatch options; empty
    // when there is none.
    static QByteArray effectiveBookmark(const UserDefaults &defaults, Program program);
    // "ffprobe /usr/bin/ffprobe (found on the PATH)", "ffmpeg not found", ...
    static QString description(const UserDefaults &defaults, Program program);
    // Both programs located and executable.
    static bool installed(const UserDefaults &defaults);

    // The program a bookmark names; empty when it does not resolve.
    static QString pathWithBookmarkData(const QByteArray &bookmark);
    static bool isExecutableFile(const QString &path);
};

} // namespace vidarium
