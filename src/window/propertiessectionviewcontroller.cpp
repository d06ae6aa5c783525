#include "propertiessectionviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "window/detailpropertiesmodel.h"
#include "window/detailselection.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>

#include <algorithm>

namespace vidarium {

namespace {

// Placeholders in the placeholder colour; the rating is chosen from its six texts.
class PropertyContentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(DetailPropertiesModel::PlaceholderRole).toBool())
            option->palette.setColor(
                QPalette::Text, option->palette.color(QPalette::PlaceholderText));
        option->features |= QStyleOptionViewItem::WrapText;
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        if (!isRating(index))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *box = new QComboBox(parent);
        box->addItems(Definitions::shared().ratingStrings());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor); box && isRating(index))
            box->setCurrentIndex(index.data(Qt::EditRole).toInt());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor); box && isRating(index))
            model->setData(index, box->currentIndex(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    static bool isRating(const QModelIndex &index)
    {
        return DetailPropertiesModel::isRatingKey(
            index.data(DetailPropertiesModel::KeyRole).toString());
    }
};

QFont smallFont(const QFont &base)
{
    QFont small = base;
    small.setPointSizeF(base.pointSizeF() * 0.9);
    return small;
}

} // namespace

PropertiesSectionViewController::PropertiesSectionViewController(
    Document &document, const DetailSelection &selection, QObject *parent)
    : DetailSectionController(
        QStringLiteral("Properties"), tr("Properties"), document, selection, parent)
{
    m_model = new DetailPropertiesModel(document, selection, this);
    m_itemsView = new QTableView;
    m_itemsView->setObjectName(QStringLiteral("PropertiesTable"));
    m_itemsView->setModel(m_model);
    m_itemsView->setFont(smallFont(m_itemsView->font()));
    m_itemsView->setItemDelegateForColumn(
        DetailPropertiesModel::ContentColumn, new PropertyContentDelegate(m_itemsView));
    m_itemsView->horizontalHeader()->hide();
    m_itemsView->horizontalHeader()->setSectionResizeMode(
        DetailPropertiesModel::TitleColumn, QHeaderView::Fixed);
    m_itemsView->horizontalHeader()->setStretchLastSection(true);
    m_itemsView->verticalHeader()->hide();
    m_itemsView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_itemsView->verticalHeader()->setMinimumSectionSize(1);
    m_itemsView->setShowGrid(false);
    m_itemsView->setWordWrap(true);
    m_itemsView->setFrameShape(QFrame::NoFrame);
    m_itemsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_itemsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_itemsView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_itemsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The table never takes the focus from the items: values edit on a double click.
    m_itemsView->setFocusPolicy(Qt::ClickFocus);
    m_itemsView->setEditTriggers(QAbstractItemView::DoubleClicked);
    m_itemsView->setDragEnabled(true);
    m_itemsView->setAcceptDrops(true);
    m_itemsView->setDropIndicatorShown(true);
    m_itemsView->setDragDropMode(QAbstractItemView::DragDrop);
    m_itemsView->setDragDropOverwriteMode(false);
    m_itemsView->setDefaultDropAction(Qt::CopyAction);
    m_itemsView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_menu = new QMenu(m_itemsView);
    m_menu->setObjectName(QStringLiteral("PropertiesMenu"));
    connect(m_itemsView, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        buildPropertyMenu();
        m_menu->popup(m_itemsView->viewport()->mapToGlobal(at));
    });
    connect(m_itemsView->horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int column, int, int width) {
            if (column == DetailPropertiesModel::ContentColumn && width != m_columnWidth) {
                m_columnWidth = width;
                updateAllRowHeights();
            }
        });
    // The new order is kept at once: left until the next change of rows, it
    // would be lost by a save in between.
    connect(m_model, &DetailPropertiesModel::rowsReordered, this, [this] {
        storeProperties();
        this->document().updateChangeCount(Document::Change::Done);
        updateAllRowHeights();
    });
    connect(m_model, &DetailPropertiesModel::valuesEdited, this, [this](const QStringList &keys) {
        NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
            { { LibraryNotification::LibraryIdentifierKey, this->document().identifier() },
                { LibraryNotification::LibraryElementPropertiesKey, keys } });
        this->document().updateChangeCount(Document::Change::Done);
        updateAllRowHeights();
    });
    connect(m_model, &DetailPropertiesModel::editRefused, this, [this](const QString &reason) {
        QToolTip::showText(m_itemsView->mapToGlobal(QPoint(0, 0)), reason, m_itemsView);
    });

    m_model->setKeys(document.defaults().detailProperties());
    m_observers.append(NotificationCenter::instance().addObserver(
        DocumentDefaultsNotification::DidChange,
        [this](const Notification &note) {
            if (note.object == &this->document()
                || note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
                    == this->document().identifier())
                documentDefaultsDidChange();
        },
        this));
    setView(m_itemsView);
    autosizeColumns();
    buildPropertyMenu();
    updateAllRowHeights();
}

