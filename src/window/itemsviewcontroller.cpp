#include "itemsviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "import/elementopener.h"
#include "import/externaltools.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/elementfiles.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/stringutilities.h"
#include "model/valueformatters.h"
#include "platform/userdefaults.h"
#include "window/documentwindowcontroller.h"
#include "window/elementclipboard.h"
#include "window/filebrowser.h"
#include "window/itemimages.h"
#include "window/itemscomboview.h"
#include "window/itemscomboviewcontroller.h"
#include "window/itemscontextmenu.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemssearch.h"
#include "window/itemstableviewcontroller.h"
#include "window/sourceviewcontroller.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vidarium {

namespace {

const QString TrashType = QStringLiteral("MediaPlaylistTypeTrash");
const QString UserType = QStringLiteral("MediaPlaylistTypeUser");
const QString Prefix = QStringLiteral("com.tallowmere.vidarium.");
const QString SourceSelectionDidChange
    = Prefix + QStringLiteral("SourceSelectionDidChangeNotification");
const QString FilterSelectionDidChange
    = Prefix + QStringLiteral("FilterSelectionDidChangeNotification");
const QString SourceDidAddElements = Prefix + QStringLiteral("SourceSDidAddElementsNotification");
const QString SourceDidRemoveElements
    = Prefix + QStringLiteral("SourceDidRemoveElementsNotification");
const QString ItemsTableDidEditElement
    = Prefix + QStringLiteral("ItemsTableDidEditElementNotification");

} // namespace

