#include "filtersubviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/documentwindow.h"
#include "window/filterlistdelegate.h"
#include "window/filterlistmodel.h"
#include "window/filtersearchview.h"
#include "window/filtertally.h"
#include "window/itemssearch.h"
#include "window/sourceviewcontroller.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QVBoxLayout>

namespace vidarium {

namespace {

bool sameSet(const PlistArray &a, const PlistArray &b)
{
    if (a.size() != b.size())
        return false;
    for (const PlistValue &value : a) {
        if (!b.contains(value))
            return false;
    }
    return true;
}

QStringList keyList(const QVariant &keys)
{
    if (keys.metaType() == QMetaType::fromType<QSet<QString>>()) {
        const QSet<QString> set = keys.value<QSet<QString>>();
        return QStringList(set.cbegin(), set.cend());
    }
    return keys.toStringList();
}

// Filters a key press before the list sees it: Escape is the list's own.
class EscapeFilter : public QObject
{
public:
    EscapeFilter(std::function<void()> handler, QObject *parent)
        : QObject(parent)
        , m_handler(std::move(handler))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
            return false;
        m_handler();
        return true;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

FilterSubviewController::FilterSubviewController(
    Document &document, SourceViewController &source, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_source(source)
    , m_tally(std::make_unique<FilterTally>(document.library()))
{
    m_model = new FilterListModel(this);
    buildView();
    connect(m_model, &FilterListModel::aboutToArrange, this, [this] {
        m_keptSelection = selectedValues();
        m_arranging = true;
    });
    connect(m_model, &FilterListModel::arranged, this, [this] {
        restoreSelection();
        m_arranging = false;
        tableViewSelectionDidChange();
        emit rowsChanged();
    });
    connect(m_itemsView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_arranging)
            tableViewSelectionDidChange();
    });
    connect(
        searchField(), &QLineEdit::textChanged, this, &FilterSubviewController::searchFieldAction);
    observe(DocumentWindow::FirstResponderDidChange,
        [this](const Notification &note) { firstResponderDidChange(note); });
    // The preferences announce their changes of the window settings this way.
    observe(QStringLiteral("com.tallowmere.vidarium.AppDidChangeIconAppearanceNotification"),
        [this](const Notification &) { applySearchBoxSetting(); });
    updateCountColumn();
    applySearchBoxSetting();
}

FilterSubviewController::~FilterSubviewController()
{
    cleanup();
}

void FilterSubviewController::buildView()
{
    m_view = new QWidget;
    m_layout = new QVBoxLayout(m_view);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_searchView = new FilterSearchView;
    m_searchView->setEscapeHandler([this] { cancelOperation(); });
    m_layout->addWidget(m_searchView);
    m_itemsView = new QListView;
    m_itemsView->setObjectName(QStringLiteral("FilterList"));
    m_itemsView->setFrameShape(QFrame::NoFrame);
    m_itemsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_itemsView->setUniformItemSizes(true);
    m_itemsView->setAlternatingRowColors(true);
    m_itemsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_itemsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_itemsView->setItemDelegate(new FilterListDelegate(m_itemsView));
    m_itemsView->setModel(m_model);
    // The window hands Escape to its menu command everywhere else; here it
    // clears the list's search.
    m_itemsView->setProperty("keepsEscapeKey", true);
    m_itemsView->installEventFilter(new EscapeFilter([this] { cancelOperation(); }, this));
    m_layout->addWidget(m_itemsView, 1);
}

namespace {

// A header bar with the list's window colour and a line beneath it.
class HeaderBar : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
};

} // namespace

QWidget *FilterSubviewController::makeHeaderBar(QHBoxLayout **layout)
{
    auto *bar = new HeaderBar;
    bar->setObjectName(QStringLiteral("FilterHeader"));
    bar->setFixedHeight(24);
    *layout = new QHBoxLayout(bar);
    (*layout)->setContentsMargins(7, 1, 4, 2);
    (*layout)->setSpacing(4);
    return bar;
}

void FilterSubviewController::setHeader(QWidget *header)
{
    m_layout->insertWidget(0, header);
}

QLineEdit *FilterSubviewController::searchField() const
{
    return m_searchView->searchField();
}

void FilterSubviewController::observe(
    const QString &name, std::function<void(const Notification &)> handler)
{
    m_observers.append(NotificationCenter::instance().addObserver(
        name,
        [this, handler = std::move(handler)](const Notification &note) {
            if (!m_cleanedUp)
                handler(note);
        },
        this));
}

bool FilterSubviewController::concernsThisLibrary(const Notification &note) const
{
    return note.object == &m_document
        || note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
        == m_document.identifier();
}

void FilterSubviewController::cleanup()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
    m_selectedSet.clear();
}

// --- Contents ----------------------------------------------------------------------

