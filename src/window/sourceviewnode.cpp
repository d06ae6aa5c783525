#include "sourceviewnode.h"

#include "platform/plist/archiveencoder.h"

#include <QSet>
#include <QUuid>

namespace vidarium {

namespace {

using Field = GenericArchivedObject::Field;

const QString KeyField = QStringLiteral("nodeKey");
const QString NameField = QStringLiteral("nodeName");
const QString BadgeField = QStringLiteral("nodeBadgeCount");
const QString IconField = QStringLiteral("nodeIcon");
const QString ExpandedField = QStringLiteral("isExpanded");
const QString LeafField = QStringLiteral("isLeaf");
const QString ChildrenField = QStringLiteral("children");

bool isKnownField(const QString &key)
{
    return key == KeyField || key == NameField || key == BadgeField || key == IconField
        || key == ExpandedField || key == LeafField || key == ChildrenField;
}

const void *identityOf(const PlistValue &value)
{
    return value.type() == PlistValue::Type::Object ? value.toObject().get() : nullptr;
}

} // namespace

SourceViewNodePtr SourceViewNode::makeGroup(const QString &key, const QString &name)
{
    SourceViewNodePtr node(new SourceViewNode);
    node->m_key = key;
    node->m_name = name;
    node->m_group = true;
    node->m_expanded = true;
    return node;
}

SourceViewNodePtr SourceViewNode::makeFolder(const QString &key, const QString &name)
{
    SourceViewNodePtr node(new SourceViewNode);
    node->m_key = key;
    node->m_name = name;
    return node;
}

SourceViewNodePtr SourceViewNode::makeLeaf(const QString &key, const QString &name)
{
    SourceViewNodePtr node = makeFolder(key, name);
    node->m_leaf = true;
    return node;
}

QString SourceViewNode::sanitizedName(const QString &name)
{
    QString clean = name;
    for (QChar &c : clean)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    clean = clean.trimmed();
    if (clean.size() > MaximumNameLength) {
        clean.truncate(MaximumNameLength);
        // Never leave half of a surrogate pair behind.
        if (clean.back().isHighSurrogate())
            clean.chop(1);
    }
    return clean;
}

int SourceViewNode::row() const
{
    if (!m_parent)
        return 0;
    const auto &siblings = m_parent->m_children;
    for (int i = 0; i < siblings.size(); ++i)
        if (siblings.at(i).get() == this)
            return i;
    return 0;
}

bool SourceViewNode::insertChild(int row, const SourceViewNodePtr &child)
{
    if (m_leaf || !child || child.get() == this || isDescendantOf(child.get()))
        return false;
    if (SourceViewNode *old = child->m_parent) {
        const int oldRow = child->row();
        old->m_children.removeAt(oldRow);
        if (old == this && oldRow < row)
            --row;
    }
    row = std::clamp(row, 0, int(m_children.size()));
    m_children.insert(row, child);
    child->m_parent = this;
    return true;
}

SourceViewNodePtr SourceViewNode::takeChild(int row)
{
    if (row < 0 || row >= m_children.size())
        return {};
    SourceViewNodePtr child = m_children.takeAt(row);
    child->m_parent = nullptr;
    return child;
}

QList<SourceViewNode *> SourceViewNode::descendants() const
{
    QList<SourceViewNode *> out;
    for (const SourceViewNodePtr &child : m_children) {
        out.append(child.get());
        out.append(child->descendants());
    }
    return out;
}

QList<SourceViewNode *> SourceViewNode::allChildLeafs() const
{
    QList<SourceViewNode *> out;
    for (SourceViewNode *node : descendants())
        if (node->isLeaf())
            out.append(node);
    return out;
}

QList<SourceViewNode *> SourceViewNode::allChildFolders() const
{
    QList<SourceViewNode *> out;
    for (SourceViewNode *node : descendants())
        if (!node->isLeaf())
            out.append(node);
    return out;
}

bool SourceViewNode::isDescendantOf(const SourceViewNode *node) const
{
    for (const SourceViewNode *up = m_parent; up; up = up->m_parent)
        if (up == node)
            return true;
    return false;
}

QList<int> SourceViewNode::indexPath() const
{
    QList<int> path;
    for (const SourceViewNode *node = this; node; node = node->m_parent)
        path.prepend(node->row());
    return path;
}

// --- Stored form ---------------------------------------------------------------------

QList<SourceViewNodePtr> SourceViewNode::decodeTree(const PlistValue &nodeTree,
    const std::function<bool(const QString &)> &acceptLeafKey, int *skipped)
{
    int bad = 0;
    QList<SourceViewNodePtr> roots;
    if (nodeTree.type() == PlistValue::Type::Array) {
        QList<const void *> path;
        QSet<const void *> seen;
        for (const PlistValue &value : nodeTree.toArray())
            if (SourceViewNodePtr node = decodeNode(value, 1, path, seen, acceptLeafKey, bad))
                roots.append(node);
    } else if (nodeTree.isValid() && !nodeTree.isNull()) {
        ++bad;
    }
    if (skipped)
        *skipped = bad;
    return roots;
}

SourceViewNodePtr SourceViewNode::decodeNode(const PlistValue &value, int depth,
    QList<const void *> &path, QSet<const void *> &seen,
    const std::function<bool(const QString &)> &acceptLeafKey, int &skipped)
{
    // A node is read from what the engine kept of the archive, from a node this
    // program wrote back, or from the dictionary form.
    QList<Field> fields;
    QStringList chain;
    const auto object = value.type() == PlistValue::Type::Object ? value.toObject() : nullptr;
    if (auto generic = std::dynamic_pointer_cast<GenericArchivedObject>(object);
        generic && generic->className() == ClassName) {
        fields = generic->fields();
        chain = generic->classChain();
    } else if (auto own = std::dynamic_pointer_cast<SourceViewNode>(object)) {
        fields = own->m_unknownFields;
        chain = own->m_classChain;
        fields.append({ KeyField, own->m_key, Field::Kind::Reference });
        fields.append({ NameField, own->m_name, Field::Kind::Reference });
        fields.append({ BadgeField, own->m_badgeCount, Field::Kind::Reference });
        if (own->m_icon.isValid())
            fields.append({ IconField, own->m_icon, Field::Kind::Reference });
        fields.append({ ExpandedField, own->m_expanded, Field::Kind::Reference });
        fields.append({ LeafField, own->m_leaf, Field::Kind::Reference });
        PlistArray children;
        for (const SourceViewNodePtr &child : own->m_children)
            children.append(PlistValue(std::static_pointer_cast<ArchivedObject>(child)));
        fields.append({ ChildrenField, children, Field::Kind::Reference });
        for (auto it = own->m_kinds.cbegin(); it != own->m_kinds.cend(); ++it)
            for (Field &field : fields)
                if (field.key == it.key())
                    field.kind = it.value();
    } else if (value.type() == PlistValue::Type::Dictionary) {
        const PlistDictionary &dictionary = value.toDictionary();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            fields.append({ it.key(), it.value(), Field::Kind::Reference });
    } else {
        ++skipped;
        return {};
    }
    const void *identity = identityOf(value);
    if (depth > MaximumDepth
        || (identity && (path.contains(identity) || seen.contains(identity)))) {
        ++skipped;
        return {};
    }
    if (identity) {
        seen.insert(identity);
        path.append(identity);
    }

    SourceViewNodePtr node(new SourceViewNode);
    if (!chain.isEmpty())
        node->m_classChain = chain;
    node->adoptFields(fields);
    // Folders are found again by key: one without gets a key of its own.
    if (!node->m_leaf && node->m_key.isEmpty())
        node->m_key = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    bool usable = !node->m_key.isEmpty() && (!node->m_leaf || acceptLeafKey(node->m_key));
    // Group keys belong to the two headings, never to stored nodes.
    if (node->m_key == LibraryGroupKey || node->m_key == PlaylistsGroupKey)
        usable = false;
    if (usable && !node->m_leaf) {
        for (const Field &field : fields) {
            if (field.key != ChildrenField || field.value.type() != PlistValue::Type::Array)
                continue;
            for (const PlistValue &child : field.value.toArray())
                if (SourceViewNodePtr decoded
                    = decodeNode(child, depth + 1, path, seen, acceptLeafKey, skipped))
                    node->insertChild(int(node->m_children.size()), decoded);
        }
    }
    if (identity)
        path.removeLast();
    if (!usable) {
        ++skipped;
        return {};
    }
    return node;
}

void SourceViewNode::adoptFields(const QList<Field> &fields)
{
    for (const Field &field : fields) {
        if (!isKnownField(field.key)) {
            m_unknownFields.append(field);
            continue;
        }
        m_kinds.insert(field.key, field.kind);
        const PlistValue &v = field.value;
        if (field.key == KeyField && v.type() == PlistValue::Type::String)
            m_key = v.toString();
        else if (field.key == NameField && v.type() == PlistValue::Type::String)
            m_name = v.toString();
        else if (field.key == BadgeField && v.isNumber())
            m_badgeCount = std::max<qint64>(0, v.toInteger());
        else if (field.key == IconField)
            m_icon = v;
        else if (field.key == ExpandedField && (v.isNumber() || v.type() == PlistValue::Type::Bool))
            m_expanded = v.toBool();
        else if (field.key == LeafField && (v.isNumber() || v.type() == PlistValue::Type::Bool))
            m_leaf = v.toBool();
    }
    const QString clean = sanitizedName(m_name);
    m_name = clean.isEmpty() ? QStringLiteral("Untitled") : clean;
}

GenericArchivedObject::Field::Kind SourceViewNode::kindOf(const QString &key) const
{
    return m_kinds.value(key, Field::Kind::Reference);
}

PlistValue SourceViewNode::encodeTree(const QList<SourceViewNodePtr> &roots)
{
    PlistArray array;
    for (const SourceViewNodePtr &root : roots)
        array.append(PlistValue(std::static_pointer_cast<ArchivedObject>(root)));
    return PlistValue(array);
}

void SourceViewNode::encode(ArchiveEncoder &encoder) const
{
    const auto write = [&](const QString &key, const PlistValue &value) {
        if (kindOf(key) == Field::Kind::Inline)
            encoder.encodeInline(key, value);
        else
            encoder.encodeObject(key, value);
    };
    write(KeyField, m_key);
    write(NameField, m_name);
    write(BadgeField, m_badgeCount);
    if (m_icon.isValid())
        encoder.encodeObject(IconField, m_icon);
    write(ExpandedField, m_expanded);
    write(LeafField, m_leaf);
    // A leaf stores no children: the stored form once held the node itself here,
    // a cycle no careful reader accepts.
    PlistArray children;
    for (const SourceViewNodePtr &child : m_children)
        children.append(PlistValue(std::static_pointer_cast<ArchivedObject>(child)));
    encoder.encodeObject(ChildrenField, children, ArchiveEncoder::Mutable);
    for (const Field &field : m_unknownFields) {
        if (field.kind == Field::Kind::Inline)
            encoder.encodeInline(field.key, field.value);
        else if (field.kind == Field::Kind::ReferenceArray)
            encoder.encodeObjectArray(field.key, field.value.toArray());
        else
            encoder.encodeObject(field.key, field.value);
    }
}

} // namespace vidarium
