#pragma once

// A folder inside a library package, reached without following symbolic links:
// each folder below the package root is opened relative to its parent and each
// file relative to its folder, refusing links, and temporary files are created
// exclusively. A package is data from anywhere; nothing planted in it may lead a
// read or a write to a file outside it.
// Threads: any; one instance is used by one thread at a time.

#include "platform/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ctime>

namespace vidarium {

class PackageFolder
{
public:
    enum class Create { No, Yes };
    enum class Sync { No, Yes };

    // The root itself may be a link: the user chose that path.
    static Result<PackageFolder> openRoot(const QString &root);

    PackageFolder(PackageFolder &&other) noexcept;
    PackageFolder &operator=(PackageFolder &&other) noexcept;
    PackageFolder(const PackageFolder &) = delete;
    PackageFolder &operator=(const PackageFolder &) = delete;
    ~PackageFolder();

    const QString &path() const { return m_path; }
    int descriptor() const { return m_descriptor; }

    // relative: "Thumbnails/3/F"; every step must be a real folder.
    Result<PackageFolder> folder(const QString &relative, Create create = Create::No) const;
    Result<QByteArray> readFile(const QString &name, qint64 maximumSize) const;
    bool hasRegularFile(const QString &name) const;
    // Writes through ".NAME.saving" renamed over name; answers whether name is new
    // (false also when that cannot be told). The temporary never outlives a failure.
    Result<bool> replaceFile(const QString &name, const QByteArray &bytes, Sync sync) const;
    // Removes the entry itself, a link included, never what it points to.
    bool removeFile(const QString &name) const;
    // A hard link of a regular file into another folder of the same volume, or a copy.
    Result<void> copyFileTo(const QString &name, const PackageFolder &target) const;
    // Names of the regular files, or of the real folders, in this folder.
    QStringList fileNames() const;
    QStringList folderNames() const;
    void sync() const;
    // Removes ".*.saving" files (and links) last changed before the given time:
    // what an interrupted save of an earlier process left.
    int removeTemporariesOlderThan(std::time_t time) const;

    static QString temporaryName(const QString &name);

private:
    PackageFolder(int descriptor, QString path);
    QStringList names(bool folders) const;

    int m_descriptor = -1;
    QString m_path; // for messages
};

} // namespace vidarium
