#pragma once

// Reads a whole file that ought to hold data. A device, FIFO or socket is
// refused before a byte is read (one never ends, another blocks for ever), and
// the bytes actually read are capped, since the size a file reports cannot be
// trusted (a device reports 0 and then never stops).
// Threads: any; no shared state.

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace vidarium {

class RegularFile
{
public:
    enum class Links {
        Follow, // a link the user made, such as a settings file kept elsewhere
        Refuse, // inside a package: a link could lead anywhere
    };

    static Result<QByteArray> read(
        const QString &path, qint64 maximumSize, Links links = Links::Follow);
    // The same for a descriptor already open (on any file kind); it stays open.
    // name is for messages only.
    static Result<QByteArray> readOpen(int descriptor, qint64 maximumSize, const QString &name);
    // Opens name inside the folder open as directory, read-only, without waiting on
    // a FIFO and, with Refuse, without following a link; -1 with errno set on failure.
    static int openForReading(int directory, const QByteArray &name, Links links);
};

} // namespace vidarium
