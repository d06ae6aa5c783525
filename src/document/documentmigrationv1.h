#pragma once

// Reads a library of the oldest format (a package holding
// "com.tallowmere.vidarium.library.plist") into a new library: the legacy
// values become element values and seven user fields, collections become user
// collections, and smart collections get their criteria over the current keys.
// What cannot be read is skipped and counted; the rest is migrated. The elements
// are queued for import, which reads their properties and images afresh.
// Threads: main thread (fills the library).

#include "model/mediaelement.h"
#include "model/predicate.h"
#include "platform/plist/plistvalue.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace vidarium {

class MediaLibrary;
class MediaUserField;

class DocumentMigrationV1
{
public:
    static inline const QString LibraryFileName
        = QStringLiteral("com.tallowmere.vidarium.library.plist");

    explicit DocumentMigrationV1(MediaLibrary &library);

    // readFromLegacyFileWrapper: always succeeds; a missing or damaged catalogue
    // gives the seven legacy fields and nothing else.
    void readFromPackage(const QString &packagePath);

    // The legacy fields, made in this order.
    static const QStringList &legacyFieldNames();
    // The record values taken over, in this order (migrateableKeys).
    static const QStringList &migrateableKeys();

    void createLegacyFields();
    void migrateLegacyElementsWithDictionary(const PlistDictionary &root);
    void migrateLegacyPlaylistsWithDictionary(const PlistDictionary &root);
    // The compound predicate with its direct comparisons over legacy keys moved to
    // the current keys; nested compounds and comparisons on keys without a current
    // counterpart are dropped. Nothing for anything but a compound.
    std::optional<Predicate> predicateWithLegacyPredicate(const Predicate &legacy) const;
    // The current key of a legacy key; empty when there is none.
    QString keyPathWithLegacyKeyPath(const QString &legacyKeyPath) const;
    // The icon file of a collection record inside the package; empty when absent.
    QByteArray iconDataForLegacyPlaylist(const PlistDictionary &record) const;

    int skippedRecords() const { return m_skippedRecords; }

private:
    void migrateValue(MediaElement &element, const QString &legacyKey, const PlistValue &value);

    MediaLibrary &m_library;
    QString m_packagePath;
    QHash<QString, QString> m_fields; // legacy field name to field identifier
    QHash<QString, MediaElementPtr> m_elements; // legacy media key to element
    MediaElementList m_elementOrder;
    int m_skippedRecords = 0;
};

} // namespace vidarium
