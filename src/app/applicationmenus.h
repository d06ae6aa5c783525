#pragma once

// The six menus whose contents follow the definition tables and the current
// library: Arrange (sort by a property), Arrange Filter, Filter (the property
// filter's property), Movie, Open With and Rating. Each is built once and
// brought up to date every time it opens. Items name their command in the
// action's "action" property and carry its argument as data.
// Threads: main thread.

#include "model/mediaelement.h"
#include "platform/applicationlauncher.h"

#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace vidarium {

class Definitions;
class DocumentWindowController;

class ApplicationMenus
{
public:
    // Sends a menu item's command to its window.
    using Perform = std::function<void(const QString &action, const QVariant &argument)>;
    // The resource tag of the Movie menu item shown only while images are made later.
    static constexpr int ImportImagesTag = 1000;

    // The fixed items from "ArrangeMenuItems" / "FilterMenuItems", after any
    // items the menu already has.
    static void buildArrangeItemsMenu(
        QMenu *menu, const Definitions &definitions, const Perform &perform);
    static void buildFilterMenu(
        QMenu *menu, const Definitions &definitions, const Perform &perform);
    // The resource items of the other four menus.
    static void buildArrangeFilterMenu(QMenu *menu, const Perform &perform);
    static void buildRatingMenu(
        QMenu *menu, const Definitions &definitions, const Perform &perform, bool withShortcuts);

    // `window` is the current library's window, or null when there is none.
    static void updateArrangeItemsMenu(
        QMenu *menu, const DocumentWindowController *window, const Perform &perform);
    static void updateFilterMenu(
        QMenu *menu, const DocumentWindowController *window, const Perform &perform);
    static void updateArrangeFilterMenu(QMenu *menu, const DocumentWindowController *window);
    static void updateMovieMenu(QMenu *menu, bool importImagesImmediately);
    static void updateOpenWithMenu(
        QMenu *menu, const DocumentWindowController *window, const Perform &perform);
    static void updateRatingMenu(QMenu *menu, const DocumentWindowController *window);

    // The applications that open files with this extension, looked up once per
    // extension (the desktop's registry is slow to ask on every opening).
    static QList<ApplicationInfo> handlersForExtension(const QString &extension);
    static void clearHandlerCache();

    // An item carrying a command.
    static QAction *addCommand(QMenu *menu, const QString &title, const QString &action,
        const QVariant &argument, const Perform &perform);

private:
    static void buildFromKeys(QMenu *menu, const QStringList &keys, const Definitions &definitions,
        const QString &action, const Perform &perform);
    static void updateKeyedMenu(QMenu *menu, const DocumentWindowController *window,
        const QString &action, const QString &checkedKey, const Perform &perform);
};

} // namespace vidarium
