#include "keywordfilterviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "widgets/toggleswitch.h"
#include "window/filterlistmodel.h"
#include "window/filtertally.h"
#include "window/filterviewcontroller.h"
#include "window/sourceviewcontroller.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>

namespace vidarium {

namespace {

const QString Prefix = QStringLiteral("com.tallowmere.vidarium.");
const QString SortByValue = QStringLiteral("value");
const QString SortByCount = QStringLiteral("count");

} // namespace

KeywordFilterViewController::KeywordFilterViewController(
    Document &document, SourceViewController &source, QObject *parent)
    : FilterSubviewController(document, source, parent)
{
    itemsView()->setObjectName(QStringLiteral("KeywordFilterList"));
    buildHeader();
    applySortOrder();
    const auto refill = [this](const Notification &note) { populateFilter(note); };
    for (const QString &name :
        { SourceNotification::SelectionDidChange, LibraryNotification::SystemDidChangeElements,
            DispatchNotification::SourceDidModifyElements, SourceNotification::DidRemoveElements,
            Prefix + QStringLiteral("DetailDidRemoveKeywordsNotification") })
        observe(name, refill);
    observe(Prefix + QStringLiteral("DetailDidAddKeywordNotification"),
        [this](const Notification &note) {
            if (concernsThisLibrary(note))
                keywordAdded(note);
        });
    // A renamed keyword keeps its rows and counts; only its name and place change.
    observe(Prefix + QStringLiteral("DetailDidRenameKeywordNotification"),
        [this](const Notification &note) {
            if (concernsThisLibrary(note))
                keywordsRenamed();
        });
    observe(DocumentDefaultsNotification::DidChange, [this](const Notification &note) {
        if (concernsThisLibrary(note)) {
            updateCountColumn();
            applySortOrder();
        }
    });
    connect(itemsView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &KeywordFilterViewController::updateSwitchVisibility);
    connect(&model(), &FilterListModel::arranged, this,
        &KeywordFilterViewController::updateSwitchVisibility);
    populate();
}

void KeywordFilterViewController::setSelectedElementsProvider(
    std::function<MediaElementList()> provider)
{
    m_selectedElements = std::move(provider);
}

void KeywordFilterViewController::buildHeader()
{
    QHBoxLayout *layout = nullptr;
    QWidget *header = makeHeaderBar(&layout);
    auto *title = new QLabel(tr("Keywords"));
    title->setObjectName(QStringLiteral("KeywordFilterTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title, 1);
    m_switchGroup = new QWidget;
    m_switchGroup->setObjectName(QStringLiteral("KeywordSwitchGroup"));
    auto *group = new QHBoxLayout(m_switchGroup);
    group->setContentsMargins(0, 0, 0, 0);
    m_switch = new ToggleSwitch;
    m_switch->setObjectName(QStringLiteral("KeywordAllSwitch"));
    m_switch->setStateTexts(tr("Any"), tr("All"));
    QFont small = m_switch->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_switch->setFont(small);
    m_switch->setToolTip(tr("Show items with all of the selected keywords, or with any of them"));
    group->addWidget(m_switch);
    layout->addWidget(m_switchGroup);
    m_switchGroup->hide();
    connect(m_switch, &ToggleSwitch::toggled, this, &KeywordFilterViewController::predicateSwitch);
    setHeader(header);
}

QString KeywordFilterViewController::filterType() const
{
    return QStringLiteral("FilterKeywordType");
}

QStringList KeywordFilterViewController::populateKeyPaths() const
{
    return { QStringLiteral("userKeywords"), QStringLiteral("userKeywordObjects.name"),
        QStringLiteral("userKeywordsExist") };
}

void KeywordFilterViewController::fill(const MediaElementList &elements)
{
    tally().setContribution(
        QStringLiteral("userKeywords"), populateKeyPaths(),
        [](const MediaElement &element) {
            const QStringList identifiers = element.userKeywords();
            return identifiers.isEmpty()
                ? PlistValue()
                : PlistValue(PlistArray(identifiers.cbegin(), identifiers.cend()));
        },
        FilterTally::Values::Several);
    const FilterTally::Counts &counts = tally().count(elements);
    const MediaLibrary &library = document().library();
    std::vector<FilterRow> rows;
    rows.reserve(counts.size());
    for (const auto &[value, count] : counts) {
        // An identifier the library has no keyword for has no name to show and
        // could never be chosen sensibly: it gets no row.
        const MediaUserKeywordPtr keyword = library.keywordWithIdentifier(value.toString());
        if (!keyword)
            continue;
        FilterRow row;
        row.value = value;
        row.label = row.comparisonString = keyword->name();
        row.count = count;
        rows.push_back(std::move(row));
    }
    FilterRow top;
    top.label = top.comparisonString = tr("(All Keywords)");
    model().setRows(std::move(top), std::move(rows));
}

std::optional<Predicate> KeywordFilterViewController::rowPredicate(const FilterRow &row) const
{
    Result<Predicate> made
        = Predicate::fromFormat(QStringLiteral("%@ IN userKeywords"), { row.value });
    if (!made)
        return std::nullopt;
    return *made;
}

std::optional<Predicate> KeywordFilterViewController::combine(
    const QList<Predicate> &predicates) const
{
    return allComparison() ? Predicate::andPredicate(predicates)
                           : Predicate::orPredicate(predicates);
}

bool KeywordFilterViewController::allComparison() const
{
    return m_switch && m_switch->isChecked();
}

void KeywordFilterViewController::predicateSwitch()
{
    announce();
}

bool KeywordFilterViewController::isSwitchShown() const
{
    return m_switchGroup && !m_switchGroup->isHidden();
}

void KeywordFilterViewController::updateSwitchVisibility()
{
    m_switchGroup->setVisible(itemsView()->selectionModel()->selectedIndexes().size() >= 2);
}

void KeywordFilterViewController::applySortOrder()
{
    const QString order = document().defaults().keywordFilterSortOrder();
    FilterListModel::ValueOrder byName = [](const FilterRow &a, const FilterRow &b) {
        return compareNumericString(a.label, b.label);
    };
    if (order == SortByValue)
        model().setSortOrder(FilterListModel::SortOrder::ByValue, byName);
    else if (order == SortByCount)
        model().setSortOrder(FilterListModel::SortOrder::ByCount, byName);
    else
        model().setSortOrder(FilterListModel::SortOrder::None, {});
}

int KeywordFilterViewController::sortTag() const
{
    const QString order = document().defaults().keywordFilterSortOrder();
    if (order == SortByValue)
        return FilterViewController::KeywordSortByValue;
    if (order == SortByCount)
        return FilterViewController::KeywordSortByCount;
    return 0;
}

void KeywordFilterViewController::arrangeFilterTable(int tag)
{
    if (tag == FilterViewController::KeywordSortByValue)
        document().defaults().setKeywordFilterSortOrder(SortByValue);
    else if (tag == FilterViewController::KeywordSortByCount)
        document().defaults().setKeywordFilterSortOrder(SortByCount);
    applySortOrder();
    document().updateChangeCount(Document::Change::Done);
}

void KeywordFilterViewController::keywordAdded(const Notification &note)
{
    // The keyword travels as its identifier; anything else is counted afresh.
    const QString identifier
        = note.userInfo.value(LibraryNotification::LibraryKeywordKey).toString();
    const MediaUserKeywordPtr keyword = document().library().keywordWithIdentifier(identifier);
    if (!keyword || model().contentIndexOf(PlistValue(identifier)) >= 0 || !m_selectedElements) {
        populate();
        return;
    }
    FilterRow row;
    row.value = PlistValue(identifier);
    row.label = row.comparisonString = keyword->name();
    row.count = int(m_selectedElements().size());
    model().appendRow(std::move(row));
}

void KeywordFilterViewController::keywordsRenamed()
{
    const MediaLibrary &library = document().library();
    model().updateRows([&library](FilterRow &row) {
        if (row.isTopItem())
            return;
        if (const MediaUserKeywordPtr keyword = library.keywordWithIdentifier(row.value.toString()))
            row.label = row.comparisonString = keyword->name();
    });
}

void KeywordFilterViewController::cleanup()
{
    if (m_switch)
        disconnect(m_switch, nullptr, this, nullptr);
    FilterSubviewController::cleanup();
}

} // namespace vidarium
