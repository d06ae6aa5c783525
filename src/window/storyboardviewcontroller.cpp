#include "window/storyboardviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/backgroundpool.h"
#include "widgets/movieplayer.h"
#include "widgets/movieplayerview.h"
#include "widgets/storyboardview.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/storyboardfile.h"
#include "window/storyboardwireframe.h"

#include <QFutureWatcher>
#include <QMimeData>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace vidarium {

namespace {

// A storyboard made for a high-density screen is marked 144 dots per inch; it
// is shown at half its pixel size, as it was meant to be.
QImage decodeStoryboard(const QByteArray &data)
{
    QImage image = QImage::fromData(data, "JPEG");
    if (image.isNull())
        return image;
    if (std::lround(image.dotsPerMeterX() * 0.0254) >= 144)
        image.setDevicePixelRatio(2.0);
    return image;
}

} // namespace

StoryboardViewController::StoryboardViewController(
    Document &document, DocumentWindowController &window, QObject *parent)
    : PaneController(QStringLiteral("StoryboardView"), document, parent)
    , m_window(window)
{
    buildView();
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(StartDelayMs);
    connect(&m_startTimer, &QTimer::timeout, this, &StoryboardViewController::startMovie);
    m_storyboardView->setImage(storyboardWireframe());
    observe();
}

StoryboardViewController::~StoryboardViewController()
{
    cleanup();
}

void StoryboardViewController::buildView()
{
    m_tabView = new QStackedWidget;
    m_scrollArea = new QScrollArea(m_tabView);
    m_scrollArea->setObjectName(QStringLiteral("StoryboardScrollView"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setBackgroundRole(QPalette::Dark);
    m_storyboardView = new StoryboardView(m_scrollArea);
    m_storyboardView->setDragProvider([this] { return dragStoryboard(); });
    m_playerView = new MoviePlayerView(m_tabView);
    m_tabView->insertWidget(FramesTab, m_scrollArea);
    m_tabView->insertWidget(PlayerTab, m_playerView);
    m_tabView->setCurrentIndex(FramesTab);
    setView(m_tabView);
}

void StoryboardViewController::observe()
{
    // The selection and the selected element's storyboard are what the pane follows.
    if (ItemsViewController *items = m_window.itemsViewController())
        m_selectionConnection = connect(items, &PaneController::stateChanged, this,
            &StoryboardViewController::selectionChanged);
    NotificationCenter &center = NotificationCenter::instance();
    m_observers.append(center.addObserver(
        DispatchNotification::ElementDidAddStoryboard,
        [this](const Notification &note) { libraryDidAddStoryboard(note); }, this));
    m_observers.append(center.addObserver(
        DocumentDefaultsNotification::DidChange,
        [this](const Notification &note) { documentDefaultsDidChange(note); }, this));
}

void StoryboardViewController::cleanup()
{
    if (isCleanedUp())
        return;
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
    disconnect(m_selectionConnection);
    // A start still waiting must never run on a closed window.
    m_startTimer.stop();
    m_pendingElement.reset();
    ++m_imageGeneration;
    dropPlayer();
    PaneController::cleanup();
}

void StoryboardViewController::selectionChanged()
{
    if (isCleanedUp())
        return;
    MediaElementPtr candidate;
    if (m_window.selectedElementCount() == 1) {
        const MediaElementList selected = m_window.selectedElements();
        if (selected.size() == 1)
            candidate = selected.first();
    }
    if (candidate == m_element)
        return;
    m_element = candidate;
    stopMovie();
    updateStoryboardImage();
}

QImage StoryboardViewController::storyboardWireframe() const
{
    return StoryboardWireframe::image(document().defaults().imageMetrics());
}

void StoryboardViewController::updateStoryboardImage()
{
    const quint64 generation = ++m_imageGeneration;
    const QByteArray data
        = m_element ? document().library().storyboardDataForElement(*m_element) : QByteArray();
    if (data.isEmpty()) {
        m_storyboardView->setImage(storyboardWireframe());
        emit storyboardShown();
        return;
    }
    // The previous picture stays until this one is decoded: no flash of the wireframe.
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        showDecodedStoryboard(watcher->result(), generation);
    });
    watcher->setFuture(QtConcurrent::run(&backgroundPool(), decodeStoryboard, data));
}

void StoryboardViewController::showDecodedStoryboard(const QImage &image, quint64 generation)
{
    if (isCleanedUp() || generation != m_imageGeneration)
        return;
    // Bytes that are not a picture show the wireframe, as no storyboard does.
    m_storyboardView->setImage(image.isNull() ? storyboardWireframe() : image);
    emit storyboardShown();
}

void StoryboardViewController::libraryDidAddStoryboard(const Notification &note)
{
    if (note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
        != document().identifier())
        return;
    const auto element
        = note.userInfo.value(LibraryNotification::LibraryElementKey).value<MediaElementPtr>();
    if (element && element == m_element)
        updateStoryboardImage();
}

void StoryboardViewController::documentDefaultsDidChange(const Notification &note)
{
    const QVariant identifier = note.userInfo.value(LibraryNotification::LibraryIdentifierKey);
    if (note.object != &document()
        && (!identifier.isValid() || identifier.toString() != document().identifier()))
        return;
    // The grid may have changed: a new wireframe, or the storyboard as it is.
    updateStoryboardImage();
}

QMimeData *StoryboardViewController::storyboardMimeData(const QString &folder) const
{
    if (!m_element)
        return nullptr;
    const QByteArray data = document().library().storyboardDataForElement(*m_element);
    if (data.isEmpty())
        return nullptr;
    Result<QString> written = StoryboardFile::write(m_element->name(), data, folder);
    if (!written.ok()) {
        qWarning("%s", qPrintable(written.error().message()));
        return nullptr;
    }
    auto *mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(written.value()) });
    mime->setData(QStringLiteral("image/jpeg"), data);
    return mime;
}

QMimeData *StoryboardViewController::dragStoryboard()
{
    // Each drag gets a folder of its own, so the file is always the element's
    // plain name; the folders live as long as the window, since the drop target
    // may copy the file after the drag has ended.
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        return nullptr;
    QMimeData *mime = storyboardMimeData(folder->path());
    if (mime)
        m_dragFolders.push_back(std::move(folder));
    return mime;
}

} // namespace vidarium
