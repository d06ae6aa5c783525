#pragma once

// The stacking view of an inspector: collapsible sections one below the other
// in a vertical scroll area, each as tall as its content wants when expanded
// and only its title bar when collapsed (collapsed bars overlap by their
// border). Expanding or collapsing animates the sections to their new places
// unless animations are off (VIDARIUM_NO_ANIMATIONS=1 in tests).
// Threads: main thread.

#include "widgets/stackingsectionview.h"

#include <QList>
#include <QPointer>
#include <QScrollArea>

#include <QParallelAnimationGroup>

namespace vidarium {

class StackingView : public QScrollArea
{
    Q_OBJECT
public:
    static constexpr int AnimationMs = 250;

    explicit StackingView(QWidget *parent = nullptr);

    // Takes the sections, in order; they become children of the document view.
    void setSectionViews(const QList<StackingSectionView *> &sections);
    const QList<StackingSectionView *> &sectionViews() const { return m_sections; }
    int sectionCount() const { return int(m_sections.size()); }
    QWidget *documentView() const { return widget(); }

    bool useAnimations() const { return m_useAnimations; }
    void setUseAnimations(bool use) { m_useAnimations = use; }
    bool isAnimating() const { return m_animation != nullptr; }

    QRect frameForSectionAtIndex(int index) const;
    QRect boundsForContent() const;
    void layoutSubviewsAnimated(bool animated);
    void updateContentSizeIfNecessary();

    // Tells the section's delegate, flips the state and lays out. Returns the new state.
    StackingSectionView::State toggleStateForSectionView(StackingSectionView *section);
    void setState(StackingSectionView::State state, int section, bool animated);
    void setState(StackingSectionView::State state, const QList<int> &sections, bool animated);

protected:
    bool viewportEvent(QEvent *event) override;

private:
    void applyState(StackingSectionView *section, StackingSectionView::State state);

    QList<StackingSectionView *> m_sections;
    QPointer<QParallelAnimationGroup> m_animation;
    bool m_useAnimations = true;
};

} // namespace vidarium
