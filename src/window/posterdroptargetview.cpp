#include "posterdroptargetview.h"

#include <QDragEnterEvent>
#include <QPainter>
#include <QToolButton>

#include <cmath>

namespace vidarium {

PosterDropTargetView::PosterDropTargetView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PosterDropTargetView"));
    setAcceptDrops(true);
    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("PosterCloseButton"));
    // Drawn over the poster: a dark disc with a white cross reads on any image.
    m_closeButton->setText(QStringLiteral("\u00D7"));
    m_closeButton->setStyleSheet(
        QStringLiteral("QToolButton { background: rgba(0, 0, 0, 150); color: white; border: none;"
                       " border-radius: 10px; font-weight: bold; font-size: 15px; padding: 0px; }"
                       "QToolButton:hover { background: rgba(0, 0, 0, 200); }"));
    m_closeButton->setToolTip(tr("Remove the poster"));
    m_closeButton->setFixedSize(20, 20);
    m_closeButton->hide();
    connect(m_closeButton, &QToolButton::clicked, this, &PosterDropTargetView::closeClicked);
}

void PosterDropTargetView::setPosterImage(const QImage &image)
{
    m_posterImage = image;
    updateCloseButton();
    update();
}

void PosterDropTargetView::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void PosterDropTargetView::updateCloseButton()
{
    m_closeButton->move(width() - m_closeButton->width() - 4, 4);
    m_closeButton->setVisible(m_pointerInside && !m_posterImage.isNull());
}

void PosterDropTargetView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_posterImage.isNull() && m_posterImage.width() > 0) {
        const int height
            = int(std::lround(double(m_posterImage.height()) * width() / m_posterImage.width()));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, width(), height), m_posterImage);
    }
    if (m_highlighted) {
        QPen frame(palette().color(QPalette::Highlight), 3);
        frame.setJoinStyle(Qt::MiterJoin);
        painter.setPen(frame);
        painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

void PosterDropTargetView::resizeEvent(QResizeEvent *)
{
    updateCloseButton();
}

void PosterDropTargetView::enterEvent(QEnterEvent *)
{
    m_pointerInside = true;
    updateCloseButton();
}

void PosterDropTargetView::leaveEvent(QEvent *)
{
    m_pointerInside = false;
    updateCloseButton();
}

void PosterDropTargetView::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_validator && m_validator(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        setHighlighted(true);
        return;
    }
    event->ignore();
}

void PosterDropTargetView::dragLeaveEvent(QDragLeaveEvent *)
{
    setHighlighted(false);
}

void PosterDropTargetView::dropEvent(QDropEvent *event)
{
    setHighlighted(false);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit dropped(event->mimeData());
}

} // namespace vidarium