ItemsViewController::ItemsViewController(Document &document, DispatchController &dispatcher,
    SourceViewController &source, QObject *parent)
    : PaneController(QStringLiteral("ItemsView"), document, parent)
    , m_dispatcher(dispatcher)
    , m_source(source)
{
    m_model = new ItemsModel(document.library(), this);
    m_table = new ItemsTableViewController(document, *m_model, this);
    m_contextMenu = new ItemsContextMenu(*this, m_table->itemsView());
    m_table->setSortRequestHandler([this](const QString &key) { arrangeItems(key); });

    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("ItemsPane"));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_images = new ItemImages(document.library(), document.package().path(), this);
    m_combo = new ItemsComboViewController(document, *m_model, *m_images, this);
    m_grid = new ItemsGridViewController(document, *m_model, *m_images, this);
    m_stack = new QStackedWidget;
    m_stack->addWidget(m_table->itemsView());
    m_stack->addWidget(m_combo->itemsView());
    m_stack->addWidget(m_grid->itemsView());
    layout->addWidget(m_stack, 1);
    shareWithTable(m_combo->itemsView());
    shareWithTable(m_grid->itemsView());
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("ItemsSummary"));
    m_summary->setAlignment(Qt::AlignCenter);
    m_summary->setContentsMargins(4, 3, 4, 3);
    QFont small = m_summary->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_summary->setFont(small);
    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_grid->zoomControls());
    m_grid->zoomControls()->hide();
    layout->addLayout(bottom);
    setView(pane);

    m_searchField = new QLineEdit;
    m_searchField->setObjectName(QStringLiteral("SearchField"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setPlaceholderText(tr("Search"));
    // Typing is never held up by the search: each change re-arms an idle timer,
    // so a burst of keystrokes is searched once, with the latest text.
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(0);
    connect(m_searchField, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this, &ItemsViewController::applySearchNow);

    connect(m_table->itemsView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &PaneController::stateChanged);
    connect(m_model, &ItemsModel::arrangementChanged, this, &ItemsViewController::updateSummary);
    connect(m_table->itemsView(), &ItemsTableView::editEnded, this, [this] {
        if (std::exchange(m_rebuildPending, false))
            rebuild({});
    });

    connectInteractions();
    observe(SourceSelectionDidChange, &ItemsViewController::sourceSelectionChanged);
    observe(FilterSelectionDidChange, &ItemsViewController::filterSelectionChanged);
    observe(SourceDidAddElements, &ItemsViewController::elementsAdded);
    observe(SourceDidRemoveElements, &ItemsViewController::elementsRemoved);
    for (const QString &name : { LibraryNotification::SystemDidChangeElements,
             DispatchNotification::SourceDidModifyElements,
             Prefix + QStringLiteral("DetailDidAddKeywordNotification"),
             Prefix + QStringLiteral("DetailDidRemoveKeywordsNotification"),
             Prefix + QStringLiteral("DetailDidRenameKeywordNotification") })
        observe(name, &ItemsViewController::rebuild);
    observe(TableElementDidEndEditingNotification, &ItemsViewController::endedEditing);
    m_observers.append(NotificationCenter::instance().addObserver(
        DispatchNotification::SystemDidChangeVolumes,
        [this](const Notification &) { m_model->refreshStatus(); }, this));

    restoreSort();
    itemsView()->horizontalHeader()->setSortIndicator(m_model->columnOf(m_model->sortKey()),
        m_model->sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    reloadElements();
}

void ItemsViewController::observe(
    const QString &name, void (ItemsViewController::*handler)(const Notification &))
{
    m_observers.append(NotificationCenter::instance().addObserver(
        name,
        [this, handler](const Notification &note) {
            if (!isCleanedUp() && concernsThisLibrary(note))
                (this->*handler)(note);
        },
        this));
}

bool ItemsViewController::concernsThisLibrary(const Notification &note) const
{
    return note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
        == document().identifier();
}

void ItemsViewController::cleanup()
{
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
    disconnect(&document().library(), nullptr, this, nullptr);
    PaneController::cleanup();
}

QTableView *ItemsViewController::itemsView() const
{
    return m_table->itemsView();
}

void ItemsViewController::restoreSort()
{
    // Descriptors naming keys the table does not know are passed over.
    for (const auto &descriptor : document().defaults().itemsSortDescriptors()) {
        if (descriptor && m_model->columnOf(descriptor->key()) >= 0) {
            m_model->setSort(descriptor->key(), descriptor->ascending(), descriptor->selector());
            return;
        }
    }
    m_model->setSort(ItemsColumns::NameColumn, true, Definitions::DefaultComparison);
}

void ItemsViewController::reloadElements()
{
    endEditing();
    m_model->setContent(m_source.selectedNodeElements());
    m_model->refreshStatus();
    applyAllPredicates();
}

void ItemsViewController::sourceSelectionChanged(const Notification &)
{
    // The edit in progress is kept: it is committed before the rows change.
    endEditing();
    m_table->itemsView()->selectionModel()->clear();
    reloadElements();
}

void ItemsViewController::filterSelectionChanged(const Notification &note)
{
    const QString type = note.userInfo.value(QStringLiteral("FilterType")).toString();
    const QVariant value = note.userInfo.value(QStringLiteral("FilterPredicate"));
    std::optional<Predicate> predicate;
    if (value.canConvert<Predicate>()) {
        predicate = value.value<Predicate>();
    } else if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
        if (Result<Predicate> parsed = Predicate::parse(value.toString()))
            predicate = *parsed;
    }
    if (type == QLatin1String("FilterPropertyType"))
        m_propertyPredicate = predicate;
    else if (type == QLatin1String("FilterKeywordType"))
        m_keywordPredicate = predicate;
    else
        return;
    applyAllPredicates();
}

void ItemsViewController::elementsAdded(const Notification &note)
{
    const MediaElementList added = note.userInfo.value(LibraryNotification::LibraryElementArrayKey)
                                       .value<MediaElementList>();
    endEditing();
    preservingSelection([&] { m_model->addElements(added); });
    applyAllPredicates();
}

void ItemsViewController::elementsRemoved(const Notification &note)
{
    const MediaElementList removed
        = note.userInfo.value(LibraryNotification::LibraryElementArrayKey)
              .value<MediaElementList>();
    endEditing();
    preservingSelection([&] { m_model->removeElements(removed); });
    applyAllPredicates();
}

bool ItemsViewController::changeMayMoveRows(const QVariant &properties) const
{
    QStringList changed;
    if (properties.metaType() == QMetaType::fromType<QSet<QString>>()) {
        const QSet<QString> set = properties.value<QSet<QString>>();
        changed = QStringList(set.cbegin(), set.cend());
    } else {
        changed = properties.toStringList();
    }
    // A change that does not say what it touched may touch anything.
    if (changed.isEmpty())
        return true;
    QSet<QString> read;
    for (const std::optional<Predicate> &predicate :
        { m_propertyPredicate, m_keywordPredicate, m_searchPredicate }) {
        if (predicate)
            read.unite(ItemsSearch::keyRoots(*predicate));
    }
    if (const MediaPlaylistPtr playlist = m_source.selectedPlaylist()) {
        if (playlist->predicate())
            read.unite(ItemsSearch::keyRoots(*playlist->predicate()));
    } else if (!m_source.selectedNodePredicateKeyPaths().isEmpty()) {
        // A folder of smart collections: their criteria may nest deeper than the
        // folder reports, so any change may move elements in or out.
        return true;
    }
    if (read.contains(QStringLiteral("*")))
        return true;
    const int sortColumn = m_model->columnOf(m_model->sortKey());
    if (sortColumn >= 0) {
        const ItemsColumn &column = m_model->columns().at(sortColumn);
        read.insert(column.key ? ElementKeys::name(*column.key) : column.identifier);
    }
    for (const QString &key : std::as_const(changed)) {
        const QString root = key.section(QLatin1Char('.'), 0, 0);
        QSet<QString> touched = ElementKeys::affectedKeys(root);
        touched.insert(key);
        if (touched.intersects(read))
            return true;
    }
    return false;
}

void ItemsViewController::rebuild(const Notification &note)
{
    // A change that can neither move an element in or out of the list nor
    // change its place only repaints: the rows already heard of each element's
    // change, so rating a thousand rows does not rebuild a hundred thousand.
    if (note.userInfo.contains(LibraryNotification::LibraryElementPropertiesKey)
        && !changeMayMoveRows(
            note.userInfo.value(LibraryNotification::LibraryElementPropertiesKey))) {
        updateShownView();
        updateSummary();
        return;
    }
    // The import heartbeat must not throw away or end what the user is typing:
    // the rebuild waits for the edit to end.
    if (m_table->tableEditInProgress()) {
        m_rebuildPending = true;
        return;
    }
    preservingSelection([this] { m_model->mergeContent(m_source.selectedNodeElements()); });
    m_model->refreshStatus();
    applyAllPredicates();
}

void ItemsViewController::endedEditing(const Notification &note)
{
    const MediaElementPtr element
        = note.userInfo.value(LibraryNotification::LibraryElementKey).value<MediaElementPtr>();
    const QVariant properties
        = note.userInfo.value(LibraryNotification::LibraryElementPropertiesKey);
    QVariantMap info { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
        { LibraryNotification::LibraryElementPropertiesKey, properties } };
    if (element && m_model->containsInContent(element.get())) {
        preservingSelection([this] { m_model->rearrange(); });
        applyAllPredicates();
        NotificationCenter::instance().post(ItemsTableDidEditElement, this, info);
    } else {
        NotificationCenter::instance().post(
            DispatchNotification::SourceDidModifyElements, this, info);
    }
    document().updateChangeCount(Document::Change::Done);
}

void ItemsViewController::applySearchNow()
{
    m_searchTimer->stop();
    m_searchPredicate = ItemsSearch::searchPredicate(
        m_searchField->text(), document().library().elementSearchKeys());
    applyAllPredicates();
}

void ItemsViewController::applyAllPredicates()
{
    const std::optional<Predicate> combined
        = ItemsSearch::conjunction({ m_propertyPredicate, m_keywordPredicate, m_searchPredicate });
    // Keeping a selection of many rows costs: only when the rows change.
    if (!m_model->isFilteredBy(combined))
        preservingSelection([&] { m_model->setFilter(combined); });
    QItemSelectionModel *selection = itemsView()->selectionModel();
    if (m_model->rowCount() > 0 && !selection->hasSelection()) {
        selection->setCurrentIndex(
            m_model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    emit stateChanged();
}

void ItemsViewController::preservingSelection(const std::function<void()> &change)
{
    QTableView *view = itemsView();
    const MediaElementList selected = selectedElements();
    const int scroll = view->verticalScrollBar()->value();
    change();
    setSelectedElements(selected);
    view->verticalScrollBar()->setValue(scroll);
}

MediaElementList ItemsViewController::arrangedElements() const
{
    return m_model->arrangedElements();
}

MediaElementList ItemsViewController::selectedElements() const
{
    const QItemSelection selection = itemsView()->selectionModel()->selection();
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    MediaElementList selected;
    selected.reserve(qsizetype(rows.size()));
    for (int row : rows) {
        if (MediaElementPtr element = m_model->elementAt(row))
            selected.append(element);
    }
    return selected;
}

void ItemsViewController::setSelectedElements(const MediaElementList &elements)
{
    const std::vector<int> rows = m_model->rowsOf(elements);
    // Contiguous runs become one range each: selecting all 100,000 rows is one range.
    QItemSelection selection;
    const int last = std::max(0, m_model->columnCount() - 1);
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.append(
            QItemSelectionRange(m_model->index(rows[i], 0), m_model->index(rows[j], last)));
        i = j + 1;
    }
    itemsView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty())
        itemsView()->selectionModel()->setCurrentIndex(
            m_model->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

SortDescriptorList ItemsViewController::sortDescriptors() const
{
    return document().defaults().itemsSortDescriptors();
}

QString ItemsViewController::summaryText() const
{
    const int count = m_model->rowCount();
    const PlistValue duration(m_model->totalDuration());
    const PlistValue size(m_model->totalSize());
    return QStringLiteral("%1%2%3 running time, %4")
        .arg(count)
        .arg(count == 1 ? QStringLiteral(" movie, ") : QStringLiteral(" movies, "))
        .arg(DurationFormatter().stringForObjectValue(duration))
        .arg(ByteFormatter().stringForObjectValue(size));
}

void ItemsViewController::updateSummary()
{
    m_summary->setText(summaryText());
}

void ItemsViewController::arrangeItems(const QString &key)
{
    if (key.isEmpty() || m_model->columnOf(key) < 0)
        return;
    // Choosing the current key again turns the order round.
    const bool ascending = m_model->sortKey() != key || !m_model->sortAscending();
    const QString selector = Definitions::shared().comparisonForKey(key);
    document().defaults().setItemsSortDescriptors(
        { std::make_shared<const SortDescriptor>(key, ascending, selector) });
    document().updateChangeCount(Document::Change::Done);
    preservingSelection([&] { m_model->setSort(key, ascending, selector); });
    const int column = m_model->columnOf(key);
    itemsView()->horizontalHeader()->setSortIndicator(
        column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    emit stateChanged();
}

void ItemsViewController::openTarget()
{
    const MediaElementList targets = targetItems();
    if (!targets.isEmpty())
        ElementOpener::shared().openElement(targets.first());
}

void ItemsViewController::openTargetWithApplication(const QString &applicationIdentifier)
{
    const MediaElementList targets = targetItems();
    if (!targets.isEmpty() && !applicationIdentifier.isEmpty())
        ElementOpener::shared().openElement(targets.first(), applicationIdentifier);
}

void ItemsViewController::revealTargetInFinder()
{
    QStringList paths;
    QSet<QString> folders;
    for (const MediaElementPtr &element : targetItems()) {
        // The file may have moved since the library last looked.
        const QString found = ElementFiles::pathWithBookmarkData(element->bookmark());
        if (!found.isEmpty() && found != element->path())
            element->setPath(found);
        paths.append(packagePath(element->path()));
        folders.insert(element->parentFolderPath());
    }
    if (paths.isEmpty())
        return;
    if (folders.size() < 11) {
        FileBrowser::reveal(paths);
        return;
    }
    // Opening a file-manager window per folder would bury the desktop.
    auto *alert = new QMessageBox(itemsView()->window());
    alert->setObjectName(QStringLiteral("RevealInFinderAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(
        Definitions::shared().localizedString(QStringLiteral("RevealInFinderAlertMessageText")));
    alert->setInformativeText(Definitions::shared().localizedString(
        QStringLiteral("RevealInFinderAlertInformativeText")));
    alert->addButton(tr("OK"), QMessageBox::AcceptRole);
    showSheet(alert);
}

void ItemsViewController::showSheet(QMessageBox *alert)
{
    if (auto *controller = qobject_cast<DocumentWindowController *>(parent());
        controller && controller->beginSheet(alert))
        return;
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

MediaElementList ItemsViewController::targetItems() const
{
    const int row = m_contextMenu->targetRow();
    if (row >= 0 && !itemsView()->selectionModel()->isRowSelected(row, {})) {
        if (MediaElementPtr element = m_model->elementAt(row))
            return { element };
    }
    return selectedElements();
}

bool ItemsViewController::hasTargetItems() const
{
    // Asked for the commands' enabling on every update: with every row selected,
    // making the list each time was most of the update.
    const int row = m_contextMenu->targetRow();
    if (row >= 0 && !itemsView()->selectionModel()->isRowSelected(row, {}))
        return m_model->elementAt(row) != nullptr;
    return itemsView()->selectionModel()->hasSelection();
}

void ItemsViewController::trashTarget()
{
    if (!canRemoveTarget())
        return;
    const MediaElementList targets = targetItems();
    endEditing();
    for (const MediaElementPtr &element : targets)
        document().library().trashElement(element);
    NotificationCenter::instance().post(SourceDidRemoveElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementArrayKey, QVariant::fromValue(targets) } });
    document().updateChangeCount(Document::Change::Done);
}

QString ItemsViewController::removeCommandTitle() const
{
    const MediaPlaylistPtr playlist = m_source.selectedPlaylist();
    if (playlist && playlist->type() == UserType && playlist->isCollection())
        return tr("Remove from Collection");
    return tr("Move to Trash");
}

void ItemsViewController::removeTarget()
{
    const MediaPlaylistPtr playlist = m_source.selectedPlaylist();
    if (!playlist || playlist->type() != UserType || !playlist->isCollection()) {
        trashTarget();
        return;
    }
    if (!canRemoveTarget())
        return;
    const MediaElementList targets = targetItems();
    for (const MediaElementPtr &element : targets)
        playlist->removeElement(*element);
    NotificationCenter::instance().post(SourceDidRemoveElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementArrayKey, QVariant::fromValue(targets) } });
    document().updateChangeCount(Document::Change::Done);
}

void ItemsViewController::reimportTarget()
{
    if (!canReimportTarget())
        return;
    const MediaElementList targets = targetItems();
    const QString tool = QStringLiteral("com.tallowmere.vidarium.importer.ff");
    for (const MediaElementPtr &element : targets) {
        element->setTool(tool);
        element->removeAssets(15);
    }
    m_dispatcher.dispatchDocument(document(), targets, tool);
    if (!UserDefaults::standard().boolForKey(QStringLiteral("ImportImagesImmediately"))) {
        for (ImageType type : { ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip })
            m_dispatcher.dispatchDocument(document(), targets, type);
    }
    document().updateChangeCount(Document::Change::Done);
}

void ItemsViewController::importImagesForTarget(int tag)
{
    const MediaElementList targets = targetItems();
    QList<ImageType> types;
    if (tag == 2 || tag == 14)
        types.append(ImageTypeThumbnail);
    if (tag == 4 || tag == 14)
        types.append(ImageTypeStoryboard);
    if (tag == 8 || tag == 14)
        types.append(ImageTypeFilmstrip);
    for (ImageType type : types)
        m_dispatcher.dispatchDocument(document(), targets, type);
    document().updateChangeCount(Document::Change::Done);
}

void ItemsViewController::postModified(const QStringList &keys)
{
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementPropertiesKey, keys } });
}

