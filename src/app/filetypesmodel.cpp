#include "filetypesmodel.h"

#include "platform/userdefaults.h"

#include <QUuid>

#include <algorithm>

namespace vidarium {

namespace {
const QString ExtensionKey = QStringLiteral("Extension");
const QString DescriptionKey = QStringLiteral("Description");
const QString IdentifierKey = QStringLiteral("Identifier");

QString stringValue(const PlistDictionary &entry, const QString &key)
{
    const PlistValue value = entry.value(key);
    return value.type() == PlistValue::Type::String ? value.toString() : QString();
}
} // namespace

FileTypesModel::FileTypesModel(UserDefaults &defaults, QObject *parent)
    : QAbstractTableModel(parent)
    , m_defaults(defaults)
{
    reload();
}

void FileTypesModel::reload()
{
    beginResetModel();
    m_entries.clear();
    const PlistValue stored = m_defaults.object(SettingsKey);
    if (stored.type() == PlistValue::Type::Array) {
        for (const PlistValue &value : stored.toArray()) {
            if (value.type() == PlistValue::Type::Dictionary
                && value.toDictionary().value(ExtensionKey).type() == PlistValue::Type::String)
                m_entries.append(value.toDictionary());
        }
    }
    sortByExtension();
    endResetModel();
}

void FileTypesModel::sortByExtension()
{
    std::stable_sort(
        m_entries.begin(), m_entries.end(), [](const PlistDictionary &a, const PlistDictionary &b) {
            return stringValue(a, ExtensionKey) < stringValue(b, ExtensionKey);
        });
}

QString FileTypesModel::normalizedExtension(const QString &text)
{
    QString extension = text.trimmed();
    while (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    return extension.trimmed().toLower();
}

QString FileTypesModel::extensionAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? stringValue(m_entries.at(row), ExtensionKey)
                                              : QString();
}

QString FileTypesModel::descriptionAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? stringValue(m_entries.at(row), DescriptionKey)
                                              : QString();
}

int FileTypesModel::addType()
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.append(
        { { ExtensionKey, PlistValue(QString()) }, { DescriptionKey, PlistValue(tr("Untitled")) },
            { IdentifierKey,
                PlistValue(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()) } });
    endInsertRows();
    return row;
}

void FileTypesModel::removeTypes(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= m_entries.size())
            continue;
        beginRemoveRows({}, row, row);
        m_entries.removeAt(row);
        endRemoveRows();
    }
    store();
}

void FileTypesModel::restoreDefaultTypes(const PlistArray &defaultTypes)
{
    beginResetModel();
    m_entries.clear();
    for (const PlistValue &value : defaultTypes) {
        if (value.type() == PlistValue::Type::Dictionary)
            m_entries.append(value.toDictionary());
    }
    sortByExtension();
    endResetModel();
    store();
}

void FileTypesModel::store()
{
    PlistArray stored;
    for (const PlistDictionary &entry : std::as_const(m_entries)) {
        if (!stringValue(entry, ExtensionKey).isEmpty())
            stored.append(PlistValue(entry));
    }
    m_defaults.setArray(SettingsKey, stored);
    m_defaults.synchronize();
}

int FileTypesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int FileTypesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileTypesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return index.column() == ExtensionColumn ? extensionAt(index.row())
                                             : descriptionAt(index.row());
}

QVariant FileTypesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == ExtensionColumn ? tr("Extension") : tr("Description");
}

Qt::ItemFlags FileTypesModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                           : Qt::NoItemFlags;
}

bool FileTypesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() >= m_entries.size())
        return false;
    PlistDictionary &entry = m_entries[index.row()];
    if (index.column() == ExtensionColumn) {
        const QString extension = normalizedExtension(value.toString());
        if (extension.isEmpty() || extension.contains(QLatin1Char('/')))
            return false;
        for (int row = 0; row < m_entries.size(); ++row) {
            if (row != index.row() && extensionAt(row) == extension)
                return false;
        }
        entry.insert(ExtensionKey, PlistValue(extension));
    } else {
        const QString description = value.toString().trimmed();
        if (description.isEmpty())
            return false;
        entry.insert(DescriptionKey, PlistValue(description));
    }
    emit dataChanged(index, index);
    store();
    return true;
}

} // namespace vidarium
