#pragma once

// Opens files with the user's default application or with one the user chose,
// and lists the applications that can open a file's type (the desktop's own
// registry of handlers), for "Open With".
// Threads: main thread (the desktop registry is not thread-safe).

#include "platform/result.h"

#include <QList>
#include <QString>

namespace vidarium {

struct ApplicationInfo
{
    QString identifier; // desktop file id, e.g. "vlc.desktop"
    QString name; // shown to the user
    QString iconName; // themed icon name, "" when none
    bool operator==(const ApplicationInfo &other) const = default;
};

class ApplicationLauncher
{
public:
    // The content (MIME) type for a file name extension ("mov" -> "video/quicktime").
    static QString contentTypeForExtension(const QString &extension);
    // Every application that can open files with this extension, the default first.
    static QList<ApplicationInfo> applicationsForExtension(const QString &extension);
    static QString defaultApplicationForExtension(const QString &extension);

    // Opens one file; fails when it is missing or no application would take it.
    static Result<void> openWithDefaultApplication(const QString &path);
    static Result<void> openWithApplication(const QString &path, const QString &identifier);
};

} // namespace vidarium
