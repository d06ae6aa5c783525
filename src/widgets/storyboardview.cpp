#include "widgets/storyboardview.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace vidarium {

namespace {

constexpr int shadowBlur = 10;
constexpr int shadowOffset = 10;
constexpr int shadowAlpha = 178; // 0.7 of black

// The image's own outline in translucent black, softened by scaling down and
// up again: a blur of about the radius, made once per image rather than on
// every paint (a graphics effect would blur the whole view each time).
QImage shadowFor(const QImage &image)
{
    if (image.isNull())
        return {};
    const QSize size = image.size() + QSize(2 * shadowBlur, 2 * shadowBlur);
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    QPainter painter(&shadow);
    painter.drawImage(QPoint(shadowBlur, shadowBlur), image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shadow.rect(), QColor(0, 0, 0, shadowAlpha));
    painter.end();
    const QSize small = (size / 5).expandedTo(QSize(1, 1));
    return shadow.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

StoryboardView::StoryboardView(QScrollArea *scrollArea)
    : m_scrollArea(scrollArea)
{
    setObjectName(QStringLiteral("StoryboardView"));
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
    QImage logical = image;
    logical.setDevicePixelRatio(1.0);
    m_shadow = shadowFor(logical.scaled(logicalSize(), Qt::IgnoreAspectRatio));
    sizeChanged();
    update();
}

QRect StoryboardView::imageRect() const
{
    // Integer division truncates, as the drawing must, so frames land on whole pixels.
    return QRect(
        QPoint((width() - m_image.width()) / 2, (height() - m_image.height()) / 2), m_image.size());
}

QSize StoryboardView::logicalSize() const
{
    // A storyboard made for a high-density screen is shown at its size in points.
    return (QSizeF(m_image.size()) / m_image.devicePixelRatio()).toSize();
}

int StoryboardView::visibleTop() const
{
    return m_scrollArea->verticalScrollBar()->value();
}

void StoryboardView::sizeChanged()
{
    const QSize content = m_scrollArea->viewport()->size();
    const QSize wanted = content.expandedTo(logicalSize());
    const int top = m_curTop;
    if (wanted != size())
        resize(wanted);
    if (logicalSize().height() > content.height())
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
    const QRect target = imageRect();
    painter.drawImage(target.topLeft() + QPoint(-shadowBlur, shadowOffset - shadowBlur), m_shadow);
    painter.drawImage(target, m_image);
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
