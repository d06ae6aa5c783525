#include "mainmenu.h"

#include "document/documentexport.h"
#include "model/definitions.h"
#include "window/documenttoolbar.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace vidarium {

namespace {

struct Builder
{
    DocumentWindowController *window;
    MainMenu::Hooks hooks;
    QList<QAction *> actions;

    ApplicationMenus::Perform perform() const
    {
        QPointer<DocumentWindowController> target(window);
        const MainMenu::Hooks appHooks = hooks;
        return [target, appHooks](const QString &action, const QVariant &argument) {
            if (target && target->handlesAction(action))
                target->perform(action, argument);
            else if (MainMenu::applicationActions().contains(action) && appHooks.perform)
                appHooks.perform(action, argument);
        };
    }

    QAction *add(QMenu *menu, const QString &title, const QString &action,
        const QKeySequence &shortcut = {}, const QVariant &argument = {})
    {
        QAction *item = menu->addAction(title);
        item->setProperty("action", action);
        item->setData(argument);
        item->setShortcut(shortcut);
        item->setShortcutContext(Qt::WindowShortcut);
        item->setAutoRepeat(false);
        const ApplicationMenus::Perform send = perform();
        QObject::connect(
            item, &QAction::triggered, item, [send, action, argument] { send(action, argument); });
        actions.append(item);
        return item;
    }

    // Validation before a menu opens; the window also validates on its own events.
    void validateOnShow(QMenu *menu)
    {
        QPointer<DocumentWindowController> target(window);
        const MainMenu::Hooks appHooks = hooks;
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, target, appHooks] {
            for (QAction *item : menu->actions()) {
                const QString action = item->property("action").toString();
                if (action.isEmpty())
                    continue;
                item->setEnabled(target ? target->validateAction(action, item->data())
                                        : appHooks.validate(action));
            }
        });
    }
};

