#include "preferencescontroller.h"

#include "app/documentcontroller.h"
#include "app/filetypesmodel.h"
#include "import/dispatchcontroller.h"
#include "model/definitions.h"
#include "model/settingkeys.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "widgets/splitview.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace vidarium {

namespace {

const QString NotSelected = QStringLiteral("Not Selected");
const QString NoneSelected = QStringLiteral("None Selected");

// The open panel's filter: folders to walk into and files named like the program.
class ToolFileFilter : public QSortFilterProxyModel
{
public:
    explicit ToolFileFilter(QString searchName, QObject *parent)
        : QSortFilterProxyModel(parent)
        , m_searchName(std::move(searchName))
    {
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        return PreferencesController::toolFileAcceptable(
            files->fileInfo(files->index(row, 0, parent)), m_searchName);
    }

private:
    QString m_searchName;
};

} // namespace

PreferencesController &PreferencesController::sharedPreferencesController()
{
    static PreferencesController *controller = new PreferencesController(UserDefaults::standard());
    return *controller;
}

PreferencesController::PreferencesController(UserDefaults &defaults, QWidget *parent)
    : QDialog(parent)
    , m_defaults(defaults)
{
    setObjectName(QStringLiteral("PreferencesWindow"));
    setWindowTitle(tr("Preferences"));
    auto *layout = new QVBoxLayout(this);
    auto *toolbar = new QToolBar(this);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto *group = new QActionGroup(this);
    const std::pair<QString, int> panes[] = { { tr("General"), GeneralPane },
        { tr("Importing"), ImportingPane }, { tr("File Types"), FileTypesPane } };
    for (const auto &[title, tag] : panes) {
        QAction *item = toolbar->addAction(title);
        item->setCheckable(true);
        item->setData(tag);
        group->addAction(item);
        m_paneActions.append(item);
        connect(item, &QAction::triggered, this, [this, tag] { displayTabContentViewForTag(tag); });
    }
    layout->addWidget(toolbar);
    m_fileTypes = new FileTypesModel(m_defaults, this);
    m_panes = new QStackedWidget(this);
    m_panes->addWidget(buildGeneralPane());
    m_panes->addWidget(buildImportingPane());
    m_panes->addWidget(buildFileTypesPane());
    layout->addWidget(m_panes, 1);
}

QWidget *PreferencesController::buildGeneralPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("GeneralPane"));
    auto *form = new QFormLayout(pane);
    const auto check
        = [this, form](const QString &title, const QString &key, std::function<void()> after = {}) {
              auto *box = new QCheckBox(title);
              box->setObjectName(key);
              box->setChecked(m_defaults.boolForKey(key));
              connect(box, &QCheckBox::toggled, this, [this, key, after](bool on) {
                  m_defaults.setBool(key, on);
                  m_defaults.synchronize();
                  if (after)
                      after();
              });
              form->addRow(box);
          };
    check(tr("Reopen the libraries of the last session"), SettingKey::OpenLastDocument);
    check(tr("Show the welcome window at start"), SettingKey::ShowWelcomeWindow);
    check(tr("Colour icons in the source list"), SettingKey::UseColorIcons,
        [this] { selectAppearanceChanged(); });
    // Open library windows show or hide their filter search boxes at once.
    check(tr("Always show the filter search boxes"), SettingKey::ShowFilterSearchBoxes,
        [this] { selectAppearanceChanged(); });
    check(tr("Search also searches comments"), SettingKey::SearchCommentsField);
    check(tr("Complete field values while typing"), SettingKey::AutoCompleteUserFields);
    check(tr("Let files be dragged to other programs"), SettingKey::AllowDragToFinder);
    check(tr("Resize the storyboard to the movie when playing"), SettingKey::ResizePlayerView);
    check(tr("Write diagnostic messages to the system log"), SettingKey::LogConsoleMessages);
    const auto choice = [this, form](const QString &title, const QString &key,
                            const QList<std::pair<QString, int>> &options) {
        auto *box = new QComboBox;
        box->setObjectName(key);
        for (const auto &[text, value] : options)
            box->addItem(text, value);
        box->setCurrentIndex(std::max(0, box->findData(int(m_defaults.integerForKey(key)))));
        connect(box, &QComboBox::activated, this, [this, box, key] {
            m_defaults.setInteger(key, box->currentData().toInt());
            m_defaults.synchronize();
        });
        form->addRow(title, box);
    };
    choice(tr("Play button:"), SettingKey::ToolbarPlayAction,
        { { tr("Plays in the window"), 1 }, { tr("Opens in the default application"), 2 } });
    choice(tr("Double click:"), SettingKey::DoubleClickAction,
        { { tr("Opens in the default application"), 1 }, { tr("Shows in the file manager"), 2 },
            { tr("Plays in the window"), 3 } });
    return pane;
}

