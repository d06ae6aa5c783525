#include "window/librarysettingssheet.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "window/panels.h"
#include "window/sourcefolderlistmodel.h"
#include "window/userfieldlistmodel.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vidarium {

namespace {

QList<int> selectedRows(const QAbstractItemView *view)
{
    QList<int> rows;
    for (const QModelIndex &index : view->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    return rows;
}

QHBoxLayout *listButtons(QPushButton *add, QPushButton *remove, QLabel *hint)
{
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton *button : { add, remove }) {
        button->setFixedWidth(32);
        buttons->addWidget(button);
    }
    buttons->addSpacing(8);
    buttons->addWidget(hint, 1);
    return buttons;
}

} // namespace

LibrarySettingsSheet::LibrarySettingsSheet(Document &document, QWidget *parent)
    : QDialog(parent)
    , m_document(&document)
    , m_copy(document.defaults().copy())
{
    setObjectName(QStringLiteral("LibrarySettingsSheet"));
    setWindowTitle(tr("Library Settings"));
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("SettingsMessage"));
    m_message->setWordWrap(true);
    m_message->hide();
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("LibrarySettingsTabs"));
    m_tabs->addTab(buildGeneralTab(), tr("General"));
    m_tabs->addTab(buildCollectionsTab(), tr("Collections"));
    m_tabs->addTab(buildImagesTab(), tr("Images"));
    m_tabs->addTab(buildFieldsTab(), tr("Fields"));
    m_tabs->addTab(buildFoldersTab(), tr("Folders"));
    const qint64 tab = m_copy->defaultsSheetTabIndex();
    m_tabs->setCurrentIndex(tab >= 0 && tab < TabCount ? int(tab) : 0);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        m_copy->setDefaultsSheetTabIndex(index);
        showMessage({});
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &LibrarySettingsSheet::okButtonAction);
    connect(buttons, &QDialogButtonBox::rejected, this, &LibrarySettingsSheet::cancelButtonAction);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    resize(560, 440);
}

LibrarySettingsSheet::~LibrarySettingsSheet() = default;

