#pragma once

// The Poster section of the detail inspector: the poster of the one selected
// element, or a label saying why there is none. An image file or image data
// dropped on it becomes that element's poster: decoded under limits, scaled to
// a bounded size and stored as JPEG, off the main thread. A drop that cannot
// be decoded or encoded stores nothing and leaves what was shown.
// Threads: main thread; decoding and encoding run on the thread pool.

#include "platform/result.h"
#include "window/detailsectioncontroller.h"

#include <QByteArray>
#include <QImage>

#include <memory>
#include <optional>

class QLabel;
class QMimeData;

namespace vidarium {

class MediaElement;
class PosterDropTargetView;

class PosterSectionViewController : public DetailSectionController
{
    Q_OBJECT
public:
    static constexpr int MaximumPosterSide = 2048;
    static constexpr int JpegQuality = 75;

    // What a drop brings: one image file, or image bytes.
    struct Source
    {
        QString path;
        QByteArray data;
    };
    // The drop's image, when it brings exactly one image file or image data whose
    // header reads as an image within the limits; nothing otherwise.
    static std::optional<Source> sourceOf(const QMimeData *data);
    // Decodes under limits and encodes the poster JPEG (any thread).
    static Result<QByteArray> posterData(const Source &source);

    PosterSectionViewController(
        Document &document, const DetailSelection &selection, QObject *parent = nullptr);

    int naturalHeight() const override;
    void selectionDidChange() override;

    PosterDropTargetView *posterView() const { return m_posterView; }
    QLabel *posterLabel() const { return m_posterLabel; }
    bool isHighlighted() const;
    // Whether the section accepts this drag now (one element is selected).
    bool canDrop(const QMimeData *data) const;
    // Stores the drop's image as the poster once decoded; false when refused at once.
    bool drop(const QMimeData *data);
    void removePoster();
    // Decodes and stores still running (tests and the benchmark wait for them).
    int pendingWork() const { return m_pending; }

signals:
    // A drop was decoded and stored (true), or refused with a reason.
    void dropFinished(bool stored, const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPoster(const QByteArray &data);
    void setLabel(const QString &text);
    void dropDecoded(const std::weak_ptr<MediaElement> &target, const Result<QByteArray> &encoded);

    PosterDropTargetView *m_posterView = nullptr;
    QLabel *m_posterLabel = nullptr;
    std::weak_ptr<MediaElement> m_element;
    quint64 m_generation = 0;
    int m_pending = 0;
    int m_lastWidth = 0;
};

} // namespace vidarium
