#include "widgets/storyboardview.h"

#include <QApplication>
#include <QDrag>
#include <QGraphicsDropShadowEffect>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace vidarium {

StoryboardView::StoryboardView(QScrollArea *scrollArea)
    : m_scrollArea(scrollArea)
{
    setObjectName(QStringLiteral("StoryboardView"));
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(10);
    shadow->setColor(QColor(0, 0, 0, 178));
    shadow->setOffset(0, 10);
    setGraphicsEffect(shadow);
    scrollArea->setWidgetResizable(false);
    scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollArea->setWidget(this);
    // The visible area's size changes with the divider and the window.
    scrollArea->viewport()->installEventFilter(this);
    sizeChanged();
}

void StoryboardView::setImage(const QImage &image)
{
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    sizeChanged();
    update();
}

QRect StoryboardView::imageRect() const
{
    // Integer division truncates, as the drawing must, so frames land on whole pixels.
    return QRect(
        QPoint((width() - m_image.width()) / 2, (height() - m_image.height()) / 2), m_image.size());
}

int StoryboardView::visibleTop() const
{
    return m_scrollArea->verticalScrollBar()->value();
}

void StoryboardView::sizeChanged()
{
    const QSize content = m_scrollArea->viewport()->size();
    const QSize wanted = content.expandedTo(m_image.size());
    const int top = m_curTop;
    if (wanted != size())
        resize(wanted);
    if (m_image.height() > content.height())
        m_scrollArea->verticalScrollBar()->setValue(top);
    m_curTop = visibleTop();
}

void StoryboardView::paintEvent(QPaintEvent *)
{
    m_curTop = visibleTop();
    if (m_image.isNull())
        return;
    // The view itself is transparent, so drawing over it shows exactly the
    // image, its clear holes letting the background through.
    QPainter painter(this);
    painter.drawImage(imageRect().topLeft(), m_image);
}

void StoryboardView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressPosition = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void StoryboardView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPosition).manhattanLength()
            < QApplication::startDragDistance())
        return;
    m_pressed = false;
    QMimeData *data = m_dragProvider ? m_dragProvider() : nullptr;
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(m_image));
    // The picture stays where it is drawn under the pointer.
    drag->setHotSpot(m_pressPosition - imageRect().topLeft());
    drag->exec(Qt::CopyAction);
}

bool StoryboardView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scrollArea->viewport() && event->type() == QEvent::Resize)
        sizeChanged();
    return QWidget::eventFilter(watched, event);
}

} // namespace vidarium