void ItemsViewController::rateTarget(int rating)
{
    const MediaElementList targets = targetItems();
    if (targets.isEmpty())
        return;
    for (const MediaElementPtr &element : targets)
        element->setRating(std::clamp(rating, 0, 5));
    // Rating many rows in a row is announced once, when the event loop is idle.
    if (!std::exchange(m_modifyQueued, true)) {
        QTimer::singleShot(0, this, [this] {
            m_modifyQueued = false;
            postModified({ QStringLiteral("rating") });
        });
    }
    document().updateChangeCount(Document::Change::Done);
    emit stateChanged();
}

void ItemsViewController::copy()
{
    const MediaElementList selected = selectedElements();
    if (selected.isEmpty())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(ElementClipboard::mimeData(selected, document().identifier()));
}

bool ItemsViewController::canRemoveTarget() const
{
    if (!hasTargetItems())
        return false;
    const MediaPlaylistPtr playlist = m_source.selectedPlaylist();
    return !playlist || playlist->type() != TrashType;
}

bool ItemsViewController::canReimportTarget() const
{
    if (!ExternalTools::installed(m_dispatcher.defaults()))
        return false;
    const MediaElementList targets = targetItems();
    return !targets.isEmpty()
        && std::all_of(targets.begin(), targets.end(),
            [](const MediaElementPtr &e) { return e->error() || e->containsAssets(1); });
}

bool ItemsViewController::canImportImagesForTarget() const
{
    return hasTargetItems();
}

bool ItemsViewController::pasteboardContainsForeignElements() const
{
    return ElementClipboard::instance().containsForeignElements(document().identifier());
}

} // namespace vidarium
