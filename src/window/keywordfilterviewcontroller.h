#pragma once

// The keyword filter: the keywords the source selection's elements carry,
// each with the number of elements that carry it. Several selected keywords
// narrow the items to those with all of them or with any of them, as the
// header's switch says (shown only while two or more are selected).
// Threads: main thread.

#include "window/filtersubviewcontroller.h"

#include <functional>

class QLabel;

namespace vidarium {

class ToggleSwitch;

class KeywordFilterViewController : public FilterSubviewController
{
    Q_OBJECT
public:
    KeywordFilterViewController(Document &document, SourceViewController &source, QObject *parent);

    // The window's selected elements: a keyword added to them counts them.
    void setSelectedElementsProvider(std::function<MediaElementList()> provider);
    int sortTag() const override;
    void arrangeFilterTable(int tag) override;

    ToggleSwitch *allSwitch() const { return m_switch; }
    // Whether the switch group is shown (two or more keywords selected).
    bool isSwitchShown() const;
    bool allComparison() const;
    // Toggled by the switch: announces the criteria again.
    void predicateSwitch();
    void cleanup() override;

protected:
    QString filterType() const override;
    QStringList populateKeyPaths() const override;
    void fill(const MediaElementList &elements) override;
    std::optional<Predicate> rowPredicate(const FilterRow &row) const override;
    std::optional<Predicate> combine(const QList<Predicate> &predicates) const override;
    void applySortOrder() override;

private:
    void buildHeader();
    void keywordAdded(const Notification &note);
    void keywordsRenamed();
    void updateSwitchVisibility();

    std::function<MediaElementList()> m_selectedElements;
    QWidget *m_switchGroup = nullptr;
    ToggleSwitch *m_switch = nullptr;
};

} // namespace vidarium
