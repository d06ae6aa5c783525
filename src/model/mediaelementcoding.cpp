#include "model/mediaelementcoding.h"

#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "platform/parallel.h"
#include "platform/plist/keyedarchive.h"

#include <QHash>

#include <array>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace vidarium {

using namespace Qt::StringLiterals;

namespace {

bool isString(const PlistValue &value)
{
    return value.type() == PlistValue::Type::String;
}

// Catalogues repeat the same few owners, batches, volumes, tools and codecs, and
// the same image settings, in every element: decoding shares one copy of each.
class InternPool
{
public:
    QString string(const QString &value)
    {
        if (value.isEmpty())
            return QString();
        const auto it = m_strings.constFind(value);
        if (it != m_strings.constEnd())
            return *it;
        trim();
        m_strings.insert(value);
        return value;
    }

    PlistDictionary dictionary(const PlistDictionary &value)
    {
        if (value.isEmpty())
            return PlistDictionary();
        // A catalogue that stores the settings once decodes to one shared value.
        if (value.isSharedWith(m_lastDictionary))
            return m_lastDictionary;
        QString signature;
        for (auto it = value.constBegin(); it != value.constEnd(); ++it) {
            if (!it->isNumber())
                return value; // only flat numeric settings are worth sharing
            signature += it.key() + QLatin1Char('=') + QString::number(it->toDouble(), 'g', 17)
                + QLatin1Char(it->type() == PlistValue::Type::Real ? 'r' : 'i') + QLatin1Char(';');
        }
        const auto it = m_dictionaries.constFind(signature);
        if (it != m_dictionaries.constEnd() && *it == value) {
            m_lastDictionary = *it;
            return *it;
        }
        trim();
        m_dictionaries.insert(signature, value);
        m_lastDictionary = value;
        return value;
    }

private:
    void trim()
    {
        // A pool is a cache, not a store: keep it bounded for odd catalogues.
        if (m_strings.size() > 8192)
            m_strings.clear();
        if (m_dictionaries.size() > 1024)
            m_dictionaries.clear();
    }

    QSet<QString> m_strings;
    QHash<QString, PlistDictionary> m_dictionaries;
    PlistDictionary m_lastDictionary;
};

// Equal values archived once per save (see MediaElement::ArchiveSharingScope).
class ArchiveSharing
{
public:
    // The stored form of the value as one object shared by every element that
    // holds an equal value; null for values not worth sharing.
    std::shared_ptr<ArchivedObject> shared(const PlistValue &value)
    {
        // Elements mostly hold the very same settings (one copy shared since they were
        // read or made), and spelling out a signature for each costs more than the
        // rest of the element: the few shared last are recognised by identity first.
        if (value.type() == PlistValue::Type::Dictionary) {
            for (const Recent &recent : m_recent)
                if (recent.object && value.toDictionary().isSharedWith(recent.dictionary))
                    return recent.object;
        }
        const QString signature = signatureOf(value);
        if (signature.isNull())
            return nullptr;
        std::shared_ptr<ArchivedObject> &object = m_objects[signature];
        if (!object)
            object = storedForm(value);
        if (value.type() == PlistValue::Type::Dictionary) {
            m_recent[m_nextRecent] = Recent { value.toDictionary(), object };
            m_nextRecent = (m_nextRecent + 1) % m_recent.size();
        }
        return object;
    }

private:
    // Only empty containers and flat numeric settings: they repeat across a
    // catalogue, while other values are as varied as the elements themselves.
    static QString signatureOf(const PlistValue &value)
    {
        if (value.type() == PlistValue::Type::Set)
            return value.toArray().isEmpty() ? u"set"_s : QString();
        if (value.type() != PlistValue::Type::Dictionary)
            return QString();
        QString signature = u"dictionary"_s;
        const PlistDictionary &dictionary = value.toDictionary();
        if (dictionary.size() > 32)
            return QString();
        for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
            if (!it->isNumber())
                return QString();
            signature += QLatin1Char(';') + it.key() + QLatin1Char('=')
                + QString::number(int(it->type())) + QLatin1Char(':')
                + QString::number(it->toDouble(), 'g', 17);
        }
        return signature;
    }

