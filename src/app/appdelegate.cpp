#include "appdelegate.h"

#include "app/aboutwindow.h"
#include "app/documentcontroller.h"
#include "app/mainmenu.h"
#include "app/preferencescontroller.h"
#include "app/resourcemanager.h"
#include "app/welcomecontroller.h"
#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "import/enginesetup.h"
#include "import/externaltools.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/settingkeys.h"
#include "model/valuetransformers.h"
#include "platform/bookmark.h"
#include "platform/userdefaults.h"
#include "platform/volumemonitor.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"

#include <QApplication>
#include <QEventLoop>
#include <QSessionManager>
#include <QTimer>

namespace vidarium {

AppDelegate::AppDelegate(UserDefaults &defaults, const Definitions &definitions,
    DocumentController &documents, Options options, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_definitions(definitions)
    , m_documents(documents)
    , m_options(std::move(options))
{
    if (!m_options.modifiers)
        m_options.modifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    if (!m_options.externalToolsInstalled)
        m_options.externalToolsInstalled = [this] { return ExternalTools::installed(m_defaults); };
    if (!m_options.quit)
        m_options.quit = [] { QCoreApplication::quit(); };
    m_documents.setMenuBarBuilder(
        [this](QMenuBar *bar, DocumentWindowController *window) { buildMenuBar(bar, window); });
    m_documents.setLastWindowHandler([this](DocumentWindowController *) { requestQuit(); });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch(const QStringList &paths)
{
    m_launchPaths = paths;
    // The version service starts its first fetch once the event loop runs.
    ResourceManager::sharedManager();
    m_seededKeys
        = ApplicationSettings::createDefaults(m_defaults, m_definitions.applicationDefaults());
    ValueTransformerRegistry::shared().registerStandardTransformers(m_definitions.ratingStrings());
    EngineSetup::registerComponents();
    if (m_options.watchSystem) {
        m_volumeMonitor = new VolumeMonitor(this);
        connect(m_volumeMonitor, &VolumeMonitor::volumesChanged, &m_documents,
            &DocumentController::volumesChanged);
        connect(qApp, &QGuiApplication::commitDataRequest, this, &AppDelegate::commitData);
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    applicationBecameActive();
            });
    }
    m_documents.dispatcher().updateMaximumOperations();
    // After the event loop's own start-up work, like documents opened by the system.
    QTimer::singleShot(0, this, &AppDelegate::openNewDocumentIfNeeded);
}

QStringList AppDelegate::restorableFiles() const
{
    if (!m_defaults.boolForKey(SettingKey::OpenLastDocument))
        return {};
    const PlistValue stored = m_defaults.object(DocumentController::DocumentsToRestoreKey);
    if (stored.type() != PlistValue::Type::Array)
        return {};
    QStringList paths;
    for (const PlistValue &entry : stored.toArray()) {
        if (entry.type() != PlistValue::Type::Data)
            continue;
        if (const auto path = Bookmark::resolvePath(entry.toData()))
            paths.append(*path);
    }
    return paths;
}

void AppDelegate::openNewDocumentIfNeeded()
{
    const bool controlAlone = m_options.modifiers() == Qt::ControlModifier;
    const QStringList restore = controlAlone ? QStringList() : restorableFiles();
    // Emptied before anything is reopened, so a library that ends the program
    // is not reopened at every start.
    m_defaults.setArray(DocumentController::DocumentsToRestoreKey, {});
    m_defaults.synchronize();
    if (controlAlone) {
        m_documents.newDocument();
    } else {
        for (const QString &path : m_launchPaths + restore)
            (void)m_documents.openDocumentWithPath(path);
        if (m_documents.documents().isEmpty())
            m_documents.newDocument();
    }
    m_launchPaths.clear();
    if (m_defaults.boolForKey(SettingKey::ShowWelcomeWindow)
        && !m_options.externalToolsInstalled()) {
        WelcomeController &welcome = WelcomeController::sharedWelcomeController();
        connect(&welcome, &WelcomeController::dismissed, this, &AppDelegate::finishLaunching,
            Qt::SingleShotConnection);
        welcome.showWelcomeWindow();
        return;
    }
    finishLaunching();
}

void AppDelegate::finishLaunching()
{
    m_fullyLaunched = true;
}

void AppDelegate::openPaths(const QStringList &paths)
{
    for (const QString &path : paths)
        (void)m_documents.openDocumentWithPath(path);
    if (paths.isEmpty()) {
        if (DocumentWindowController *window = m_documents.currentWindowController()) {
            window->window()->raise();
            window->window()->activateWindow();
        } else {
            m_documents.newDocument();
        }
    }
}

void AppDelegate::requestQuit(std::function<void(bool quitting)> done)
{
    if (m_quitting) {
        if (done)
            done(true);
        return;
    }
    m_quitting = true;
    m_documents.reviewUnsavedDocuments([this, done](bool proceed) {
        if (!proceed) {
            m_quitting = false;
            if (done)
                done(false);
            return;
        }
        // With nothing open the list of the last session stays as it is.
        if (!m_documents.documents().isEmpty())
            m_documents.captureOpenDocuments();
        endProgram();
        if (done)
            done(true);
    });
}

void AppDelegate::terminateNow()
{
    m_quitting = true;
    if (!m_documents.documents().isEmpty())
        m_documents.captureOpenDocuments();
    endProgram();
}

void AppDelegate::endProgram()
{
    for (Document *document : m_documents.documents())
        m_documents.closeDocument(document);
    m_defaults.synchronize();
    m_options.quit();
}

void AppDelegate::commitData(QSessionManager &manager)
{
    if (!m_documents.hasEditedDocuments()) {
        m_documents.captureOpenDocuments();
        return;
    }
    if (!manager.allowsInteraction()) {
        // Nobody may be asked: keep the changes for the user to decide later.
        manager.cancel();
        return;
    }
    QEventLoop loop;
    bool proceed = false;
    m_documents.reviewUnsavedDocuments([&loop, &proceed](bool answer) {
        proceed = answer;
        loop.quit();
    });
    loop.exec();
    manager.release();
    if (proceed)
        m_documents.captureOpenDocuments();
    else
        manager.cancel();
}

void AppDelegate::applicationBecameActive()
{
    for (Document *document : m_documents.documents())
        document->library().validateBookmarks();
}

bool AppDelegate::validateApplicationAction(const QString &action) const
{
    if (action == QLatin1String("openLegacyVersionDocument:"))
        return m_documents.canOpenLegacyVersionDocument();
    if (action == QLatin1String("closeAll:"))
        return !m_documents.documents().isEmpty();
    return true;
}

void AppDelegate::performApplicationAction(const QString &action)
{
    if (action == QLatin1String("newDocument:")) {
        m_documents.newDocument();
    } else if (action == QLatin1String("openDocument:")) {
        m_documents.openDocument();
    } else if (action == QLatin1String("openLegacyVersionDocument:")) {
        m_documents.openLegacyVersionDocument();
    } else if (action == QLatin1String("openUsherDocument:")) {
        m_documents.openUsherDocument();
    } else if (action == QLatin1String("closeAll:")) {
        // The program does not stay without a window: closing all ends it.
        m_documents.closeAllDocuments([this](bool allClosed) {
            if (allClosed) {
                m_quitting = true;
                endProgram();
            }
        });
    } else if (action == QLatin1String("terminate:")) {
        requestQuit();
    } else if (action == QLatin1String("showPreferencesWindow:")) {
        showPreferencesWindow();
    } else if (action == QLatin1String("showAboutWindow:")) {
        showAboutWindow();
    } else if (action == QLatin1String("showWelcomeWindow:")) {
        showWelcomeWindow();
    } else if (action == QLatin1String("performMiniaturize:")) {
        if (QWidget *window = QApplication::activeWindow())
            window->showMinimized();
    }
}

void AppDelegate::buildMenuBar(QMenuBar *bar, DocumentWindowController *window)
{
    MainMenu::Hooks hooks;
    hooks.perform
        = [this](const QString &action, const QVariant &) { performApplicationAction(action); };
    hooks.validate = [this](const QString &action) { return validateApplicationAction(action); };
    UserDefaults *defaults = &m_defaults;
    hooks.importImagesImmediately
        = [defaults] { return defaults->boolForKey(SettingKey::ImportImagesImmediately); };
    MainMenu::build(bar, window, hooks);
}

void AppDelegate::showPreferencesWindow()
{
    PreferencesController::sharedPreferencesController().showPreferencesWindow();
}

void AppDelegate::showAboutWindow()
{
    AboutWindow::shared().showAboutWindow();
}

void AppDelegate::showWelcomeWindow()
{
    WelcomeController::sharedWelcomeController().showWelcomeWindow();
}

} // namespace vidarium
