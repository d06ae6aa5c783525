// Window program figures: start to first window, opening a 100,000-element
// library to an interactive window (and the longest main-thread stall in the
// five seconds after), saving it with its window layout, re-validating the
// window's commands, opening each menu, and how often the status line changes
// under a flood of import reports.
//
//   bench_guibench [--elements 100000] [--parts items,sources,...]
//
// --parts runs only the named parts after the open (commands, items, settings,
// storyboard, filters, views, heartbeat, detail, status, criteria, sources,
// save, reopen, sheets, drop), for profiling one of them.
//
// Runs offscreen, with settings and every writable place in a temporary folder.
// The library is made of real empty files (so every file exists), and opened a
// second time with 1 % of them gone.
//
// Last figures (Release, 100,000 elements, 2-core machine shared with other
// builds, load average 3 to 4; four runs):
//   start to first window (empty library)      0.11 to 0.14 s     (target 1.0 s)
//   reading the package alone (engine)         1.35 to 1.40 s
//   open to an interactive window              1.87 to 2.2 s      (target 2.5 s)
//     of which the items list (sort by name, rows) about 0.45 s
//   longest main-thread stall in 5 s after     13 to 27 ms        (target 200 ms)
//   update of the enabling state               0.04 to 0.07 ms    (target 1 ms)
//   slowest menu to open                       1.7 to 9.8 ms      (target 20 ms)
//   status line changes                        4.0 per second     (target 4)
//   save with node tree and metrics            0.86 to 1.15 s     (target 2.0 s)
//   reading it alone, 1 % missing (engine)     1.80 s
//   open with 1 % of the files missing         1.85 s             (target 2.5 s); an
//     earlier run that opened it while the previous library's bookmark check was
//     still busy took 2.9 s
// Under a load average of 8 the open took 6 s: the figures follow the machine.
//
// Items area (Release, 100,000 elements, load average 3.7, one run; before the
// rating, sweep and sort-key changes, on the same machine under heavier load:
// 1368 / 1192 / 6251 ms):
//   source selection to the table              91 ms              (target 150 ms)
//   search keystroke to the updated table      28 ms              (target 60 ms)
//   sort by name                               105 ms             (target 250 ms)
//   sort by duration / by status               31 / 18 ms         (targets 100 / 150 ms)
//   paint a full viewport                      10.8 ms            (target 8 ms)
//   rate 1,000 selected rows, one notification 55 ms              (target 100 ms)
//   model bytes per element                    46 B               (target 64 B)

#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "benchfiles.h"
#include "document/document.h"
#include "gui/guibenchsupport.h"
#include "import/dispatchcontroller.h"
#include "import/enginesetup.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "platform/userdefaults.h"
#include "widgets/predicateeditor.h"
#include "widgets/predicateeditorrow.h"
#include "window/documentsaver.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemsviewcontroller.h"
#include "window/smartcollectionsheet.h"

#include <QLineEdit>
#include <QTableView>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace vidarium;

using benchfiles::makeFiles;
using namespace vidarium::guibench;

namespace {

QString makeLibrary(const QString &root, const QStringList &paths)
{
    Document document;
    MediaLibrary &library = document.library();
    ElementDictionary media;
    media.reserve(paths.size());
    int i = 0;
    for (const QString &path : paths) {
        MediaElementPtr element = MediaElement::create(&library, path);
        element->setAssets(15);
        element->setRating(i++ % 6);
        element->setDuration(30.0 + i % 3600);
        media.insert(element->identifier(), element);
    }
    library.setMedia(media);
    const QString package = root + QStringLiteral("/Bench.vidarium");
    if (const Result<void> written = document.writeToPath(package); !written) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(written.error().message()));
        std::exit(1);
    }
    return package;
}

// Opens the package and waits for its window; then watches the main thread for
// five seconds. Returns the window controller.
DocumentWindowController *openAndWatch(DocumentController &documents, const QString &package,
    const char *openLabel, const char *stallLabel)
{
    QElapsedTimer timer;
    timer.start();
    const Result<Document *> opened = documents.openDocumentWithPath(package);
    if (!opened) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(opened.error().message()));
        std::exit(1);
    }
    DocumentWindowController *window = documents.windowControllerFor(*opened);
    pump();
    print(openLabel, double(timer.nsecsElapsed()) / 1e9, "s", "(target 2.5 s)");

    QElapsedTimer beat;
    beat.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = beat.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    heartbeat.start();
    pump(5000);
    print(stallLabel, double(longest), "ms", "(target 200 ms)");
    return window;
}

// The engine's own part, for comparison: reading the package, no window.
void readAlone(const QString &package, const char *label)
{
    QElapsedTimer timer;
    timer.start();
    {
        Document alone;
        (void)alone.readFromPath(package);
        print(label, double(timer.nsecsElapsed()) / 1e9, "s");
    }
    // Its bookmark validation finishes before the next figure starts.
    pump(3000);
}