    static std::shared_ptr<ArchivedObject> storedForm(const PlistValue &value)
    {
        using Field = GenericArchivedObject::Field;
        if (value.type() == PlistValue::Type::Set) {
            return std::make_shared<GenericArchivedObject>(
                QStringList { u"NSSet"_s, u"NSObject"_s },
                QList<Field> { { u"NS.objects"_s, PlistArray(), Field::Kind::ReferenceArray } });
        }
        PlistArray keys;
        PlistArray values;
        const PlistDictionary &dictionary = value.toDictionary();
        for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
            keys.append(it.key());
            values.append(it.value());
        }
        return std::make_shared<GenericArchivedObject>(
            QStringList { u"NSDictionary"_s, u"NSObject"_s },
            QList<Field> { { u"NS.keys"_s, keys, Field::Kind::ReferenceArray },
                { u"NS.objects"_s, values, Field::Kind::ReferenceArray } });
    }

    // The dictionaries shared last (an element's settings and its empty user
    // fields alternate), by identity.
    struct Recent
    {
        PlistDictionary dictionary;
        std::shared_ptr<ArchivedObject> object;
    };

    QHash<QString, std::shared_ptr<ArchivedObject>> m_objects;
    std::array<Recent, 4> m_recent;
    size_t m_nextRecent = 0;
};

thread_local ArchiveSharing *activeSharing = nullptr;

// Paths held back by a MediaElementDecodingContext, with their elements.
using PendingPaths = std::vector<std::pair<MediaElementPtr, QString>>;

// Writes the value, through the shared stored form when a save shares values.
void encodeMaybeShared(ArchiveEncoder &encoder, const QString &key, const PlistValue &value)
{
    if (activeSharing) {
        if (std::shared_ptr<ArchivedObject> shared = activeSharing->shared(value)) {
            encoder.encodeObject(key, PlistValue(shared));
            return;
        }
    }
    encoder.encodeObject(key, value);
}

} // namespace

struct MediaElementDecodingContext::State
{
    InternPool internPool;
    PendingPaths pendingPaths;
};

MediaElement::ArchiveSharingScope::ArchiveSharingScope()
{
    if (!activeSharing) {
        activeSharing = new ArchiveSharing;
        m_outermost = true;
    }
}

MediaElement::ArchiveSharingScope::~ArchiveSharingScope()
{
    if (m_outermost) {
        delete activeSharing;
        activeSharing = nullptr;
    }
}

// Reading an element from an archive: the stored values are applied to a blank
// element in archive order; values of the wrong kind are ignored.
class MediaElementDecoding
{
public:
    // No other thread knows the element yet: no lock, and nothing to announce.
    static void applyPath(MediaElement &element, const QString &path)
    {
        element.setPathLocked(path);
    }

