#include "itemstableviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "platform/userdefaults.h"
#include "widgets/ratingdelegate.h"
#include "window/itemsmodel.h"
#include "window/itemstablelayout.h"
#include "window/itemstextdelegate.h"

#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace vidarium {

namespace {

// The status as a coloured dot: green, purple, yellow, grey, red.
class StatusDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        const QWidget *widget = option.widget;
        widget->style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
        static const QColor colours[] = { QColor(0, 211, 0), QColor(160, 53, 237),
            QColor(255, 194, 0), QColor(212, 212, 212), QColor(226, 65, 0), QColor(226, 65, 0) };
        const int status = std::clamp(index.data(ItemsModel::StatusRole).toInt(), 0, 5);
        const int size = 8;
        const QRectF dot(option.rect.center().x() - size / 2.0 + 0.5,
            option.rect.center().y() - size / 2.0 + 0.5, size, size);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(colours[status].darker(130), 0.8));
        painter->setBrush(colours[status]);
        painter->drawEllipse(dot);
        painter->restore();
    }
};

} // namespace

void ItemsTableView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QModelIndex index = currentIndex();
    QTableView::closeEditor(editor, hint);
    emit editEnded(index, hint != QAbstractItemDelegate::RevertModelCache);
}

void ItemsTableView::commitData(QWidget *editor)
{
    QTableView::commitData(editor);
}

ItemsTableViewController::ItemsTableViewController(
    Document &document, ItemsModel &model, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_model(model)
{
    configureView();
    connectRating();
    observeNotifications();
    connectTextEditing();
    connectHeader();
    prepareColumns();
}

ItemsTableViewController::~ItemsTableViewController()
{
    NotificationCenter::instance().removeObserver(m_trackingObserver);
    NotificationCenter::instance().removeObserver(m_defaultsObserver);
}

void ItemsTableViewController::configureView()
{
    m_view = new ItemsTableView;
    m_view->setObjectName(QStringLiteral("ItemsTable"));
    m_view->setModel(&m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    m_view->setAlternatingRowColors(true);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setDragEnabled(true);
    m_view->setDragDropMode(QAbstractItemView::DragDrop);
    // Files dropped anywhere on the table are imported: no row is a target.
    m_view->setDropIndicatorShown(false);
    m_view->setDefaultDropAction(Qt::CopyAction);
    QHeaderView *rows = m_view->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(18);
    rows->setDefaultSectionSize(std::max(20, m_view->fontMetrics().height() + 6));
    QHeaderView *header = m_view->horizontalHeader();
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
}

void ItemsTableViewController::connectRating()
{
    m_ratingDelegate = new RatingDelegate(this);
    m_ratingDelegate->setTrackingAllowed([this](const QModelIndex &index) {
        // A press on a row that is not selected only selects it.
        return m_view->selectionModel()->isRowSelected(index.row(), {});
    });
    connect(m_ratingDelegate, &RatingDelegate::ratingTracked, this,
        [this](const QModelIndex &index, int rating) {
            for (int row : rowsForEdit(index.row())) {
                if (row != index.row())
                    m_model.setData(m_model.index(row, index.column()), rating, Qt::EditRole);
            }
        });
    connect(
        m_ratingDelegate, &RatingDelegate::trackingEnded, this, [this](const QModelIndex &index) {
            m_trackedIndex = index;
            NotificationCenter::instance().post(TableElementDidEndTrackingNotification, this,
                { { LibraryNotification::LibraryIdentifierKey, m_document.identifier() } });
        });
}

void ItemsTableViewController::observeNotifications()
{
    m_trackingObserver = NotificationCenter::instance().addObserver(
        TableElementDidEndTrackingNotification,
        [this](const Notification &note) {
            if (note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
                == m_document.identifier())
                QTimer::singleShot(0, this, [this] { trackingEnded(m_trackedIndex); });
        },
        this);
    m_defaultsObserver = NotificationCenter::instance().addObserver(
        DocumentDefaultsNotification::DidChange,
        [this](const Notification &note) {
            if (note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
                == m_document.identifier())
                applySettings();
        },
        this);
}

void ItemsTableViewController::connectTextEditing()
{
    auto *text = new ItemsTextDelegate(this);
    text->setCompletions([this](int column, const QString &prefix) -> QStringList {
        if (column < 0 || column >= m_model.columns().size()
            || !m_model.columns().at(column).userField
            || !UserDefaults::standard().boolForKey(QStringLiteral("AutoCompleteUserFields")))
            return {};
        const MediaUserFieldPtr field
            = m_document.library().userFieldWithIdentifier(m_model.columns().at(column).identifier);
        return field ? field->completionsForPrefix(prefix) : QStringList();
    });
    text->setCommit([this](const QModelIndex &index, const QString &value) {
        bool changed = false;
        for (int row : rowsForEdit(index.row()))
            changed |= m_model.setData(m_model.index(row, index.column()), value, Qt::EditRole);
        if (changed)
            postEndEditing(index);
    });
    m_view->setItemDelegate(text);
    connect(&m_model, &ItemsModel::editRefused, this, &ItemsTableViewController::editRefused);
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        // A reset drops the header's per-section state only when columns change.
        if (m_model.columnCount() != m_view->horizontalHeader()->count())
            applySettings();
    });
}

