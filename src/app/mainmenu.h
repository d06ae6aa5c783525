#pragma once

// The menu bar of a library window (and of the start window, which has no
// library): every command of the program with its shortcut. Commands of the
// window go to its controller; the application's own go to the hooks.
// Threads: main thread.

#include "app/applicationmenus.h"

#include <QList>

#include <functional>

class QMenuBar;

namespace vidarium {

class DocumentWindowController;

class MainMenu
{
public:
    struct Hooks
    {
        ApplicationMenus::Perform perform; // application commands ("newDocument:", ...)
        std::function<bool(const QString &action)> validate;
        std::function<bool()> importImagesImmediately;
    };

    // Fills `bar`; `window` is null for a menu bar without a library.
    static void build(QMenuBar *bar, DocumentWindowController *window, const Hooks &hooks);
    // The application commands the hooks receive.
    static const QStringList &applicationActions();
};

} // namespace vidarium
