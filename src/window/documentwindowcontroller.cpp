#include "documentwindowcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/mediaplaylist.h"
#include "widgets/splitview.h"
#include "window/detailviewcontroller.h"
#include "window/documentsaver.h"
#include "window/documenttoolbar.h"
#include "window/documentwindow.h"
#include "window/filterviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/sourceviewcontroller.h"
#include "window/storyboardviewcontroller.h"
#include "window/windowmetrics.h"

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace vidarium {

namespace {

const QString IdleMessage = QStringLiteral("Idle");

QWidget *paneSlot()
{
    auto *slot = new QWidget;
    auto *layout = new QVBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return slot;
}

QSize availableScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

} // namespace

QString DocumentWindowController::importStoppedMessage()
{
    return tr("Import stopped");
}

DocumentWindowController::DocumentWindowController(
    Document &document, DispatchController &dispatcher, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_dispatcher(dispatcher)
{
    m_saver = std::make_unique<DocumentSaver>(*this);
    m_statusTimer.setSingleShot(true);
    m_statusTimer.setInterval(StatusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        if (m_pendingStatus) {
            const QString message = *m_pendingStatus;
            m_pendingStatus.reset();
            applyStatusMessage(message);
            m_statusTimer.start();
        }
    });
    buildWindow();
    // windowDidLoad, in its order.
    resizeWindowWithMetrics(m_document.defaults().windowMetrics());
    insertPanes();
    m_toolbar = new DocumentToolbar(*this, m_window);
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    itemsViewController()->selectView(std::nullopt, false);
    m_toolbar->setViewStyle(itemsViewController()->currentViewStyle());
    NotificationCenter::instance().post(DocumentWindowDidLoad, this,
        { { QStringLiteral("LibraryIdentifier"), m_document.identifier() } });
    m_document.updateChangeCount(Document::Change::Cleared);
    connect(&m_document, &Document::changeCountChanged, this, [this] {
        updateTitle();
        // An import changes the library once per element it reads: the commands
        // are checked again once per turn (with every row selected, a check
        // looks at every selected element).
        if (m_actionUpdatePending)
            return;
        m_actionUpdatePending = true;
        QTimer::singleShot(0, this, [this] {
            m_actionUpdatePending = false;
            updateActions();
        });
    });
    connect(&m_dispatcher, &DispatchController::statusMessageChanged, this,
        [this](const QString &library, const QString &message) {
            if (library == m_document.identifier())
                setStatusMessage(message);
        });
    dispatchUnprocessedElements();
    updateTitle();
    updateActions();
    if (m_document.versionAlert())
        QTimer::singleShot(0, this, &DocumentWindowController::showVersionAlert);
}

DocumentWindowController::~DocumentWindowController()
{
    cleanup();
    delete m_window;
}

void DocumentWindowController::buildWindow()
{
    m_window = new DocumentWindow;
    m_window->setObjectName(QStringLiteral("DocumentWindow"));
    m_window->setMinimumSize(MinimumWidth, MinimumHeight);
    m_window->resize(1280, 800);
    m_splitView = new SplitView(Qt::Horizontal);
    m_splitView->setObjectName(QStringLiteral("SplitView"));
    m_itemsSplitView = new SplitView(Qt::Vertical);
    m_itemsSplitView->setObjectName(QStringLiteral("ItemsSplitView"));
    m_splitView->addWidget(paneSlot());
    m_splitView->addWidget(paneSlot());
    m_splitView->addWidget(m_itemsSplitView);
    m_splitView->addWidget(paneSlot());
    m_itemsSplitView->addWidget(paneSlot());
    m_itemsSplitView->addWidget(paneSlot());
    // Priority 0 takes a resize first; each pane stays within its limits.
    m_splitView->setPaneLimits(0, { 3, 155, 300 });
    m_splitView->setPaneLimits(1, { 2, 155, 300 });
    m_splitView->setPaneLimits(2, { 0, 460, 5000 });
    m_splitView->setPaneLimits(3, { 1, 155, 300 });
    m_itemsSplitView->setPaneLimits(0, { 1, 84, 5000 });
    m_itemsSplitView->setPaneLimits(1, { 0, 155, 5000 });
    m_window->setCentralWidget(m_splitView);

    m_statusLabel = new QLabel(m_window);
    m_statusLabel->setObjectName(QStringLiteral("StatusMessage"));
    m_window->statusBar()->addWidget(m_statusLabel, 1);
    m_window->statusBar()->setSizeGripEnabled(true);
    applyStatusMessage(m_dispatcher.statusMessageForDocument(&m_document));
}

void DocumentWindowController::insertPanes()
{
    auto *source = new SourceViewController(m_document, this);
    insertPane(SourceViewControllerKey, source, m_splitView, 0);
    auto *filter = new FilterViewController(m_document, *source, this);
    insertPane(FilterViewControllerKey, filter, m_splitView, 1);
    auto *items = new ItemsViewController(m_document, m_dispatcher, *source, this);
    insertPane(ItemsViewControllerKey, items, m_itemsSplitView, 1);
    filter->setSelectedElementsProvider([items] { return items->selectedElements(); });
    insertPane(StoryboardViewControllerKey, new StoryboardViewController(m_document, *this, this),
        m_itemsSplitView, 0);
    insertPane(DetailViewControllerKey,
        new DetailViewController(m_document, itemsViewController(), this), m_splitView, 3);
}

void DocumentWindowController::insertPane(
    const QString &key, PaneController *pane, SplitView *split, int index)
{
    QWidget *slot = split->widget(index);
    if (pane->hasSplitView())
        pane->resizeSplitViewWithMetrics(m_document.defaults().windowMetrics());
    slot->layout()->addWidget(pane->view());
    m_viewControllers.insert(key, pane);
    connect(pane, &PaneController::stateChanged, this, &DocumentWindowController::updateActions);
}

void DocumentWindowController::setUntitledName(const QString &name)
{
    m_untitledName = name;
    updateTitle();
}

void DocumentWindowController::setDetachedFromFile(bool detached)
{
    m_detached = detached;
    updateTitle();
}

bool DocumentWindowController::hasFileLocation() const
{
    return !m_detached && !m_document.filePath().isEmpty();
}

QString DocumentWindowController::displayName() const
{
    const QString path = m_document.filePath();
    if (!hasFileLocation())
        return m_untitledName.isEmpty() ? tr("Untitled") : m_untitledName;
    return QFileInfo(path).completeBaseName();
}

void DocumentWindowController::updateTitle()
{
    if (!m_window)
        return;
    m_window->setWindowFilePath(hasFileLocation() ? m_document.filePath() : QString());
    m_window->setWindowTitle(displayName() + QStringLiteral("[*]"));
    m_window->setWindowModified(m_document.isDocumentEdited());
}

SourceViewController *DocumentWindowController::sourceViewController() const
{
    return static_cast<SourceViewController *>(viewController(SourceViewControllerKey));
}

FilterViewController *DocumentWindowController::filterViewController() const
{
    return static_cast<FilterViewController *>(viewController(FilterViewControllerKey));
}

ItemsViewController *DocumentWindowController::itemsViewController() const
{
    return static_cast<ItemsViewController *>(viewController(ItemsViewControllerKey));
}

StoryboardViewController *DocumentWindowController::storyboardViewController() const
{
    return static_cast<StoryboardViewController *>(viewController(StoryboardViewControllerKey));
}

DetailViewController *DocumentWindowController::detailViewController() const
{
    return static_cast<DetailViewController *>(viewController(DetailViewControllerKey));
}

// --- Queries ---------------------------------------------------------------------------

MediaPlaylistPtr DocumentWindowController::selectedPlaylist() const
{
    return sourceViewController()->selectedPlaylist();
}

MediaElementList DocumentWindowController::selectedNodeElements() const
{
    return sourceViewController()->selectedNodeElements();
}

QStringList DocumentWindowController::selectedNodePredicateKeyPaths() const
{
    return sourceViewController()->selectedNodePredicateKeyPaths();
}

PlistValue DocumentWindowController::userCollectionNodes() const
{
    return sourceViewController()->userCollectionNodes();
}

QString DocumentWindowController::filterProperty() const
{
    return filterViewController()->filterProperty();
}

QList<int> DocumentWindowController::filterSortTags() const
{
    return filterViewController()->filterSortTags();
}

MediaElementList DocumentWindowController::arrangedElements() const
{
    return itemsViewController()->arrangedElements();
}

MediaElementList DocumentWindowController::selectedElements() const
{
    return itemsViewController()->selectedElements();
}

int DocumentWindowController::selectedElementCount() const
{
    // The rows of the selection's ranges, as the selected elements are read:
    // asking the selection model for its rows makes an index per row, and every
    // update of the commands' enabling asks this many times (a second with
    // 100,000 rows selected).
    const QItemSelection selection
        = itemsViewController()->itemsView()->selectionModel()->selection();
    std::vector<std::pair<int, int>> spans;
    spans.reserve(size_t(selection.size()));
    for (const QItemSelectionRange &range : selection)
        spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    int count = 0;
    int covered = -1; // the last row counted
    for (const auto &[top, bottom] : spans) {
        if (bottom > covered) {
            count += bottom - std::max(top, covered + 1) + 1;
            covered = bottom;
        }
    }
    return count;
}

SortDescriptorList DocumentWindowController::sortDescriptors() const
{
    return itemsViewController()->sortDescriptors();
}

// --- Geometry ----------------------------------------------------------------------------

PlistDictionary DocumentWindowController::windowMetrics() const
{
    WindowMetrics metrics;
    metrics.width = m_window->width();
    metrics.height = m_window->height();
    metrics.filterPosition = m_splitView->dividerPosition(0);
    metrics.itemsPosition = m_splitView->dividerPosition(1);
    metrics.detailPosition = m_splitView->dividerPosition(2);
    metrics.itemsSplitPosition = m_itemsSplitView->dividerPosition(0);
    if (const FilterViewController *filter = filterViewController())
        metrics.filterSplitPosition = filter->filterSplitPosition();
    return metrics.toDictionary();
}

void DocumentWindowController::resizeWindowWithMetrics(const PlistDictionary &stored)
{
    const WindowMetrics metrics
        = WindowMetrics::fromDictionary(stored, m_window->minimumSize(), availableScreenSize());
    // resize() keeps the top-left corner where it is.
    m_window->resize(int(metrics.width.value_or(m_window->width())),
        int(metrics.height.value_or(m_window->height())));
    const std::optional<double> positions[]
        = { metrics.filterPosition, metrics.itemsPosition, metrics.detailPosition };
    for (int divider = 0; divider < 3; ++divider) {
        if (positions[divider])
            m_splitView->setDividerPosition(divider, *positions[divider]);
    }
    if (metrics.itemsSplitPosition)
        m_itemsSplitView->setDividerPosition(0, *metrics.itemsSplitPosition);
}

void DocumentWindowController::prepareForSave()
{
    // End an edit in progress so its value is saved.
    if (QWidget *focus = m_window->focusWidget())
        focus->clearFocus();
    m_document.defaults().setWindowMetrics(windowMetrics());
    m_document.library().setSourceNodes(userCollectionNodes());
}

// --- Status line -------------------------------------------------------------------------

QString DocumentWindowController::statusMessage() const
{
    return m_statusLabel->text();
}

void DocumentWindowController::setStatusMessage(const QString &message)
{
    if (message != IdleMessage)
        m_importStopped = false;
    const QString shown = m_importStopped ? importStoppedMessage() : message;
    if (m_statusTimer.isActive()) {
        m_pendingStatus = shown;
        return;
    }
    applyStatusMessage(shown);
    m_statusTimer.start();
}

void DocumentWindowController::applyStatusMessage(const QString &message)
{
    if (m_statusLabel->text() == message)
        return;
    m_statusLabel->setText(message);
    ++m_statusChanges;
}

void DocumentWindowController::stopImport()
{
    if (!m_dispatcher.dispatchStatus(m_document.identifier()))
        return;
    m_importStopped = true;
    ++m_importStops;
    m_dispatcher.cancelDocument(m_document);
    setStatusMessage(IdleMessage);
}

void DocumentWindowController::dispatchUnprocessedElements()
{
    const MediaElementList unprocessed = m_document.library().unprocessedElements();
    if (!unprocessed.isEmpty())
        m_dispatcher.dispatchDocument(m_document, unprocessed);
}

// --- Sheets ------------------------------------------------------------------------------

bool DocumentWindowController::beginSheet(QDialog *sheet)
{
    if (m_sheet) {
        // One sheet at a time, as on a window with an attached sheet.
        sheet->deleteLater();
        return false;
    }
    m_sheet = sheet;
    sheet->setWindowModality(Qt::WindowModal);
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_sheet == sheet)
            m_sheet = nullptr;
        updateActions();
        emit sheetChanged();
    });
    connect(sheet, &QObject::destroyed, this, [this] {
        updateActions();
        emit sheetChanged();
    });
    updateActions();
    emit sheetChanged();
    sheet->open();
    return true;
}

void DocumentWindowController::showVersionAlert()
{
    auto *alert = new QMessageBox(m_window);
    alert->setObjectName(QStringLiteral("VersionAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(
        Definitions::shared().localizedString(QStringLiteral("ReadDocumentOlderAlertMessageText")));
    alert->setInformativeText(Definitions::shared().localizedString(
        QStringLiteral("ReadDocumentOlderAlertInformativeText")));
    alert->addButton(QMessageBox::Ok);
    beginSheet(alert);
}

// --- Cleanup -----------------------------------------------------------------------------

void DocumentWindowController::cleanup()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    m_statusTimer.stop();
    disconnect(&m_dispatcher, nullptr, this, nullptr);
    for (PaneController *pane : std::as_const(m_viewControllers))
        pane->cleanup();
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
}

} // namespace vidarium
