#pragma once

// One node of the source list's tree: a group heading, a folder or a collection.
// Only the user's part of the tree is stored ("NodeTree"); a node read from a
// package keeps its class chain, the archived icon and every field it does not
// know, so a tree survives open and save unchanged. Decoding trusts nothing:
// foreign classes, cycles, shared children and runaway nesting are skipped.
// Threads: main thread.

#include "platform/plist/archivedobject.h"
#include "platform/plist/genericarchivedobject.h"
#include "platform/plist/plistvalue.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace vidarium {

class SourceViewNode;
using SourceViewNodePtr = std::shared_ptr<SourceViewNode>;

class SourceViewNode final : public ArchivedObject
{
public:
    static inline const QString ClassName = QStringLiteral("SourceViewNode");
    static inline const QString LibraryGroupKey = QStringLiteral("LibraryGroupNodeKey");
    static inline const QString PlaylistsGroupKey = QStringLiteral("PlaylistsGroupNodeKey");
    // Deeper stored trees are cut here; no honest tree comes near it.
    static constexpr int MaximumDepth = 64;
    // Longer names are cut (a row cannot show them, and they bloat every save).
    static constexpr int MaximumNameLength = 255;

    static SourceViewNodePtr makeGroup(const QString &key, const QString &name);
    static SourceViewNodePtr makeFolder(const QString &key, const QString &name);
    static SourceViewNodePtr makeLeaf(const QString &key, const QString &name);

    // Decodes a stored "NodeTree". Anything that is not a node is skipped and
    // counted in `skipped`; `acceptLeafKey` decides which collection keys live.
    static QList<SourceViewNodePtr> decodeTree(const PlistValue &nodeTree,
        const std::function<bool(const QString &)> &acceptLeafKey, int *skipped = nullptr);
    // The stored form of `roots` (an array of archived nodes).
    static PlistValue encodeTree(const QList<SourceViewNodePtr> &roots);
    // A name fit for a row: line breaks become spaces, the length is capped; an
    // empty result means the name is refused.
    static QString sanitizedName(const QString &name);

    const QString &key() const { return m_key; }
    void setKey(const QString &key) { m_key = key; }
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    qint64 badgeCount() const { return m_badgeCount; }
    void setBadgeCount(qint64 count) { m_badgeCount = count; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }
    bool isLeaf() const { return m_leaf; }
    bool isFolder() const { return !m_leaf && !isGroup(); }
    bool isGroup() const { return m_group; }
    // The archived icon as found; absent for nodes made here.
    const PlistValue &archivedIcon() const { return m_icon; }

    SourceViewNode *parent() const { return m_parent; }
    const QList<SourceViewNodePtr> &children() const { return m_children; }
    int row() const;
    SourceViewNodePtr childAt(int row) const { return m_children.value(row); }
    // Takes `child` out of any other parent first. Leaves take no children.
    bool insertChild(int row, const SourceViewNodePtr &child);
    SourceViewNodePtr takeChild(int row);

    // Every node below, depth first, each before its own descendants.
    QList<SourceViewNode *> descendants() const;
    QList<SourceViewNode *> allChildLeafs() const;
    QList<SourceViewNode *> allChildFolders() const;
    bool isDescendantOf(const SourceViewNode *node) const;
    // Child indexes from the root of this node's tree.
    QList<int> indexPath() const;

    QString className() const override { return ClassName; }
    QStringList classChain() const override { return m_classChain; }
    void encode(ArchiveEncoder &encoder) const override;

private:
    SourceViewNode() = default;
    static SourceViewNodePtr decodeNode(const PlistValue &value, int depth,
        QList<const void *> &path, QSet<const void *> &seen,
        const std::function<bool(const QString &)> &acceptLeafKey, int &skipped);
    void adoptFields(const QList<GenericArchivedObject::Field> &fields);
    GenericArchivedObject::Field::Kind kindOf(const QString &key) const;

    QString m_key;
    QString m_name = QStringLiteral("Untitled");
    qint64 m_badgeCount = 0;
    PlistValue m_icon;
    bool m_expanded = false;
    bool m_leaf = false;
    bool m_group = false;
    SourceViewNode *m_parent = nullptr;
    QList<SourceViewNodePtr> m_children;
    QStringList m_classChain { ClassName, QStringLiteral("NSObject") };
    // Fields of the stored node this program does not know, written back after the known ones.
    QList<GenericArchivedObject::Field> m_unknownFields;
    // How each known field was stored (inline or by reference), to write it back alike.
    QHash<QString, GenericArchivedObject::Field::Kind> m_kinds;
};

} // namespace vidarium