void ItemsTableViewController::connectHeader()
{
    QHeaderView *header = m_view->horizontalHeader();
    m_headerMenu = new QMenu(m_view);
    m_headerMenu->setObjectName(QStringLiteral("ItemsHeaderMenu"));
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint &at) {
        m_headerMenu->popup(m_view->horizontalHeader()->mapToGlobal(at));
    });
    connect(m_headerMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction *action : m_headerMenu->actions()) {
            if (action->isCheckable())
                action->setChecked(isColumnVisible(action->data().toString()));
        }
    });
    connect(header, &QHeaderView::sectionMoved, this, &ItemsTableViewController::sectionMoved);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (m_columnsPrepared)
            saveLayout();
    });
    connect(header, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (m_sortRequest && logical >= 0 && logical < m_model.columns().size())
            m_sortRequest(m_model.columns().at(logical).identifier);
    });
}

bool ItemsTableViewController::tableEditInProgress() const
{
    return m_view->isEditing();
}

void ItemsTableViewController::commitEdit()
{
    if (!tableEditInProgress())
        return;
    if (QWidget *editor = m_view->indexWidget(m_view->currentIndex())) {
        // Through the delegate, so the edit is checked and reported like any other.
        QMetaObject::invokeMethod(m_view->itemDelegate(), "commitData", Q_ARG(QWidget *, editor));
        QMetaObject::invokeMethod(m_view->itemDelegate(), "closeEditor", Q_ARG(QWidget *, editor),
            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
}

void ItemsTableViewController::prepareColumns()
{
    m_columnsPrepared = false;
    QHeaderView *header = m_view->horizontalHeader();
    for (int column = 0; column < m_model.columns().size(); ++column) {
        const ItemsColumn &info = m_model.columns().at(column);
        if (info.identifier == ItemsColumns::RatingColumn)
            m_view->setItemDelegateForColumn(column, m_ratingDelegate);
        else if (info.identifier == ItemsColumns::IconColumn)
            m_view->setItemDelegateForColumn(column, new StatusDelegate(this));
    }
    const int icon = m_model.columnOf(ItemsColumns::IconColumn);
    if (icon >= 0)
        header->setSectionResizeMode(icon, QHeaderView::Fixed);
    header->setMinimumSectionSize(16);
    const PlistValue visibility = m_document.defaults().tableColumnVisibility();
    for (int column = 0; column < m_model.columns().size(); ++column)
        m_view->setColumnHidden(column,
            !ItemsTableLayout::isVisible(visibility, m_model.columns().at(column).identifier));
    restoreLayout();
    m_columnsPrepared = true;
    rebuildHeaderMenu();
}

void ItemsTableViewController::restoreLayout()
{
    QList<ItemsTableLayout::Placement> columns;
    for (const ItemsColumn &column : m_model.columns())
        columns.append({ column.identifier, column.defaultWidth });
    const PlistDictionary defaults = Definitions::shared()
                                         .documentDefaults()
                                         .value(QStringLiteral("TableColumnMetrics"))
                                         .toDictionary();
    const QList<ItemsTableLayout::Placement> placed = ItemsTableLayout::restore(
        m_document.defaults().tableColumnMetrics(), defaults, columns, ItemsColumns::IconColumn);
    QHeaderView *header = m_view->horizontalHeader();
    const bool wasPrepared = std::exchange(m_columnsPrepared, false);
    for (int visual = 0; visual < placed.size(); ++visual) {
        const int logical = m_model.columnOf(placed.at(visual).identifier);
        if (logical < 0)
            continue;
        m_undoingMove = true;
        header->moveSection(header->visualIndex(logical), visual);
        m_undoingMove = false;
        header->resizeSection(logical, int(placed.at(visual).width));
    }
    m_columnsPrepared = wasPrepared;
}

QStringList ItemsTableViewController::displayOrder() const
{
    const QHeaderView *header = m_view->horizontalHeader();
    QStringList order;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && logical < m_model.columns().size())
            order.append(m_model.columns().at(logical).identifier);
    }
    return order;
}

void ItemsTableViewController::saveLayout()
{
    const QHeaderView *header = m_view->horizontalHeader();
    QList<ItemsTableLayout::Placement> placed;
    for (const QString &identifier : displayOrder()) {
        const int logical = m_model.columnOf(identifier);
        const int width = header->sectionSize(logical);
        placed.append({ identifier,
            double(width > 0 ? width : int(m_model.columns().at(logical).defaultWidth)) });
    }
    m_document.defaults().setTableColumnMetrics(ItemsTableLayout::record(placed));
    m_document.updateChangeCount(Document::Change::Done);
}

