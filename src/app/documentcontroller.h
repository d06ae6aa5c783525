#pragma once

// The program's list of open libraries and their windows: new, open (a
// package, the previous version's library, an Usher export), the current
// library, closing one or all with their close checks, recording the open
// libraries for the next start, and one volume notification per open library
// when drives come and go. The same package opened twice raises its window.
// Threads: main thread.

#include "model/settingkeys.h"
#include "platform/result.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QMenuBar;

namespace vidarium {

class DispatchController;
class Document;
class DocumentWindowController;
class UserDefaults;
struct VolumeInfo;

class DocumentController : public QObject
{
    Q_OBJECT
public:
    static inline const QString &DocumentsToRestoreKey = SettingKey::DocumentsToRestore;

    // The application's controller (made by the application object).
    static DocumentController *shared();

    DocumentController(
        UserDefaults &defaults, DispatchController &dispatcher, QObject *parent = nullptr);
    ~DocumentController() override;

    UserDefaults &userDefaults() const { return m_defaults; }
    DispatchController &dispatcher() const { return m_dispatcher; }

    // Every window gets its menu bar from here (the application sets it up).
    using MenuBarBuilder = std::function<void(QMenuBar *bar, DocumentWindowController *window)>;
    void setMenuBarBuilder(MenuBarBuilder builder);
    // Called when the user closes the last library window (the application quits then).
    void setLastWindowHandler(std::function<void(DocumentWindowController *window)> handler);

    QList<Document *> documents() const;
    QList<DocumentWindowController *> windowControllers() const;
    DocumentWindowController *windowControllerFor(const Document *document) const;
    // The library whose window was active last; null when none is open.
    Document *currentDocument() const;
    DocumentWindowController *currentWindowController() const;
    bool hasEditedDocuments() const;

    // An untitled library with its window ("Untitled", "Untitled 2", ...).
    Document *newDocument(bool display = true);
    // Opens the package (or older library, or export) at path; an open one is
    // raised instead. Errors are shown in an alert and returned.
    Result<Document *> openDocumentWithPath(const QString &path, bool display = true);
    // The open panel (several libraries at once).
    void openDocument();
    // A library read from somewhere it must not be saved back to: it opens as unsaved.
    Result<Document *> openForeignDocument(const QString &path);
    // The previous version's library at its default place; only when it exists.
    static QString legacyLibraryPath();
    bool canOpenLegacyVersionDocument() const;
    void openLegacyVersionDocument();
    void openUsherDocument();

    // The close check for one window, then the close.
    void closeDocumentWithCheck(
        DocumentWindowController *window, std::function<void(bool)> done = {});
    // Closes without asking.
    void closeDocument(Document *document);
    // Records the open libraries, then closes each after its close check; done(false)
    // when the user cancelled one.
    void closeAllDocuments(std::function<void(bool allClosed)> done = {});
    // Asks about every library with unsaved changes, one after the other; done(false)
    // as soon as the user cancels.
    void reviewUnsavedDocuments(std::function<void(bool proceed)> done);

    // The bookmarks of every open library with a place on disk replace "DocumentsToRestore".
    void captureOpenDocuments();
    // One "SystemDidChangeVolumesNotification" per open library.
    void volumesChanged();

    // The last error shown for an open (tests).
    const QString &lastOpenError() const { return m_lastOpenError; }

signals:
    void documentsChanged();

private:
    struct Entry;
    Entry *entryFor(const Document *document) const;
    Document *addDocument(std::unique_ptr<Document> document, bool display);
    QString nextUntitledName() const;
    void presentOpenError(const QString &path, const QString &message, const QString &suggestion);
    void reviewFrom(
        QList<QPointer<DocumentWindowController>> windows, std::function<void(bool)> done);
    void windowActivated(DocumentWindowController *window);

    UserDefaults &m_defaults;
    DispatchController &m_dispatcher;
    std::vector<std::unique_ptr<Entry>> m_entries;
    QPointer<DocumentWindowController> m_current;
    MenuBarBuilder m_menuBarBuilder;
    std::function<void(DocumentWindowController *)> m_lastWindowHandler;
    QString m_lastOpenError;
    int m_untitledCounter = 0;
};

} // namespace vidarium
