#include "propertyfilterviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/comparisons.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/propertydisplay.h"
#include "window/filterlistmodel.h"
#include "window/filtertally.h"
#include "window/filterviewcontroller.h"
#include "window/sourceviewcontroller.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QToolButton>

namespace vidarium {

namespace {

const QString Prefix = QStringLiteral("com.tallowmere.vidarium.");
const QString NoProperty = QStringLiteral("None");
const QString SortByValue = QStringLiteral("value");
const QString SortByCount = QStringLiteral("count");
const QString Separator = QStringLiteral("-");

// No value, the null marker and blank text are no value to filter by: they
// get no row (a row for them could not be selected meaningfully either).
bool isCountable(const PlistValue &value)
{
    if (value.isAbsent())
        return false;
    if (value.type() == PlistValue::Type::String)
        return !value.toString().trimmed().isEmpty();
    return true;
}

QString comparisonStringOf(const PlistValue &value)
{
    if (value.type() == PlistValue::Type::String)
        return value.toString();
    if (value.isNumber())
        return PropertyDisplay::plainText(value);
    return QString();
}

} // namespace

PropertyFilterViewController::PropertyFilterViewController(
    Document &document, SourceViewController &source, QObject *parent)
    : FilterSubviewController(document, source, parent)
    , m_display(std::make_unique<PropertyDisplay>(Definitions::shared()))
{
    itemsView()->setObjectName(QStringLiteral("PropertyFilterList"));
    buildHeader();
    const QString stored = document.defaults().propertyFilter();
    // A stored property that names nothing shown here (damage, or a field taken
    // away since) gives way to the default; the stored value is kept until the
    // user chooses, so opening a library changes nothing in it.
    m_property = isValidProperty(stored) ? stored : defaultProperty();
    applySortOrder();
    buildMenus();
    const auto refill = [this](const Notification &note) { populateFilter(note); };
    for (const QString &name :
        { SourceNotification::SelectionDidChange, LibraryNotification::SystemDidChangeElements,
            DispatchNotification::SourceDidModifyElements, SourceNotification::DidRemoveElements,
            Prefix + QStringLiteral("ItemsTableDidEditElementNotification"),
            Prefix + QStringLiteral("DetailDidAddKeywordNotification"),
            Prefix + QStringLiteral("DetailDidRemoveKeywordsNotification"),
            Prefix + QStringLiteral("DetailDidRenameKeywordNotification") })
        observe(name, refill);
    observe(DocumentDefaultsNotification::DidChange, [this](const Notification &note) {
        if (concernsThisLibrary(note))
            settingsChanged();
    });
    populate();
}

PropertyFilterViewController::~PropertyFilterViewController() = default;

QString PropertyFilterViewController::defaultProperty()
{
    const QString key = Definitions::shared()
                            .documentDefaults()
                            .value(QStringLiteral("PropertyFilter"))
                            .toString();
    return key.isEmpty() ? NoProperty : key;
}

bool PropertyFilterViewController::isUserField(const QString &key) const
{
    return !ElementKeys::fromName(key) && document().library().userFieldWithIdentifier(key);
}

bool PropertyFilterViewController::isValidProperty(const QString &key) const
{
    if (key == NoProperty)
        return true;
    if (key.isEmpty() || key == Separator)
        return false;
    if (Definitions::shared().filterMenuItems().contains(key))
        return true;
    const MediaUserFieldPtr field
        = ElementKeys::fromName(key) ? nullptr : document().library().userFieldWithIdentifier(key);
    return field && !field->removed();
}

QString PropertyFilterViewController::filterType() const
{
    return QStringLiteral("FilterPropertyType");
}

QStringList PropertyFilterViewController::populateKeyPaths() const
{
    QStringList keys { m_property };
    // Field values live in the elements' field dictionary.
    if (isUserField(m_property))
        keys.append(QStringLiteral("userFields"));
    return keys;
}

void PropertyFilterViewController::fill(const MediaElementList &elements)
{
    const std::optional<ElementKey> elementKey = ElementKeys::fromName(m_property);
    if (m_property == NoProperty) {
        tally().setContribution(m_property, {}, [](const MediaElement &) { return PlistValue(); });
    } else if (elementKey) {
        tally().setContribution(
            m_property, populateKeyPaths(), [key = *elementKey](const MediaElement &element) {
                PlistValue value = element.valueForKey(key);
                return isCountable(value) ? value : PlistValue();
            });
    } else if (document().library().shouldSplitValuesForPropertyKey(m_property)) {
        tally().setContribution(
            m_property, populateKeyPaths(),
            [key = m_property](const MediaElement &element) {
                QStringList parts = element.arrayValueForUndefinedKey(key);
                parts.removeDuplicates();
                parts.removeAll(QString());
                PlistArray values(parts.cbegin(), parts.cend());
                return values.isEmpty() ? PlistValue() : PlistValue(values);
            },
            FilterTally::Values::Several);
    } else {
        // The stored entry, not valueForUndefinedKey: that answers " " for none.
        tally().setContribution(
            m_property, populateKeyPaths(), [key = m_property](const MediaElement &element) {
                const PlistValue value = element.userFields().value(key);
                return isCountable(value) ? value : PlistValue();
            });
    }
    const FilterTally::Counts &counts = tally().count(elements);
    std::vector<FilterRow> rows;
    rows.reserve(counts.size());
    for (const auto &[value, count] : counts) {
        FilterRow row;
        row.value = value;
        row.count = count;
        row.label = m_display->displayString(m_property, value);
        row.comparisonString = comparisonStringOf(value);
        rows.push_back(std::move(row));
    }
    FilterRow top;
    top.label = top.comparisonString = tr("(All Items)");
    model().setRows(std::move(top), std::move(rows));
}

std::optional<Predicate> PropertyFilterViewController::rowPredicate(const FilterRow &row) const
{
    Result<Predicate> made = document().library().shouldSplitValuesForPropertyKey(m_property)
        ? Predicate::fromFormat(
            QStringLiteral("%@ IN FUNCTION(self, 'arrayValueForUndefinedKey:', %@)"),
            { row.value, PlistValue(m_property) })
        : Predicate::fromFormat(QStringLiteral("%K == %@"), { PlistValue(m_property), row.value });
    if (!made)
        return std::nullopt;
    return *made;
}

void PropertyFilterViewController::applySortOrder()
{
    const QString order = document().defaults().propertyFilterSortOrder();
    const QString selector = Definitions::shared().comparisonForKey(m_property);
    FilterListModel::ValueOrder byValue = [selector](const FilterRow &a, const FilterRow &b) {
        return compareValues(a.value, b.value, selector);
    };
    if (order == SortByValue)
        model().setSortOrder(FilterListModel::SortOrder::ByValue, byValue);
    else if (order == SortByCount)
        model().setSortOrder(FilterListModel::SortOrder::ByCount, byValue);
    else
        model().setSortOrder(FilterListModel::SortOrder::None, {});
}

int PropertyFilterViewController::sortTag() const
{
    const QString order = document().defaults().propertyFilterSortOrder();
    if (order == SortByValue)
        return FilterViewController::PropertySortByValue;
    if (order == SortByCount)
        return FilterViewController::PropertySortByCount;
    return 0;
}

void PropertyFilterViewController::arrangeFilterTable(int tag)
{
    if (tag == FilterViewController::PropertySortByValue)
        document().defaults().setPropertyFilterSortOrder(SortByValue);
    else if (tag == FilterViewController::PropertySortByCount)
        document().defaults().setPropertyFilterSortOrder(SortByCount);
    applySortOrder();
    document().updateChangeCount(Document::Change::Done);
}

void PropertyFilterViewController::setProperty(const QString &key)
{
    if (key == m_property)
        return;
    m_property = key;
    model().setRows(model().content().front(), {});
    applySortOrder();
}

void PropertyFilterViewController::selectProperty(const QString &key)
{
    const QString chosen = isValidProperty(key) ? key : defaultProperty();
    setProperty(chosen);
    document().defaults().setPropertyFilter(chosen);
    buildMenus();
    populate();
}

void PropertyFilterViewController::settingsChanged()
{
    updateCountColumn();
    if (!isValidProperty(m_property)) {
        const QString fallback = defaultProperty();
        setProperty(fallback);
        document().defaults().setPropertyFilter(fallback);
        populate();
    } else {
        applySortOrder();
    }
    buildMenus();
}

// --- Header and menus -------------------------------------------------------------------

void PropertyFilterViewController::buildHeader()
{
    QHBoxLayout *layout = nullptr;
    QWidget *header = makeHeaderBar(&layout);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("PropertyFilterTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    layout->addWidget(m_title, 1);
    m_menuButton = new QToolButton;
    m_menuButton->setObjectName(QStringLiteral("PropertyFilterMenuButton"));
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setArrowType(Qt::DownArrow);
    m_menuButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_menuButton->setFixedSize(20, 18);
    m_menuButton->setToolTip(tr("Choose the property to filter by"));
    m_headerMenu = new QMenu(m_menuButton);
    m_menuButton->setMenu(m_headerMenu);
    layout->addWidget(m_menuButton);
    setHeader(header);

    m_contextMenu = new QMenu(itemsView());
    itemsView()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(itemsView(), &QWidget::customContextMenuRequested, this,
        [this](const QPoint &at) { m_contextMenu->popup(itemsView()->mapToGlobal(at)); });
}

void PropertyFilterViewController::fillMenu(QMenu *menu)
{
    menu->clear();
    const Definitions &definitions = Definitions::shared();
    const auto add = [this, menu](const QString &title, const QString &key) {
        QAction *item = menu->addAction(title);
        item->setData(key);
        item->setCheckable(true);
        item->setChecked(key == m_property);
        connect(item, &QAction::triggered, this, [this, key] { emit propertyChosen(key); });
    };
    for (const QString &key : definitions.filterMenuItems()) {
        if (key == Separator)
            menu->addSeparator();
        else
            add(definitions.propertyDefinition(key).label, key);
    }
    const QList<MediaUserFieldPtr> fields = document().library().activeUserFields();
    if (!fields.isEmpty()) {
        menu->addSeparator();
        for (const MediaUserFieldPtr &field : fields)
            add(field->name(), field->identifier());
    }
}

void PropertyFilterViewController::buildMenus()
{
    fillMenu(m_headerMenu);
    fillMenu(m_contextMenu);
    QString title;
    for (const QAction *item : m_headerMenu->actions()) {
        if (item->isChecked())
            title = item->text();
    }
    m_title->setText(title.isEmpty() ? tr("Filter") : title + QStringLiteral(" Filter"));
}

QString PropertyFilterViewController::headerTitle() const
{
    return m_title->text();
}

} // namespace vidarium
