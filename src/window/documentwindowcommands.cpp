// The commands of the library window: where each goes and when it is enabled.

#include "document/document.h"
#include "document/documentexport.h"
#include "import/dispatchcontroller.h"
#include "model/applicationsettings.h"
#include "model/documentdefaults.h"
#include "model/settingkeys.h"
#include "platform/bookmark.h"
#include "platform/userdefaults.h"
#include "window/documentsaver.h"
#include "window/documenttoolbar.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/editfieldssheet.h"
#include "window/editkeywordssheet.h"
#include "window/elementclipboard.h"
#include "window/exportsheet.h"
#include "window/filterviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/librarysheets.h"
#include "window/panels.h"
#include "window/relinksheet.h"
#include "window/sourceviewcontroller.h"
#include "window/storyboardviewcontroller.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>

namespace vidarium {

namespace {

// Commands a pane handles, by the pane's own name for them.
const QHash<QString, QString> &sourceCommands()
{
    static const QHash<QString, QString> commands {
        { QStringLiteral("createFolder:"), QStringLiteral("createFolder:") },
        { QStringLiteral("createPlaylist:"), QStringLiteral("createPlaylist:") },
        { QStringLiteral("createPlaylistWithSelection:"),
            QStringLiteral("createPlaylistWithSelection:") },
        { QStringLiteral("createPlaylistWithPredicate:"),
            QStringLiteral("createPlaylistWithPredicate:") },
        { QStringLiteral("editTargetPredicate:"), QStringLiteral("editTargetPredicate:") },
        { QStringLiteral("emptyTrash:"), QStringLiteral("emptyTrash:") },
        { QStringLiteral("removeCollection:"), QStringLiteral("removeTarget:") },
        { QStringLiteral("removeCollectionIcon:"), QStringLiteral("removeTargetIcon:") },
    };
    return commands;
}

const QSet<QString> &windowCommands()
{
    static const QSet<QString> commands {
        QStringLiteral("selectFilterProperty:"),
        QStringLiteral("arrangeFilter:"),
        QStringLiteral("selectItemsView:"),
        QStringLiteral("arrangeItems:"),
        QStringLiteral("openTarget:"),
        QStringLiteral("openTargetWithApplication:"),
        QStringLiteral("revealTargetInFinder:"),
        QStringLiteral("trashTarget:"),
        QStringLiteral("reimportTarget:"),
        QStringLiteral("importImagesForTarget:"),
        QStringLiteral("rateTarget:"),
        QStringLiteral("removeTargetFromCollection:"),
        QStringLiteral("copy:"),
        QStringLiteral("playMovie:"),
        QStringLiteral("stopMovie:"),
        QStringLiteral("resizeForMovie:"),
        QStringLiteral("resizeForStoryboard:"),
        QStringLiteral("presentMovie:"),
        QStringLiteral("showDocumentDefaultsSheet:"),
        QStringLiteral("showStatisticsSheet:"),
        QStringLiteral("showRelinkFilesSheet:"),
        QStringLiteral("showEditFieldsSheet:"),
        QStringLiteral("showEditKeywordsSheet:"),
        QStringLiteral("importFiles:"),
        QStringLiteral("exportFiles:"),
        QStringLiteral("rescanFolders:"),
        QStringLiteral("paste:"),
        QStringLiteral("performFindPanelAction:"),
        QStringLiteral("stopImport:"),
        QStringLiteral("saveDocument:"),
        QStringLiteral("saveDocumentAs:"),
        QStringLiteral("performClose:"),
    };
    return commands;
}

const QHash<QString, QString> &sheetTitles()
{
    static const QHash<QString, QString> titles {
        { QStringLiteral("showDocumentDefaultsSheet:"), QObject::tr("Library Settings") },
        { QStringLiteral("showStatisticsSheet:"), QObject::tr("Statistics") },
        { QStringLiteral("showRelinkFilesSheet:"), QObject::tr("Relink Files") },
        { QStringLiteral("showEditFieldsSheet:"), QObject::tr("Edit Fields") },
        { QStringLiteral("showEditKeywordsSheet:"), QObject::tr("Edit Keywords") },
    };
    return titles;
}

} // namespace

bool DocumentWindowController::handlesAction(const QString &action) const
{
    return sourceCommands().contains(action) || windowCommands().contains(action);
}

void DocumentWindowController::perform(const QString &action, const QVariant &argument)
{
    if (m_cleanedUp || !validateAction(action, argument))
        return;
    if (sourceCommands().contains(action) || action.endsWith(QStringLiteral("Movie:"))
        || action.startsWith(QStringLiteral("resizeFor")))
        performPaneAction(action, argument);
    else
        performWindowAction(action, argument);
}

void DocumentWindowController::performPaneAction(const QString &action, const QVariant &argument)
{
    Q_UNUSED(argument);
    SourceViewController *source = sourceViewController();
    StoryboardViewController *storyboard = storyboardViewController();
    const QString command = sourceCommands().value(action);
    if (command == QLatin1String("createFolder:"))
        source->createFolder();
    else if (command == QLatin1String("createPlaylist:"))
        source->createPlaylist();
    else if (command == QLatin1String("createPlaylistWithSelection:"))
        source->createPlaylistWithSelection(selectedElements());
    else if (command == QLatin1String("createPlaylistWithPredicate:"))
        source->createPlaylistWithPredicate();
    else if (command == QLatin1String("editTargetPredicate:"))
        source->editTargetPredicate();
    else if (command == QLatin1String("emptyTrash:"))
        source->emptyTrash();
    else if (command == QLatin1String("removeTarget:"))
        source->removeTarget();
    else if (command == QLatin1String("removeTargetIcon:"))
        source->removeTargetIcon();
    else if (action == QLatin1String("playMovie:"))
        storyboard->playMovie();
    else if (action == QLatin1String("stopMovie:"))
        storyboard->stopMovie();
    else if (action == QLatin1String("resizeForMovie:"))
        storyboard->resizeForMovie();
    else if (action == QLatin1String("resizeForStoryboard:"))
        storyboard->resizeForStoryboard();
    else if (action == QLatin1String("presentMovie:"))
        presentMovie();
}

void DocumentWindowController::performWindowAction(const QString &action, const QVariant &argument)
{
    ItemsViewController *items = itemsViewController();
    if (action == QLatin1String("selectFilterProperty:")) {
        filterViewController()->selectFilterProperty(argument.toString());
    } else if (action == QLatin1String("arrangeFilter:")) {
        filterViewController()->arrangeFilter(argument.toInt());
    } else if (action == QLatin1String("selectItemsView:")) {
        items->selectView(argument.toInt(), true);
    } else if (action == QLatin1String("arrangeItems:")) {
        items->arrangeItems(argument.toString());
    } else if (action == QLatin1String("openTarget:")) {
        items->openTarget();
    } else if (action == QLatin1String("openTargetWithApplication:")) {
        items->openTargetWithApplication(argument.toString());
    } else if (action == QLatin1String("revealTargetInFinder:")) {
        items->revealTargetInFinder();
    } else if (action == QLatin1String("trashTarget:")) {
        items->trashTarget();
    } else if (action == QLatin1String("removeTargetFromCollection:")) {
        items->removeTarget();
    } else if (action == QLatin1String("reimportTarget:")) {
        items->reimportTarget();
    } else if (action == QLatin1String("importImagesForTarget:")) {
        items->importImagesForTarget(argument.toInt());
    } else if (action == QLatin1String("rateTarget:")) {
        items->rateTarget(argument.toInt());
    } else if (action == QLatin1String("copy:")) {
        items->copy();
    } else if (action == QLatin1String("presentMovie:")) {
        presentMovie();
    } else if (sheetTitles().contains(action)) {
        showSheetNamed(action);
    } else if (action == QLatin1String("importFiles:")) {
        importFiles();
    } else if (action == QLatin1String("exportFiles:")) {
        exportFiles(argument.toInt());
    } else if (action == QLatin1String("rescanFolders:")) {
        rescanFolders();
    } else if (action == QLatin1String("paste:")) {
        paste();
    } else if (action == QLatin1String("performFindPanelAction:")) {
        // With the focus in a filter list, Find searches that list.
        if (filterViewController()->performFindPanelAction(m_window->focusWidget()))
            return;
        if (QLineEdit *search = items->searchField())
            search->setFocus(Qt::ShortcutFocusReason);
    } else if (action == QLatin1String("stopImport:")) {
        stopImport();
    } else if (action == QLatin1String("saveDocument:")) {
        m_saver->saveDocument();
    } else if (action == QLatin1String("saveDocumentAs:")) {
        m_saver->saveDocumentAs();
    } else if (action == QLatin1String("performClose:")) {
        m_window->close();
    }
}

bool DocumentWindowController::validateTableAction(
    const QString &action, const QVariant &argument, bool *known) const
{
    Q_UNUSED(argument);
    *known = true;
    const ItemsViewController *items = itemsViewController();
    const SourceViewController *source = sourceViewController();
    if (action == QLatin1String("paste:"))
        return items->pasteboardContainsForeignElements();
    if (action == QLatin1String("performFindPanelAction:"))
        return items->searchField() != nullptr;
    if (action == QLatin1String("editTargetPredicate:"))
        return source->isTargetNodeEditable();
    if (action == QLatin1String("removeCollection:"))
        return source->isTargetNodeRemoveable();
    if (action == QLatin1String("removeCollectionIcon:"))
        return source->isTargetNodeIconRemoveable();
    if (action == QLatin1String("emptyTrash:"))
        return source->isTrashFull();
    if (action == QLatin1String("stopMovie:")) {
        // Stop also drops a start that is still waiting out its delay.
        const StoryboardViewController *storyboard = storyboardViewController();
        return storyboard->playerViewEnabled() || storyboard->isStartPending();
    }
    if (action == QLatin1String("removeTargetFromCollection:")
        || action == QLatin1String("trashTarget:"))
        return items->canRemoveTarget();
    if (action == QLatin1String("reimportTarget:"))
        return items->canReimportTarget();
    if (action == QLatin1String("importImagesForTarget:"))
        return items->canImportImagesForTarget();
    if (action == QLatin1String("presentMovie:") || action == QLatin1String("playMovie:")
        || action == QLatin1String("resizeForMovie:"))
        return selectedElementCount() == 1;
    if (action == QLatin1String("createPlaylistWithSelection:")
        || action == QLatin1String("openTarget:")
        || action == QLatin1String("revealTargetInFinder:")
        || action == QLatin1String("rateTarget:") || action == QLatin1String("showEditFieldsSheet:")
        || action == QLatin1String("showEditKeywordsSheet:") || action == QLatin1String("copy:"))
        return selectedElementCount() >= 1;
    if (action == QLatin1String("stopImport:"))
        return m_dispatcher.dispatchStatus(m_document.identifier()) != nullptr;
    *known = false;
    return true;
}

bool DocumentWindowController::validateAction(const QString &action, const QVariant &argument) const
{
    if (m_cleanedUp || isSheetAttached())
        return false;
    bool known = false;
    const bool enabled = validateTableAction(action, argument, &known);
    if (known)
        return enabled;
    // The document's own rule: saving only with unsaved changes.
    if (action == QLatin1String("saveDocument:") || action == QLatin1String("saveDocumentAs:"))
        return m_document.isDocumentEdited();
    if (!handlesAction(action) && m_applicationValidator)
        return m_applicationValidator(action);
    return true;
}

void DocumentWindowController::registerAction(QAction *action)
{
    m_actions.append(action);
    action->setEnabled(validateAction(action->property("action").toString(), action->data()));
}

void DocumentWindowController::setApplicationValidator(ApplicationValidator validator)
{
    m_applicationValidator = std::move(validator);
}

void DocumentWindowController::updateActions()
{
    if (m_cleanedUp)
        return;
    const qint64 style = m_document.defaults().itemsViewStyle();
    // The toolbar shows the style on screen, whoever chose it.
    if (m_toolbar)
        m_toolbar->setViewStyle(itemsViewController()->currentViewStyle());
    for (qsizetype i = 0; i < m_actions.size();) {
        QAction *action = m_actions.at(i);
        if (!action) {
            m_actions.removeAt(i);
            continue;
        }
        const QString name = action->property("action").toString();
        action->setEnabled(validateAction(name, action->data()));
        if (name == QLatin1String("selectItemsView:") && action->isCheckable()
            && action->parent() != m_toolbar)
            action->setChecked(action->data().toLongLong() == style);
        ++i;
    }
}

void DocumentWindowController::presentMovie()
{
    switch (UserDefaults::standard().integerForKey(SettingKey::ToolbarPlayAction)) {
    case 1:
        perform(QStringLiteral("playMovie:"));
        break;
    case 2:
        itemsViewController()->openTarget();
        break;
    default:
        break;
    }
}

void DocumentWindowController::showSheetNamed(const QString &action)
{
    QDialog *sheet = makeLibrarySheet(*this, action);
    // The edit sheets act on the elements selected now, whatever is selected
    // by the time they end; each lives until it ends, then goes.
    if (action == QLatin1String("showEditKeywordsSheet:"))
        sheet = new EditKeywordsSheet(m_document, selectedElements(), m_window);
    else if (action == QLatin1String("showEditFieldsSheet:"))
        sheet = new EditFieldsSheet(m_document, selectedElements(), m_window);
    else if (action == QLatin1String("showRelinkFilesSheet:"))
        sheet = new RelinkSheet(m_document, m_window);
    if (!sheet)
        return;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    beginSheet(sheet);
}

void DocumentWindowController::importPaths(const QStringList &paths)
{
    QPointer<DocumentWindowController> self(this);
    const int stops = m_importStops;
    m_document.importMediaFiles(paths, [self, stops](const MediaElementList &elements) {
        // A large import arrives in slices: once the user stopped the import,
        // the later ones are catalogued but not read.
        if (!self || self->m_cleanedUp || elements.isEmpty() || self->m_importStops != stops)
            return;
        // The lists heard of the new elements as the library took them in.
        self->m_dispatcher.dispatchDocument(self->m_document, elements);
    });
}

void DocumentWindowController::importFiles()
{
    Panels::Request request;
    request.kind = Panels::Kind::ImportFiles;
    request.title = tr("Import Files");
    request.extensions = ApplicationSettings::validExtensions();
    QPointer<DocumentWindowController> self(this);
    Panels::run(m_window, request, [self](const QStringList &paths) {
        if (self && !paths.isEmpty())
            self->importPaths(paths);
    });
}

void DocumentWindowController::rescanFolders()
{
    QStringList paths;
    for (const PlistValue &bookmark : m_document.defaults().sourceFolders()) {
        if (const auto path = Bookmark::resolvePath(bookmark.toData()))
            paths.append(*path);
    }
    importPaths(paths);
}

void DocumentWindowController::paste()
{
    QStringList paths;
    for (const MediaElementPtr &element : ElementClipboard::instance().elements())
        paths.append(element->path());
    if (!paths.isEmpty())
        importPaths(paths);
}

void DocumentWindowController::exportFiles(int kind)
{
    ExportSheet::run(*this, kind);
}

} // namespace vidarium