    static Result<PlistValue> decode(ArchiveDecoder &decoder)
    {
        auto *context = dynamic_cast<MediaElementDecodingContext *>(decoder.context());
        MediaElementDecodingContext::State *state = context ? &context->state() : nullptr;
        auto element = std::make_shared<MediaElement>(nullptr, QString(), false);
        // The stored keys are the stored properties from the first on, in order.
        const QStringList &keys = ElementKeys::staticKeys();
        QString path;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const PlistValue value = decoder.decodeObject(keys[i]); // Invalid when not stored
            const ElementKey key = ElementKey(int(ElementKey::Owner) + int(i));
            Q_ASSERT(ElementKeys::fromName(keys[i]) == key);
            // The path goes last: it decides the device, whatever was stored for it.
            if (key == ElementKey::Path)
                path = isString(value) ? value.toString() : QString();
            else if (value.isValid())
                applyStored(*element, key, value, state ? &state->internPool : nullptr);
        }
        if (!path.isEmpty()) {
            if (state)
                state->pendingPaths.emplace_back(element, path);
            else
                applyPath(*element, path);
        }
        element->assignStored(ElementKey::UserKeywords, decoder.decodeObject(u"userKeywords"_s));
        const PlistValue fields = decoder.decodeObject(u"userFields"_s);
        if (fields.type() == PlistValue::Type::Dictionary && !fields.toDictionary().isEmpty())
            element->m_hot.userFields = fields.toDictionary();
        if (decoder.containsKey(u"error"_s))
            element->m_hot.error = decoder.decodeBool(u"error"_s);
        if (element->m_identifier.isEmpty())
            element->m_identifier = MediaLibrary::generateUUID();
        return PlistValue(std::static_pointer_cast<ArchivedObject>(element));
    }

    // `pool` null: nothing to share with, the values are kept as they are.
    static void applyStored(
        MediaElement &e, ElementKey key, const PlistValue &value, InternPool *pool)
    {
        const auto string
            = [pool](const QString &text) { return pool ? pool->string(text) : text; };
        using K = ElementKey;
        switch (key) {
        case K::Owner:
            if (isString(value))
                e.m_owner = string(value.toString());
            return;
        case K::Identifier:
            if (isString(value))
                e.m_identifier = value.toString();
            return;
        case K::Tool:
            if (isString(value))
                e.m_tool = string(value.toString());
            return;
        case K::Batch:
            if (isString(value))
                e.m_batch = string(value.toString());
            return;
        case K::Device:
            if (isString(value))
                e.m_device = string(value.toString());
            return;
        case K::VideoCodec:
            if (isString(value))
                e.m_videoCodec = string(value.toString());
            return;
        case K::AudioCodec:
            if (isString(value))
                e.m_audioCodec = string(value.toString());
            return;
        case K::Checksum:
            if (isString(value))
                e.m_checksum = string(value.toString());
            return;
        case K::ImageMetrics:
            if (value.type() == PlistValue::Type::Dictionary)
                e.m_imageMetrics
                    = pool ? pool->dictionary(value.toDictionary()) : value.toDictionary();
            return;
        default:
            e.assignStored(key, value);
            return;
        }
    }
};

MediaElementDecodingContext::MediaElementDecodingContext()
    : m_state(std::make_unique<State>())
{
}

MediaElementDecodingContext::~MediaElementDecodingContext()
{
    applyPendingPaths();
}

void MediaElementDecodingContext::applyPendingPaths()
{
    const PendingPaths pending = std::exchange(m_state->pendingPaths, {});
    // Runs of a few hundred: each path waits on the disk for its volume, and some
    // volumes answer slower than others. A second thread pays off only for a
    // library of some size.
    splitOverWorker(pending.size(), { 256, 2000 }, [&pending](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            MediaElementDecoding::applyPath(*pending[i].first, pending[i].second);
    });
}

// --- Archive coding ----------------------------------------------------------------------

QStringList MediaElement::classChain() const
{
    return { ClassName, u"NSObject"_s };
}

void MediaElement::encode(ArchiveEncoder &encoder) const
{
    for (int i = int(ElementKey::Owner); i <= int(ElementKey::UserComments); ++i) {
        const ElementKey key = ElementKey(i);
        if (key == ElementKey::ImageMetrics)
            encodeMaybeShared(encoder, ElementKeys::name(key), imageMetrics());
        else
            encoder.encodeObject(ElementKeys::name(key), valueForKey(key));
    }
    encodeMaybeShared(encoder, u"userKeywords"_s, valueForKey(ElementKey::UserKeywords));
    encodeMaybeShared(encoder, u"userFields"_s, m_hot.userFields);
    encoder.encodeBool(u"error"_s, m_hot.error);
}

void MediaElement::registerArchiveCoder()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ArchiveCoderRegistry::instance().registerDecoder(ClassName, &MediaElementDecoding::decode);
    });
}

QByteArray MediaElement::pasteboardData() const
{
    // The archiver holds the object only while it writes; share without owning.
    const std::shared_ptr<ArchivedObject> self(
        std::shared_ptr<ArchivedObject>(), const_cast<MediaElement *>(this));
    return KeyedArchiver::archivedData(PlistValue(self));
}

Result<MediaElementPtr> MediaElement::fromPasteboardData(const QByteArray &data)
{
    registerArchiveCoder();
    const Result<PlistValue> root = KeyedUnarchiver::unarchive(data);
    if (!root)
        return root.error();
    auto element = std::dynamic_pointer_cast<MediaElement>(root->toObject());
    if (!element)
        return Error(Error::Code::Corrupt, u"The pasteboard holds no media element."_s);
    return element;
}

} // namespace vidarium
