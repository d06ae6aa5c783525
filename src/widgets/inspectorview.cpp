#include "inspectorview.h"

#include "widgets/splitview.h"

#include <QEvent>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollBar>

namespace vidarium {

InspectorView::InspectorView(QWidget *parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("InspectorView"));
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

void InspectorView::setSectionViews(const QList<InspectorSectionView *> &sections)
{
    m_sections = sections;
    for (int i = 0; i < m_sections.size(); ++i) {
        InspectorSectionView *section = m_sections.at(i);
        section->setContainer(this, i);
        section->setParent(widget());
        section->show();
    }
    layoutSubviewsAnimated(false);
}

QRect InspectorView::frameForSectionAtIndex(int index) const
{
    int y = 0;
    for (int i = 0; i < index && i < m_sections.size(); ++i) {
        const InspectorSectionView *before = m_sections.at(i);
        y += before->sectionHeight();
        // Collapsed title bars share their border with the next section.
        if (before->state() == InspectorSectionView::Collapsed)
            y -= 1;
    }
    const int height = index < m_sections.size() ? m_sections.at(index)->sectionHeight() : 0;
    return QRect(0, y, widget()->width(), height);
}

QRect InspectorView::boundsForContent() const
{
    if (m_sections.isEmpty())
        return QRect(0, 0, widget()->width(), 0);
    const QRect last = frameForSectionAtIndex(int(m_sections.size()) - 1);
    return QRect(0, 0, widget()->width(), last.bottom() + 1);
}

void InspectorView::layoutSubviewsAnimated(bool animated)
{
    QWidget *document = widget();
    const int width = viewport()->width();
    if (document->width() != width)
        document->resize(width, document->height());
    // The sections move inside the document view: while they do, it must be at
    // least as tall as what is visible, or the moving sections are cut off.
    if (viewport()->height() > document->height())
        document->resize(width, viewport()->height());
    for (InspectorSectionView *section : std::as_const(m_sections))
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
        for (InspectorSectionView *section : std::as_const(m_sections)) {
            if (section->state() == InspectorSectionView::Collapsed && section->contentView())
                section->contentView()->hide();
        }
    });
    m_animation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void InspectorView::updateContentSizeIfNecessary()
{
    const QRect bounds = boundsForContent();
    if (widget()->geometry().size() != bounds.size())
        widget()->resize(bounds.size());
    for (InspectorSectionView *section : std::as_const(m_sections)) {
        if (section->state() == InspectorSectionView::Collapsed && section->contentView())
            section->contentView()->hide();
        section->update();
    }
}

void InspectorView::applyState(InspectorSectionView *section, InspectorSectionView::State state)
{
    if (!section || section->state() == state)
        return;
    if (InspectorSectionDelegate *delegate = section->delegate()) {
        if (state == InspectorSectionView::Collapsed)
            delegate->sectionViewWillCollapse();
        else
            delegate->sectionViewWillExpand();
    }
    section->setState(state);
}

InspectorSectionView::State InspectorView::toggleStateForSectionView(InspectorSectionView *section)
{
    const auto state = section->state() == InspectorSectionView::Expanded
        ? InspectorSectionView::Collapsed
        : InspectorSectionView::Expanded;
    applyState(section, state);
    layoutSubviewsAnimated(m_useAnimations);
    return section->state();
}

void InspectorView::setState(InspectorSectionView::State state, int section, bool animated)
{
    setState(state, QList<int> { section }, animated);
}

void InspectorView::setState(
    InspectorSectionView::State state, const QList<int> &sections, bool animated)
{
    for (int index : sections) {
        if (index >= 0 && index < m_sections.size())
            applyState(m_sections.at(index), state);
    }
    layoutSubviewsAnimated(animated && m_useAnimations);
}

bool InspectorView::viewportEvent(QEvent *event)
{
    // The viewport narrows when the scroller appears: the sections follow its width.
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize && !m_animation)
        layoutSubviewsAnimated(false);
    return handled;
}

} // namespace vidarium
