#pragma once

// A collection of the source list: one of the eight built-in collections every
// library has, a static user collection that lists element identifiers, or a
// smart user collection that selects the library's media by a predicate. Also
// keeps its stored predicate sound (the repairs on loading, stale references to
// removed fields) and builds the recent-date and favourites predicates.
// Threads: main thread, like the library that owns it.

#include "model/mediaelement.h"
#include "model/predicate.h"
#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"

#include <QByteArray>
#include <QPointer>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

namespace vidarium {

class MediaLibrary;
class MediaPlaylist;
using MediaPlaylistPtr = std::shared_ptr<MediaPlaylist>;

class MediaPlaylist final : public ArchivedObject
{
public:
    static inline const QString ClassName = QStringLiteral("MediaPlaylist");

    static inline const QString TypeMedia = QStringLiteral("MediaPlaylistTypeMedia");
    static inline const QString TypeTrash = QStringLiteral("MediaPlaylistTypeTrash");
    static inline const QString TypeError = QStringLiteral("MediaPlaylistTypeError");
    static inline const QString TypeLastImport = QStringLiteral("MediaPlaylistTypeLastImport");
    static inline const QString TypeRecentlyAdded
        = QStringLiteral("MediaPlaylistTypeRecentlyAdded");
    static inline const QString TypeRecentlyPlayed
        = QStringLiteral("MediaPlaylistTypeRecentlyPlayed");
    static inline const QString TypeFavorites = QStringLiteral("MediaPlaylistTypeFavorites");
    static inline const QString TypeMissing = QStringLiteral("MediaPlaylistTypeMissing");
    static inline const QString TypeUser = QStringLiteral("MediaPlaylistTypeUser");

    // initWithLibrary:type:name:predicate:elements: a new identifier, the library's
    // identifier as owner; no predicate makes a static collection of the elements.
    static MediaPlaylistPtr create(MediaLibrary *library, const QString &type, const QString &name,
        const std::optional<Predicate> &predicate, const MediaElementList &elements = {});

    // A blank to be filled from an archive (no identifier until one is set).
    MediaPlaylist() = default;

    MediaLibrary *library() const;
    void setLibrary(MediaLibrary *library);

    const QString &owner() const { return m_owner; }
    void setOwner(const QString &owner) { m_owner = owner; }
    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    const QString &type() const { return m_type; }
    void setType(const QString &type) { m_type = type; }
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    // Nothing stands for the null marker: the collection is static.
    const std::optional<Predicate> &predicate() const { return m_predicate; }
    void setPredicate(const std::optional<Predicate> &predicate);
    const QSet<QString> &elementReferences() const { return m_elementReferences; }
    void setElementReferences(const QSet<QString> &identifiers)
    {
        m_elementReferences = identifiers;
    }

    bool isSmart() const { return m_predicate.has_value(); }
    bool isCollection() const { return !isSmart(); }
    // All Videos, Trash and Unreadable: their elements are a library dictionary.
    bool isListedByType() const;
    bool isBuiltIn() const { return m_type != TypeUser; }

    // In no defined order. A smart collection that cannot be evaluated selects nothing.
    MediaElementList elements() const;
    // A static collection counts its references, also those not in media.
    qsizetype count() const;
    bool containsElement(const MediaElement &element) const;
    // Static collections only; on smart ones they do nothing.
    void addElement(const MediaElement &element);
    void removeElement(const MediaElement &element);
    void removeElementWithIdentifier(const QString &identifier);

    // The custom icon, through the library.
    QByteArray iconData() const;
    void setIconData(const QByteArray &data);
    bool hasCustomIcon() const;
    // iconWithStyle: the name of the icon image for the source list, with the
    // application setting "UseColorIcons"; highlighted rows take the white icon.
    // CustomIconName when the custom icon applies; empty for an unknown type.
    QString iconName(bool highlighted) const;
    QString iconName(bool highlighted, bool useColorIcons) const;
    static inline const QString CustomIconName = QStringLiteral("Custom");

    // The key paths on the left of the predicate (or of its direct subpredicates).
    QSet<QString> predicateKeyPaths() const;
    bool predicateContainsStaleReferences() const;
    void removeStalePredicateReferences();
    // The two repairs a collection read from an archive gets (user smart collections).
    void removeInvalidCompoundPredicates();
    void removeInvalidRegularExpressions();

    // date key >= CAST(CAST(now(), "NSNumber") - days × 86400, "NSDate")
    void setRecentPredicate(const QString &dateKey, int days);
    // rating >= minimumRating
    void setFavoritesPredicate(int minimumRating);

    // --- Archive coding ----------------------------------------------------------
    QString className() const override { return ClassName; }
    QStringList classChain() const override;
    void encode(ArchiveEncoder &encoder) const override;
    // Registers "MediaPlaylist" and the archived predicate classes (idempotent).
    static void registerArchiveCoder();
    // The collection held by a decoded value, or null.
    static MediaPlaylistPtr fromValue(const PlistValue &value);

    // The six stored properties, for logging.
    PlistDictionary description() const;

private:
    // The identifiers of the fields marked removed.
    QSet<QString> removedFieldIdentifiers() const;
    // Whether a comparison's left side is a key path naming a removed field.
    static bool refersTo(const Predicate &predicate, const QSet<QString> &identifiers);

    QPointer<MediaLibrary> m_library;
    QString m_owner;
    QString m_identifier;
    QString m_type = TypeUser;
    QString m_name;
    std::optional<Predicate> m_predicate;
    PlistValue m_archivedPredicate = PlistValue::null(); // follows m_predicate
    QSet<QString> m_elementReferences;
};

} // namespace vidarium
