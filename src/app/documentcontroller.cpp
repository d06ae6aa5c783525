#include "documentcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "window/documentsaver.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/panels.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWindow>

namespace vidarium {

namespace {

DocumentController *&sharedController()
{
    static DocumentController *controller = nullptr;
    return controller;
}

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

} // namespace

struct DocumentController::Entry
{
    // The window goes before its document.
    std::unique_ptr<Document> document;
    std::unique_ptr<DocumentWindowController> window;
};

DocumentController *DocumentController::shared()
{
    return sharedController();
}

DocumentController::DocumentController(
    UserDefaults &defaults, DispatchController &dispatcher, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_dispatcher(dispatcher)
{
    if (!sharedController())
        sharedController() = this;
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (!now)
            return;
        for (const auto &entry : m_entries) {
            if (now->window() == entry->window->window())
                windowActivated(entry->window.get());
        }
    });
}

DocumentController::~DocumentController()
{
    while (!m_entries.empty())
        closeDocument(m_entries.back()->document.get());
    if (sharedController() == this)
        sharedController() = nullptr;
}

void DocumentController::setMenuBarBuilder(MenuBarBuilder builder)
{
    m_menuBarBuilder = std::move(builder);
}

void DocumentController::setLastWindowHandler(
    std::function<void(DocumentWindowController *window)> handler)
{
    m_lastWindowHandler = std::move(handler);
}

QList<Document *> DocumentController::documents() const
{
    QList<Document *> list;
    for (const auto &entry : m_entries)
        list.append(entry->document.get());
    return list;
}

QList<DocumentWindowController *> DocumentController::windowControllers() const
{
    QList<DocumentWindowController *> list;
    for (const auto &entry : m_entries)
        list.append(entry->window.get());
    return list;
}

DocumentController::Entry *DocumentController::entryFor(const Document *document) const
{
    for (const auto &entry : m_entries) {
        if (entry->document.get() == document)
            return entry.get();
    }
    return nullptr;
}

DocumentWindowController *DocumentController::windowControllerFor(const Document *document) const
{
    Entry *entry = entryFor(document);
    return entry ? entry->window.get() : nullptr;
}

void DocumentController::windowActivated(DocumentWindowController *window)
{
    m_current = window;
}

DocumentWindowController *DocumentController::currentWindowController() const
{
    if (m_current)
        return m_current;
    return m_entries.empty() ? nullptr : m_entries.back()->window.get();
}

Document *DocumentController::currentDocument() const
{
    DocumentWindowController *window = currentWindowController();
    return window ? &window->document() : nullptr;
}

bool DocumentController::hasEditedDocuments() const
{
    for (const auto &entry : m_entries) {
        if (entry->document->isDocumentEdited())
            return true;
    }
    return false;
}

QString DocumentController::nextUntitledName() const
{
    // The lowest number no open untitled window uses.
    QStringList taken;
    for (const auto &entry : m_entries) {
        if (!entry->window->hasFileLocation())
            taken.append(entry->window->displayName());
    }
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? tr("Untitled") : tr("Untitled %1").arg(n);
        if (!taken.contains(name))
            return name;
    }
}

Document *DocumentController::addDocument(std::unique_ptr<Document> document, bool display)
{
    auto entry = std::make_unique<Entry>();
    entry->document = std::move(document);
    Document *added = entry->document.get();
    const QString untitled = added->filePath().isEmpty() ? nextUntitledName() : QString();
    entry->window = std::make_unique<DocumentWindowController>(*added, m_dispatcher);
    DocumentWindowController *window = entry->window.get();
    if (!untitled.isEmpty())
        window->setUntitledName(untitled);
    window->window()->setCloseRequestHandler([this, window] {
        if (m_entries.size() == 1 && m_lastWindowHandler)
            m_lastWindowHandler(window);
        else
            closeDocumentWithCheck(window);
    });
    if (m_menuBarBuilder)
        m_menuBarBuilder(window->window()->menuBar(), window);
    m_entries.push_back(std::move(entry));
    m_current = window;
    if (display) {
        window->window()->show();
        window->window()->raise();
        window->window()->activateWindow();
    }
    emit documentsChanged();
    return added;
}

Document *DocumentController::newDocument(bool display)
{
    return addDocument(std::make_unique<Document>(), display);
}

Result<Document *> DocumentController::openDocumentWithPath(const QString &path, bool display)
{
    const QString wanted = canonical(path);
    for (const auto &entry : m_entries) {
        if (entry->window->hasFileLocation() && canonical(entry->document->filePath()) == wanted) {
            if (display) {
                entry->window->window()->show();
                entry->window->window()->raise();
                entry->window->window()->activateWindow();
            }
            return entry->document.get();
        }
    }
    auto document = std::make_unique<Document>();
    // Held for as long as the window is open, since it may save at any time: another
    // program writing the same package meanwhile would lose one of the two catalogues.
    // A package that cannot be locked for another reason (read-only media) still opens.
    const Result<void> locked = document->lockForWriting(path, LibraryLock::Wait::No);
    if (!locked && locked.error().code() == Error::Code::Busy) {
        presentOpenError(path, locked.error().message(), QString());
        return locked.error();
    }
    const Result<void> read = document->readFromPath(path);
    if (!read) {
        presentOpenError(path, read.error().message(), document->recoverySuggestion());
        return read.error();
    }
    const bool converted = !document->hasPackage();
    Document *opened = addDocument(std::move(document), display);
    // A library converted from an export or the oldest format exists only in
    // memory: closing it must ask, not discard the conversion.
    if (converted)
        opened->updateChangeCount(Document::Change::Done);
    return opened;
}

