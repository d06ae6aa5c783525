#pragma once

// Shows a storyboard (or its wireframe) at its own size, centred, with a soft
// shadow, inside a scroll area: the view is never smaller than the visible
// area, and when the image is taller than it, a resize keeps the same top edge
// in sight. Dragging the picture hands it to the drag provider.
// Threads: main thread.

#include <QImage>
#include <QWidget>

#include <functional>

class QMimeData;
class QScrollArea;

namespace vidarium {

class StoryboardView : public QWidget
{
    Q_OBJECT
public:
    // The view puts itself into the scroll area; the scroll area owns it.
    explicit StoryboardView(QScrollArea *scrollArea);

    // A different image is kept, the view resized and redrawn.
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }

    // Where the image is drawn: centred, each half-difference truncated.
    QRect imageRect() const;
    // The top edge of the visible area as of the last drawing or resize.
    int currentTop() const { return m_curTop; }

    // What a drag of the picture carries; null means the picture cannot be dragged.
    using DragProvider = std::function<QMimeData *()>;
    void setDragProvider(DragProvider provider) { m_dragProvider = std::move(provider); }

    // Resizes to the larger of the visible area and the image, keeping the top edge.
    void sizeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int visibleTop() const;
    QSize logicalSize() const;

    QScrollArea *m_scrollArea = nullptr;
    QImage m_image;
    QImage m_shadow;
    int m_curTop = 0;
    QPoint m_pressPosition;
    bool m_pressed = false;
    DragProvider m_dragProvider;
};

} // namespace vidarium
