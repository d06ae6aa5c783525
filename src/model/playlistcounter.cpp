#include "model/playlistcounter.h"

#include "model/elementfilter.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/predicateevaluator.h"

#include <algorithm>
#include <optional>

namespace vidarium {

namespace {

// One bit per tracked collection in a 64-bit word; a library with more smart
// collections is counted by passes alone.
constexpr qsizetype maxTracked = 64;

// "userKeywordObjects.name" is read through "userKeywordObjects", which is the
// key an element announces.
QString headOf(const QString &keyPath)
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    return dot < 0 ? keyPath : keyPath.left(dot);
}

// Adds the keys an expression reads; false when it reads the element as a whole.
bool collectKeys(const PredicateExpression &expression, QSet<QString> &keys)
{
    switch (expression.kind()) {
    case PredicateExpression::Kind::Constant:
        return true;
    case PredicateExpression::Kind::KeyPath:
        keys.insert(headOf(expression.keyPath()));
        return true;
    case PredicateExpression::Kind::Function:
        if (!expression.isBuiltin() && !collectKeys(expression.operand(), keys))
            return false;
        [[fallthrough]];
    case PredicateExpression::Kind::Aggregate:
        return std::all_of(expression.arguments().cbegin(), expression.arguments().cend(),
            [&keys](const PredicateExpression &argument) { return collectKeys(argument, keys); });
    case PredicateExpression::Kind::EvaluatedObject:
    case PredicateExpression::Kind::Variable:
        break;
    }
    return false;
}

bool collectKeys(const Predicate &predicate, QSet<QString> &keys)
{
    if (predicate.isComparison())
        return collectKeys(predicate.leftExpression(), keys)
            && collectKeys(predicate.rightExpression(), keys);
    if (predicate.isCompound())
        return std::all_of(predicate.subpredicates().cbegin(), predicate.subpredicates().cend(),
            [&keys](const Predicate &sub) { return collectKeys(sub, keys); });
    return true;
}

// Values an element does not hold itself: they change with no element announcing it.
const QSet<QString> &keysKeptOutsideElements()
{
    static const QSet<QString> keys = [] {
        QSet<QString> names;
        for (ElementKey key :
            { ElementKey::Status, ElementKey::FileExists, ElementKey::UserKeywordObjects,
                ElementKey::UserKeywordsExist, ElementKey::Resource, ElementKey::Handlers })
            names.insert(ElementKeys::name(key));
        return names;
    }();
    return keys;
}

} // namespace

struct PlaylistCounter::Tracked
{
    MediaPlaylistPtr playlist;
    Predicate criteria;
    // Nothing: the criteria read the element as a whole, so any change may matter.
    std::optional<QSet<QString>> keys;
    // Criteria that do not compile select nothing, as count() has it.
    bool compiles = false;
    qsizetype count = 0;

    bool reads(const QSet<QString> &changed) const { return !keys || keys->intersects(changed); }
};

PlaylistCounter::PlaylistCounter(MediaLibrary &library)
    : m_library(library)
{
    m_connection = QObject::connect(&library, &MediaLibrary::elementValuesChanged,
        [this](const QString &identifier, const QSet<QString> &keys) {
            elementValuesChanged(identifier, keys);
        });
}

PlaylistCounter::~PlaylistCounter()
{
    QObject::disconnect(m_connection);
}

bool PlaylistCounter::isCountedByCriteria(const MediaPlaylist &playlist) const
{
    return playlist.isSmart() && !playlist.isListedByType() && playlist.library() == &m_library;
}

QList<qsizetype> PlaylistCounter::countAll(const QList<MediaPlaylistPtr> &playlists)
{
    pass(smartOf(playlists));
    forgetChanges();
    return answer(playlists);
}

QList<qsizetype> PlaylistCounter::countChanges(
    const QList<MediaPlaylistPtr> &playlists, const QSet<QString> &announced)
{
    const QList<MediaPlaylistPtr> smart = smartOf(playlists);
    const std::optional<std::vector<MediaLibrary::MediaChange>> moves
        = m_library.mediaChangesSince(m_generation);
    if (!moves || qsizetype(moves->size()) > manyChanges() || needsPass(smart, announced)) {
        pass(smart);
    } else {
        m_lastTested = 0;
        applyMoves(*moves);
        const int arrivalsTested = m_lastTested;
        retestChanged();
        m_lastTested = std::max(m_lastTested, arrivalsTested);
    }
    forgetChanges();
    return answer(playlists);
}

