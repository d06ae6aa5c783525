#pragma once

// The poster area of the inspector: draws the poster scaled to its width at the
// top, takes image drops (asking its delegate whether a drag may drop here and
// handing it the drop), frames itself while an acceptable drag is over it, and
// shows a close button over a poster while the pointer is inside.
// Threads: main thread.

#include <QImage>
#include <QWidget>

#include <functional>

class QMimeData;
class QToolButton;

namespace vidarium {

class PosterDropTargetView : public QWidget
{
    Q_OBJECT
public:
    explicit PosterDropTargetView(QWidget *parent = nullptr);

    const QImage &posterImage() const { return m_posterImage; }
    void setPosterImage(const QImage &image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    QToolButton *closeButton() const { return m_closeButton; }

    // Asked as a drag enters: may it drop here?
    void setDropValidator(std::function<bool(const QMimeData *)> validator)
    {
        m_validator = std::move(validator);
    }

signals:
    void dropped(const QMimeData *data);
    void closeClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void updateCloseButton();

    QImage m_posterImage;
    QToolButton *m_closeButton = nullptr;
    std::function<bool(const QMimeData *)> m_validator;
    bool m_highlighted = false;
    bool m_pointerInside = false;
};

} // namespace vidarium
