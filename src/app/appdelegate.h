#pragma once

// The application object: the start-up sequence (settings seeded from the
// definition tables, the engine's readers registered, the libraries of the
// last session reopened), the one quit routine that Quit, the
// close of the last window, session logout and termination signals all go
// through, and the application's own commands (preferences, about, welcome).
// Threads: main thread.

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QMenuBar;
class QSessionManager;

namespace vidarium {

class Definitions;
class DispatchController;
class DocumentController;
class DocumentWindowController;
class UserDefaults;
class VolumeMonitor;

class AppDelegate : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // The keyboard modifiers held at the end of start-up.
        std::function<Qt::KeyboardModifiers()> modifiers;
        // Both external programs usable (the welcome window is shown otherwise).
        std::function<bool()> externalToolsInstalled;
        // Ends the event loop (tests record it instead).
        std::function<void()> quit;
        // Watch the mount table and the desktop session (off in tests).
        bool watchSystem = true;
    };

    AppDelegate(UserDefaults &defaults, const Definitions &definitions,
        DocumentController &documents, Options options, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Steps 1 to 8: seeds the settings, registers, then schedules openNewDocumentIfNeeded.
    // `paths` are libraries named on the command line.
    void launch(const QStringList &paths = {});
    bool fullyLaunched() const { return m_fullyLaunched; }
    QStringList seededKeys() const { return m_seededKeys; }

    // Reopens the last session's libraries (or opens the paths given, or one
    // untitled library), then shows the welcome window when it is wanted.
    void openNewDocumentIfNeeded();
    // The libraries to reopen: the resolvable bookmarks of "DocumentsToRestore"
    // when "OpenLastDocument" is on.
    QStringList restorableFiles() const;
    // Libraries handed over by a second start of the program.
    void openPaths(const QStringList &paths);

    // The quit routine: asks about unsaved libraries (Cancel keeps the program
    // running), records the open libraries, closes them and ends the program.
    void requestQuit(std::function<void(bool quitting)> done = {});
    // Termination without questions (SIGTERM, SIGINT): the open libraries are
    // recorded and the settings written; unsaved changes are not written.
    void terminateNow();
    bool isQuitting() const { return m_quitting; }

    void performApplicationAction(const QString &action);
    bool validateApplicationAction(const QString &action) const;
    void buildMenuBar(QMenuBar *bar, DocumentWindowController *window);

    void showPreferencesWindow();
    void showAboutWindow();
    void showWelcomeWindow();

private:
    void finishLaunching();
    void commitData(QSessionManager &manager);
    void applicationBecameActive();
    void endProgram();

    UserDefaults &m_defaults;
    const Definitions &m_definitions;
    DocumentController &m_documents;
    Options m_options;
    VolumeMonitor *m_volumeMonitor = nullptr;
    QStringList m_launchPaths;
    QStringList m_seededKeys;
    bool m_fullyLaunched = false;
    bool m_quitting = false;
};

} // namespace vidarium
