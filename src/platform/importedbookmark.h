#pragma once

// Reads the bookmark bytes that libraries made on the desktop platform they
// first came from ("book" data) carry for each file: the file's path and the
// name and mount path of its volume. Enough to find the file again when the
// same drive is mounted here.
// Threads: reentrant.

#include <QByteArray>
#include <QString>

#include <optional>

namespace vidarium {

struct ImportedBookmark
{
    QString path; // "/Volumes/Archive/Films/a.mov"
    QString volumePath; // "/Volumes/Archive", "/" for the start-up disk
    QString volumeName; // "Archive"
    QString volumeUuid;

    static bool looksLikeOne(const QByteArray &data);
    // Nothing for damaged bytes or bytes without a path.
    static std::optional<ImportedBookmark> parse(const QByteArray &data);

    // `path` on this machine: as it stands when it exists, else below a
    // mounted volume of the same name. Nothing when neither is there.
    std::optional<QString> locate() const;
};

} // namespace vidarium