QWidget *PreferencesController::buildImportingPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("ImportingPane"));
    auto *form = new QFormLayout(pane);
    auto *immediately
        = new QCheckBox(tr("Make thumbnails, storyboards and filmstrips during import"));
    immediately->setObjectName(QStringLiteral("ImportImagesImmediately"));
    immediately->setChecked(m_defaults.boolForKey(SettingKey::ImportImagesImmediately));
    connect(immediately, &QCheckBox::toggled, this, [this](bool on) {
        m_defaults.setBool(SettingKey::ImportImagesImmediately, on);
        selectImportQueueChanged();
    });
    form->addRow(immediately);
    auto *fcpx = new QCheckBox(tr("Search Final Cut Pro libraries for their original media"));
    fcpx->setObjectName(QStringLiteral("SearchFCPXPackages"));
    fcpx->setChecked(m_defaults.boolForKey(SettingKey::SearchFCPXPackages));
    connect(fcpx, &QCheckBox::toggled, this, [this](bool on) {
        m_defaults.setBool(SettingKey::SearchFCPXPackages, on);
        m_defaults.synchronize();
    });
    form->addRow(fcpx);
    const std::pair<QString, QString> limits[] = {
        { tr("Files read at once by Vidarium:"), SettingKey::AVImporterMaximumOperations },
        { tr("Files read at once by ffprobe and ffmpeg:"), SettingKey::FFImporterMaximumOperations }
    };
    for (const auto &[title, key] : limits) {
        auto *spin = new QSpinBox;
        spin->setObjectName(key);
        spin->setRange(1, 8);
        spin->setValue(int(std::clamp<qint64>(m_defaults.integerForKey(key), 1, 8)));
        connect(spin, &QSpinBox::valueChanged, this, [this, key](int value) {
            m_defaults.setInteger(key, value);
            selectMaximumOperations();
        });
        form->addRow(title, spin);
    }
    form->addRow(toolRow(Tool::FFprobe, QStringLiteral("ffprobe:")));
    form->addRow(toolRow(Tool::FFmpeg, QStringLiteral("ffmpeg:")));
    return pane;
}

QWidget *PreferencesController::toolRow(Tool tool, const QString &title)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(title));
    auto *path = new QLabel(NotSelected);
    path->setObjectName(searchName(tool) + QStringLiteral("PathLabel"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(path, 1);
    auto *choose = new QPushButton(tr("Choose…"));
    connect(choose, &QPushButton::clicked, this, [this, tool] { selectTool(tool); });
    layout->addWidget(choose);
    auto *remove = new QPushButton(tr("Remove"));
    remove->setObjectName(searchName(tool) + QStringLiteral("RemoveButton"));
    remove->setVisible(false);
    connect(remove, &QPushButton::clicked, this, [this, tool] { removeTool(tool); });
    layout->addWidget(remove);
    ToolRow &target = tool == Tool::FFmpeg ? m_ffmpegRow : m_ffprobeRow;
    target.pathLabel = path;
    target.removeButton = remove;
    return row;
}

QWidget *PreferencesController::buildFileTypesPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("FileTypesPane"));
    auto *layout = new QVBoxLayout(pane);
    m_typesTable = new QTableView;
    m_typesTable->setObjectName(QStringLiteral("TypesTable"));
    m_typesTable->setModel(m_fileTypes);
    m_typesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_typesTable->horizontalHeader()->setStretchLastSection(true);
    m_typesTable->verticalHeader()->hide();
    layout->addWidget(m_typesTable, 1);
    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("+"));
    auto *remove = new QPushButton(QStringLiteral("−"));
    auto *restore = new QPushButton(tr("Restore Defaults"));
    connect(add, &QPushButton::clicked, this, &PreferencesController::addType);
    connect(remove, &QPushButton::clicked, this, &PreferencesController::removeSelectedTypes);
    connect(restore, &QPushButton::clicked, this, &PreferencesController::restoreDefaultTypes);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(restore);
    layout->addLayout(buttons);
    return pane;
}

void PreferencesController::showPreferencesWindow()
{
    fillToolRows();
    m_fileTypes->reload();
    displayTabContentViewForTag(GeneralPane);
    show();
    raise();
    activateWindow();
}

