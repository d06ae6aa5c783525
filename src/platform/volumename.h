#pragma once

// The name of the volume that holds a path, as the catalogue records it in an
// element's `device`.
// Threads: reentrant.

#include <QString>

#include <optional>

namespace vidarium {

// For a path that exists: the file system label, else the mount point's last
// component ("Root" for an unlabelled root volume). Nothing when the path does
// not exist, or lies below a volume that is not mounted.
std::optional<QString> volumeNameForPath(const QString &path);

// For a path that is not there, the volume name its layout implies:
// /Volumes/NAME/..., /media/USER/NAME/..., /run/media/USER/NAME/... and
// /mnt/NAME/... give NAME; anything else gives "Unknown".
QString volumeNameFromPathLayout(const QString &path);

} // namespace vidarium
