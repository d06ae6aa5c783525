#include "splitview.h"

#include <QResizeEvent>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vidarium {

namespace {

constexpr int AnimationMs = 250;

bool &animationSwitch()
{
    static bool enabled = qEnvironmentVariableIntValue("VIDARIUM_NO_ANIMATIONS") == 0;
    return enabled;
}

} // namespace

bool SplitView::animationsEnabled()
{
    return animationSwitch();
}

void SplitView::setAnimationsEnabled(bool enabled)
{
    animationSwitch() = enabled;
}

SplitView::SplitView(Qt::Orientation orientation, QWidget *parent)
    : QSplitter(orientation, parent)
{
    setChildrenCollapsible(false);
}

void SplitView::setPaneLimits(int index, const PaneLimits &limits)
{
    if (index < 0 || index >= count())
        return;
    while (m_limits.size() <= index)
        m_limits.append(PaneLimits {});
    m_limits[index] = limits;
    QWidget *pane = widget(index);
    if (orientation() == Qt::Horizontal) {
        pane->setMinimumWidth(limits.minimum);
        pane->setMaximumWidth(std::min(limits.maximum, QWIDGETSIZE_MAX));
    } else {
        pane->setMinimumHeight(limits.minimum);
        pane->setMaximumHeight(std::min(limits.maximum, QWIDGETSIZE_MAX));
    }
    // Qt gives a resize to the panes with a stretch; the resize event below
    // redistributes by priority, but the stretch keeps the first layout close.
    setStretchFactor(index, limits.priority == 0 ? 1 : 0);
}

SplitView::PaneLimits SplitView::paneLimits(int index) const
{
    return index >= 0 && index < m_limits.size() ? m_limits.at(index) : PaneLimits {};
}

QList<SplitView::PaneLimits> SplitView::allLimits() const
{
    QList<PaneLimits> limits;
    for (int i = 0; i < count(); ++i)
        limits.append(paneLimits(i));
    return limits;
}

int SplitView::lengthOf(const QSize &size) const
{
    return orientation() == Qt::Horizontal ? size.width() : size.height();
}

int SplitView::totalPaneLength() const
{
    return std::max(0, lengthOf(size()) - handleWidth() * std::max(0, count() - 1));
}

double SplitView::dividerPosition(int divider) const
{
    if (divider < 0 || divider >= count() - 1)
        return 0;
    if (divider < m_pendingPositions.size())
        return m_pendingPositions.at(divider);
    const QList<int> paneSizes = sizes();
    double position = 0;
    for (int i = 0; i <= divider; ++i)
        position += paneSizes.value(i);
    return position + double(divider) * handleWidth();
}

void SplitView::setDividerPosition(int divider, double position, bool animated)
{
    if (divider < 0 || divider >= count() - 1 || !std::isfinite(position))
        return;
    QList<double> positions;
    for (int i = 0; i < count() - 1; ++i)
        positions.append(dividerPosition(i));
    positions[divider] = position;
    if (!isVisible() || lengthOf(size()) <= 0) {
        m_pendingPositions = positions;
        return;
    }
    if (!animated || !animationsEnabled()) {
        applyPositions(positions, totalPaneLength());
        return;
    }
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setDuration(AnimationMs);
        m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    }
    m_animation->stop();
    m_animation->disconnect(this);
    m_animation->setStartValue(dividerPosition(divider));
    m_animation->setEndValue(position);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
        [this, divider, positions](const QVariant &value) {
            QList<double> step = positions;
            step[divider] = value.toDouble();
            applyPositions(step, totalPaneLength());
        });
    m_animation->start();
}

void SplitView::applyPositions(const QList<double> &positions, int totalLength)
{
    setSizes(sizesForPositions(positions, allLimits(), totalLength, handleWidth()));
}

QList<int> SplitView::sizesForPositions(
    const QList<double> &positions, const QList<PaneLimits> &limits, int total, int handleWidth)
{
    const int panes = int(limits.size());
    QList<int> result;
    double start = 0;
    for (int i = 0; i < panes; ++i) {
        const double end = i < positions.size() ? positions.at(i) : start;
        int length = i < positions.size() ? int(std::lround(end - start)) : 0;
        if (i == panes - 1) {
            const int used = std::accumulate(result.begin(), result.end(), 0);
            length = total - used;
        }
        result.append(std::max(0, length));
        start = end + handleWidth;
    }
    // Positions from a package may not fit this view: clamp each pane and give
    // what is left over or missing to the panes by priority.
    QList<int> clamped = result;
    for (int i = 0; i < panes; ++i)
        clamped[i] = std::clamp(clamped.at(i), limits.at(i).minimum,
            std::max(limits.at(i).minimum, limits.at(i).maximum));
    const int clampedTotal = std::accumulate(clamped.begin(), clamped.end(), 0);
    if (clampedTotal == total || panes == 0)
        return clamped;
    return distribute(clamped, limits, total);
}

QList<int> SplitView::distribute(
    const QList<int> &sizes, const QList<PaneLimits> &limits, int newTotal)
{
    QList<int> result = sizes;
    int remaining = newTotal - std::accumulate(sizes.begin(), sizes.end(), 0);
    QList<int> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&limits](int a, int b) { return limits.value(a).priority < limits.value(b).priority; });
    for (int index : order) {
        if (remaining == 0)
            break;
        const PaneLimits limit = limits.value(index);
        const int wanted = result.at(index) + remaining;
        const int length
            = std::clamp(wanted, limit.minimum, std::max(limit.minimum, limit.maximum));
        remaining -= length - result.at(index);
        result[index] = length;
    }
    // Limits that cannot all be met (a window smaller than the minimums): the
    // pane of priority 0 takes the rest so the panes still fill the view.
    if (remaining != 0 && !order.isEmpty())
        result[order.first()] = std::max(0, result.at(order.first()) + remaining);
    return result;
}

void SplitView::resizeEvent(QResizeEvent *event)
{
    // The panes still have their old lengths here; Qt's own layout follows.
    const QList<int> old = sizes();
    const int oldTotal = std::accumulate(old.begin(), old.end(), 0);
    QSplitter::resizeEvent(event);
    const int handles = handleWidth() * std::max(0, count() - 1);
    const int newTotal = std::max(0, lengthOf(event->size()) - handles);
    if (!m_pendingPositions.isEmpty() && newTotal > 0) {
        const QList<double> pending = m_pendingPositions;
        m_pendingPositions.clear();
        applyPositions(pending, newTotal);
        return;
    }
    if (oldTotal > 0 && newTotal > 0 && oldTotal != newTotal)
        setSizes(distribute(old, allLimits(), newTotal));
}

} // namespace vidarium