void PreferencesController::displayTabContentViewForTag(int tag)
{
    if (tag < GeneralPane || tag > FileTypesPane)
        return;
    m_currentPane = tag;
    for (QAction *item : std::as_const(m_paneActions))
        item->setChecked(item->data().toInt() == tag);
    m_panes->setCurrentIndex(tag - 1);
    QWidget *pane = m_panes->currentWidget();
    const QSize wanted = size() + (pane->sizeHint() - m_panes->size()).expandedTo(QSize(0, 0));
    const QSize target(std::max(wanted.width(), 560), std::max(sizeHint().height(), 360));
    if (!isVisible() || !SplitView::animationsEnabled()) {
        resize(target);
        return;
    }
    // The top-left corner stays; the window grows or shrinks to the pane.
    auto *animation = new QPropertyAnimation(this, "size", this);
    animation->setDuration(250);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool PreferencesController::toolFileAcceptable(const QFileInfo &file, const QString &searchName)
{
    if (file.isDir())
        return true;
    return file.fileName().startsWith(searchName, Qt::CaseSensitive);
}

QString PreferencesController::searchName(Tool tool)
{
    return tool == Tool::FFmpeg ? QStringLiteral("ffmpeg") : QStringLiteral("ffprobe");
}

QString PreferencesController::bookmarkKey(Tool tool) const
{
    return tool == Tool::FFmpeg ? SettingKey::FFmpegBookmark : SettingKey::FFprobeBookmark;
}

const PreferencesController::ToolRow &PreferencesController::row(Tool tool) const
{
    return tool == Tool::FFmpeg ? m_ffmpegRow : m_ffprobeRow;
}

void PreferencesController::fillToolRows()
{
    for (Tool tool : { Tool::FFmpeg, Tool::FFprobe }) {
        const QByteArray bookmark = m_defaults.dataForKey(bookmarkKey(tool));
        const auto path = bookmark.isEmpty() ? std::nullopt : Bookmark::resolvePath(bookmark);
        row(tool).pathLabel->setText(path ? *path : NotSelected);
        if (!bookmark.isEmpty())
            row(tool).removeButton->setVisible(true);
    }
}

void PreferencesController::selectTool(Tool tool)
{
    auto *panel = new QFileDialog(this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setOption(QFileDialog::DontUseNativeDialog, true);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setWindowModality(Qt::WindowModal);
    panel->setWindowTitle(tool == Tool::FFmpeg
            ? tr("Choose the FFmpeg tool file. The filename must begin with \"ffmpeg\".")
            : tr("Choose the FFprobe tool file. The filename must begin with \"ffprobe\"."));
    panel->setProxyModel(new ToolFileFilter(searchName(tool), panel));
    connect(panel, &QFileDialog::fileSelected, this,
        [this, tool](const QString &path) { chooseTool(tool, path); });
    panel->open();
}

bool PreferencesController::chooseTool(Tool tool, const QString &path)
{
    const QFileInfo file(path);
    // Typed names bypass the panel's filter, so the choice is checked again.
    if (!file.isFile() || !toolFileAcceptable(file, searchName(tool)))
        return false;
    const QByteArray bookmark = Bookmark::create(file.absoluteFilePath());
    if (bookmark.isEmpty())
        return false;
    m_defaults.setData(bookmarkKey(tool), bookmark);
    m_defaults.synchronize();
    row(tool).pathLabel->setText(file.absoluteFilePath());
    row(tool).removeButton->setVisible(true);
    return true;
}

void PreferencesController::removeTool(Tool tool)
{
    m_defaults.setData(bookmarkKey(tool), QByteArray());
    m_defaults.synchronize();
    row(tool).pathLabel->setText(NoneSelected);
    row(tool).removeButton->setVisible(false);
}

QString PreferencesController::toolPathText(Tool tool) const
{
    return row(tool).pathLabel->text();
}

bool PreferencesController::isRemoveButtonVisible(Tool tool) const
{
    return !row(tool).removeButton->isHidden();
}

void PreferencesController::addType()
{
    const int added = m_fileTypes->addType();
    const QModelIndex cell = m_fileTypes->index(added, FileTypesModel::ExtensionColumn);
    m_typesTable->setCurrentIndex(cell);
    m_typesTable->setFocus();
    m_typesTable->edit(cell);
}

void PreferencesController::removeSelectedTypes()
{
    QList<int> rows;
    for (const QModelIndex &index : m_typesTable->selectionModel()->selectedRows())
        rows.append(index.row());
    m_fileTypes->removeTypes(rows);
}

void PreferencesController::restoreDefaultTypes()
{
    m_fileTypes->restoreDefaultTypes(
        Definitions::shared().applicationDefaults().value(FileTypesModel::SettingsKey).toArray());
    m_typesTable->clearSelection();
}

void PreferencesController::selectAppearanceChanged()
{
    m_defaults.synchronize();
    NotificationCenter::instance().post(AppDidChangeIconAppearance, this);
}

void PreferencesController::selectImportQueueChanged()
{
    m_defaults.synchronize();
    NotificationCenter::instance().post(DispatchNotification::AppDidChangeImportQueue, this);
}

void PreferencesController::selectMaximumOperations()
{
    m_defaults.synchronize();
    if (DocumentController *documents = DocumentController::shared())
        documents->dispatcher().updateMaximumOperations();
}

} // namespace vidarium
