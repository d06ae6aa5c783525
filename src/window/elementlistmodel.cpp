#include "elementlistmodel.h"

namespace vidarium {

ElementListModel::ElementListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void ElementListModel::setElements(MediaElementList elements)
{
    beginResetModel();
    m_elements = std::move(elements);
    m_rows.clear();
    m_rows.reserve(m_elements.size());
    for (int row = 0; row < m_elements.size(); ++row)
        m_rows.insert(m_elements.at(row)->identifier(), row);
    endResetModel();
}

MediaElementPtr ElementListModel::elementAt(int row) const
{
    return row >= 0 && row < m_elements.size() ? m_elements.at(row) : nullptr;
}

void ElementListModel::elementChanged(const QString &identifier)
{
    const int row = rowOf(identifier);
    if (row < 0)
        return;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

int ElementListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_elements.size());
}

QVariant ElementListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_elements.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_elements.at(index.row())->name();
    return {};
}

} // namespace vidarium