int PropertiesSectionViewController::rowHeightForRow(int row) const
{
    const QString text = m_model->contentAt(row);
    if (text.isEmpty())
        return StandardRowHeight;
    // Very long values are measured only as far as they can be shown.
    const QString measured = text.size() > 4000 ? text.left(4000) : text;
    const int width = std::max(20, m_columnWidth - 6);
    const QFontMetrics metrics(m_itemsView->font());
    const int height
        = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, measured).height();
    return height > StandardRowHeight ? std::min(height + 3, 2000) : StandardRowHeight;
}

void PropertiesSectionViewController::updateRowHeights(const QList<int> &rows)
{
    bool changed = false;
    for (int row : rows) {
        const QString key = m_model->keys().value(row);
        const int height = rowHeightForRow(row);
        m_itemsView->verticalHeader()->resizeSection(row, height + IntercellSpacing);
        const auto cached = m_rowHeights.constFind(key);
        if (cached != m_rowHeights.constEnd() && *cached == height)
            continue;
        m_rowHeights.insert(key, height);
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Detail heights changed for index:%1 height:%2 key:%3")
                .arg(row)
                .arg(double(height), 0, 'f', 6)
                .arg(key));
        changed = true;
    }
    if (changed)
        postContentSizeChanged();
}

void PropertiesSectionViewController::updateAllRowHeights()
{
    m_columnWidth = m_itemsView->columnWidth(DetailPropertiesModel::ContentColumn);
    QList<int> rows;
    for (int row = 0; row < m_model->rowCount(); ++row)
        rows.append(row);
    updateRowHeights(rows);
}

int PropertiesSectionViewController::naturalHeight() const
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return StandardRowHeight + IntercellSpacing - 1;
    int height = 0;
    for (int row = 0; row < rows; ++row)
        height += m_rowHeights.value(m_model->keys().at(row), StandardRowHeight) + IntercellSpacing;
    return height - 1;
}

void PropertiesSectionViewController::selectionDidChange()
{
    if (isCleanedUp())
        return;
    updateRowHeights(m_model->refresh());
}

void PropertiesSectionViewController::autosizeColumns()
{
    if (m_model->rowCount() == 0)
        return;
    const QFontMetrics metrics(m_itemsView->font());
    int widest = 0;
    for (const QString &key : m_model->keys())
        widest = std::max(widest, metrics.horizontalAdvance(m_model->titleForKey(key)));
    m_itemsView->setColumnWidth(DetailPropertiesModel::TitleColumn, widest + 10);
}

void PropertiesSectionViewController::buildPropertyMenu()
{
    m_menu->clear();
    const Definitions &definitions = Definitions::shared();
    auto addEntry = [this](const QString &title, const QString &key) {
        QAction *entry = m_menu->addAction(title);
        entry->setData(key);
        entry->setCheckable(true);
        entry->setChecked(m_model->rowOfKey(key) >= 0);
        connect(entry, &QAction::triggered, this, [this, key] { toggleProperty(key); });
    };
    for (const QString &key : definitions.detailMenuItems()) {
        if (key == QLatin1String("-"))
            m_menu->addSeparator();
        else
            addEntry(definitions.propertyDefinition(key).label, key);
    }
    const QList<MediaUserFieldPtr> fields = document().library().activeUserFields();
    if (!fields.isEmpty())
        m_menu->addSeparator();
    for (const MediaUserFieldPtr &field : fields)
        addEntry(field->name(), field->identifier());
}

void PropertiesSectionViewController::toggleProperty(const QString &key)
{
    if (m_model->rowOfKey(key) >= 0)
        m_model->removeKey(key);
    else
        m_model->appendKey(key);
    storeProperties();
    rowsChanged();
    document().updateChangeCount(Document::Change::Done);
}

void PropertiesSectionViewController::storeProperties()
{
    document().defaults().setDetailProperties(m_model->keys());
}

void PropertiesSectionViewController::rowsChanged()
{
    buildPropertyMenu();
    autosizeColumns();
    m_rowHeights.clear();
    updateAllRowHeights();
    postContentSizeChanged();
}

void PropertiesSectionViewController::documentDefaultsDidChange()
{
    if (isCleanedUp())
        return;
    MediaLibrary &library = document().library();
    for (const QString &key : QStringList(m_model->keys())) {
        const MediaUserFieldPtr field = library.userFieldWithIdentifier(key);
        if (field && field->removed())
            m_model->removeKey(key);
    }
    storeProperties();
    rowsChanged();
}

void PropertiesSectionViewController::cleanup()
{
    if (!isCleanedUp()) {
        m_itemsView->setAcceptDrops(false);
        m_model->setKeys({});
    }
    DetailSectionController::cleanup();
}

} // namespace vidarium
