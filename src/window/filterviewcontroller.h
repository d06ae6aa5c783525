#pragma once

// The filter pane: the property filter and the keyword filter, one above the
// other in a split view of its own, with a summary line of how many values
// and keywords they show. It answers which property the property filter
// shows and how its lists are sorted, passes the filter commands on, and
// restores and reports its divider.
// Threads: main thread.

#include "model/mediaelement.h"
#include "window/panecontroller.h"

#include <QList>

#include <functional>

class QLabel;

namespace vidarium {

class KeywordFilterViewController;
class PropertyFilterViewController;
class SourceViewController;
class SplitView;

class FilterViewController : public PaneController
{
    Q_OBJECT
public:
    // Tags of the sort commands of the two filter lists.
    enum SortTag {
        PropertySortByValue = 1,
        PropertySortByCount = 2,
        KeywordSortByValue = 3,
        KeywordSortByCount = 4,
    };
    static inline const QString PropertyFilterViewControllerKey
        = QStringLiteral("PropertyFilterViewControllerKey");
    static inline const QString KeywordFilterViewControllerKey
        = QStringLiteral("KeywordFilterViewControllerKey");

    FilterViewController(
        Document &document, SourceViewController &source, QObject *parent = nullptr);

    PropertyFilterViewController *propertyFilter() const { return m_propertyFilter; }
    KeywordFilterViewController *keywordFilter() const { return m_keywordFilter; }
    // The window's selected elements (a keyword added in the inspector counts them).
    void setSelectedElementsProvider(std::function<MediaElementList()> provider);

    // The property key the property filter shows; empty for none.
    QString filterProperty() const;
    // The sort tag of each list; 0 for a list whose stored order is neither.
    QList<int> filterSortTags() const;
    void selectFilterProperty(const QString &key);
    void arrangeFilter(int tag);
    // Find with the focus in one of the lists: that list's search box. False
    // when the focus is elsewhere.
    bool performFindPanelAction(QWidget *focus);
    QString itemsSummary() const;
    QLabel *summaryLabel() const { return m_summary; }
    SplitView *splitView() const { return m_splitView; }

    bool hasSplitView() const override { return true; }
    void resizeSplitViewWithMetrics(const PlistDictionary &metrics) override;
    double filterSplitPosition() const;
    void cleanup() override;

private:
    void updateSummary();

    SplitView *m_splitView = nullptr;
    PropertyFilterViewController *m_propertyFilter = nullptr;
    KeywordFilterViewController *m_keywordFilter = nullptr;
    QLabel *m_summary = nullptr;
};

} // namespace vidarium