void buildFileMenu(Builder &b, QMenuBar *bar)
{
    QMenu *menu = bar->addMenu(QObject::tr("&File"));
    b.add(menu, QObject::tr("&New Library"), QStringLiteral("newDocument:"), QKeySequence::New);
    b.add(menu, QObject::tr("&Open Library…"), QStringLiteral("openDocument:"), QKeySequence::Open);
    b.add(menu, QObject::tr("Open Library of the Previous Version"),
        QStringLiteral("openLegacyVersionDocument:"));
    b.add(menu, QObject::tr("Open Usher Export…"), QStringLiteral("openUsherDocument:"));
    menu->addSeparator();
    b.add(menu, QObject::tr("&Close"), QStringLiteral("performClose:"), QKeySequence::Close);
    b.add(menu, QObject::tr("Close All"), QStringLiteral("closeAll:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_W));
    b.add(menu, QObject::tr("&Save"), QStringLiteral("saveDocument:"), QKeySequence::Save);
    b.add(menu, QObject::tr("Save &As…"), QStringLiteral("saveDocumentAs:"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    menu->addSeparator();
    b.add(menu, QObject::tr("&Import Files…"), QStringLiteral("importFiles:"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    b.add(menu, QObject::tr("Rescan Folders"), QStringLiteral("rescanFolders:"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    b.add(menu, QObject::tr("Stop Import"), QStringLiteral("stopImport:"),
        QKeySequence(Qt::CTRL | Qt::Key_Period));
    QMenu *exportMenu = menu->addMenu(QObject::tr("&Export"));
    b.add(exportMenu, QObject::tr("Catalogue as Text…"), QStringLiteral("exportFiles:"),
        QKeySequence(Qt::CTRL | Qt::Key_E), int(DocumentExport::Database));
    b.add(exportMenu, QObject::tr("Posters…"), QStringLiteral("exportFiles:"), {},
        int(DocumentExport::Posters));
    b.add(exportMenu, QObject::tr("Thumbnails…"), QStringLiteral("exportFiles:"), {},
        int(DocumentExport::Thumbnails));
    b.add(exportMenu, QObject::tr("Filmstrips…"), QStringLiteral("exportFiles:"), {},
        int(DocumentExport::Filmstrips));
    b.add(exportMenu, QObject::tr("Storyboards…"), QStringLiteral("exportFiles:"), {},
        int(DocumentExport::Storyboards));
    b.validateOnShow(exportMenu);
    menu->addSeparator();
    b.add(menu, QObject::tr("&Quit"), QStringLiteral("terminate:"), QKeySequence::Quit);
    b.validateOnShow(menu);
}

void buildEditMenu(Builder &b, QMenuBar *bar)
{
    QMenu *menu = bar->addMenu(QObject::tr("&Edit"));
    b.add(menu, QObject::tr("&Copy"), QStringLiteral("copy:"), QKeySequence::Copy);
    b.add(menu, QObject::tr("&Paste"), QStringLiteral("paste:"), QKeySequence::Paste);
    menu->addSeparator();
    b.add(
        menu, QObject::tr("&Find"), QStringLiteral("performFindPanelAction:"), QKeySequence::Find);
    menu->addSeparator();
    b.add(menu, QObject::tr("Edit Fields…"), QStringLiteral("showEditFieldsSheet:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F));
    b.add(menu, QObject::tr("Edit Keywords…"), QStringLiteral("showEditKeywordsSheet:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K));
    menu->addSeparator();
    b.add(menu, QObject::tr("Pr&eferences…"), QStringLiteral("showPreferencesWindow:"),
        QKeySequence(Qt::CTRL | Qt::Key_Comma));
    b.validateOnShow(menu);
}

void buildViewMenu(Builder &b, QMenuBar *bar, const ApplicationMenus::Perform &send)
{
    QMenu *menu = bar->addMenu(QObject::tr("&View"));
    const std::pair<QString, int> styles[] = { { QObject::tr("as &Table"), 1 },
        { QObject::tr("as &List"), 2 }, { QObject::tr("as &Grid"), 3 } };
    for (const auto &[title, style] : styles)
        b.add(menu, title, QStringLiteral("selectItemsView:"),
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key(Qt::Key_0 + style)), style)
            ->setCheckable(true);
    menu->addSeparator();
    QMenu *arrange = menu->addMenu(QObject::tr("&Arrange By"));
    arrange->setObjectName(QStringLiteral("ArrangeMenu"));
    ApplicationMenus::buildArrangeItemsMenu(arrange, Definitions::shared(), send);
    QMenu *filter = menu->addMenu(QObject::tr("&Filter By"));
    filter->setObjectName(QStringLiteral("FilterMenu"));
    ApplicationMenus::buildFilterMenu(filter, Definitions::shared(), send);
    QMenu *arrangeFilter = menu->addMenu(QObject::tr("Arrange Filters"));
    arrangeFilter->setObjectName(QStringLiteral("ArrangeFilterMenu"));
    ApplicationMenus::buildArrangeFilterMenu(arrangeFilter, send);
    DocumentWindowController *window = b.window;
    QObject::connect(arrange, &QMenu::aboutToShow, arrange, [arrange, window, send] {
        ApplicationMenus::updateArrangeItemsMenu(arrange, window, send);
    });
    QObject::connect(filter, &QMenu::aboutToShow, filter,
        [filter, window, send] { ApplicationMenus::updateFilterMenu(filter, window, send); });
    QObject::connect(arrangeFilter, &QMenu::aboutToShow, arrangeFilter, [arrangeFilter, window] {
        ApplicationMenus::updateArrangeFilterMenu(arrangeFilter, window);
    });
    for (QMenu *sub : { arrange, filter, arrangeFilter })
        b.validateOnShow(sub);
    b.validateOnShow(menu);
}

void buildLibraryMenu(Builder &b, QMenuBar *bar)
{
    QMenu *menu = bar->addMenu(QObject::tr("&Library"));
    b.add(menu, QObject::tr("New Collection"), QStringLiteral("createPlaylist:"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    b.add(menu, QObject::tr("New Collection with Selection"),
        QStringLiteral("createPlaylistWithSelection:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_N));
    b.add(menu, QObject::tr("New Smart Collection…"),
        QStringLiteral("createPlaylistWithPredicate:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N));
    b.add(menu, QObject::tr("New Folder"), QStringLiteral("createFolder:"));
    b.add(menu, QObject::tr("Edit Smart Collection…"), QStringLiteral("editTargetPredicate:"));
    b.add(menu, QObject::tr("Delete Collection"), QStringLiteral("removeCollection:"));
    b.add(menu, QObject::tr("Remove Collection Icon"), QStringLiteral("removeCollectionIcon:"));
    menu->addSeparator();
    b.add(menu, QObject::tr("Empty Trash…"), QStringLiteral("emptyTrash:"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
    menu->addSeparator();
    b.add(menu, QObject::tr("Library Settings…"), QStringLiteral("showDocumentDefaultsSheet:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Comma));
    b.add(menu, QObject::tr("Statistics…"), QStringLiteral("showStatisticsSheet:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));
    b.add(menu, QObject::tr("Relink Files…"), QStringLiteral("showRelinkFilesSheet:"));
    b.validateOnShow(menu);
}

void buildMovieMenu(Builder &b, QMenuBar *bar, const ApplicationMenus::Perform &send)
{
    QMenu *menu = bar->addMenu(QObject::tr("&Movie"));
    menu->setObjectName(QStringLiteral("MovieMenu"));
    QAction *play = b.add(menu, QObject::tr("&Play"), QStringLiteral("presentMovie:"));
    QAction *stop = b.add(menu, QObject::tr("&Stop"), QStringLiteral("stopMovie:"));
    // Space and Escape are taken by the window itself, so text fields keep them;
    // the items only show the keys.
    play->setShortcut(Qt::Key_Space);
    play->setShortcutContext(Qt::WidgetShortcut);
    stop->setShortcut(Qt::Key_Escape);
    stop->setShortcutContext(Qt::WidgetShortcut);
    if (b.window) {
        b.window->window()->setSpaceAction(play);
        b.window->window()->setEscapeAction(stop);
    }
    b.add(menu, QObject::tr("Resize for Movie"), QStringLiteral("resizeForMovie:"));
    b.add(menu, QObject::tr("Resize for Storyboard"), QStringLiteral("resizeForStoryboard:"));
    menu->addSeparator();
    b.add(menu, QObject::tr("&Open"), QStringLiteral("openTarget:"),
        QKeySequence(Qt::CTRL | Qt::Key_Down));
    QMenu *openWith = menu->addMenu(QObject::tr("Open &With"));
    openWith->setObjectName(QStringLiteral("OpenWithMenu"));
    DocumentWindowController *window = b.window;
    QObject::connect(openWith, &QMenu::aboutToShow, openWith,
        [openWith, window, send] { ApplicationMenus::updateOpenWithMenu(openWith, window, send); });
    b.add(menu, QObject::tr("Show in File Manager"), QStringLiteral("revealTargetInFinder:"),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    menu->addSeparator();
    QMenu *rating = menu->addMenu(QObject::tr("&Rate"));
    rating->setObjectName(QStringLiteral("RatingMenu"));
    ApplicationMenus::buildRatingMenu(rating, Definitions::shared(), send, true);
    b.actions.append(rating->actions());
    QObject::connect(rating, &QMenu::aboutToShow, rating,
        [rating, window] { ApplicationMenus::updateRatingMenu(rating, window); });
    b.validateOnShow(rating);
    menu->addSeparator();
    QMenu *images = menu->addMenu(QObject::tr("Make Images"));
    images->menuAction()->setProperty("menuTag", ApplicationMenus::ImportImagesTag);
    const std::pair<QString, int> kinds[]
        = { { QObject::tr("Thumbnails"), 2 }, { QObject::tr("Storyboards"), 4 },
              { QObject::tr("Filmstrips"), 8 }, { QObject::tr("All Images"), 14 } };
    for (const auto &[title, tag] : kinds)
        b.add(images, title, QStringLiteral("importImagesForTarget:"), {}, tag);
    b.validateOnShow(images);
    b.add(menu, QObject::tr("Import Again"), QStringLiteral("reimportTarget:"));
    menu->addSeparator();
    b.add(menu, QObject::tr("Remove from Collection"),
        QStringLiteral("removeTargetFromCollection:"), QKeySequence(Qt::Key_Delete));
    b.add(menu, QObject::tr("Move to Trash"), QStringLiteral("trashTarget:"),
        QKeySequence(Qt::CTRL | Qt::Key_Delete));
    const auto immediately = b.hooks.importImagesImmediately;
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, immediately, window] {
        ApplicationMenus::updateMovieMenu(menu, immediately && immediately());
        // Outside a static collection the command moves to the trash and says so.
        if (window && window->itemsViewController()) {
            for (QAction *item : menu->actions()) {
                if (item->property("action").toString()
                    == QLatin1String("removeTargetFromCollection:"))
                    item->setText(window->itemsViewController()->removeCommandTitle());
            }
        }
    });
    b.validateOnShow(menu);
}

void buildHelpMenu(Builder &b, QMenuBar *bar)
{
    QMenu *window = bar->addMenu(QObject::tr("&Window"));
    b.add(window, QObject::tr("Minimize"), QStringLiteral("performMiniaturize:"),
        QKeySequence(Qt::CTRL | Qt::Key_M));
    b.validateOnShow(window);
    QMenu *menu = bar->addMenu(QObject::tr("&Help"));
    b.add(menu, QObject::tr("Welcome to Vidarium"), QStringLiteral("showWelcomeWindow:"));
    b.add(menu, QObject::tr("&About Vidarium"), QStringLiteral("showAboutWindow:"));
    b.validateOnShow(menu);
}

} // namespace

const QStringList &MainMenu::applicationActions()
{
    static const QStringList actions { QStringLiteral("newDocument:"),
        QStringLiteral("openDocument:"), QStringLiteral("openLegacyVersionDocument:"),
        QStringLiteral("openUsherDocument:"), QStringLiteral("closeAll:"),
        QStringLiteral("terminate:"), QStringLiteral("showPreferencesWindow:"),
        QStringLiteral("showWelcomeWindow:"), QStringLiteral("showAboutWindow:"),
        QStringLiteral("performMiniaturize:") };
    return actions;
}

void MainMenu::build(QMenuBar *bar, DocumentWindowController *window, const Hooks &hooks)
{
    Builder b { window, hooks, {} };
    const ApplicationMenus::Perform send = b.perform();
    buildFileMenu(b, bar);
    buildEditMenu(b, bar);
    buildViewMenu(b, bar, send);
    buildLibraryMenu(b, bar);
    buildMovieMenu(b, bar, send);
    buildHelpMenu(b, bar);
    if (!window) {
        for (QAction *item : std::as_const(b.actions))
            item->setEnabled(hooks.validate(item->property("action").toString()));
        return;
    }
    window->setApplicationValidator(hooks.validate);
    for (QAction *item : std::as_const(b.actions))
        window->registerAction(item);
    // The toolbar's pop-up copies: built and updated by the same builders.
    DocumentToolbar *toolbar = window->toolbar();
    QMenu *sort = toolbar->sortMenu();
    ApplicationMenus::buildArrangeItemsMenu(sort, Definitions::shared(), send);
    QObject::connect(sort, &QMenu::aboutToShow, sort,
        [sort, window, send] { ApplicationMenus::updateArrangeItemsMenu(sort, window, send); });
    QMenu *rate = toolbar->rateMenu();
    ApplicationMenus::buildRatingMenu(rate, Definitions::shared(), send, false);
    QObject::connect(rate, &QMenu::aboutToShow, rate,
        [rate, window] { ApplicationMenus::updateRatingMenu(rate, window); });
}

} // namespace vidarium
