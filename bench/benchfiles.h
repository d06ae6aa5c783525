#pragma once

// Libraries of real files for the benchmarks that open, save or show them: each
// element's file exists, so a load checks and finds it as it would for a user.
// Threads: main thread.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace benchfiles {

// Empty files standing for videos, in folders of 500 named like a real archive
// ("<root>/<prefix> 2010/Holiday Trip 0/Clip 000000.mov"). A file that cannot be
// made ends the run: a figure over fewer files would mislead.
inline QStringList makeFiles(const QString &root, const QString &prefix, int count)
{
    static const char *const shows[] = { "Holiday Trip", "Birthday", "Garden", "Concert",
        "Interviews", "Drone Flights", "Family", "Workshop" };
    static const char *const suffixes[] = { "mov", "mp4", "mkv", "m4v", "avi" };
    QStringList paths;
    paths.reserve(count);
    QString folder;
    for (int i = 0; i < count; ++i) {
        if (i % 500 == 0) {
            folder = QStringLiteral("%1/%2 %3/%4 %5")
                         .arg(root, prefix)
                         .arg(2010 + i / 500 % 14)
                         .arg(QLatin1String(shows[i / 500 % 8]))
                         .arg(i / 500);
            QDir().mkpath(folder);
        }
        const QString path = QStringLiteral("%1/Clip %2.%3")
                                 .arg(folder)
                                 .arg(i, 6, 10, QLatin1Char('0'))
                                 .arg(QLatin1String(suffixes[i % 5]));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
            std::exit(1);
        }
        paths.append(path);
    }
    return paths;
}

} // namespace benchfiles