void ItemsTableViewController::sectionMoved(int logical, int from, int to)
{
    Q_UNUSED(logical);
    if (m_undoingMove)
        return;
    if (from == 0 || to == 0) {
        // The first column stays first.
        m_undoingMove = true;
        m_view->horizontalHeader()->moveSection(to, from);
        m_undoingMove = false;
        return;
    }
    if (m_columnsPrepared) {
        saveLayout();
        rebuildHeaderMenu();
    }
}

void ItemsTableViewController::rebuildHeaderMenu()
{
    m_headerMenu->clear();
    m_headerMenu->addAction(
        tr("Autosize All Columns"), this, &ItemsTableViewController::autosizeColumns);
    m_headerMenu->addSeparator();
    const Definitions &definitions = Definitions::shared();
    for (const QString &key : definitions.detailMenuItems()) {
        if (key == QLatin1String("-")) {
            m_headerMenu->addSeparator();
            continue;
        }
        QAction *action = m_headerMenu->addAction(definitions.propertyDefinition(key).arrangeTitle);
        action->setCheckable(true);
        action->setData(key);
        action->setEnabled(m_model.columnOf(key) >= 0);
        connect(action, &QAction::triggered, this, [this, key] { toggleColumn(key); });
    }
    const QList<ItemsColumn> &columns = m_model.columns();
    bool separated = false;
    for (const ItemsColumn &column : columns) {
        if (!column.userField)
            continue;
        if (!std::exchange(separated, true))
            m_headerMenu->addSeparator();
        QAction *action = m_headerMenu->addAction(column.title);
        action->setCheckable(true);
        action->setData(column.identifier);
        const QString identifier = column.identifier;
        connect(
            action, &QAction::triggered, this, [this, identifier] { toggleColumn(identifier); });
    }
}

bool ItemsTableViewController::isColumnVisible(const QString &identifier) const
{
    const int column = m_model.columnOf(identifier);
    return column >= 0 && !m_view->isColumnHidden(column);
}

void ItemsTableViewController::toggleColumn(const QString &identifier)
{
    const int column = m_model.columnOf(identifier);
    if (column < 0)
        return;
    m_view->setColumnHidden(column, !m_view->isColumnHidden(column));
    if (!m_view->isColumnHidden(column) && m_view->columnWidth(column) < 16)
        m_view->setColumnWidth(column, int(m_model.columns().at(column).defaultWidth));
    PlistDictionary visibility;
    for (const ItemsColumn &info : m_model.columns())
        visibility.insert(info.identifier, isColumnVisible(info.identifier));
    m_document.defaults().setTableColumnVisibility(visibility);
    m_document.updateChangeCount(Document::Change::Done);
}

void ItemsTableViewController::autosizeColumns()
{
    // With no rows there is nothing to measure: keeping the widths beats
    // collapsing every column to nothing for good.
    if (m_model.rowCount() == 0)
        return;
    for (int column = 0; column < m_model.columnCount(); ++column) {
        if (!m_view->isColumnHidden(column)
            && m_model.columns().at(column).identifier != ItemsColumns::IconColumn)
            m_view->resizeColumnToContents(column);
    }
    saveLayout();
}

void ItemsTableViewController::applySettings()
{
    m_model.updateUserFieldColumns();
    prepareColumns();
}

QList<int> ItemsTableViewController::rowsForEdit(int row) const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    const bool isSelected = std::any_of(selected.begin(), selected.end(),
        [row](const QModelIndex &index) { return index.row() == row; });
    if (!isSelected || selected.size() < 2)
        return { row };
    // A name belongs to one file: only the edited row is renamed.
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid()
        && m_model.columns().at(current.column()).identifier == ItemsColumns::NameColumn)
        return { row };
    QList<int> rows;
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    return rows;
}

void ItemsTableViewController::postEndEditing(const QModelIndex &index)
{
    const MediaElementPtr element = m_model.elementAt(index.row());
    if (!element || index.column() >= m_model.columns().size())
        return;
    const ItemsColumn &column = m_model.columns().at(index.column());
    const QString key = column.key ? ElementKeys::name(*column.key) : column.identifier;
    QSet<QString> keys = ElementKeys::affectedKeys(key);
    keys.insert(key);
    NotificationCenter::instance().post(TableElementDidEndEditingNotification, this,
        { { LibraryNotification::LibraryIdentifierKey, m_document.identifier() },
            { LibraryNotification::LibraryElementKey, QVariant::fromValue(element) },
            { LibraryNotification::LibraryElementPropertiesKey, QStringList(keys.values()) } });
}

void ItemsTableViewController::trackingEnded(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    postEndEditing(m_model.index(index.row(), m_model.columnOf(ItemsColumns::RatingColumn)));
}

} // namespace vidarium
