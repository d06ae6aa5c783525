// The items pane's answers to the user acting on the table directly: an edit
// the model refused, a double click, files dropped from outside.

#include "itemsviewcontroller.h"

#include "document/document.h"
#include "import/elementopener.h"
#include "model/settingkeys.h"
#include "platform/backgroundpool.h"
#include "platform/userdefaults.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemstableviewcontroller.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTableView>
#include <QThreadPool>

namespace vidarium {

void ItemsViewController::connectInteractions()
{
    connect(m_table, &ItemsTableViewController::editRefused, this,
        &ItemsViewController::editWasRefused);
    connect(itemsView(), &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &index) { doubleClickRow(index.row()); });
    m_model->setFileDropHandler([this](const QByteArray &uriList) { importDroppedFiles(uriList); });
}

void ItemsViewController::editWasRefused(const QString &reason, bool byFileSystem)
{
    QApplication::beep();
    // A bad name is the user's slip and the beep says enough; a rename the file
    // system refused would otherwise look as if it had worked and been undone.
    if (!byFileSystem)
        return;
    auto *alert = new QMessageBox(itemsView()->window());
    alert->setObjectName(QStringLiteral("RenameRefusedAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(tr("The file could not be renamed."));
    alert->setInformativeText(reason);
    alert->addButton(tr("OK"), QMessageBox::AcceptRole);
    showSheet(alert);
}

void ItemsViewController::doubleClickRow(int row)
{
    // The first click of a double click on another row only selected it.
    if (row < 0 || !itemsView()->selectionModel()->isRowSelected(row, {}))
        return;
    const MediaElementPtr element = m_model->elementAt(row);
    if (!element)
        return;
    switch (UserDefaults::standard().integerForKey(SettingKey::DoubleClickAction)) {
    case 1:
        ElementOpener::shared().openElement(element);
        break;
    case 2:
        setSelectedElements({ element });
        revealTargetInFinder();
        break;
    case 3:
        if (auto *controller = qobject_cast<DocumentWindowController *>(parent())) {
            setSelectedElements({ element });
            controller->perform(QStringLiteral("playMovie:"));
        }
        break;
    default:
        break;
    }
}

void ItemsViewController::importDroppedFiles(const QByteArray &uriList)
{
    QPointer<ItemsViewController> self(this);
    backgroundPool().start([self, uriList] {
        const QStringList paths = ItemsModel::localPathsOfUriList(uriList);
        if (paths.isEmpty())
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, paths] {
                if (!self || self->isCleanedUp())
                    return;
                if (auto *controller = qobject_cast<DocumentWindowController *>(self->parent()))
                    controller->importPaths(paths);
                else
                    self->document().importMediaFiles(paths);
            },
            Qt::QueuedConnection);
    });
}

} // namespace vidarium
