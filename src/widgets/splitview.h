#pragma once

// A split view whose panes each stay between a minimum and a maximum length and
// carry a priority: when the view grows or shrinks, the pane of priority 0
// takes the change first, then priority 1, and so on. Divider positions can be
// set before the view has its final size (they are applied at the first
// layout) and moved with a short animation.
// Threads: main thread.

#include <QList>
#include <QSplitter>

class QVariantAnimation;

namespace vidarium {

class SplitView : public QSplitter
{
    Q_OBJECT
public:
    struct PaneLimits
    {
        int priority = 0;
        int minimum = 0;
        int maximum = QWIDGETSIZE_MAX;
    };

    // Animations are off in tests (VIDARIUM_NO_ANIMATIONS=1) and can be turned off here.
    static bool animationsEnabled();
    static void setAnimationsEnabled(bool enabled);

    explicit SplitView(Qt::Orientation orientation, QWidget *parent = nullptr);

    // Limits of the pane at `index` (the pane must already be added).
    void setPaneLimits(int index, const PaneLimits &limits);
    PaneLimits paneLimits(int index) const;

    // The position of the divider after pane `divider` (0-based): the length of the
    // panes before it plus the dividers between them.
    double dividerPosition(int divider) const;
    // Moves a divider; the panes on either side keep to their limits.
    void setDividerPosition(int divider, double position, bool animated = false);

    // Spreads a change of the view's length over the panes by priority (exposed for tests).
    static QList<int> distribute(
        const QList<int> &sizes, const QList<PaneLimits> &limits, int newTotal);
    // Sizes for divider positions in a view of length `total`, each pane kept to its limits.
    static QList<int> sizesForPositions(const QList<double> &positions,
        const QList<PaneLimits> &limits, int total, int handleWidth);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int lengthOf(const QSize &size) const;
    int totalPaneLength() const;
    QList<PaneLimits> allLimits() const;
    void applyPositions(const QList<double> &positions, int totalLength);

    QList<PaneLimits> m_limits;
    // Divider positions asked for before the first layout, applied at it.
    QList<double> m_pendingPositions;
    QVariantAnimation *m_animation = nullptr;
};

} // namespace vidarium
