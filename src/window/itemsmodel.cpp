#include "itemsmodel.h"

#include "model/comparisons.h"
#include "model/definitions.h"
#include "model/elementfilter.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/predicateevaluator.h"
#include "platform/backgroundpool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <numeric>

namespace vidarium {

namespace {

// The element's status with the existence of its file given, so nothing here
// asks the disk.
int statusWith(const MediaElement &element, bool exists)
{
    if (!exists)
        return 5;
    if (element.error())
        return 4;
    const int assets = element.assets();
    if (assets == 15)
        return 0;
    if (assets & 14)
        return 1;
    if (assets & 1)
        return 2;
    return 3;
}

// Why the file system refused a rename the name itself allowed.
QString renameFailure(const MediaElement &element, const QString &name)
{
    const QString extension = element.extension();
    const QString wanted = extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
    const QFileInfo file(element.path());
    if (!file.exists())
        return ItemsModel::tr("The file \"%1\" is no longer where the library expects it.")
            .arg(file.fileName());
    if (QFileInfo::exists(file.dir().filePath(wanted)))
        return ItemsModel::tr("A file named \"%1\" already exists in \"%2\".")
            .arg(wanted, file.dir().path());
    return ItemsModel::tr("The file \"%1\" could not be renamed to \"%2\": the folder may not "
                          "be writable.")
        .arg(file.fileName(), wanted);
}

// The order the full sort gives two values, ascending: numbers and dates as
// numbers, strings by the named comparison, anything else by the general order.
bool sortsBefore(const PlistValue &a, const PlistValue &b, const QString &selector)
{
    const auto numeric = [](const PlistValue &value) {
        return value.isNumber() || value.type() == PlistValue::Type::Date;
    };
    const auto number = [](const PlistValue &value) {
        return value.type() == PlistValue::Type::Date ? value.toDate().secondsSince2001
                                                      : value.toDouble();
    };
    if (numeric(a) && numeric(b))
        return number(a) < number(b);
    if (a.type() == PlistValue::Type::String && b.type() == PlistValue::Type::String) {
        const StringComparison compare = stringComparisonNamed(selector);
        if (compare == compareNumericString)
            return ItemsColumns::numericSortKey(a.toString())
                < ItemsColumns::numericSortKey(b.toString());
        return compare(a.toString(), b.toString()) == ComparisonResult::Ascending;
    }
    return compareValues(a, b, selector) == ComparisonResult::Ascending;
}

} // namespace

ItemsModel::ItemsModel(MediaLibrary &library, QObject *parent)
    : QAbstractTableModel(parent)
    , m_library(library)
    , m_columns(ItemsColumns::propertyColumns(Definitions::shared()))
    , m_propertyColumnCount(int(m_columns.size()))
    , m_sortSelector(Definitions::DefaultComparison)
{
    updateUserFieldColumns();
    connect(&library, &MediaLibrary::elementValuesChanged, this, &ItemsModel::elementChanged);
}

ItemsModel::~ItemsModel() = default;

int ItemsModel::columnOf(const QString &identifier) const
{
    for (int column = 0; column < m_columns.size(); ++column) {
        if (m_columns.at(column).identifier == identifier)
            return column;
    }
    return -1;
}

bool ItemsModel::updateUserFieldColumns()
{
    const QList<MediaUserFieldPtr> active = m_library.activeUserFields();
    QList<ItemsColumn> fields;
    for (const MediaUserFieldPtr &field : active) {
        if (field && !field->identifier().isEmpty())
            fields.append(ItemsColumns::userFieldColumn(*field));
    }
    QStringList before;
    for (int column = m_propertyColumnCount; column < m_columns.size(); ++column)
        before.append(m_columns.at(column).identifier);
    QStringList after;
    for (const ItemsColumn &column : fields)
        after.append(column.identifier);
    if (before == after) {
        for (int i = 0; i < fields.size(); ++i)
            m_columns[m_propertyColumnCount + i].title = fields.at(i).title;
        if (!fields.isEmpty())
            emit headerDataChanged(Qt::Horizontal, m_propertyColumnCount, columnCount() - 1);
        return false;
    }
    // Fields keep their relative order; new ones are appended after the kept ones
    // so that the header's moved sections stay attached to the same fields.
    QList<ItemsColumn> kept;
    for (int column = m_propertyColumnCount; column < m_columns.size(); ++column) {
        const qsizetype at = after.indexOf(m_columns.at(column).identifier);
        if (at >= 0)
            kept.append(fields.at(at));
    }
    for (const ItemsColumn &column : fields) {
        if (!before.contains(column.identifier))
            kept.append(column);
    }
    beginResetModel();
    m_columns.resize(m_propertyColumnCount);
    m_columns.append(kept);
    endResetModel();
    return true;
}

void ItemsModel::setContent(const MediaElementList &elements)
{
    ++m_generation;
    m_content.clear();
    m_content.reserve(size_t(elements.size()));
    for (const MediaElementPtr &element : elements) {
        if (element)
            m_content.push_back({ element, -1 });
    }
    sortContent();
    applyFilter();
}

void ItemsModel::mergeContent(const MediaElementList &elements)
{
    ++m_generation;
    // The elements kept stay in their sorted order and the new ones follow, so
    // that sorting again only has to place the new ones (an import heartbeat).
    QSet<const MediaElement *> incoming;
    incoming.reserve(elements.size());
    for (const MediaElementPtr &element : elements) {
        if (element)
            incoming.insert(element.get());
    }
    std::vector<Entry> merged;
    merged.reserve(size_t(incoming.size()));
    for (Entry &entry : m_content) {
        if (incoming.remove(entry.element.get()))
            merged.push_back(std::move(entry));
    }
    MediaElementList fresh;
    for (const MediaElementPtr &element : elements) {
        if (element && incoming.remove(element.get()))
            fresh.append(element);
    }
    m_content = std::move(merged);
    takeInFresh(fresh);
    applyFilter();
}

void ItemsModel::addElements(const MediaElementList &elements)
{
    // Each newcomer once, and none that is a row already. Every row is looked
    // up among the newcomers: in a sorted list of their addresses, which is
    // small and read faster than a hash.
    std::vector<const MediaElement *> incoming;
    incoming.reserve(size_t(elements.size()));
    for (const MediaElementPtr &element : elements)
        if (element)
            incoming.push_back(element.get());
    std::sort(incoming.begin(), incoming.end());
    incoming.erase(std::unique(incoming.begin(), incoming.end()), incoming.end());
    const auto placeOf = [&incoming](const MediaElement *element) {
        const auto found = std::lower_bound(incoming.cbegin(), incoming.cend(), element);
        return found != incoming.cend() && *found == element ? found - incoming.cbegin() : -1;
    };
    std::vector<bool> taken(incoming.size());
    for (const Entry &entry : m_content)
        if (const auto place = placeOf(entry.element.get()); place >= 0)
            taken[size_t(place)] = true;
    ++m_generation;
    MediaElementList fresh;
    for (const MediaElementPtr &element : elements) {
        const auto place = element ? placeOf(element.get()) : -1;
        if (place >= 0 && !taken[size_t(place)]) {
            taken[size_t(place)] = true;
            fresh.append(element);
        }
    }
    takeInFresh(fresh);
    applyFilter();
}

void ItemsModel::takeInFresh(const MediaElementList &fresh)
{
    const ItemsColumn *column = sortColumn();
    // A few newcomers among many rows are put in their places, as long as no
    // value the rows are sorted by changed since they were sorted (an import
    // heartbeat that only brings new rows): reading the sort value of every row
    // costs more than finding those places.
    if (!m_sortMayBeStale && column && column->key != ElementKey::Status
        && fresh.size() * 8 < qsizetype(m_content.size())) {
        insertSorted(fresh, *column);
        return;
    }
    for (const MediaElementPtr &element : fresh)
        m_content.push_back({ element, -1 });
    sortContent();
}

void ItemsModel::insertSorted(const MediaElementList &fresh, const ItemsColumn &column)
{
    const QString &selector = m_sortSelector;
    const bool ascending = m_sortAscending;
    const auto before = [&](const PlistValue &a, const PlistValue &b) {
        return ascending ? sortsBefore(a, b, selector) : sortsBefore(b, a, selector);
    };
    std::vector<std::pair<PlistValue, MediaElementPtr>> arriving;
    arriving.reserve(size_t(fresh.size()));
    for (const MediaElementPtr &element : fresh)
        arriving.emplace_back(ItemsColumns::sortValue(column, *element), element);
    std::stable_sort(arriving.begin(), arriving.end(),
        [&before](const auto &a, const auto &b) { return before(a.first, b.first); });
    // Each goes after the rows that sort equal to it, as a stable sort of all
    // would put it; the content is in sort order, so a binary search finds the
    // place, and later arrivals never go before earlier ones.
    std::vector<Entry> merged;
    merged.reserve(m_content.size() + arriving.size());
    size_t kept = 0;
    for (auto &[value, element] : arriving) {
        size_t low = kept;
        size_t high = m_content.size();
        while (low < high) {
            const size_t middle = low + (high - low) / 2;
            if (before(value, ItemsColumns::sortValue(column, *m_content[middle].element)))
                high = middle;
            else
                low = middle + 1;
        }
        for (; kept < low; ++kept)
            merged.push_back(std::move(m_content[kept]));
        merged.push_back({ std::move(element), -1 });
    }
    for (; kept < m_content.size(); ++kept)
        merged.push_back(std::move(m_content[kept]));
    m_content = std::move(merged);
}

void ItemsModel::removeElements(const MediaElementList &elements)
{
    QSet<const MediaElement *> gone;
    for (const MediaElementPtr &element : elements)
        gone.insert(element.get());
    ++m_generation;
    std::erase_if(m_content, [&gone](const Entry &e) { return gone.contains(e.element.get()); });
    applyFilter();
}

bool ItemsModel::containsInContent(const MediaElement *element) const
{
    return std::any_of(m_content.begin(), m_content.end(),
        [element](const Entry &entry) { return entry.element.get() == element; });
}

void ItemsModel::setFilter(const std::optional<Predicate> &predicate)
{
    if (isFilteredBy(predicate))
        return;
    m_filter = predicate;
    applyFilter();
}

bool ItemsModel::isFilteredBy(const std::optional<Predicate> &predicate) const
{
    // The same criteria over rows already filtered would give the same rows.
    return predicate == m_filter && m_filteredGeneration == m_generation;
}

void ItemsModel::setSort(const QString &key, bool ascending, const QString &selector)
{
    m_sortKey = columnOf(key) >= 0 ? key : ItemsColumns::NameColumn;
    m_sortAscending = ascending;
    m_sortSelector = selector.isEmpty() ? Definitions::DefaultComparison : selector;
    ++m_generation;
    sortContent();
    applyFilter();
}

void ItemsModel::rearrange()
{
    ++m_generation;
    sortContent();
    applyFilter();
}

const ItemsColumn *ItemsModel::sortColumn() const
{
    const int column = columnOf(m_sortKey);
    return column >= 0 ? &m_columns.at(column) : nullptr;
}

void ItemsModel::sortContent()
{
    m_sortMayBeStale = false;
    const ItemsColumn *column = sortColumn();
    if (!column || m_content.size() < 2)
        return;
    const size_t count = m_content.size();
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    const bool ascending = m_sortAscending;
    auto finish = [&](auto less) {
        const auto before = [&](int a, int b) { return ascending ? less(a, b) : less(b, a); };
        // A sorted run at the front (the rows kept from the last sort) is merged
        // with the rest sorted alone: the result is what sorting it all gives.
        const auto unsorted = std::is_sorted_until(order.begin(), order.end(), before);
        std::stable_sort(unsorted, order.end(), before);
        std::inplace_merge(order.begin(), unsorted, order.end(), before);
        std::vector<Entry> sorted;
        sorted.reserve(count);
        for (int index : order)
            sorted.push_back(std::move(m_content[size_t(index)]));
        m_content = std::move(sorted);
    };
    if (column->key == ElementKey::Status) {
        // Status sorts from the cache: asking each file would stat 100,000 of them.
        std::vector<qint8> keys(count);
        for (size_t i = 0; i < count; ++i)
            keys[i] = qint8(statusWith(*m_content[i].element, m_content[i].exists != 0));
        finish([&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
        return;
    }
    // Each value is read once; numbers and dates compare as doubles, strings with
    // the named comparison, anything else through the general value order.
    std::vector<PlistValue> values(count);
    bool allNumbers = true;
    bool allStrings = true;
    for (size_t i = 0; i < count; ++i) {
        values[i] = ItemsColumns::sortValue(*column, *m_content[i].element);
        const PlistValue::Type type = values[i].type();
        allNumbers = allNumbers && (values[i].isNumber() || type == PlistValue::Type::Date);
        allStrings = allStrings && type == PlistValue::Type::String;
    }
    if (allNumbers) {
        std::vector<double> keys(count);
        for (size_t i = 0; i < count; ++i) {
            keys[i] = values[i].type() == PlistValue::Type::Date
                ? values[i].toDate().secondsSince2001
                : values[i].toDouble();
        }
        finish([&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    } else if (allStrings && stringComparisonNamed(m_sortSelector) == compareNumericString) {
        std::vector<std::u16string> keys(count);
        for (size_t i = 0; i < count; ++i)
            keys[i] = ItemsColumns::numericSortKey(values[i].toString());
        finish([&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    } else if (allStrings) {
        std::vector<QString> keys(count);
        for (size_t i = 0; i < count; ++i)
            keys[i] = values[i].toString();
        const StringComparison compare = stringComparisonNamed(m_sortSelector);
        finish([&keys, compare](int a, int b) {
            return compare(keys[size_t(a)], keys[size_t(b)]) == ComparisonResult::Ascending;
        });
    } else {
        const QString selector = m_sortSelector;
        finish([&values, &selector](int a, int b) {
            return compareValues(values[size_t(a)], values[size_t(b)], selector)
                == ComparisonResult::Ascending;
        });
    }
}

void ItemsModel::applyFilter()
{
    m_filteredGeneration = m_generation;
    beginResetModel();
    m_rowIndex.clear();
    m_rows.clear();
    std::optional<PredicateEvaluator> evaluator;
    if (m_filter) {
        Result<PredicateEvaluator> compiled = m_filter->evaluatorForOnePass();
        if (compiled)
            evaluator = std::move(*compiled);
    }
    if (!evaluator) {
        m_rows.resize(m_content.size());
        std::iota(m_rows.begin(), m_rows.end(), 0);
    } else {
        MediaElementList all;
        all.reserve(qsizetype(m_content.size()));
        for (const Entry &entry : m_content)
            all.append(entry.element);
        const MediaElementList matching = ElementFilter::matching(all, *evaluator);
        // The filter keeps the order, so one walk maps the matches to content indices.
        m_rows.reserve(size_t(matching.size()));
        size_t at = 0;
        for (const MediaElementPtr &element : matching) {
            while (at < m_content.size() && m_content[at].element != element)
                ++at;
            if (at < m_content.size())
                m_rows.push_back(int(at++));
        }
    }
    endResetModel();
    emit arrangementChanged();
}

MediaElementPtr ItemsModel::elementAt(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return nullptr;
    return m_content[size_t(m_rows[size_t(row)])].element;
}

int ItemsModel::rowOf(const MediaElement *element) const
{
    if (!element)
        return -1;
    if (m_rowIndex.isEmpty() && !m_rows.empty()) {
        m_rowIndex.reserve(qsizetype(m_rows.size()));
        for (size_t row = 0; row < m_rows.size(); ++row)
            m_rowIndex.insert(m_content[size_t(m_rows[row])].element.get(), int(row));
    }
    return m_rowIndex.value(element, -1);
}

std::vector<int> ItemsModel::rowsOf(const MediaElementList &elements) const
{
    std::vector<int> rows;
    // Keeping a selection of a few rows across a change of the rows (every
    // slice of an import) finds them in one walk: the index of every row costs
    // a hash entry per row and pays only for many lookups.
    constexpr qsizetype fewLookups = 8;
    if (m_rowIndex.isEmpty() && elements.size() <= fewLookups) {
        std::vector<const MediaElement *> wanted;
        for (const MediaElementPtr &element : elements)
            if (element
                && std::find(wanted.cbegin(), wanted.cend(), element.get()) == wanted.cend())
                wanted.push_back(element.get());
        for (size_t row = 0; row < m_rows.size() && rows.size() < wanted.size(); ++row) {
            const MediaElement *element = m_content[size_t(m_rows[row])].element.get();
            if (std::find(wanted.cbegin(), wanted.cend(), element) != wanted.cend())
                rows.push_back(int(row));
        }
        return rows;
    }
    rows.reserve(size_t(elements.size()));
    for (const MediaElementPtr &element : elements) {
        const int row = rowOf(element.get());
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int ItemsModel::rowOfIdentifier(const QString &identifier) const
{
    const MediaElementPtr element = m_library.elementWithIdentifier(identifier);
    return element ? rowOf(element.get()) : -1;
}

MediaElementList ItemsModel::arrangedElements() const
{
    MediaElementList list;
    list.reserve(qsizetype(m_rows.size()));
    for (int index : m_rows)
        list.append(m_content[size_t(index)].element);
    return list;
}

double ItemsModel::totalDuration() const
{
    double total = 0;
    for (int index : m_rows)
        total += m_content[size_t(index)].element->duration();
    return total;
}

qint64 ItemsModel::totalSize() const
{
    qint64 total = 0;
    for (int index : m_rows)
        total += m_content[size_t(index)].element->size();
    return total;
}

int ItemsModel::cachedStatus(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return 3;
    const Entry &entry = m_content[size_t(m_rows[size_t(row)])];
    return statusWith(*entry.element, entry.exists != 0);
}

void ItemsModel::refreshStatus()
{
    // Only the element pointers are copied here; the paths are read on the pool
    // thread (an element's path is guarded by its own lock), so a large list
    // costs the main thread a copy of pointers and nothing else.
    std::vector<MediaElementPtr> elements;
    elements.reserve(m_content.size());
    for (const Entry &entry : m_content)
        elements.push_back(entry.element);
    const quint64 generation = m_generation;
    m_sweepRunning = true;
    QPointer<ItemsModel> guard(this);
    backgroundPool().start([guard, generation, elements = std::move(elements)]() mutable {
        std::vector<qint8> found(elements.size());
        for (size_t i = 0; i < elements.size(); ++i) {
            const QString path = elements[i]->path();
            found[i] = !path.isEmpty() && QFileInfo::exists(path) ? 1 : 0;
        }
        // The elements go back with the result: an element dropped from the
        // library meanwhile is then released on the main thread, which owns it.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, generation, found = std::move(found), elements = std::move(elements)] {
                if (guard)
                    guard->applySweep(generation, found);
            },
            Qt::QueuedConnection);
    });
}

void ItemsModel::applySweep(quint64 generation, const std::vector<qint8> &found)
{
    m_sweepRunning = false;
    if (generation != m_generation || found.size() != m_content.size()) {
        // The content changed meanwhile: look again at what is there now.
        refreshStatus();
        return;
    }
    for (size_t i = 0; i < found.size(); ++i)
        m_content[i].exists = found[i];
    if (!m_rows.empty()) {
        const int icon = columnOf(ItemsColumns::IconColumn);
        emit dataChanged(index(0, std::max(icon, 0)), index(rowCount() - 1, std::max(icon, 0)));
    }
    emit statusSweepFinished();
}

void ItemsModel::setFileExists(const MediaElement *element, bool exists)
{
    for (Entry &entry : m_content) {
        if (entry.element.get() == element) {
            entry.exists = exists ? 1 : 0;
            elementChanged(element->identifier(), { ElementKeys::name(ElementKey::FileExists) });
            return;
        }
    }
}

qsizetype ItemsModel::bytesPerElement() const
{
    // Content entry, one row index and the row table's node with its share of buckets.
    constexpr qsizetype hashNode = sizeof(void *) + sizeof(int) + 4 + 2;
    return qsizetype(sizeof(Entry)) + qsizetype(sizeof(int))
        + (m_rowIndex.isEmpty() ? 0 : hashNode);
}

int ItemsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ItemsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ItemsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size()
        || index.column() >= m_columns.size())
        return {};
    const MediaElement &element = *m_content[size_t(m_rows[size_t(index.row())])].element;
    const ItemsColumn &column = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return ItemsColumns::displayText(column, element);
    case Qt::EditRole:
        if (column.identifier == ItemsColumns::RatingColumn)
            return element.rating();
        if (column.identifier == ItemsColumns::NameColumn)
            return element.name();
        return ItemsColumns::displayText(column, element);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    case StatusRole:
        return cachedStatus(index.row());
    case RatingRole:
        return element.rating();
    case IdentifierRole:
        return element.identifier();
    case ElementRole:
        return QVariant::fromValue(elementAt(index.row()));
    default:
        return {};
    }
}

QVariant ItemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns.at(section).alignment);
    if (role == Qt::UserRole)
        return m_columns.at(section).identifier;
    return {};
}

Qt::ItemFlags ItemsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
    if (index.column() < m_columns.size() && m_columns.at(index.column()).editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QString ItemsModel::nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return tr("A name cannot be empty.");
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return tr("A name cannot contain \"/\".");
    if (name.toUtf8().size() > 255)
        return tr("The name is too long.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("The name is reserved.");
    return {};
}

bool ItemsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const MediaElementPtr element = elementAt(index.row());
    const ItemsColumn &column = m_columns.at(index.column());
    if (column.identifier == ItemsColumns::NameColumn) {
        const QString name = value.toString();
        if (name == element->name())
            return true;
        if (const QString problem = nameProblem(name); !problem.isEmpty()) {
            emit editRefused(problem, false);
            return false;
        }
        element->setName(name);
        if (element->name() != name) {
            emit editRefused(renameFailure(*element, name), true);
            return false;
        }
    } else if (column.identifier == ItemsColumns::RatingColumn) {
        element->setRating(std::clamp(value.toInt(), 0, 5));
    } else if (column.identifier == QLatin1String("userComments")) {
        element->setUserComments(value.toString());
    } else if (column.userField) {
        element->setValueForUndefinedKey(PlistValue(value.toString()), column.identifier);
    } else {
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

void ItemsModel::elementChanged(const QString &identifier, const QSet<QString> &keys)
{
    if (!m_sortMayBeStale) {
        const ItemsColumn *column = sortColumn();
        m_sortMayBeStale = keys.isEmpty() || !column || keys.contains(column->identifier)
            || (column->key && keys.contains(ElementKeys::name(*column->key)));
    }
    const int row = rowOfIdentifier(identifier);
    if (row < 0)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

} // namespace vidarium
