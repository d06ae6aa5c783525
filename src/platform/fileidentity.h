#pragma once

// The identity of a file independent of its name: the volume (device number)
// and the inode. Two paths naming the same file give equal identities, so the
// catalogue uses it to recognise a file it already holds.
// Threads: a plain value; ofPath may be called from any thread.

#include "platform/result.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <compare>
#include <cstddef>
#include <functional>

namespace vidarium {

struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    // The identity of the file a path names, following symbolic links. Fails
    // with NotFound when there is no such file.
    static Result<FileIdentity> ofPath(const QString &path);

    bool isValid() const { return device != 0 || inode != 0; }
    auto operator<=>(const FileIdentity &other) const = default;
    bool operator==(const FileIdentity &other) const = default;
};

inline size_t qHash(const FileIdentity &identity, size_t seed = 0) noexcept
{
    return qHashMulti(seed, identity.device, identity.inode);
}

} // namespace vidarium

template <> struct std::hash<vidarium::FileIdentity>
{
    size_t operator()(const vidarium::FileIdentity &identity) const noexcept
    {
        return vidarium::qHash(identity);
    }
};

Q_DECLARE_METATYPE(vidarium::FileIdentity)
