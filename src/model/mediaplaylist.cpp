#include "mediaplaylist.h"

#include "model/elementfilter.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/predicatecoding.h"
#include "model/predicateevaluator.h"
#include "model/settingkeys.h"
#include "platform/plist/keyedarchive.h"
#include "platform/userdefaults.h"

#include <QDebug>

#include <algorithm>
#include <functional>
#include <mutex>

namespace vidarium {

namespace {

const QString UnreadableIcon = QStringLiteral("SL_Unreadable");

const QString OwnerKey = QStringLiteral("owner");
const QString IdentifierKey = QStringLiteral("identifier");
const QString TypeKey = QStringLiteral("type");
const QString NameKey = QStringLiteral("name");
const QString PredicateKey = QStringLiteral("predicate");
const QString ElementReferencesKey = QStringLiteral("elementReferences");

const PredicateExpression *leftKeyPath(const Predicate &predicate)
{
    if (!predicate.isComparison()
        || predicate.leftExpression().kind() != PredicateExpression::Kind::KeyPath)
        return nullptr;
    return &predicate.leftExpression();
}

// An "all" or "any" group, which the criteria editor lets users nest.
bool isGroup(const Predicate &predicate)
{
    return predicate.isCompound() && predicate.compoundType() != CompoundPredicateType::Not;
}

// Comparisons and groups of them, to any depth: what the criteria editor writes.
bool holdsOnlyComparisonsAndGroups(const Predicate &compound)
{
    const QList<Predicate> &subs = compound.subpredicates();
    return std::all_of(subs.begin(), subs.end(), [](const Predicate &sub) {
        return sub.isComparison() || (isGroup(sub) && holdsOnlyComparisonsAndGroups(sub));
    });
}

void collectKeyPaths(const Predicate &predicate, QSet<QString> &paths)
{
    if (const PredicateExpression *left = leftKeyPath(predicate))
        paths.insert(left->keyPath());
    else if (predicate.isCompound())
        for (const Predicate &sub : predicate.subpredicates())
            collectKeyPaths(sub, paths);
}

// The group without the comparisons `drop` names, groups left empty removed; nothing
// when nothing is left.
std::optional<Predicate> groupWithout(
    const Predicate &group, const std::function<bool(const Predicate &)> &drop)
{
    QList<Predicate> kept;
    for (const Predicate &sub : group.subpredicates()) {
        if (isGroup(sub)) {
            if (std::optional<Predicate> inner = groupWithout(sub, drop))
                kept.append(*inner);
        } else if (!drop(sub)) {
            kept.append(sub);
        }
    }
    if (kept.isEmpty())
        return std::nullopt;
    return Predicate::compound(group.compoundType(), kept);
}

QString decodedString(ArchiveDecoder &decoder, const QString &key, const QString &fallback)
{
    if (!decoder.containsKey(key))
        return fallback;
    const PlistValue value = decoder.decodeObject(key);
    return value.type() == PlistValue::Type::String ? value.toString() : fallback;
}

Result<PlistValue> decodePlaylist(ArchiveDecoder &decoder)
{
    auto playlist = std::make_shared<MediaPlaylist>();
    playlist->setOwner(decodedString(decoder, OwnerKey, QString()));
    playlist->setIdentifier(decodedString(decoder, IdentifierKey, QString()));
    playlist->setType(decodedString(decoder, TypeKey, MediaPlaylist::TypeUser));
    playlist->setName(decodedString(decoder, NameKey, QString()));
    const PlistValue predicate = decoder.decodeObject(PredicateKey);
    if (!predicate.isAbsent()) {
        Result<Predicate> decoded = PredicateCoding::predicateFromValue(predicate);
        if (decoded)
            playlist->setPredicate(*decoded);
        else
            qWarning().noquote() << QStringLiteral("Collection %1 loses its criteria: %2")
                                        .arg(playlist->identifier(), decoded.error().message());
    }
    const PlistValue references = decoder.decodeObject(ElementReferencesKey);
    if (references.type() == PlistValue::Type::Set
        || references.type() == PlistValue::Type::Array) {
        QSet<QString> identifiers;
        for (const PlistValue &member : references.toArray()) {
            if (member.type() == PlistValue::Type::String)
                identifiers.insert(member.toString());
        }
        playlist->setElementReferences(identifiers);
    }
    if (playlist->type() == MediaPlaylist::TypeUser && playlist->isSmart()) {
        playlist->removeInvalidCompoundPredicates();
        playlist->removeInvalidRegularExpressions();
    }
    return PlistValue(std::shared_ptr<ArchivedObject>(std::move(playlist)));
}

} // namespace

MediaPlaylistPtr MediaPlaylist::create(MediaLibrary *library, const QString &type,
    const QString &name, const std::optional<Predicate> &predicate,
    const MediaElementList &elements)
{
    auto playlist = std::make_shared<MediaPlaylist>();
    playlist->m_library = library;
    playlist->m_owner = library ? library->identifier() : QString();
    playlist->m_identifier = MediaLibrary::generateUUID();
    playlist->m_type = type;
    playlist->m_name = name;
    playlist->setPredicate(predicate);
    for (const MediaElementPtr &element : elements) {
        if (element)
            playlist->m_elementReferences.insert(element->identifier());
    }
    return playlist;
}

MediaLibrary *MediaPlaylist::library() const
{
    return m_library.data();
}

void MediaPlaylist::setLibrary(MediaLibrary *library)
{
    m_library = library;
}

void MediaPlaylist::setPredicate(const std::optional<Predicate> &predicate)
{
    m_predicate = predicate;
    // The archiver tells objects apart by address while it writes a catalogue, so each
    // collection keeps its archived criteria alive instead of making a temporary.
    m_archivedPredicate
        = predicate ? PredicateCoding::archivedValue(*predicate) : PlistValue::null();
}

bool MediaPlaylist::isListedByType() const
{
    return m_type == TypeMedia || m_type == TypeTrash || m_type == TypeError;
}

// ---- Members -------------------------------------------------------------------------------

namespace {

const ElementDictionary *dictionaryForType(const MediaLibrary &library, const QString &type)
{
    if (type == MediaPlaylist::TypeMedia)
        return &library.media();
    if (type == MediaPlaylist::TypeTrash)
        return &library.trash();
    if (type == MediaPlaylist::TypeError)
        return &library.error();
    return nullptr;
}

} // namespace

MediaElementList MediaPlaylist::elements() const
{
    const MediaLibrary *library = m_library.data();
    if (!library)
        return {};
    if (const ElementDictionary *dictionary = dictionaryForType(*library, m_type))
        return dictionary->values();
    MediaElementList result;
    if (!m_predicate) {
        for (const QString &identifier : m_elementReferences) {
            if (MediaElementPtr element = library->media().value(identifier))
                result.append(element);
        }
        return result;
    }
    const Result<PredicateEvaluator> evaluator = m_predicate->evaluatorForOnePass();
    if (!evaluator)
        return result;
    return ElementFilter::matching(library->media(), *evaluator);
}

qsizetype MediaPlaylist::count() const
{
    const MediaLibrary *library = m_library.data();
    if (!m_predicate)
        return m_elementReferences.size();
    if (!library)
        return 0;
    if (const ElementDictionary *dictionary = dictionaryForType(*library, m_type))
        return dictionary->size();
    const Result<PredicateEvaluator> evaluator = m_predicate->evaluatorForOnePass();
    if (!evaluator)
        return 0;
    return ElementFilter::count(library->media(), *evaluator);
}

bool MediaPlaylist::containsElement(const MediaElement &element) const
{
    if (!m_predicate)
        return m_elementReferences.contains(element.identifier());
    const MediaLibrary *library = m_library.data();
    if (!library)
        return false;
    if (const ElementDictionary *dictionary = dictionaryForType(*library, m_type))
        return dictionary->contains(element.identifier());
    if (!library->media().contains(element.identifier()))
        return false;
    Result<bool> holds = m_predicate->evaluate(element);
    return holds && *holds;
}

void MediaPlaylist::addElement(const MediaElement &element)
{
    if (!m_predicate)
        m_elementReferences.insert(element.identifier());
}

void MediaPlaylist::removeElement(const MediaElement &element)
{
    removeElementWithIdentifier(element.identifier());
}

void MediaPlaylist::removeElementWithIdentifier(const QString &identifier)
{
    if (!m_predicate)
        m_elementReferences.remove(identifier);
}

// ---- Icons ---------------------------------------------------------------------------------

QByteArray MediaPlaylist::iconData() const
{
    const MediaLibrary *library = m_library.data();
    return library ? library->iconDataForPlaylist(*this) : QByteArray();
}

void MediaPlaylist::setIconData(const QByteArray &data)
{
    if (MediaLibrary *library = m_library.data())
        library->setIconData(data, *this);
}

bool MediaPlaylist::hasCustomIcon() const
{
    return !iconData().isEmpty();
}

QString MediaPlaylist::iconName(bool highlighted) const
{
    return iconName(highlighted, UserDefaults::standard().boolForKey(SettingKey::UseColorIcons));
}

QString MediaPlaylist::iconName(bool highlighted, bool useColorIcons) const
{
    auto styled = [&](const char *base) {
        const QString name = QLatin1String(base);
        if (useColorIcons)
            return name;
        return name + (highlighted ? QLatin1String("White") : QLatin1String("Gray"));
    };
    if (m_type == TypeMedia)
        return styled("SL_AllVideos");
    if (m_type == TypeTrash) {
        const MediaLibrary *library = m_library.data();
        return library && library->isTrashFull() ? QStringLiteral("NSTrashFull")
                                                 : QStringLiteral("NSTrashEmpty");
    }
    if (m_type == TypeError)
        return styled("SL_Unreadable");
    if (m_type == TypeLastImport || m_type == TypeRecentlyAdded || m_type == TypeRecentlyPlayed)
        return styled("SL_LastImport");
    if (m_type == TypeFavorites)
        return styled("SL_Favorites");
    if (m_type == TypeMissing)
        return styled("SL_Missing");
    if (m_type != TypeUser)
        return QString();
    if (predicateContainsStaleReferences())
        return UnreadableIcon;
    if (hasCustomIcon())
        return CustomIconName;
    return isSmart() ? styled("SL_SmartCollection") : styled("SL_Collection");
}

// ---- Criteria ------------------------------------------------------------------------------

QSet<QString> MediaPlaylist::predicateKeyPaths() const
{
    QSet<QString> paths;
    if (!m_predicate)
        return paths;
    collectKeyPaths(*m_predicate, paths);
    return paths;
}

QSet<QString> MediaPlaylist::removedFieldIdentifiers() const
{
    QSet<QString> identifiers;
    if (const MediaLibrary *library = m_library.data()) {
        for (const MediaUserFieldPtr &field : library->inactiveUserFields())
            identifiers.insert(field->identifier());
    }
    return identifiers;
}

bool MediaPlaylist::refersTo(const Predicate &predicate, const QSet<QString> &identifiers)
{
    const PredicateExpression *left = leftKeyPath(predicate);
    return left && identifiers.contains(left->keyPath());
}

bool MediaPlaylist::predicateContainsStaleReferences() const
{
    if (m_type != TypeUser || !m_predicate || !m_predicate->isCompound())
        return false;
    const QSet<QString> removed = removedFieldIdentifiers();
    if (removed.isEmpty())
        return false;
    QSet<QString> paths;
    collectKeyPaths(*m_predicate, paths);
    return paths.intersects(removed);
}

void MediaPlaylist::removeStalePredicateReferences()
{
    if (!predicateContainsStaleReferences())
        return;
    const QSet<QString> removed = removedFieldIdentifiers();
    setPredicate(groupWithout(*m_predicate,
        [&removed](const Predicate &sub) { return !leftKeyPath(sub) || refersTo(sub, removed); }));
}

void MediaPlaylist::removeInvalidCompoundPredicates()
{
    if (!m_predicate || !m_predicate->isCompound())
        return;
    // Groups nest as the editor writes them; anything else (a NOT inside, an
    // unknown form) is what the window could neither show nor keep.
    if (!holdsOnlyComparisonsAndGroups(*m_predicate))
        setPredicate(std::nullopt);
}

void MediaPlaylist::removeInvalidRegularExpressions()
{
    // Compiling is the evaluation that can fail: it is where a MATCHES pattern is read.
    if (!m_predicate || !m_predicate->isCompound() || m_predicate->evaluator())
        return;
    setPredicate(groupWithout(*m_predicate, [](const Predicate &sub) {
        return sub.isComparison() && sub.operatorType() == PredicateOperatorType::Matches;
    }));
}

void MediaPlaylist::setRecentPredicate(const QString &dateKey, int days)
{
    // The tree of: dateKey >= CAST(CAST(now(), "NSNumber") - %d, "NSDate") with days × 86400.
    const PredicateExpression nowAsNumber
        = PredicateExpression::builtin(QStringLiteral("castObject:toType:"),
            { PredicateExpression::builtin(QStringLiteral("now"), {}),
                PredicateExpression::constant(QStringLiteral("NSNumber")) });
    const PredicateExpression earlier
        = PredicateExpression::builtin(QStringLiteral("from:subtract:"),
            { nowAsNumber, PredicateExpression::constant(PlistValue(qint64(days) * 86400)) });
    const PredicateExpression since
        = PredicateExpression::builtin(QStringLiteral("castObject:toType:"),
            { earlier, PredicateExpression::constant(QStringLiteral("NSDate")) });
    setPredicate(Predicate::comparison(
        PredicateExpression::keyPath(dateKey), PredicateOperatorType::GreaterThanOrEqualTo, since));
}

void MediaPlaylist::setFavoritesPredicate(int minimumRating)
{
    setPredicate(Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("rating")),
        PredicateOperatorType::GreaterThanOrEqualTo,
        PredicateExpression::constant(PlistValue(minimumRating))));
}

