#include "filterlistmodel.h"

#include "model/predicate.h"
#include "model/valuetransformers.h"

#include <algorithm>

namespace vidarium {

FilterListModel::FilterListModel(QObject *parent)
    : QAbstractListModel(parent)
{
    m_content.push_back(FilterRow());
    m_arranged.push_back(0);
}

void FilterListModel::setRows(FilterRow top, std::vector<FilterRow> rows)
{
    top.value = PlistValue();
    rows.insert(rows.begin(), std::move(top));
    m_content = std::move(rows);
    arrange();
}

int FilterListModel::contentIndexOf(const PlistValue &value) const
{
    for (size_t i = 0; i < m_content.size(); ++i) {
        if (m_content[i].value == value)
            return int(i);
    }
    return -1;
}

void FilterListModel::appendRow(FilterRow row)
{
    m_content.push_back(std::move(row));
    arrange();
}

void FilterListModel::updateRows(const std::function<void(FilterRow &)> &update)
{
    for (FilterRow &row : m_content)
        update(row);
    arrange();
}

void FilterListModel::setSortOrder(SortOrder order, ValueOrder valueOrder)
{
    m_sortOrder = order;
    m_valueOrder = std::move(valueOrder);
    arrange();
}

void FilterListModel::setSearchWords(const QStringList &words)
{
    if (words == m_words)
        return;
    m_words = words;
    // The words are arguments, never parsed as criteria: any text is safe to type.
    m_tests.clear();
    for (const QString &word : words) {
        if (Result<Predicate> test
            = Predicate::fromFormat(QStringLiteral("SELF CONTAINS[cd] %@"), { PlistValue(word) }))
            m_tests.append(*test);
    }
    arrange();
}

void FilterListModel::setShowsCounts(bool show)
{
    if (show == m_showCounts)
        return;
    m_showCounts = show;
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), { CountTextRole });
}

bool FilterListModel::passesSearch(const FilterRow &row) const
{
    if (row.isTopItem())
        return true;
    const PlistValue text(row.comparisonString);
    for (const Predicate &test : m_tests) {
        const Result<bool> found = test.evaluateWithValue(text);
        if (!found || !*found)
            return false;
    }
    return true;
}

void FilterListModel::arrange()
{
    emit aboutToArrange();
    beginResetModel();
    m_arranged.clear();
    m_arranged.reserve(m_content.size());
    for (size_t i = 0; i < m_content.size(); ++i) {
        if (passesSearch(m_content[i]))
            m_arranged.push_back(int(i));
    }
    if (m_sortOrder != SortOrder::None) {
        const bool byCount = m_sortOrder == SortOrder::ByCount;
        std::stable_sort(m_arranged.begin(), m_arranged.end(), [&](int a, int b) {
            const FilterRow &left = m_content[size_t(a)];
            const FilterRow &right = m_content[size_t(b)];
            if (left.isTopItem() != right.isTopItem())
                return left.isTopItem();
            if (byCount && left.count != right.count)
                return left.count > right.count;
            return m_valueOrder && m_valueOrder(left, right) == ComparisonResult::Ascending;
        });
    }
    endResetModel();
    emit arranged();
}

const FilterRow &FilterListModel::rowAt(int row) const
{
    return m_content[size_t(m_arranged[size_t(row)])];
}

int FilterListModel::rowOf(const PlistValue &value) const
{
    for (size_t i = 0; i < m_arranged.size(); ++i) {
        if (m_content[size_t(m_arranged[i])].value == value)
            return int(i);
    }
    return -1;
}

int FilterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_arranged.size());
}

QVariant FilterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const FilterRow &row = rowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.label;
    case CountRole:
        return row.count;
    case CountTextRole: {
        if (!m_showCounts)
            return QString();
        static const HideZeroValueTransformer hideZero;
        return hideZero.transformedValue(PlistValue(qint64(row.count)));
    }
    case TopRole:
        return row.isTopItem();
    default:
        return {};
    }
}

} // namespace vidarium
