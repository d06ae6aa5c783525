#pragma once

// Paints the newest frame of a movie fitted inside itself keeping its
// aspect, on black, or a message in place of the picture.
// Threads: main thread.

#include <QImage>
#include <QWidget>

namespace vidarium {

class VideoFrameView : public QWidget
{
    Q_OBJECT
public:
    explicit VideoFrameView(QWidget *parent = nullptr);

    void setFrame(const QImage &frame);
    const QImage &frame() const { return m_frame; }
    void setMessage(const QString &message);
    QString message() const { return m_message; }
    // Where the picture goes: the frame's size fitted inside the view, centred.
    static QRect fittedRect(const QSize &frame, const QRect &bounds);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_frame;
    QString m_message;
};

} // namespace vidarium
