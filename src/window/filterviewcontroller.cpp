#include "filterviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "widgets/splitview.h"
#include "window/windowmetrics.h"

namespace vidarium {

namespace {
const QString NoFilter = QStringLiteral("None");
const QString SortByCount = QStringLiteral("count");
const QString SortByValue = QStringLiteral("value");
} // namespace

FilterViewController::FilterViewController(Document &document, QObject *parent)
    : PaneController(QStringLiteral("FilterView"), document, parent)
{
    m_splitView = new SplitView(Qt::Vertical);
    m_splitView->addWidget(placeholderView(tr("Property Filter")));
    m_splitView->addWidget(placeholderView(tr("Keywords")));
    m_splitView->setPaneLimits(0, { 0, 60, 5000 });
    m_splitView->setPaneLimits(1, { 1, 60, 5000 });
    setView(m_splitView);
}

QString FilterViewController::filterProperty() const
{
    const QString key = document().defaults().propertyFilter();
    return key == NoFilter ? QString() : key;
}

QList<int> FilterViewController::filterSortTags() const
{
    const DocumentDefaults &defaults = document().defaults();
    return {
        defaults.propertyFilterSortOrder() == SortByCount ? PropertySortByCount
                                                          : PropertySortByValue,
        defaults.keywordFilterSortOrder() == SortByCount ? KeywordSortByCount : KeywordSortByValue,
    };
}

void FilterViewController::selectFilterProperty(const QString &key)
{
    const QString stored = key.isEmpty() ? NoFilter : key;
    if (document().defaults().propertyFilter() == stored)
        return;
    document().defaults().setPropertyFilter(stored);
    document().updateChangeCount(Document::Change::Done);
    emit stateChanged();
}

void FilterViewController::arrangeFilter(int tag)
{
    DocumentDefaults &defaults = document().defaults();
    switch (tag) {
    case PropertySortByValue:
    case PropertySortByCount:
        defaults.setPropertyFilterSortOrder(tag == PropertySortByCount ? SortByCount : SortByValue);
        break;
    case KeywordSortByValue:
    case KeywordSortByCount:
        defaults.setKeywordFilterSortOrder(tag == KeywordSortByCount ? SortByCount : SortByValue);
        break;
    default:
        return;
    }
    document().updateChangeCount(Document::Change::Done);
    emit stateChanged();
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

} // namespace vidarium