// ---- Archive coding ------------------------------------------------------------------------

QStringList MediaPlaylist::classChain() const
{
    return { ClassName, QStringLiteral("NSObject") };
}

void MediaPlaylist::encode(ArchiveEncoder &encoder) const
{
    encoder.encodeObject(OwnerKey, m_owner);
    encoder.encodeObject(IdentifierKey, m_identifier);
    encoder.encodeObject(TypeKey, m_type);
    encoder.encodeObject(NameKey, m_name);
    encoder.encodeObject(PredicateKey, m_archivedPredicate);
    // Sorted, so that saving the same collection twice writes the same bytes.
    QStringList identifiers(m_elementReferences.begin(), m_elementReferences.end());
    identifiers.sort();
    PlistArray members;
    members.reserve(identifiers.size());
    for (const QString &identifier : identifiers)
        members.append(identifier);
    encoder.encodeObject(ElementReferencesKey, PlistValue::set(members), ArchiveEncoder::Mutable);
}

void MediaPlaylist::registerArchiveCoder()
{
    static std::once_flag once;
    std::call_once(once, [] {
        PredicateCoding::registerArchiveCoders();
        ArchiveCoderRegistry::instance().registerDecoder(ClassName, &decodePlaylist);
    });
}

MediaPlaylistPtr MediaPlaylist::fromValue(const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Object)
        return nullptr;
    return std::dynamic_pointer_cast<MediaPlaylist>(value.toObject());
}

PlistDictionary MediaPlaylist::description() const
{
    PlistArray references;
    for (const QString &identifier : m_elementReferences)
        references.append(identifier);
    return {
        { OwnerKey, m_owner },
        { IdentifierKey, m_identifier },
        { TypeKey, m_type },
        { NameKey, m_name },
        { PredicateKey, m_predicate ? PlistValue(m_predicate->format()) : PlistValue::null() },
        { ElementReferencesKey, PlistValue::set(references) },
    };
}

} // namespace vidarium
