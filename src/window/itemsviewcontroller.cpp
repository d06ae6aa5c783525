#include "itemsviewcontroller.h"

#include "document/document.h"
#include "document/documentexport.h"
#include "import/dispatchcontroller.h"
#include "import/elementopener.h"
#include "import/externaltools.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "platform/notificationcenter.h"
#include "window/elementclipboard.h"
#include "window/elementlistmodel.h"
#include "window/filebrowser.h"
#include "window/sourceviewcontroller.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>

#include <algorithm>

namespace vidarium {

namespace {

const QString TrashType = QStringLiteral("MediaPlaylistTypeTrash");
const QString NameKey = QStringLiteral("name");

// Sorting 100,000 elements through key-value lookups per comparison is slow;
// by name, the common case, the case-folded keys are made once and compared plainly.
MediaElementList sortedByName(const MediaElementList &elements, bool ascending)
{
    std::vector<std::pair<QString, MediaElementPtr>> keyed;
    keyed.reserve(size_t(elements.size()));
    for (const MediaElementPtr &element : elements)
        keyed.emplace_back(element->name().toCaseFolded(), element);
    std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto &a, const auto &b) {
        return ascending ? a.first < b.first : b.first < a.first;
    });
    MediaElementList sorted;
    sorted.reserve(elements.size());
    for (auto &[name, element] : keyed)
        sorted.append(std::move(element));
    return sorted;
}

} // namespace

ItemsViewController::ItemsViewController(Document &document, DispatchController &dispatcher,
    SourceViewController &source, QObject *parent)
    : PaneController(QStringLiteral("ItemsView"), document, parent)
    , m_dispatcher(dispatcher)
    , m_source(source)
{
    m_model = new ElementListModel(this);
    m_listView = new QListView;
    m_listView->setObjectName(QStringLiteral("ItemsList"));
    m_listView->setUniformItemSizes(true);
    m_listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView->setModel(m_model);
    m_searchField = new QLineEdit;
    m_searchField->setObjectName(QStringLiteral("SearchField"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setPlaceholderText(tr("Search"));
    setView(m_listView);
    connect(m_listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &PaneController::stateChanged);
    connect(&document.library(), &MediaLibrary::elementValuesChanged, this,
        [this](const QString &identifier) { elementValuesChanged(identifier); });
    reloadElements();
}

void ItemsViewController::cleanup()
{
    disconnect(&document().library(), nullptr, this, nullptr);
    PaneController::cleanup();
}

void ItemsViewController::elementValuesChanged(const QString &identifier)
{
    m_model->elementChanged(identifier);
}

void ItemsViewController::reloadElements()
{
    const MediaElementList elements = m_source.selectedNodeElements();
    const SortDescriptorList descriptors = sortDescriptors();
    if (descriptors.isEmpty() || descriptors.first()->key() == NameKey)
        m_model->setElements(
            sortedByName(elements, descriptors.isEmpty() || descriptors.first()->ascending()));
    else
        m_model->setElements(DocumentExport::sortedElements(elements, descriptors));
    emit stateChanged();
}

MediaElementList ItemsViewController::arrangedElements() const
{
    return m_model->elements();
}

MediaElementList ItemsViewController::selectedElements() const
{
    QModelIndexList rows = m_listView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    MediaElementList selected;
    selected.reserve(rows.size());
    for (const QModelIndex &index : rows) {
        if (MediaElementPtr element = m_model->elementAt(index.row()))
            selected.append(element);
    }
    return selected;
}

void ItemsViewController::setSelectedElements(const MediaElementList &elements)
{
    QItemSelection selection;
    for (const MediaElementPtr &element : elements) {
        const int row = m_model->rowOf(element->identifier());
        if (row >= 0)
            selection.select(m_model->index(row), m_model->index(row));
    }
    m_listView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

SortDescriptorList ItemsViewController::sortDescriptors() const
{
    return document().defaults().itemsSortDescriptors();
}

void ItemsViewController::selectView(std::optional<int> style, bool fromMenu)
{
    const int chosen = style.value_or(int(document().defaults().itemsViewStyle()));
    if (style && fromMenu && document().defaults().itemsViewStyle() != chosen) {
        document().defaults().setItemsViewStyle(chosen);
        document().updateChangeCount(Document::Change::Done);
    }
    m_currentViewStyle = chosen;
    emit stateChanged();
}

void ItemsViewController::arrangeItems(const QString &key)
{
    if (key.isEmpty())
        return;
    const SortDescriptorList current = sortDescriptors();
    // Choosing the current key again turns the order round.
    const bool ascending
        = current.isEmpty() || current.first()->key() != key || !current.first()->ascending();
    document().defaults().setItemsSortDescriptors(
        { std::make_shared<const SortDescriptor>(key, ascending) });
    document().updateChangeCount(Document::Change::Done);
    const MediaElementList selected = selectedElements();
    reloadElements();
    setSelectedElements(selected);
}

void ItemsViewController::openTarget()
{
    const MediaElementList targets = selectedElements();
    if (!targets.isEmpty())
        ElementOpener::shared().openElement(targets.first());
}

void ItemsViewController::openTargetWithApplication(const QString &applicationIdentifier)
{
    const MediaElementList targets = selectedElements();
    if (!targets.isEmpty() && !applicationIdentifier.isEmpty())
        ElementOpener::shared().openElement(targets.first(), applicationIdentifier);
}

void ItemsViewController::revealTargetInFinder()
{
    QStringList paths;
    for (const MediaElementPtr &element : selectedElements())
        paths.append(element->path());
    FileBrowser::reveal(paths);
}

void ItemsViewController::trashTarget()
{
    if (!canRemoveTarget())
        return;
    for (const MediaElementPtr &element : selectedElements())
        document().library().trashElement(element);
    reloadElements();
}

void ItemsViewController::removeTarget()
{
    // Leaving a static collection needs the source list's tree; until then only
    // All Videos is shown, where removing means the trash.
    trashTarget();
}

void ItemsViewController::reimportTarget()
{
}

void ItemsViewController::importImagesForTarget(int tag)
{
    const MediaElementList targets = selectedElements();
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

void ItemsViewController::rateTarget(int rating)
{
    const MediaElementList targets = selectedElements();
    if (targets.isEmpty())
        return;
    for (const MediaElementPtr &element : targets)
        element->setRating(rating);
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementPropertiesKey,
                QStringList { QStringLiteral("rating") } } });
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
    if (!m_listView->selectionModel()->hasSelection())
        return false;
    const MediaPlaylistPtr playlist = m_source.selectedPlaylist();
    return !playlist || playlist->type() != TrashType;
}

bool ItemsViewController::canReimportTarget() const
{
    const MediaElementList targets = selectedElements();
    if (targets.isEmpty() || !ExternalTools::installed(m_dispatcher.defaults()))
        return false;
    return std::all_of(targets.begin(), targets.end(),
        [](const MediaElementPtr &e) { return e->error() || e->containsAssets(1); });
}

bool ItemsViewController::canImportImagesForTarget() const
{
    return m_listView->selectionModel()->hasSelection();
}

bool ItemsViewController::pasteboardContainsForeignElements() const
{
    return ElementClipboard::instance().containsForeignElements(document().identifier());
}

} // namespace vidarium
