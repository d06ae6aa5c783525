#pragma once

// A user-defined text field of a library: elements keep its values under its
// identifier, which is also its key in predicates and its table column. Fields
// are never deleted; one the user took away is marked removed and its values
// stay on the elements. A copy stands for the same field (equal identifier), so
// the settings sheet can edit copies and hand them back.
// Threads: main thread, like the library that holds it.

#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

namespace vidarium {

class ArchiveDecoder;
class MediaLibrary;
class MediaUserField;
using MediaUserFieldPtr = std::shared_ptr<MediaUserField>;

class MediaUserField final : public ArchivedObject
{
public:
    static inline const QString ClassName = QStringLiteral("MediaUserField");
    static inline const QString UntitledName = QStringLiteral("Untitled");

    // initWithLibrary:name: a new identifier, the library's identifier as owner,
    // not split, not removed; an empty name gives "Untitled". Without a library
    // the field is an empty object (no identifier, no name), as an archive
    // reader starts from.
    static MediaUserFieldPtr create(MediaLibrary *library, const QString &name = QString());
    MediaUserField() = default;

    MediaLibrary *library() const { return m_library.data(); }
    void setLibrary(MediaLibrary *library) { m_library = library; }

    const QString &owner() const { return m_owner; }
    void setOwner(const QString &owner) { m_owner = owner; }
    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    bool split() const { return m_split; }
    void setSplit(bool split) { m_split = split; }
    bool removed() const { return m_removed; }
    void setRemoved(bool removed) { m_removed = removed; }

    // copyWithZone: the same library, identifier and values.
    MediaUserFieldPtr copy() const;
    bool operator==(const MediaUserField &other) const
    {
        return m_identifier == other.m_identifier;
    }

    // The distinct values the library's catalogue (not its trash or unreadable
    // elements) holds for this field that begin with `prefix` (case counts),
    // sorted ignoring case. Split fields offer each comma-separated piece.
    QStringList completionsForPrefix(const QString &prefix) const;

    // The five stored keys, for logging.
    PlistDictionary description() const;

    QString className() const override { return ClassName; }
    void encode(ArchiveEncoder &encoder) const override;
    static Result<PlistValue> decode(ArchiveDecoder &decoder);
    // Registers the decoder under "MediaUserField"; safe to call repeatedly.
    static void registerArchiveCoder();

private:
    QPointer<MediaLibrary> m_library;
    QString m_owner;
    QString m_identifier;
    QString m_name;
    bool m_split = false;
    bool m_removed = false;
};

// Completion candidates from a field's values, as completionsForPrefix gathers
// them: duplicates dropped, those beginning with `prefix` (case counts) kept,
// sorted by the locale ignoring case.
QStringList completionsFromValues(const QStringList &values, const QString &prefix);

} // namespace vidarium
