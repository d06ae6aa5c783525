#include "detailkeywordsmodel.h"

#include "model/medialibrary.h"
#include "window/detailselection.h"

namespace vidarium {

DetailKeywordsModel::DetailKeywordsModel(MediaLibrary &library, QObject *parent)
    : QAbstractListModel(parent)
    , m_library(library)
{
}

void DetailKeywordsModel::setKeywords(const QList<MediaUserKeywordPtr> &keywords)
{
    beginResetModel();
    m_keywords = keywords;
    endResetModel();
}

int DetailKeywordsModel::addKeyword(const MediaUserKeywordPtr &keyword)
{
    if (!keyword)
        return -1;
    if (const int row = rowOf(keyword.get()); row >= 0)
        return row;
    QList<MediaUserKeywordPtr> sorted = m_keywords;
    sorted.append(keyword);
    DetailSelection::sortKeywords(sorted);
    const int row = int(sorted.indexOf(keyword));
    beginInsertRows({}, row, row);
    m_keywords = sorted;
    endInsertRows();
    return row;
}

void DetailKeywordsModel::removeKeywords(const QList<MediaUserKeywordPtr> &keywords)
{
    for (const MediaUserKeywordPtr &keyword : keywords) {
        const int row = rowOf(keyword.get());
        if (row < 0)
            continue;
        beginRemoveRows({}, row, row);
        m_keywords.removeAt(row);
        endRemoveRows();
    }
}

int DetailKeywordsModel::rowOf(const MediaUserKeyword *keyword) const
{
    for (int row = 0; row < m_keywords.size(); ++row) {
        if (m_keywords.at(row).get() == keyword)
            return row;
    }
    return -1;
}

MediaUserKeywordPtr DetailKeywordsModel::keywordAt(int row) const
{
    return row >= 0 && row < m_keywords.size() ? m_keywords.at(row) : nullptr;
}

QString DetailKeywordsModel::renameProblem(
    const MediaUserKeyword &keyword, const QString &name) const
{
    if (name.trimmed().isEmpty())
        return tr("A keyword needs a name.");
    // Its own name, unchanged, is no conflict: the edit simply ends.
    if (name == keyword.name())
        return {};
    for (const MediaUserKeywordPtr &other : m_library.userKeywords()) {
        if (other.get() != &keyword && other->name() == name)
            return tr("There is already a keyword named \"%1\".").arg(name);
    }
    return {};
}

int DetailKeywordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keywords.size());
}

QVariant DetailKeywordsModel::data(const QModelIndex &index, int role) const
{
    const MediaUserKeywordPtr keyword = keywordAt(index.row());
    if (!keyword || index.column() != 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return keyword->name();
    case KeywordRole:
        return QVariant::fromValue(keyword);
    default:
        return {};
    }
}

Qt::ItemFlags DetailKeywordsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool DetailKeywordsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const MediaUserKeywordPtr keyword = keywordAt(index.row());
    if (!keyword || role != Qt::EditRole)
        return false;
    const QString name = value.toString();
    if (!renameProblem(*keyword, name).isEmpty())
        return false;
    if (name == keyword->name())
        return true;
    keyword->setName(name);
    emit dataChanged(index, index);
    QList<MediaUserKeywordPtr> sorted = m_keywords;
    DetailSelection::sortKeywords(sorted);
    if (sorted != m_keywords) {
        emit layoutAboutToBeChanged();
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex &old : before)
            after.append(this->index(int(sorted.indexOf(m_keywords.value(old.row()))), 0));
        m_keywords = sorted;
        changePersistentIndexList(before, after);
        emit layoutChanged();
    }
    emit keywordRenamed(keyword);
    return true;
}

} // namespace vidarium
