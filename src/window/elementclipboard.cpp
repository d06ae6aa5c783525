#include "elementclipboard.h"

#include "platform/plist/keyedarchiver.h"
#include "platform/plist/keyedunarchiver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace vidarium {

ElementClipboard &ElementClipboard::instance()
{
    static ElementClipboard *clipboard = new ElementClipboard;
    return *clipboard;
}

ElementClipboard::ElementClipboard()
    : QObject(QGuiApplication::instance())
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &ElementClipboard::invalidate);
}

void ElementClipboard::invalidate()
{
    m_cache.reset();
}

const MediaElementList &ElementClipboard::elements()
{
    if (!m_cache) {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
        ++m_decodeCount;
        m_cache = decode(data);
    }
    return *m_cache;
}

bool ElementClipboard::containsForeignElements(const QString &libraryIdentifier)
{
    const MediaElementList &onClipboard = elements();
    return !onClipboard.isEmpty() && onClipboard.first()->owner() != libraryIdentifier;
}

MediaElementList ElementClipboard::decode(const QMimeData *data)
{
    if (!data || !data->hasFormat(MediaElement::PasteboardType))
        return {};
    return decode(data->data(MediaElement::PasteboardType));
}

MediaElementList ElementClipboard::decode(const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() > MaximumBytes)
        return {};
    MediaElement::registerArchiveCoder();
    const Result<PlistValue> root = KeyedUnarchiver::unarchive(bytes);
    if (!root)
        return {};
    MediaElementList elements;
    const auto take = [&elements](const PlistValue &value) {
        if (auto element = std::dynamic_pointer_cast<MediaElement>(value.toObject()))
            elements.append(element);
    };
    if (root->type() == PlistValue::Type::Array) {
        for (const PlistValue &member : root->toArray())
            take(member);
    } else {
        take(*root);
    }
    return elements;
}

QMimeData *ElementClipboard::mimeData(
    const MediaElementList &elements, const QString &libraryIdentifier)
{
    PlistArray archived;
    for (const MediaElementPtr &element : elements)
        archived.append(PlistValue(element));
    auto *data = new ElementMimeData(elements);
    data->setData(DocumentIdentifierType, libraryIdentifier.toUtf8());
    data->setData(MediaElement::PasteboardType, KeyedArchiver::archivedData(PlistValue(archived)));
    return data;
}

} // namespace vidarium