// OK in the criteria sheet: checking the criteria, creating the collection and the
// source list taking it in (its node, its count).
void measureCriteriaEditor(DocumentWindowController &window)
{
    window.perform(QStringLiteral("createPlaylistWithPredicate:"));
    pump();
    auto *sheet = qobject_cast<SmartCollectionSheet *>(window.attachedSheet());
    if (!sheet) {
        print("criteria editor OK", 0, "ms", "(FAILED: no sheet)");
        return;
    }
    PredicateEditor &editor = *sheet->editor();
    editor.rootRow()->setCompoundType(CompoundPredicateType::Or);
    PredicateEditorRow *rule = editor.rows().at(1);
    rule->selectOperator(PredicateOperatorType::Matches);
    rule->setValueText(QStringLiteral("clip [0-9]+[05]"));
    PredicateEditorRow *second = editor.addRow(rule, false);
    second->selectKey(QStringLiteral("rating"));
    second->selectOperator(PredicateOperatorType::GreaterThanOrEqualTo);
    second->setValueText(Definitions::shared().ratingStrings().value(4));
    PredicateEditorRow *group = editor.addRow(second, true);
    group->childRows().first()->selectKey(QStringLiteral("path"));
    group->childRows().first()->setValueText(QStringLiteral("/2019/"));
    QElapsedTimer timer;
    double closed = 0;
    QObject::connect(sheet, &QDialog::finished, sheet,
        [&closed, &timer] { closed = double(timer.nsecsElapsed()) / 1e6; });
    timer.start();
    sheet->okButtonAction();
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    print("criteria editor OK: check criteria, create, close", closed, "ms",
        closed > 0 ? "(target 100 ms)" : "(FAILED)");
    print("  then the source list selects and counts it", elapsed - closed, "ms");
    pump();
}

void measureCommands(DocumentWindowController &window)
{
    ItemsViewController *items = window.itemsViewController();
    items->setSelectedElements({ items->arrangedElements().first() });
    constexpr int Rounds = 1000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rounds; ++i)
        window.updateActions();
    print("update the enabling state (one selected)", double(timer.nsecsElapsed()) / 1e6 / Rounds,
        "ms", "(target 1 ms)");

    double slowest = 0;
    QString slowestTitle;
    const QList<QMenu *> menus = window.window()->menuBar()->findChildren<QMenu *>();
    for (int round = 0; round < 2; ++round) {
        for (QMenu *menu : menus) {
            timer.restart();
            menu->popup(QPoint(10, 10));
            QCoreApplication::processEvents();
            const double elapsed = double(timer.nsecsElapsed()) / 1e6;
            menu->hide();
            if (round == 1 && elapsed > slowest) {
                slowest = elapsed;
                slowestTitle = menu->title();
            }
        }
    }
    print("slowest menu to open (second opening)", slowest, "ms", "(target 20 ms)");
    std::printf("    that was \"%s\"\n", qPrintable(slowestTitle));
}

void measureItems(DocumentWindowController &window)
{
    ItemsViewController *items = window.itemsViewController();
    ItemsModel *model = items->model();
    print("items: source selection to the table, first row selected", millisecondsOf([&] {
        items->itemsView()->selectionModel()->clear();
        items->reloadElements();
    }),
        "ms", "(target 150 ms)");
    print("items: search keystroke to the updated table", millisecondsOf([&] {
        items->searchField()->setText(QStringLiteral("clip 0004"));
        items->applySearchNow();
    }),
        "ms", "(target 60 ms)");
    std::printf("    %d rows shown\n", model->rowCount());
    items->searchField()->clear();
    items->applySearchNow();
    print("items: sort by name",
        millisecondsOf([&] { items->arrangeItems(QStringLiteral("name")); }), "ms",
        "(target 250 ms)");
    print("items: sort by duration",
        millisecondsOf([&] { items->arrangeItems(QStringLiteral("duration")); }), "ms",
        "(target 100 ms)");
    print("items: sort by status (cache)",
        millisecondsOf([&] { items->arrangeItems(QStringLiteral("icon")); }), "ms",
        "(target 150 ms)");
    items->itemsView()->scrollTo(model->index(model->rowCount() / 2, 0));
    pump();
    double slowest = 0;
    for (int i = 0; i < 5; ++i) {
        slowest = std::max(slowest, millisecondsOf([&] { (void)items->itemsView()->grab(); }));
    }
    print("items: paint a full viewport (grab, slowest of 5)", slowest, "ms", "(target 8 ms)");
    MediaElementList thousand = model->arrangedElements().mid(0, 1000);
    items->setSelectedElements(thousand);
    print("items: rate 1,000 selected rows", millisecondsOf([&] { items->rateTarget(3); }), "ms",
        "(target 100 ms)");
    print("items: model bytes per element", double(model->bytesPerElement()), "B", "(target 64 B)");
}