void DocumentController::presentOpenError(
    const QString &path, const QString &message, const QString &suggestion)
{
    m_lastOpenError = message;
    auto *alert = new QMessageBox(QMessageBox::Warning, tr("Vidarium"),
        tr("The library “%1” could not be opened.").arg(QFileInfo(path).fileName()),
        QMessageBox::Ok, currentWindowController() ? currentWindowController()->window() : nullptr);
    alert->setObjectName(QStringLiteral("OpenErrorAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setInformativeText(suggestion.isEmpty() ? message : suggestion);
    alert->open();
}

void DocumentController::openDocument()
{
    Panels::Request request;
    request.kind = Panels::Kind::OpenLibraries;
    request.title = tr("Open Library");
    QPointer<DocumentController> self(this);
    Panels::run(nullptr, request, [self](const QStringList &paths) {
        for (const QString &path : paths) {
            if (self)
                (void)self->openDocumentWithPath(path);
        }
    });
}

Result<Document *> DocumentController::openForeignDocument(const QString &path)
{
    const Result<Document *> opened = openDocumentWithPath(path);
    if (!opened)
        return opened;
    // Saving asks for a new place, so the source stays untouched.
    DocumentWindowController *window = windowControllerFor(*opened);
    if (window->hasFileLocation()) {
        window->setUntitledName(nextUntitledName());
        window->setDetachedFromFile(true);
        (*opened)->updateChangeCount(Document::Change::Done);
    }
    return opened;
}

QString DocumentController::legacyLibraryPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Vidarium/Vidarium Library.vidariumlibrary"));
}

bool DocumentController::canOpenLegacyVersionDocument() const
{
    return QFileInfo::exists(legacyLibraryPath());
}

void DocumentController::openLegacyVersionDocument()
{
    if (canOpenLegacyVersionDocument())
        (void)openForeignDocument(legacyLibraryPath());
}

void DocumentController::openUsherDocument()
{
    Panels::Request request;
    request.kind = Panels::Kind::ChooseFile;
    request.title = tr("Usher Export");
    request.extensions = { QStringLiteral("csv"), QStringLiteral("CSV") };
    QPointer<DocumentController> self(this);
    Panels::run(nullptr, request, [self](const QStringList &paths) {
        if (self && !paths.isEmpty() && QFileInfo(paths.first()).isFile())
            (void)self->openForeignDocument(paths.first());
    });
}

void DocumentController::closeDocumentWithCheck(
    DocumentWindowController *window, std::function<void(bool)> done)
{
    QPointer<DocumentWindowController> target(window);
    window->window()->show();
    window->window()->raise();
    window->saver().runCloseCheck([this, target, done](bool mayClose) {
        if (mayClose && target)
            closeDocument(&target->document());
        if (done)
            done(mayClose);
    });
}

void DocumentController::closeDocument(Document *document)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if ((*it)->document.get() != document)
            continue;
        std::unique_ptr<Entry> entry = std::move(*it);
        m_entries.erase(it);
        m_dispatcher.cancelDocument(*entry->document);
        entry->window->cleanup();
        entry->window->window()->closeNow();
        entry->document->releaseLock();
        // Deleted once the events of the close are over.
        entry->window.release()->deleteLater();
        entry->document.release()->deleteLater();
        emit documentsChanged();
        return;
    }
}

void DocumentController::reviewFrom(
    QList<QPointer<DocumentWindowController>> windows, std::function<void(bool)> done)
{
    while (
        !windows.isEmpty() && (!windows.first() || !windows.first()->document().isDocumentEdited()))
        windows.removeFirst();
    if (windows.isEmpty()) {
        done(true);
        return;
    }
    DocumentWindowController *window = windows.takeFirst();
    window->window()->show();
    window->window()->raise();
    window->saver().runCloseCheck([this, windows, done](bool proceed) {
        if (!proceed) {
            done(false);
            return;
        }
        reviewFrom(windows, done);
    });
}

void DocumentController::reviewUnsavedDocuments(std::function<void(bool proceed)> done)
{
    QList<QPointer<DocumentWindowController>> windows;
    for (const auto &entry : m_entries)
        windows.append(entry->window.get());
    reviewFrom(windows, std::move(done));
}

void DocumentController::closeAllDocuments(std::function<void(bool allClosed)> done)
{
    captureOpenDocuments();
    reviewUnsavedDocuments([this, done](bool proceed) {
        if (proceed) {
            while (!m_entries.empty())
                closeDocument(m_entries.front()->document.get());
        }
        if (done)
            done(proceed);
    });
}

void DocumentController::captureOpenDocuments()
{
    PlistArray bookmarks;
    for (const auto &entry : m_entries) {
        if (!entry->window->hasFileLocation())
            continue;
        const QByteArray bookmark = Bookmark::create(entry->document->filePath());
        if (!bookmark.isEmpty())
            bookmarks.append(PlistValue(bookmark));
    }
    m_defaults.setArray(DocumentsToRestoreKey, bookmarks);
    m_defaults.synchronize();
}

void DocumentController::volumesChanged()
{
    for (const auto &entry : m_entries)
        NotificationCenter::instance().post(DispatchNotification::SystemDidChangeVolumes, this,
            { { QStringLiteral("LibraryIdentifier"), entry->document->identifier() } });
}

} // namespace vidarium
