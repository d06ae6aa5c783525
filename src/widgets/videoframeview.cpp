#include "widgets/videoframeview.h"

#include <QPainter>

namespace vidarium {

VideoFrameView::VideoFrameView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 36);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void VideoFrameView::setFrame(const QImage &frame)
{
    m_frame = frame;
    update();
}

void VideoFrameView::setMessage(const QString &message)
{
    if (m_message == message)
        return;
    m_message = message;
    update();
}

QRect VideoFrameView::fittedRect(const QSize &frame, const QRect &bounds)
{
    if (frame.isEmpty() || bounds.isEmpty())
        return {};
    const QSize fitted = frame.scaled(bounds.size(), Qt::KeepAspectRatio);
    return QRect(bounds.x() + (bounds.width() - fitted.width()) / 2,
        bounds.y() + (bounds.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

void VideoFrameView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_message.isEmpty()) {
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.15);
        painter.setFont(font);
        painter.setPen(QColor(235, 235, 235));
        painter.drawText(
            rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, m_message);
        return;
    }
    if (m_frame.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fittedRect(m_frame.size(), rect()), m_frame);
}

} // namespace vidarium
