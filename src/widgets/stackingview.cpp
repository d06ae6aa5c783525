#include "stackingview.h"

#include "widgets/splitview.h"

#include <QEvent>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollBar>

namespace vidarium {

StackingView::StackingView(QWidget *parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("StackingView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Window);
    auto *document = new QWidget;
    document->setObjectName(QStringLiteral("InspectorDocumentView"));
    document->setBackgroundRole(QPalette::Window);
    document->setAutoFillBackground(true);
    setWidget(document);
    // Shared with the split views: one switch turns every animation off.
    m_useAnimations = SplitView::animationsEnabled();
}

void StackingView::setSectionViews(const QList<StackingSectionView *> &sections)
{
    m_sections = sections;
    for (int i = 0; i < m_sections.size(); ++i) {
        StackingSectionView *section = m_sections.at(i);
        section->setContainer(this, i);
        section->setParent(widget());
        section->show();
    }
    layoutSubviewsAnimated(false);
}

QRect StackingView::frameForSectionAtIndex(int index) const
{
    int y = 0;
    for (int i = 0; i < index && i < m_sections.size(); ++i) {
        const StackingSectionView *before = m_sections.at(i);
        y += before->sectionHeight();
        // Collapsed title bars share their border with the next section.
        if (before->state() == StackingSectionView::Collapsed)
            y -= 1;
    }
    const int height = index < m_sections.size() ? m_sections.at(index)->sectionHeight() : 0;
    return QRect(0, y, widget()->width(), height);
}

QRect StackingView::boundsForContent() const
{
    if (m_sections.isEmpty())
        return QRect(0, 0, widget()->width(), 0);
    const QRect last = frameForSectionAtIndex(int(m_sections.size()) - 1);
    return QRect(0, 0, widget()->width(), last.bottom() + 1);
}

void StackingView::layoutSubviewsAnimated(bool animated)
{
    QWidget *document = widget();
    const int width = viewport()->width();
    if (document->width() != width)
        document->resize(width, document->height());
    // The sections move inside the document view: while they do, it must be at
    // least as tall as what is visible, or the moving sections are cut off.
    if (viewport()->height() > document->height())
        document->resize(width, viewport()->height());
    for (StackingSectionView *section : std::as_const(m_sections))
        section->layoutContent();
    if (m_animation)
        m_animation->stop();
    if (!animated) {
        for (int i = 0; i < m_sections.size(); ++i)
            m_sections.at(i)->setGeometry(frameForSectionAtIndex(i));
        updateContentSizeIfNecessary();
        return;
    }
    auto *group = new QParallelAnimationGroup(this);
    for (int i = 0; i < m_sections.size(); ++i) {
        auto *move = new QPropertyAnimation(m_sections.at(i), "geometry", group);
        move->setDuration(AnimationMs);
        move->setEasingCurve(QEasingCurve::InOutQuad);
        move->setEndValue(frameForSectionAtIndex(i));
        group->addAnimation(move);
    }
    connect(group, &QAbstractAnimation::finished, this, [this] {
        updateContentSizeIfNecessary();
        for (StackingSectionView *section : std::as_const(m_sections)) {
            if (section->state() == StackingSectionView::Collapsed && section->contentView())
                section->contentView()->hide();
        }
    });
    m_animation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void StackingView::updateContentSizeIfNecessary()
{
    const QRect bounds = boundsForContent();
    if (widget()->geometry().size() != bounds.size())
        widget()->resize(bounds.size());
    for (StackingSectionView *section : std::as_const(m_sections)) {
        if (section->state() == StackingSectionView::Collapsed && section->contentView())
            section->contentView()->hide();
        section->update();
    }
}

void StackingView::applyState(StackingSectionView *section, StackingSectionView::State state)
{
    if (!section || section->state() == state)
        return;
    if (StackingSectionDelegate *delegate = section->delegate()) {
        if (state == StackingSectionView::Collapsed)
            delegate->sectionViewWillCollapse();
        else
            delegate->sectionViewWillExpand();
    }
    section->setState(state);
}

StackingSectionView::State StackingView::toggleStateForSectionView(StackingSectionView *section)
{
    const auto state = section->state() == StackingSectionView::Expanded
        ? StackingSectionView::Collapsed
        : StackingSectionView::Expanded;
    applyState(section, state);
    layoutSubviewsAnimated(m_useAnimations);
    return section->state();
}

void StackingView::setState(StackingSectionView::State state, int section, bool animated)
{
    setState(state, QList<int> { section }, animated);
}

void StackingView::setState(
    StackingSectionView::State state, const QList<int> &sections, bool animated)
{
    for (int index : sections) {
        if (index >= 0 && index < m_sections.size())
            applyState(m_sections.at(index), state);
    }
    layoutSubviewsAnimated(animated && m_useAnimations);
}

bool StackingView::viewportEvent(QEvent *event)
{
    // The viewport narrows when the scroller appears: the sections follow its width.
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize && !m_animation)
        layoutSubviewsAnimated(false);
    return handled;
}

} // namespace vidarium
