#pragma once

// The source list pane: the library's collections, folders and the user's
// collection tree. It answers which collection is selected and what can be done
// with it, and hands the user's collection tree to the library before a save.
// Until the tree view arrives, "All Videos" is the selected collection.
// Threads: main thread.

#include "model/medialibrary.h"
#include "window/panecontroller.h"

#include <QStringList>

namespace vidarium {

class SourceViewController : public PaneController
{
    Q_OBJECT
public:
    explicit SourceViewController(Document &document, QObject *parent = nullptr);

    // The collection of the selected node; null for a folder or group.
    MediaPlaylistPtr selectedPlaylist() const;
    MediaElementList selectedNodeElements() const;
    QStringList selectedNodePredicateKeyPaths() const;
    // The user's collection tree in its stored form ("NodeTree").
    PlistValue userCollectionNodes() const;

    bool isTargetNodeEditable() const;
    bool isTargetNodeRemoveable() const;
    bool isTargetNodeIconRemoveable() const;
    bool isTrashFull() const;

    void createFolder();
    void createPlaylist();
    void createPlaylistWithSelection(const MediaElementList &elements);
    void createPlaylistWithPredicate();
    void editTargetPredicate();
    void emptyTrash();
    void removeTarget();
    void removeTargetIcon();
};

} // namespace vidarium
