#include "detailpropertiesmodel.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "window/itemsmodel.h"

#include <QMimeData>

#include <algorithm>

namespace vidarium {

DetailPropertiesModel::DetailPropertiesModel(
    Document &document, const DetailSelection &selection, QObject *parent)
    : QAbstractTableModel(parent)
    , m_document(document)
    , m_selection(selection)
    , m_display(Definitions::shared())
{
}

void DetailPropertiesModel::setKeys(const QStringList &keys)
{
    beginResetModel();
    m_keys.clear();
    // A key listed twice would make two rows that move and vanish together.
    for (const QString &key : keys) {
        if (!key.isEmpty() && !m_keys.contains(key))
            m_keys.append(key);
    }
    m_contents.clear();
    for (const QString &key : std::as_const(m_keys))
        m_contents.append(contentForKey(key));
    endResetModel();
}

void DetailPropertiesModel::appendKey(const QString &key)
{
    if (key.isEmpty() || m_keys.contains(key))
        return;
    const int row = int(m_keys.size());
    beginInsertRows({}, row, row);
    m_keys.append(key);
    m_contents.append(contentForKey(key));
    endInsertRows();
}

void DetailPropertiesModel::removeKey(const QString &key)
{
    const int row = rowOfKey(key);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_keys.removeAt(row);
    m_contents.removeAt(row);
    endRemoveRows();
}

bool DetailPropertiesModel::isUserField(const QString &key) const
{
    return m_document.library().userFieldWithIdentifier(key) != nullptr;
}

QString DetailPropertiesModel::titleForKey(const QString &key) const
{
    const Definitions &definitions = Definitions::shared();
    if (definitions.hasPropertyDefinition(key)) {
        const QString label = definitions.propertyDefinition(key).label;
        if (!label.isEmpty())
            return label;
    }
    if (const MediaUserFieldPtr field = m_document.library().userFieldWithIdentifier(key))
        return field->name();
    return QString();
}

DetailPropertiesModel::Content DetailPropertiesModel::contentForKey(const QString &key) const
{
    const DetailSelection::Value value = m_selection.valueForKey(key);
    if (value.state != DetailSelection::State::Common)
        return { DetailSelection::placeholder(value.state), true };
    if (!value.value.isValid())
        return { QString(), false };
    return { m_display.displayString(key, value.value), false };
}

QList<int> DetailPropertiesModel::refresh()
{
    QList<int> changed;
    for (int row = 0; row < m_keys.size(); ++row) {
        const Content content = contentForKey(m_keys.at(row));
        Content &shown = m_contents[row];
        if (content.text == shown.text && content.placeholder == shown.placeholder)
            continue;
        shown = content;
        changed.append(row);
        emit dataChanged(index(row, 0), index(row, 1));
    }
    return changed;
}

QString DetailPropertiesModel::contentAt(int row) const
{
    return row >= 0 && row < m_contents.size() ? m_contents.at(row).text : QString();
}

bool DetailPropertiesModel::isPlaceholder(int row) const
{
    return row >= 0 && row < m_contents.size() && m_contents.at(row).placeholder;
}

bool DetailPropertiesModel::isEditable(const QString &key) const
{
    if (m_selection.isEmpty())
        return false;
    if (key == QLatin1String("name"))
        return m_selection.count() == 1;
    return isRatingKey(key) || key == QLatin1String("userComments") || isUserField(key);
}

int DetailPropertiesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

int DetailPropertiesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant DetailPropertiesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_keys.size())
        return {};
    const QString &key = m_keys.at(index.row());
    if (role == KeyRole)
        return key;
    if (index.column() == TitleColumn) {
        if (role == Qt::DisplayRole)
            return titleForKey(key);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignTop);
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_contents.at(index.row()).text;
    case Qt::EditRole: {
        if (isPlaceholder(index.row()))
            return isRatingKey(key) ? QVariant(0) : QVariant(QString());
        const DetailSelection::Value value = m_selection.valueForKey(key);
        if (isRatingKey(key))
            return int(value.value.toInteger());
        return key == QLatin1String("name") || isUserField(key)
                || key == QLatin1String("userComments")
            ? QVariant(value.value.toString())
            : QVariant(m_contents.at(index.row()).text);
    }
    case PlaceholderRole:
        return m_contents.at(index.row()).placeholder;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignTop);
    default:
        return {};
    }
}

Qt::ItemFlags DetailPropertiesModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == ContentColumn && isEditable(m_keys.value(index.row())))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DetailPropertiesModel::writeName(const QString &name)
{
    const MediaElementPtr element = m_selection.single();
    if (!element)
        return false;
    if (name == element->name())
        return true;
    if (const QString problem = ItemsModel::nameProblem(name); !problem.isEmpty()) {
        emit editRefused(problem);
        return false;
    }
    element->setName(name);
    if (element->name() != name) {
        emit editRefused(tr("The file could not be renamed to \"%1\".").arg(name));
        return false;
    }
    return true;
}

bool DetailPropertiesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString key = m_keys.at(index.row());
    if (key == QLatin1String("name")) {
        if (!writeName(value.toString()))
            return false;
    } else {
        // Comments, rating and user fields are set on every selected element.
        for (const MediaElementPtr &element : m_selection.elements()) {
            if (isRatingKey(key))
                element->setRating(std::clamp(value.toInt(), 0, 5));
            else if (key == QLatin1String("userComments"))
                element->setUserComments(value.toString());
            else
                element->setValueForUndefinedKey(PlistValue(value.toString()), key);
        }
    }
    refresh();
    emit valuesEdited({ key });
    return true;
}

QStringList DetailPropertiesModel::mimeTypes() const
{
    return { RowType };
}

QMimeData *DetailPropertiesModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty() || indexes.first().row() >= m_keys.size())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(RowType, m_keys.at(indexes.first().row()).toUtf8());
    return data;
}

Qt::DropActions DetailPropertiesModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions DetailPropertiesModel::supportedDragActions() const
{
    // The drop itself moves the row: a drag that ended as a move would make the
    // view remove the dragged row a second time, as after a move between views.
    return Qt::CopyAction;
}

bool DetailPropertiesModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent) const
{
    // Only between rows, and only a row of this table.
    return data && data->hasFormat(RowType) && !parent.isValid() && row >= 0 && row <= m_keys.size()
        && m_keys.contains(QString::fromUtf8(data->data(RowType)));
}

bool DetailPropertiesModel::dropMimeData(
    const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent)
{
    if (action == Qt::IgnoreAction)
        return true;
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const int from = rowOfKey(QString::fromUtf8(data->data(RowType)));
    if (from == row || from + 1 == row)
        return false;
    beginMoveRows({}, from, from, {}, row);
    const int to = from < row ? row - 1 : row;
    m_keys.move(from, to);
    m_contents.move(from, to);
    endMoveRows();
    emit rowsReordered();
    return true;
}

} // namespace vidarium