qsizetype PlaylistCounter::manyChanges() const
{
    // Past this many, one pass over everything on two threads is the cheaper way.
    return std::max<qsizetype>(1024, m_library.media().size() / 8);
}

void PlaylistCounter::elementValuesChanged(const QString &identifier, const QSet<QString> &keys)
{
    if (m_tooManyChanged || !m_counted)
        return;
    QSet<QString> heads;
    for (const QString &key : keys)
        heads.insert(headOf(key));
    // A change no tracked collection reads (the images an import makes) moves no count.
    if (!heads.isEmpty()
        && std::none_of(m_tracked.cbegin(), m_tracked.cend(),
            [&heads](const Tracked &tracked) { return tracked.reads(heads); }))
        return;
    m_changedElements.insert(identifier);
    m_changedKeys.unite(heads);
    if (m_changedElements.size() > manyChanges()) {
        m_tooManyChanged = true;
        m_changedElements.clear();
        m_changedKeys.clear();
    }
}

bool PlaylistCounter::tracks(const QList<MediaPlaylistPtr> &smart) const
{
    if (size_t(smart.size()) != m_tracked.size())
        return false;
    for (qsizetype k = 0; k < smart.size(); ++k) {
        const Tracked &tracked = m_tracked[size_t(k)];
        if (tracked.playlist != smart[k] || tracked.criteria != *smart[k]->predicate())
            return false;
    }
    return true;
}

bool PlaylistCounter::needsPass(
    const QList<MediaPlaylistPtr> &smart, const QSet<QString> &announced) const
{
    if (!m_counted || m_tooManyChanged || !tracks(smart))
        return true;
    QSet<QString> outside;
    for (const QString &key : announced)
        if (keysKeptOutsideElements().contains(headOf(key)))
            outside.insert(headOf(key));
    return !outside.isEmpty()
        && std::any_of(m_tracked.cbegin(), m_tracked.cend(),
            [&outside](const Tracked &tracked) { return tracked.reads(outside); });
}

void PlaylistCounter::pass(const QList<MediaPlaylistPtr> &smart)
{
    m_tracked.clear();
    m_members.clear();
    for (const MediaPlaylistPtr &playlist : smart) {
        Tracked tracked { playlist, *playlist->predicate(), QSet<QString>() };
        if (!collectKeys(tracked.criteria, *tracked.keys))
            tracked.keys.reset();
        m_tracked.push_back(std::move(tracked));
    }
    std::vector<PredicateEvaluator> evaluators;
    std::vector<size_t> places;
    compileTracked(evaluators, places);
    m_lastTested = int(evaluators.size());
    m_counted = smart.size() <= maxTracked;
    m_generation = m_library.mediaGeneration();
    for (size_t first = 0; first < evaluators.size(); first += size_t(maxTracked)) {
        const size_t last = std::min(evaluators.size(), first + size_t(maxTracked));
        const std::vector<PredicateEvaluator> some(
            evaluators.begin() + qsizetype(first), evaluators.begin() + qsizetype(last));
        absorb(ElementFilter::testEach(m_library.media(), some), places, first);
    }
}

void PlaylistCounter::compileTracked(
    std::vector<PredicateEvaluator> &evaluators, std::vector<size_t> &places)
{
    for (size_t k = 0; k < m_tracked.size(); ++k) {
        Tracked &tracked = m_tracked[k];
        Result<PredicateEvaluator> evaluator = tracked.criteria.evaluatorForOnePass();
        tracked.compiles = evaluator.ok();
        if (evaluator) {
            evaluators.push_back(std::move(*evaluator));
            places.push_back(k);
        }
    }
}

void PlaylistCounter::absorb(
    const ElementFilter::Memberships &members, const std::vector<size_t> &places, size_t first)
{
    if (m_counted)
        m_members.reserve(m_members.size() + qsizetype(members.size()));
    for (const auto &[element, mask] : members) {
        quint64 bits = 0; // by place among the tracked, not among the evaluators
        for (size_t k = 0; k + first < places.size() && k < size_t(maxTracked); ++k) {
            if (mask & (quint64(1) << k)) {
                const size_t place = places[first + k];
                ++m_tracked[place].count;
                bits |= quint64(1) << (place % maxTracked);
            }
        }
        if (m_counted)
            m_members[element] |= bits;
    }
}