void measureStatusLine(DocumentWindowController &window)
{
    const int before = window.statusChangeCount();
    QElapsedTimer timer;
    timer.start();
    int sent = 0;
    while (timer.elapsed() < 2000) {
        window.setStatusMessage(QStringLiteral("Importing: %1 files to read").arg(100000 - sent));
        ++sent;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    print("status line changes per second (2 s flood)",
        double(window.statusChangeCount() - before) / seconds, "/s", "(target 4 /s)");
    std::printf("    from %d reports\n", sent);
}

void measureSave(DocumentWindowController &window)
{
    window.document().updateChangeCount(Document::Change::Done);
    QElapsedTimer timer;
    timer.start();
    bool saved = false;
    window.saver().saveDocument([&saved](bool ok) { saved = ok; });
    print("save with node tree and window metrics", double(timer.nsecsElapsed()) / 1e9, "s",
        saved ? "(target 2.0 s)" : "(FAILED)");
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer processTimer;
    processTimer.start();
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    for (const char *name : { "config", "data", "cache", "runtime", "files" })
        QDir().mkpath(root.filePath(QLatin1String(name)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("VIDARIUM_VERSION_URL", "");
    qputenv("VIDARIUM_NO_ANIMATIONS", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int count = 100000;
    QList<QByteArray> parts;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--elements")
            count = std::max(1, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--parts")
            parts = QByteArray(argv[i + 1]).split(',');
    }
    const auto wanted = [&parts](const char *part) {
        return parts.isEmpty() || parts.contains(QByteArray(part));
    };

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    UserDefaults settings(root.filePath(QStringLiteral("config/bench.conf")));
    UserDefaults::setStandardForTesting(&settings);
    EngineSetup::registerComponents();
    EngineSetup::installImportTools(DispatchController::shared());
    DocumentController documents(settings, DispatchController::shared());
    AppDelegate::Options options;
    options.modifiers = [] { return Qt::KeyboardModifiers(); };
    options.externalToolsInstalled = [] { return true; };
    options.quit = [] {};
    options.watchSystem = false;
    guibench::watchSourceSelectionPosts();
    AppDelegate delegate(settings, Definitions::shared(), documents, options);
    delegate.launch();
    while (!delegate.fullyLaunched() || documents.documents().isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    pump();
    print("start to first window (empty library)", double(processTimer.nsecsElapsed()) / 1e9, "s",
        "(target 1.0 s)");

    std::printf("building a library of %d files...\n", count);
    std::fflush(stdout);
    const QStringList paths
        = makeFiles(root.filePath(QStringLiteral("files")), QStringLiteral("Videos"), count);
    const QString package = makeLibrary(root.path(), paths);
    documents.closeDocument(documents.documents().first());
    pump();

    readAlone(package, "  reading the package alone (engine)");
    DocumentWindowController *window = openAndWatch(documents, package,
        "open the library to an interactive window", "longest main-thread stall in 5 s after");
    const std::pair<const char *, void (*)(DocumentWindowController &)> windowParts[] = {
        { "commands", measureCommands },
        { "items", measureItems },
        { "settings", measureSettings },
        { "storyboard", measureStoryboard },
        { "filters", measureFilters },
        { "views", measureViews },
        { "heartbeat", measureItemsHeartbeat },
        { "detail", measureDetail },
        { "status", measureStatusLine },
        { "criteria", measureCriteriaEditor },
        { "sources", measureSources },
    };
    for (const auto &[name, measure] : windowParts)
        if (wanted(name))
            measure(*window);

    if (wanted("save"))
        measureSave(*window);
    if (!wanted("reopen") && !wanted("sheets") && !wanted("drop")) {
        UserDefaults::setStandardForTesting(nullptr);
        return 0;
    }
    documents.closeDocument(&window->document());
    // The closed library's lock goes with its document, which is deleted later:
    // outside a running event loop that has to be asked for.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    pump();
    // The closed library goes (and lets go of its lock) only with its deferred
    // deletion, which no event loop of this program would run before the next open.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // 1 % of the files gone.
    for (int i = 0; i < paths.size(); i += 100)
        QFile::remove(paths.at(i));
    readAlone(package, "  reading it alone, 1 % missing (engine)");
    DocumentWindowController *reopened = openAndWatch(documents, package,
        "open with 1 % of the files missing", "longest stall after, 1 % missing");
    if (wanted("sheets"))
        measureSheets(*reopened);
    // Last: the dropped files are imported for real and keep the machine busy.
    if (wanted("drop"))
        measureFileDrop(*reopened, root.filePath(QStringLiteral("dropped")), count);
    UserDefaults::setStandardForTesting(nullptr);
    return 0;
}