bool FilterSubviewController::shouldPopulateFilter(const QVariantMap &userInfo) const
{
    const auto found = userInfo.constFind(LibraryNotification::LibraryElementPropertiesKey);
    if (found == userInfo.constEnd())
        return true;
    const QStringList changed = keyList(*found);
    // A change that does not say what it touched may touch anything.
    if (changed.isEmpty())
        return true;
    QSet<QString> watched;
    for (const QString &path : source().selectedNodePredicateKeyPaths() + populateKeyPaths()) {
        watched.insert(path);
        watched.insert(path.section(QLatin1Char('.'), 0, 0));
    }
    for (const QString &key : changed) {
        QSet<QString> touched = ElementKeys::affectedKeys(key.section(QLatin1Char('.'), 0, 0));
        touched.insert(key);
        if (touched.intersects(watched))
            return true;
    }
    return false;
}

void FilterSubviewController::populateFilter(const Notification &note)
{
    if (concernsThisLibrary(note) && shouldPopulateFilter(note.userInfo))
        populate();
}

void FilterSubviewController::populate()
{
    ++m_populateCount;
    fill(m_source.selectedNodeElements());
}

void FilterSubviewController::updateCountColumn()
{
    m_model->setShowsCounts(m_document.defaults().showFilterElementCounts());
}

// --- Selection and criteria ----------------------------------------------------------

PlistArray FilterSubviewController::selectedValues() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_itemsView->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    PlistArray values;
    for (int row : rows) {
        if (row >= 0 && row < m_model->rowCount())
            values.append(m_model->rowAt(row).value);
    }
    return values;
}

void FilterSubviewController::restoreSelection()
{
    QItemSelection selection;
    for (const PlistValue &value : std::as_const(m_keptSelection)) {
        const int row = m_model->rowOf(value);
        if (row >= 0)
            selection.select(m_model->index(row), m_model->index(row));
    }
    // The list never stays without a selection: the first row, the top row, takes it.
    if (selection.isEmpty() && m_model->rowCount() > 0)
        selection.select(m_model->index(0), m_model->index(0));
    QItemSelectionModel *selectionModel = m_itemsView->selectionModel();
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        selectionModel->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
}

std::optional<Predicate> FilterSubviewController::predicate() const
{
    QList<Predicate> parts;
    QList<int> rows;
    for (const QModelIndex &index : m_itemsView->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    for (int row : rows) {
        const FilterRow &item = m_model->rowAt(row);
        // The top row stands for everything: no narrowing, whatever else is selected.
        if (item.isTopItem())
            return std::nullopt;
        if (std::optional<Predicate> part = rowPredicate(item))
            parts.append(*part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.size() == 1 ? std::optional<Predicate>(parts.first()) : combine(parts);
}

std::optional<Predicate> FilterSubviewController::combine(const QList<Predicate> &predicates) const
{
    return Predicate::orPredicate(predicates);
}

void FilterSubviewController::tableViewSelectionDidChange()
{
    const PlistArray selected = selectedValues();
    if (sameSet(selected, m_selectedSet))
        return;
    m_selectedSet = selected;
    announce();
}

void FilterSubviewController::announce()
{
    if (m_cleanedUp)
        return;
    QVariantMap info { { LibraryNotification::LibraryIdentifierKey, m_document.identifier() },
        { FilterNotification::FilterTypeKey, filterType() } };
    if (const std::optional<Predicate> criteria = predicate())
        info.insert(FilterNotification::FilterPredicateKey, QVariant::fromValue(*criteria));
    NotificationCenter::instance().post(FilterNotification::SelectionDidChange, this, info);
}

// --- Search box ------------------------------------------------------------------------

void FilterSubviewController::searchFieldAction()
{
    m_model->setSearchWords(ItemsSearch::searchWords(searchField()->text()));
}

bool FilterSubviewController::isSearchBoxVisible() const
{
    return !m_searchView->isHidden();
}

void FilterSubviewController::setSearchBoxVisible(bool visible)
{
    m_searchView->setVisible(visible);
}

void FilterSubviewController::applySearchBoxSetting()
{
    const bool always = UserDefaults::standard().boolForKey(SettingKey::ShowFilterSearchBoxes);
    const bool focused = m_view->isAncestorOf(QApplication::focusWidget());
    setSearchBoxVisible(always || !searchField()->text().isEmpty() || focused);
}

void FilterSubviewController::performFindPanelAction()
{
    setSearchBoxVisible(true);
    searchField()->setFocus(Qt::ShortcutFocusReason);
    searchField()->selectAll();
}

void FilterSubviewController::cancelOperation()
{
    searchField()->clear();
    m_itemsView->setFocus(Qt::OtherFocusReason);
    if (!UserDefaults::standard().boolForKey(SettingKey::ShowFilterSearchBoxes))
        setSearchBoxVisible(false);
    searchFieldAction();
}

void FilterSubviewController::firstResponderDidChange(const Notification &note)
{
    const auto inside = [this](const QVariant &value) {
        auto *widget = qobject_cast<QWidget *>(value.value<QObject *>());
        return widget && (widget == m_view || m_view->isAncestorOf(widget));
    };
    if (!inside(note.userInfo.value(DocumentWindow::FirstResponderPreviousKey))
        || inside(note.userInfo.value(DocumentWindow::FirstResponderNextKey)))
        return;
    if (!UserDefaults::standard().boolForKey(SettingKey::ShowFilterSearchBoxes)
        && searchField()->text().isEmpty())
        setSearchBoxVisible(false);
}

} // namespace vidarium
