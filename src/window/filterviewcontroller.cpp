#include "filterviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "widgets/splitview.h"
#include "window/filterlistmodel.h"
#include "window/keywordfilterviewcontroller.h"
#include "window/propertyfilterviewcontroller.h"
#include "window/windowmetrics.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vidarium {

namespace {
const QString NoFilter = QStringLiteral("None");
} // namespace

FilterViewController::FilterViewController(
    Document &document, SourceViewController &source, QObject *parent)
    : PaneController(QStringLiteral("FilterView"), document, parent)
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("FilterPane"));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_splitView = new SplitView(Qt::Vertical);
    m_splitView->setObjectName(QStringLiteral("FilterSplitView"));
    m_propertyFilter = new PropertyFilterViewController(document, source, this);
    m_keywordFilter = new KeywordFilterViewController(document, source, this);
    m_splitView->addWidget(m_propertyFilter->view());
    m_splitView->addWidget(m_keywordFilter->view());
    // A resize goes to the property filter first.
    m_splitView->setPaneLimits(0, { 0, 155, 5000 });
    m_splitView->setPaneLimits(1, { 1, 155, 5000 });
    m_splitView->setChildrenCollapsible(false);
    layout->addWidget(m_splitView, 1);

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("FilterSummary"));
    m_summary->setAlignment(Qt::AlignCenter);
    m_summary->setContentsMargins(4, 3, 4, 3);
    QFont small = m_summary->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_summary->setFont(small);
    layout->addWidget(m_summary);
    setView(pane);

    for (FilterSubviewController *list : { static_cast<FilterSubviewController *>(m_propertyFilter),
             static_cast<FilterSubviewController *>(m_keywordFilter) })
        connect(list, &FilterSubviewController::rowsChanged, this,
            &FilterViewController::updateSummary);
    // A choice in the list's own menus is the same command as the main menu's.
    connect(m_propertyFilter, &PropertyFilterViewController::propertyChosen, this,
        &FilterViewController::selectFilterProperty);
    updateSummary();
}

void FilterViewController::setSelectedElementsProvider(std::function<MediaElementList()> provider)
{
    m_keywordFilter->setSelectedElementsProvider(std::move(provider));
}

QString FilterViewController::filterProperty() const
{
    const QString key = m_propertyFilter->property();
    return key == NoFilter ? QString() : key;
}

QList<int> FilterViewController::filterSortTags() const
{
    return { m_propertyFilter->sortTag(), m_keywordFilter->sortTag() };
}

void FilterViewController::selectFilterProperty(const QString &key)
{
    const QString chosen = key.isEmpty() ? NoFilter : key;
    if (m_propertyFilter->property() == chosen && document().defaults().propertyFilter() == chosen)
        return;
    m_propertyFilter->selectProperty(chosen);
    document().updateChangeCount(Document::Change::Done);
    emit stateChanged();
}

void FilterViewController::arrangeFilter(int tag)
{
    switch (tag) {
    case PropertySortByValue:
    case PropertySortByCount:
        m_propertyFilter->arrangeFilterTable(tag);
        break;
    case KeywordSortByValue:
    case KeywordSortByCount:
        m_keywordFilter->arrangeFilterTable(tag);
        break;
    default:
        return;
    }
    emit stateChanged();
}

bool FilterViewController::performFindPanelAction(QWidget *focus)
{
    for (FilterSubviewController *list : { static_cast<FilterSubviewController *>(m_propertyFilter),
             static_cast<FilterSubviewController *>(m_keywordFilter) }) {
        if (focus && (focus == list->view() || list->view()->isAncestorOf(focus))) {
            list->performFindPanelAction();
            return true;
        }
    }
    return false;
}

QString FilterViewController::itemsSummary() const
{
    const int values = m_propertyFilter->model().valueRowCount();
    const int keywords = m_keywordFilter->model().valueRowCount();
    return QStringLiteral("%1%2, %3%4")
        .arg(values)
        .arg(values == 1 ? QStringLiteral(" property") : QStringLiteral(" properties"))
        .arg(keywords)
        .arg(keywords == 1 ? QStringLiteral(" keyword") : QStringLiteral(" keywords"));
}

void FilterViewController::updateSummary()
{
    m_summary->setText(itemsSummary());
}

void FilterViewController::resizeSplitViewWithMetrics(const PlistDictionary &metrics)
{
    if (const auto position = WindowMetrics::number(metrics, WindowMetrics::FilterSplitPosition))
        m_splitView->setDividerPosition(0, *position);
}

double FilterViewController::filterSplitPosition() const
{
    return m_splitView->dividerPosition(0);
}

void FilterViewController::cleanup()
{
    m_propertyFilter->cleanup();
    m_keywordFilter->cleanup();
    PaneController::cleanup();
}

} // namespace vidarium
