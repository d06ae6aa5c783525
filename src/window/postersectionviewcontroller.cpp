#include "postersectionviewcontroller.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "platform/backgroundpool.h"
#include "platform/boundedimage.h"
#include "window/detailselection.h"
#include "window/posterdroptargetview.h"

#include <QBuffer>
#include <QEvent>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace vidarium {

namespace {

const QStringList &imageDataTypes()
{
    static const QStringList types { QStringLiteral("image/tiff"), QStringLiteral("image/png") };
    return types;
}

BoundedImage::Limits posterLimits()
{
    return BoundedImage::Limits {};
}

// The header alone: cheap enough to ask while a drag moves over the area.
bool headerReads(QImageReader &reader)
{
    reader.setAllocationLimit(posterLimits().allocationMegabytes);
    if (!reader.canRead())
        return false;
    // An image whose header does not say its size (or says it wrongly) is not
    // decoded on trust.
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty()
        && qint64(size.width()) * size.height() <= posterLimits().maximumPixels;
}

template <typename T, typename Done>
void runOnPool(QObject *owner, std::function<T()> work, Done done)
{
    auto *watcher = new QFutureWatcher<T>(owner);
    QObject::connect(watcher, &QFutureWatcher<T>::finished, owner, [watcher, done] {
        done(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(&backgroundPool(), std::move(work)));
}

} // namespace

std::optional<PosterSectionViewController::Source> PosterSectionViewController::sourceOf(
    const QMimeData *data)
{
    if (!data)
        return std::nullopt;
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        if (urls.size() != 1 || !urls.first().isLocalFile())
            return std::nullopt;
        const QString path = urls.first().toLocalFile();
        const QFileInfo info(path);
        const QByteArray suffix = info.suffix().toLower().toLatin1();
        if (!info.isFile() || info.size() <= 0 || info.size() > posterLimits().maximumBytes
            || !QImageReader::supportedImageFormats().contains(suffix))
            return std::nullopt;
        QImageReader reader(path);
        if (!headerReads(reader))
            return std::nullopt;
        return Source { path, {} };
    }
    for (const QString &type : imageDataTypes()) {
        if (!data->hasFormat(type))
            continue;
        QByteArray bytes = data->data(type);
        if (bytes.isEmpty() || bytes.size() > posterLimits().maximumBytes)
            return std::nullopt;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        if (!headerReads(reader))
            return std::nullopt;
        return Source { {}, bytes };
    }
    return std::nullopt;
}

Result<QByteArray> PosterSectionViewController::posterData(const Source &source)
{
    const Result<QImage> image = source.path.isEmpty()
        ? BoundedImage::readData(source.data, posterLimits())
        : BoundedImage::readFile(source.path, posterLimits());
    if (!image)
        return image.error();
    return BoundedImage::jpegData(image.value(), MaximumPosterSide, JpegQuality);
}

PosterSectionViewController::PosterSectionViewController(
    Document &document, const DetailSelection &selection, QObject *parent)
    : DetailSectionController(QStringLiteral("Poster"), tr("Poster"), document, selection, parent)
{
    m_posterView = new PosterDropTargetView;
    m_posterView->setDropValidator([this](const QMimeData *data) { return canDrop(data); });
    m_posterView->installEventFilter(this);
    auto *layout = new QVBoxLayout(m_posterView);
    layout->setContentsMargins(8, 8, 8, 8);
    m_posterLabel = new QLabel;
    m_posterLabel->setObjectName(QStringLiteral("PosterLabel"));
    m_posterLabel->setAlignment(Qt::AlignCenter);
    m_posterLabel->setWordWrap(true);
    m_posterLabel->setForegroundRole(QPalette::PlaceholderText);
    m_posterLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(m_posterLabel);
    connect(m_posterView, &PosterDropTargetView::dropped, this,
        [this](const QMimeData *data) { drop(data); });
    connect(m_posterView, &PosterDropTargetView::closeClicked, this,
        &PosterSectionViewController::removePoster);
    setView(m_posterView);
    selectionDidChange();
}

int PosterSectionViewController::naturalHeight() const
{
    return int(std::lround(m_posterView->width() * 3.0 / 2.0)) + 2;
}

bool PosterSectionViewController::isHighlighted() const
{
    return m_posterView->isHighlighted();
}

void PosterSectionViewController::setLabel(const QString &text)
{
    m_posterLabel->setText(text);
    m_posterLabel->setVisible(!text.isEmpty());
}

void PosterSectionViewController::selectionDidChange()
{
    if (isCleanedUp())
        return;
    const MediaElementPtr single = selection().single();
    if (!single) {
        m_element.reset();
        ++m_generation;
        m_posterView->setPosterImage({});
        setLabel(
            selection().isEmpty() ? DetailSelection::noSelectionText() : tr("Multiple Selection"));
        return;
    }
    m_element = single;
    showPoster(document().library().posterDataForElement(*single));
}

void PosterSectionViewController::showPoster(const QByteArray &data)
{
    const quint64 generation = ++m_generation;
    if (data.isEmpty()) {
        m_posterView->setPosterImage({});
        setLabel(tr("Drag a File or Image Here"));
        return;
    }
    ++m_pending;
    QPointer<PosterSectionViewController> self(this);
    runOnPool<QImage>(
        this,
        [data]() -> QImage {
            const Result<QImage> image = BoundedImage::readData(data, posterLimits());
            return image ? image.value() : QImage();
        },
        [self, generation](const QImage &image) {
            if (!self)
                return;
            --self->m_pending;
            if (generation != self->m_generation)
                return;
            self->m_posterView->setPosterImage(image);
            self->setLabel(image.isNull() ? tr("Drag a File or Image Here") : QString());
        });
}

bool PosterSectionViewController::canDrop(const QMimeData *data) const
{
    return selection().single() && sourceOf(data).has_value();
}

bool PosterSectionViewController::drop(const QMimeData *data)
{
    const MediaElementPtr target = selection().single();
    const std::optional<Source> source = target ? sourceOf(data) : std::nullopt;
    if (!source) {
        emit dropFinished(false, tr("The drop holds no image that can be used as a poster."));
        return false;
    }
    ++m_pending;
    const std::weak_ptr<MediaElement> weak = target;
    const Source copy = *source;
    runOnPool<Result<QByteArray>>(
        this, [copy]() { return posterData(copy); },
        [self = QPointer<PosterSectionViewController>(this), weak](
            const Result<QByteArray> &encoded) {
            if (self)
                self->dropDecoded(weak, encoded);
        });
    return true;
}

void PosterSectionViewController::dropDecoded(
    const std::weak_ptr<MediaElement> &target, const Result<QByteArray> &encoded)
{
    --m_pending;
    const MediaElementPtr element = target.lock();
    if (!encoded || !element || isCleanedUp()) {
        emit dropFinished(false, encoded ? tr("The item is gone.") : encoded.error().message());
        return;
    }
    document().library().setPosterData(encoded.value(), *element);
    document().updateChangeCount(Document::Change::Done);
    if (element == m_element.lock())
        showPoster(encoded.value());
    emit dropFinished(true, QString());
}

void PosterSectionViewController::removePoster()
{
    const MediaElementPtr single = selection().single();
    if (!single)
        return;
    document().library().setPosterData({}, *single);
    document().updateChangeCount(Document::Change::Done);
    ++m_generation;
    m_posterView->setPosterImage({});
    setLabel(tr("Drag a File or Image Here"));
}

bool PosterSectionViewController::eventFilter(QObject *watched, QEvent *event)
{
    // The area is as tall as a portrait poster at its width.
    if (watched == m_posterView && event->type() == QEvent::Resize
        && m_posterView->width() != m_lastWidth) {
        m_lastWidth = m_posterView->width();
        postContentSizeChanged();
    }
    return DetailSectionController::eventFilter(watched, event);
}

} // namespace vidarium
