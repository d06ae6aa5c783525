// vidarium: the desktop program. One process per user; libraries named on the
// command line open in it (a second start hands them over and ends).

#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "app/singleinstance.h"
#include "app/terminationsignals.h"
#include "import/dispatchcontroller.h"
#include "import/enginesetup.h"
#include "model/definitions.h"
#include "platform/userdefaults.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace vidarium;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidarium"));
    QApplication::setOrganizationName(QStringLiteral("Vidarium"));
    QApplication::setApplicationVersion(QStringLiteral(VIDARIUM_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vidarium"));
    // Closing the last window goes through the quit routine, which asks first.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList paths;
    for (const QString &argument : app.arguments().mid(1)) {
        if (argument == QLatin1String("--version")) {
            std::printf("vidarium %s\n", VIDARIUM_VERSION);
            return 0;
        }
        if (!argument.startsWith(QLatin1Char('-')))
            paths.append(argument);
    }

    SingleInstance instance(SingleInstance::defaultServerName());
    if (instance.forwardOrListen(paths))
        return 0;

    EngineSetup::registerComponents();
    TerminationSignals termination;
    DispatchController &dispatcher = DispatchController::shared();
    EngineSetup::installImportTools(dispatcher);
    DocumentController documents(UserDefaults::standard(), dispatcher);
    AppDelegate delegate(UserDefaults::standard(), Definitions::shared(), documents, {});
    QObject::connect(&instance, &SingleInstance::pathsReceived, &delegate, &AppDelegate::openPaths);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &delegate,
        &AppDelegate::terminateNow);
    delegate.launch(paths);
    return app.exec();
}
