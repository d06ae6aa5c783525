#include "window/userfieldlistmodel.h"

#include "model/medialibrary.h"

#include <QCollator>

#include <algorithm>

namespace vidarium {

UserFieldListModel::UserFieldListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void UserFieldListModel::load(const MediaLibrary &library, const PlistDictionary &columnVisibility)
{
    beginResetModel();
    m_rows.clear();
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        m_rows.append({ field->copy(), columnVisibility.value(field->identifier()).toBool() });
    sortRows();
    endResetModel();
}

QList<MediaUserFieldPtr> UserFieldListModel::fields() const
{
    QList<MediaUserFieldPtr> fields;
    fields.reserve(m_rows.size());
    for (const Row &row : m_rows)
        fields.append(row.field);
    return fields;
}

int UserFieldListModel::addField(MediaLibrary &library)
{
    QString name = MediaUserField::UntitledName;
    for (int n = 2; nameTaken(name, -1); ++n)
        name = QStringLiteral("%1 %2").arg(MediaUserField::UntitledName).arg(n);
    const Row row { MediaUserField::create(&library, name), true };
    beginResetModel();
    m_rows.append(row);
    sortRows();
    endResetModel();
    return rowOf(row.field->identifier());
}

QStringList UserFieldListModel::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList removed;
    for (int row : std::as_const(rows)) {
        if (row < 0 || row >= m_rows.size())
            continue;
        beginRemoveRows({}, row, row);
        removed.append(m_rows.takeAt(row).field->identifier());
        endRemoveRows();
    }
    return removed;
}

int UserFieldListModel::rowOf(const QString &identifier) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).field->identifier() == identifier)
            return int(row);
    }
    return -1;
}

int UserFieldListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UserFieldListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UserFieldListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    if (index.column() == NameColumn && (role == Qt::DisplayRole || role == Qt::EditRole))
        return row.field->name();
    if (index.column() == VisibleColumn && role == Qt::CheckStateRole)
        return row.visible ? Qt::Checked : Qt::Unchecked;
    return {};
}

QVariant UserFieldListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == NameColumn ? tr("Field") : tr("Column Shown");
}

Qt::ItemFlags UserFieldListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == NameColumn ? base | Qt::ItemIsEditable
                                        : base | Qt::ItemIsUserCheckable;
}

bool UserFieldListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return false;
    Row &row = m_rows[index.row()];
    if (index.column() == VisibleColumn && role == Qt::CheckStateRole) {
        row.visible = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, { role });
        return true;
    }
    if (index.column() != NameColumn || role != Qt::EditRole)
        return false;
    const QString name = value.toString().simplified();
    if (name == row.field->name())
        return true;
    if (name.isEmpty()) {
        emit editRefused(tr("A field needs a name."));
        return false;
    }
    if (nameTaken(name, index.row())) {
        emit editRefused(tr("There is already a field named \u201c%1\u201d.").arg(name));
        return false;
    }
    row.field->setName(name);
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    emit layoutAboutToBeChanged();
    QModelIndexList before = persistentIndexList();
    QList<QString> identifiers;
    for (const QModelIndex &old : std::as_const(before))
        identifiers.append(m_rows.at(old.row()).field->identifier());
    sortRows();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(this->index(rowOf(identifiers.at(i)), before.at(i).column()));
    changePersistentIndexList(before, after);
    emit layoutChanged();
    return true;
}

bool UserFieldListModel::nameTaken(const QString &name, int exceptRow) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (row != exceptRow
            && m_rows.at(row).field->name().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void UserFieldListModel::sortRows()
{
    const QCollator collator;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&collator](const Row &a, const Row &b) {
        return collator.compare(a.field->name(), b.field->name()) < 0;
    });
}

} // namespace vidarium