void PlaylistCounter::applyMoves(const std::vector<MediaLibrary::MediaChange> &moves)
{
    // In order: an address that left may come back as another element.
    QSet<const MediaElement *> arrived;
    for (const MediaLibrary::MediaChange &move : moves) {
        if (move.joined) {
            arrived.insert(move.element);
            continue;
        }
        arrived.remove(move.element);
        const auto found = m_members.constFind(move.element);
        if (found == m_members.constEnd())
            continue;
        for (size_t k = 0; k < m_tracked.size(); ++k)
            if (*found & (quint64(1) << k))
                --m_tracked[k].count;
        m_members.erase(found);
    }
    m_generation = m_library.mediaGeneration();
    // What arrived and stayed is in media() now, so it may be asked its identifier.
    const ElementDictionary &media = m_library.media();
    MediaElementList fresh;
    for (const MediaElement *element : std::as_const(arrived)) {
        const MediaElementPtr present = media.value(element->identifier());
        if (present.get() != element)
            continue;
        fresh.append(present);
        m_changedElements.remove(element->identifier());
    }
    if (fresh.isEmpty())
        return;
    std::vector<PredicateEvaluator> evaluators;
    std::vector<size_t> places;
    compileTracked(evaluators, places);
    absorb(ElementFilter::testEach(fresh, evaluators), places, 0);
    m_lastTested = int(evaluators.size());
}

QList<MediaPlaylistPtr> PlaylistCounter::smartOf(const QList<MediaPlaylistPtr> &playlists) const
{
    QList<MediaPlaylistPtr> smart;
    for (const MediaPlaylistPtr &playlist : playlists)
        if (isCountedByCriteria(*playlist))
            smart.append(playlist);
    return smart;
}

void PlaylistCounter::retestChanged()
{
    m_lastTested = 0;
    if (m_changedElements.isEmpty())
        return;
    std::vector<std::pair<size_t, PredicateEvaluator>> retested;
    for (size_t k = 0; k < m_tracked.size(); ++k) {
        const Tracked &tracked = m_tracked[k];
        if (!tracked.compiles || !tracked.reads(m_changedKeys))
            continue;
        // Criteria that read the date see it as it is now, as a pass would.
        if (Result<PredicateEvaluator> evaluator = tracked.criteria.evaluatorForOnePass())
            retested.emplace_back(k, std::move(*evaluator));
    }
    m_lastTested = int(retested.size());
    if (retested.empty())
        return;
    const ElementDictionary &media = m_library.media();
    for (const QString &identifier : std::as_const(m_changedElements)) {
        const auto found = media.constFind(identifier);
        if (found == media.constEnd())
            continue;
        const MediaElement *element = found->get();
        const quint64 before = m_members.value(element);
        quint64 after = before;
        for (const auto &[k, evaluator] : retested) {
            const quint64 bit = quint64(1) << k;
            after = evaluator.evaluate(*element) ? (after | bit) : (after & ~bit);
            if ((after & bit) != (before & bit))
                m_tracked[k].count += (after & bit) ? 1 : -1;
        }
        if (after == before)
            continue;
        if (after)
            m_members.insert(element, after);
        else
            m_members.remove(element);
    }
}

QList<qsizetype> PlaylistCounter::answer(const QList<MediaPlaylistPtr> &playlists) const
{
    QList<qsizetype> counts;
    counts.reserve(playlists.size());
    for (const MediaPlaylistPtr &playlist : playlists) {
        const auto tracked = std::find_if(m_tracked.cbegin(), m_tracked.cend(),
            [&playlist](const Tracked &candidate) { return candidate.playlist == playlist; });
        counts.append(tracked != m_tracked.cend() ? tracked->count : playlist->count());
    }
    return counts;
}

void PlaylistCounter::forgetChanges()
{
    m_changedElements.clear();
    m_changedKeys.clear();
    m_tooManyChanged = false;
}

} // namespace vidarium
