#include "sourceviewcontroller.h"

#include "document/document.h"
#include "model/mediaplaylist.h"

namespace vidarium {

namespace {
const QString AllVideosType = QStringLiteral("MediaPlaylistTypeMedia");
}

SourceViewController::SourceViewController(Document &document, QObject *parent)
    : PaneController(QStringLiteral("SourceView"), document, parent)
{
    setView(placeholderView(tr("Collections")));
}

MediaPlaylistPtr SourceViewController::selectedPlaylist() const
{
    return document().library().playlistWithType(AllVideosType);
}

MediaElementList SourceViewController::selectedNodeElements() const
{
    const ElementDictionary &media = document().library().media();
    MediaElementList elements;
    elements.reserve(media.size());
    for (const MediaElementPtr &element : media)
        elements.append(element);
    return elements;
}

QStringList SourceViewController::selectedNodePredicateKeyPaths() const
{
    return {};
}

PlistValue SourceViewController::userCollectionNodes() const
{
    // Kept as read until the tree is edited here.
    return document().library().sourceNodes();
}

bool SourceViewController::isTargetNodeEditable() const
{
    return false;
}

bool SourceViewController::isTargetNodeRemoveable() const
{
    return false;
}

bool SourceViewController::isTargetNodeIconRemoveable() const
{
    return false;
}

bool SourceViewController::isTrashFull() const
{
    return document().library().isTrashFull();
}

void SourceViewController::createFolder()
{
}
void SourceViewController::createPlaylist()
{
}
void SourceViewController::createPlaylistWithSelection(const MediaElementList &elements)
{
    Q_UNUSED(elements);
}
void SourceViewController::createPlaylistWithPredicate()
{
}
void SourceViewController::editTargetPredicate()
{
}
void SourceViewController::emptyTrash()
{
}
void SourceViewController::removeTarget()
{
}
void SourceViewController::removeTargetIcon()
{
}

} // namespace vidarium