QWidget *LibrarySettingsSheet::buildFieldsTab()
{
    m_fieldModel = new UserFieldListModel(this);
    m_fieldModel->load(m_document->library(), m_copy->tableColumnVisibility());
    m_fieldView = new QTableView;
    m_fieldView->setObjectName(QStringLiteral("UserFieldList"));
    m_fieldView->setModel(m_fieldModel);
    m_fieldView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fieldView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fieldView->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_fieldView->setAlternatingRowColors(true);
    m_fieldView->setShowGrid(false);
    m_fieldView->verticalHeader()->hide();
    m_fieldView->horizontalHeader()->setSectionResizeMode(
        UserFieldListModel::NameColumn, QHeaderView::Stretch);
    m_fieldView->horizontalHeader()->setSectionResizeMode(
        UserFieldListModel::VisibleColumn, QHeaderView::ResizeToContents);
    connect(
        m_fieldModel, &UserFieldListModel::editRefused, this, &LibrarySettingsSheet::showMessage);

    auto *add = new QPushButton(QStringLiteral("+"));
    add->setObjectName(QStringLiteral("AddFieldButton"));
    add->setToolTip(tr("Add a field"));
    auto *remove = new QPushButton(QStringLiteral("\u2212"));
    remove->setObjectName(QStringLiteral("RemoveFieldButton"));
    remove->setToolTip(tr("Remove the selected fields"));
    connect(add, &QPushButton::clicked, this, &LibrarySettingsSheet::addUserDefinedField);
    connect(remove, &QPushButton::clicked, this, &LibrarySettingsSheet::removeUserDefinedFields);
    auto *hint = new QLabel(tr("Double-click a name to rename the field."));
    hint->setEnabled(false);

    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 12, 12, 12);
    auto *intro = new QLabel(tr("Fields of your own, each with a column in the table. Values "
                                "stay with the videos when a field is removed."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(m_fieldView, 1);
    layout->addLayout(listButtons(add, remove, hint));
    return tab;
}

QWidget *LibrarySettingsSheet::buildFoldersTab()
{
    m_folderModel = new SourceFolderListModel(this);
    m_folderModel->load(m_copy->sourceFolders());
    m_folderView = new QListView;
    m_folderView->setObjectName(QStringLiteral("SourceFolderList"));
    m_folderView->setModel(m_folderModel);
    m_folderView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_folderView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_folderView->setAcceptDrops(true);
    m_folderView->setDropIndicatorShown(false);
    m_folderView->setDragDropMode(QAbstractItemView::DropOnly);
    m_folderView->setDefaultDropAction(Qt::CopyAction);
    m_folderView->setAlternatingRowColors(true);
    m_folderView->setUniformItemSizes(true);
    m_folderView->setIconSize(QSize(18, 18));
    m_folderView->setSpacing(1);
    connect(m_folderModel, &SourceFolderListModel::dropRefused, this,
        &LibrarySettingsSheet::showMessage);

    auto *add = new QPushButton(QStringLiteral("+"));
    add->setObjectName(QStringLiteral("AddFolderButton"));
    add->setToolTip(tr("Add a folder"));
    auto *remove = new QPushButton(QStringLiteral("\u2212"));
    remove->setObjectName(QStringLiteral("RemoveFolderButton"));
    remove->setToolTip(tr("Remove the selected folders"));
    connect(add, &QPushButton::clicked, this, &LibrarySettingsSheet::addSourceFolder);
    connect(remove, &QPushButton::clicked, this, &LibrarySettingsSheet::removeSourceFolders);
    auto *hint = new QLabel(tr("Drop folders here to add them."));
    hint->setEnabled(false);

    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 12, 12, 12);
    auto *intro = new QLabel(tr("Rescan Folders imports the new videos of these folders."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(m_folderView, 1);
    layout->addLayout(listButtons(add, remove, hint));
    return tab;
}

void LibrarySettingsSheet::showMessage(const QString &message)
{
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
}

void LibrarySettingsSheet::addUserDefinedField()
{
    if (!m_document)
        return;
    const int row = m_fieldModel->addField(m_document->library());
    PlistDictionary visibility = m_copy->tableColumnVisibility();
    visibility.insert(m_fieldModel->rows().at(row).field->identifier(), true);
    m_copy->setTableColumnVisibility(visibility);
    const QModelIndex name = m_fieldModel->index(row, UserFieldListModel::NameColumn);
    m_fieldView->setCurrentIndex(name);
    m_fieldView->setFocus();
    showMessage({});
}

void LibrarySettingsSheet::removeUserDefinedFields()
{
    const QStringList removed = m_fieldModel->removeRows(selectedRows(m_fieldView));
    PlistDictionary visibility = m_copy->tableColumnVisibility();
    for (const QString &identifier : removed)
        visibility.remove(identifier);
    m_copy->setTableColumnVisibility(visibility);
}

void LibrarySettingsSheet::addSourceFolder()
{
    Panels::Request request;
    request.kind = Panels::Kind::ChooseFolder;
    request.title = tr("Add Folder");
    QPointer<LibrarySettingsSheet> self(this);
    Panels::run(this, request, [self](const QStringList &paths) {
        if (!self || self->m_finished || paths.isEmpty())
            return;
        if (!SourceFolderListModel::canAcceptPaths(paths))
            self->showMessage(tr("Only folders can be added to the list."));
        self->m_folderModel->addFolders(paths);
        self->m_folderView->setFocus();
    });
}

void LibrarySettingsSheet::removeSourceFolders()
{
    m_folderModel->removeRows(selectedRows(m_folderView));
}

void LibrarySettingsSheet::okButtonAction()
{
    if (m_finished || !m_document)
        return;
    // An edit still open in a list is taken as if the user had pressed Return.
    if (QWidget *focus = focusWidget())
        focus->clearFocus();
    MediaLibrary &library = m_document->library();
    library.updateUserFields(m_fieldModel->fields());
    PlistDictionary visibility = m_copy->tableColumnVisibility();
    for (const UserFieldListModel::Row &row : m_fieldModel->rows())
        visibility.insert(row.field->identifier(), row.visible);
    m_copy->setTableColumnVisibility(visibility);
    m_copy->setSourceFolders(m_folderModel->bookmarks());
    m_document->setDefaults(m_copy->copy());
    m_document->updateChangeCount(Document::Change::Done);
    finish();
    accept();
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, m_document.data(),
        { { LibraryNotification::LibraryIdentifierKey, m_document->identifier() } });
}

void LibrarySettingsSheet::cancelButtonAction()
{
    reject();
}

void LibrarySettingsSheet::reject()
{
    // Escape and the window's close button cancel too.
    if (m_finished)
        return;
    if (m_document)
        m_document->defaults().setDefaultsSheetTabIndex(m_copy->defaultsSheetTabIndex());
    finish();
    QDialog::reject();
}

void LibrarySettingsSheet::finish()
{
    m_finished = true;
    m_folderModel->setAcceptsDrops(false);
    m_folderView->setAcceptDrops(false);
}

} // namespace vidarium
