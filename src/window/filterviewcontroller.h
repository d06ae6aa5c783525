#pragma once

// The filter pane: the property filter and the keyword filter, one above the
// other in a split view of its own. It answers which property the property
// filter shows and how its lists are sorted, and restores and reports its
// divider.
// Threads: main thread.

#include "window/panecontroller.h"

#include <QList>

namespace vidarium {

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

    explicit FilterViewController(Document &document, QObject *parent = nullptr);

    // The property key the property filter shows; empty for none.
    QString filterProperty() const;
    QList<int> filterSortTags() const;
    void selectFilterProperty(const QString &key);
    void arrangeFilter(int tag);

    bool hasSplitView() const override { return true; }
    void resizeSplitViewWithMetrics(const PlistDictionary &metrics) override;
    double filterSplitPosition() const;

private:
    SplitView *m_splitView = nullptr;
};

} // namespace vidarium
