#include "applicationmenus.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "window/documentwindowcontroller.h"

#include <QAction>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QSet>

namespace vidarium {

namespace {

const char *const FixedCountProperty = "fixedItemCount";
const QString Separator = QStringLiteral("-");

QHash<QString, QList<ApplicationInfo>> &handlerCache()
{
    static QHash<QString, QList<ApplicationInfo>> cache;
    return cache;
}

void removeItemsFrom(QMenu *menu, int first)
{
    const QList<QAction *> items = menu->actions();
    for (int i = int(items.size()) - 1; i >= first; --i) {
        menu->removeAction(items.at(i));
        if (items.at(i)->parent() == menu)
            delete items.at(i);
    }
}

void uncheckAll(QMenu *menu)
{
    for (QAction *item : menu->actions()) {
        if (item->isCheckable())
            item->setChecked(false);
    }
}

} // namespace

QAction *ApplicationMenus::addCommand(QMenu *menu, const QString &title, const QString &action,
    const QVariant &argument, const Perform &perform)
{
    QAction *item = menu->addAction(title);
    item->setProperty("action", action);
    item->setData(argument);
    item->setCheckable(true);
    if (perform)
        QObject::connect(item, &QAction::triggered, item,
            [perform, action, argument] { perform(action, argument); });
    return item;
}

void ApplicationMenus::buildFromKeys(QMenu *menu, const QStringList &keys,
    const Definitions &definitions, const QString &action, const Perform &perform)
{
    for (const QString &key : keys) {
        if (key == Separator)
            menu->addSeparator();
        else
            addCommand(
                menu, definitions.propertyDefinition(key).arrangeTitle, action, key, perform);
    }
    menu->setProperty(FixedCountProperty, int(menu->actions().size()));
}

void ApplicationMenus::buildArrangeItemsMenu(
    QMenu *menu, const Definitions &definitions, const Perform &perform)
{
    buildFromKeys(menu, definitions.arrangeMenuItems(), definitions,
        QStringLiteral("arrangeItems:"), perform);
}

void ApplicationMenus::buildFilterMenu(
    QMenu *menu, const Definitions &definitions, const Perform &perform)
{
    buildFromKeys(menu, definitions.filterMenuItems(), definitions,
        QStringLiteral("selectFilterProperty:"), perform);
}

void ApplicationMenus::buildArrangeFilterMenu(QMenu *menu, const Perform &perform)
{
    const QString action = QStringLiteral("arrangeFilter:");
    addCommand(menu, QObject::tr("Sort Values by Name"), action, 1, perform);
    addCommand(menu, QObject::tr("Sort Values by Count"), action, 2, perform);
    menu->addSeparator();
    addCommand(menu, QObject::tr("Sort Keywords by Name"), action, 3, perform);
    addCommand(menu, QObject::tr("Sort Keywords by Count"), action, 4, perform);
}

void ApplicationMenus::buildRatingMenu(
    QMenu *menu, const Definitions &definitions, const Perform &perform, bool withShortcuts)
{
    const QStringList titles = definitions.ratingStrings();
    for (int rating = 0; rating <= 5; ++rating) {
        const QString title = rating < titles.size() ? titles.at(rating) : QString::number(rating);
        QAction *item = addCommand(menu, title, QStringLiteral("rateTarget:"), rating, perform);
        if (withShortcuts)
            item->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + rating)));
    }
}

void ApplicationMenus::updateKeyedMenu(QMenu *menu, const DocumentWindowController *window,
    const QString &action, const QString &checkedKey, const Perform &perform)
{
    // The user-field tail added last time goes; the fixed part stays.
    removeItemsFrom(menu, menu->property(FixedCountProperty).toInt());
    uncheckAll(menu);
    if (!window)
        return;
    const QList<MediaUserFieldPtr> fields = window->document().library().activeUserFields();
    if (!fields.isEmpty()) {
        menu->addSeparator();
        for (const MediaUserFieldPtr &field : fields)
            addCommand(menu, field->name(), action, field->identifier(), perform);
    }
    if (checkedKey.isEmpty())
        return;
    for (QAction *item : menu->actions()) {
        if (item->isCheckable() && item->data().toString() == checkedKey)
            item->setChecked(true);
    }
}

void ApplicationMenus::updateArrangeItemsMenu(
    QMenu *menu, const DocumentWindowController *window, const Perform &perform)
{
    QString key;
    if (window) {
        const SortDescriptorList descriptors = window->sortDescriptors();
        if (!descriptors.isEmpty())
            key = descriptors.first()->key();
    }
    updateKeyedMenu(menu, window, QStringLiteral("arrangeItems:"), key, perform);
}

void ApplicationMenus::updateFilterMenu(
    QMenu *menu, const DocumentWindowController *window, const Perform &perform)
{
    updateKeyedMenu(menu, window, QStringLiteral("selectFilterProperty:"),
        window ? window->filterProperty() : QString(), perform);
}

void ApplicationMenus::updateArrangeFilterMenu(QMenu *menu, const DocumentWindowController *window)
{
    uncheckAll(menu);
    if (!window)
        return;
    const QList<int> tags = window->filterSortTags();
    for (QAction *item : menu->actions()) {
        if (item->isCheckable() && tags.contains(item->data().toInt()))
            item->setChecked(true);
    }
}

void ApplicationMenus::updateMovieMenu(QMenu *menu, bool importImagesImmediately)
{
    for (QAction *item : menu->actions()) {
        if (item->property("menuTag").toInt() == ImportImagesTag)
            item->setVisible(!importImagesImmediately);
    }
}

QList<ApplicationInfo> ApplicationMenus::handlersForExtension(const QString &extension)
{
    const QString key = extension.toLower();
    auto found = handlerCache().constFind(key);
    if (found != handlerCache().constEnd())
        return *found;
    const QList<ApplicationInfo> handlers = ApplicationLauncher::applicationsForExtension(key);
    handlerCache().insert(key, handlers);
    return handlers;
}

void ApplicationMenus::clearHandlerCache()
{
    handlerCache().clear();
}

void ApplicationMenus::updateOpenWithMenu(
    QMenu *menu, const DocumentWindowController *window, const Perform &perform)
{
    removeItemsFrom(menu, 0);
    const int count = window ? window->selectedElementCount() : 0;
    if (count != 1) {
        menu->addAction(
                count == 0 ? QObject::tr("No Selection") : QObject::tr("Multiple Selection"))
            ->setEnabled(false);
        return;
    }
    const MediaElementList selected = window->selectedElements();
    if (selected.isEmpty())
        return;
    for (const ApplicationInfo &handler : handlersForExtension(selected.first()->extension())) {
        QAction *item = menu->addAction(handler.name);
        item->setProperty("action", QStringLiteral("openTargetWithApplication:"));
        item->setData(handler.identifier);
        if (!handler.iconName.isEmpty())
            item->setIcon(QIcon::fromTheme(handler.iconName));
        if (perform)
            QObject::connect(item, &QAction::triggered, item, [perform, id = handler.identifier] {
                perform(QStringLiteral("openTargetWithApplication:"), id);
            });
    }
}

void ApplicationMenus::updateRatingMenu(QMenu *menu, const DocumentWindowController *window)
{
    uncheckAll(menu);
    if (!window)
        return;
    QSet<int> ratings;
    for (const MediaElementPtr &element : window->selectedElements())
        ratings.insert(element->rating());
    if (ratings.size() != 1)
        return;
    const int rating = *ratings.begin();
    for (QAction *item : menu->actions()) {
        if (item->isCheckable() && item->data().toInt() == rating)
            item->setChecked(true);
    }
}

} // namespace vidarium
