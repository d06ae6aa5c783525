#include "keywordssectionviewcontroller.h"

#include "document/document.h"
#include "model/applicationsettings.h"
#include "model/comparisons.h"
#include "model/medialibrary.h"
#include "window/detailkeywordsmodel.h"
#include "window/detailselection.h"
#include "window/keywordnamedelegate.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vidarium {

namespace {

QToolButton *barButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setAutoRaise(true);
    button->setFixedSize(24, 19);
    return button;
}

} // namespace

KeywordsSectionViewController::KeywordsSectionViewController(
    Document &document, const DetailSelection &selection, QObject *parent)
    : DetailSectionController(
        QStringLiteral("Keywords"), tr("Keywords"), document, selection, parent)
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("KeywordsSectionView"));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_model = new DetailKeywordsModel(document.library(), this);
    m_delegate = new KeywordNameDelegate(*m_model, this);
    m_itemsView = new QTableView;
    m_itemsView->setObjectName(QStringLiteral("KeywordsTable"));
    m_itemsView->setModel(m_model);
    m_itemsView->setItemDelegate(m_delegate);
    m_itemsView->horizontalHeader()->hide();
    m_itemsView->horizontalHeader()->setStretchLastSection(true);
    m_itemsView->verticalHeader()->hide();
    m_itemsView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_itemsView->verticalHeader()->setDefaultSectionSize(StandardRowHeight + IntercellSpacing);
    m_itemsView->setShowGrid(false);
    m_itemsView->setFrameShape(QFrame::NoFrame);
    m_itemsView->setAlternatingRowColors(true);
    m_itemsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_itemsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_itemsView->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    QFont small = m_itemsView->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_itemsView->setFont(small);
    layout->addWidget(m_itemsView, 1);

    // The button bar sits in a box drawn in the window-frame colour.
    auto *bar = new QFrame;
    bar->setObjectName(QStringLiteral("KeywordsButtonBorder"));
    bar->setFixedHeight(ButtonBarHeight);
    bar->setFrameShape(QFrame::Box);
    bar->setForegroundRole(QPalette::Mid);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(1, 1, 1, 1);
    barLayout->setSpacing(0);
    m_addButton = barButton(QStringLiteral("+"), QStringLiteral("KeywordsAddButton"), bar);
    m_addButton->setPopupMode(QToolButton::InstantPopup);
    m_addButton->setToolTip(tr("Add a keyword to the selected items"));
    m_addMenu = new QMenu(m_addButton);
    m_addMenu->setObjectName(QStringLiteral("KeywordsAddMenu"));
    QAction *newKeyword = m_addMenu->addAction(tr("New Keyword"));
    connect(newKeyword, &QAction::triggered, this, [this] { addKeyword(QString()); });
    m_addMenu->addSeparator();
    m_addButton->setMenu(m_addMenu);
    connect(m_addMenu, &QMenu::aboutToShow, this, &KeywordsSectionViewController::buildKeywordMenu);
    m_removeButton
        = barButton(QStringLiteral("\u2212"), QStringLiteral("KeywordsRemoveButton"), bar);
    m_removeButton->setToolTip(tr("Remove the chosen keywords from the selected items"));
    connect(
        m_removeButton, &QToolButton::clicked, this, &KeywordsSectionViewController::removeKeyword);
    barLayout->addWidget(m_addButton);
    barLayout->addWidget(m_removeButton);
    barLayout->addStretch(1);
    layout->addWidget(bar);

    auto *remove = new QAction(m_itemsView);
    remove->setShortcuts({ QKeySequence::Delete, QKeySequence(Qt::Key_Backspace) });
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &KeywordsSectionViewController::removeKeyword);
    m_itemsView->addAction(remove);

    connect(m_model, &DetailKeywordsModel::keywordRenamed, this,
        &KeywordsSectionViewController::keywordRenamed);
    connect(m_itemsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &KeywordsSectionViewController::updateButtons);
    setView(pane);
    selectionDidChange();
}

int KeywordsSectionViewController::naturalHeight() const
{
    const int rows = std::clamp(int(m_model->rowCount()), MinimumRows, MaximumRows);
    return (StandardRowHeight + IntercellSpacing) * rows + ButtonBarHeight;
}

QStringList KeywordsSectionViewController::changedProperties()
{
    return { QStringLiteral("userKeywords"), QStringLiteral("userKeywordObjects.name"),
        QStringLiteral("userKeywordsExist") };
}

void KeywordsSectionViewController::selectionDidChange()
{
    if (isCleanedUp())
        return;
    const QList<MediaUserKeywordPtr> keywords = selection().keywordUnion(document().library());
    // The selection's own change (a keyword just added) comes back here: the list
    // stays as it is, with the name being edited.
    if (keywords != m_model->keywords()) {
        m_delegate->finishEditing();
        m_model->setKeywords(keywords);
    }
    updateButtons();
    if (m_shownRows != m_model->rowCount()) {
        m_shownRows = m_model->rowCount();
        postContentSizeChanged();
    }
}

void KeywordsSectionViewController::updateButtons()
{
    m_addButton->setEnabled(!selection().isEmpty());
    m_removeButton->setEnabled(
        !selection().isEmpty() && m_itemsView->selectionModel()->hasSelection());
}

void KeywordsSectionViewController::buildKeywordMenu()
{
    const QList<QAction *> actions = m_addMenu->actions();
    for (qsizetype i = FixedMenuItems; i < actions.size(); ++i) {
        m_addMenu->removeAction(actions.at(i));
        delete actions.at(i);
    }
    QList<MediaUserKeywordPtr> others;
    for (const MediaUserKeywordPtr &keyword : document().library().userKeywords()) {
        if (m_model->rowOf(keyword.get()) < 0)
            others.append(keyword);
    }
    DetailSelection::sortKeywords(others);
    for (const MediaUserKeywordPtr &keyword : std::as_const(others)) {
        QAction *item = m_addMenu->addAction(keyword->name());
        item->setData(keyword->identifier());
        const QString identifier = keyword->identifier();
        connect(item, &QAction::triggered, this, [this, identifier] { addKeyword(identifier); });
    }
}

void KeywordsSectionViewController::addKeyword(const QString &identifier)
{
    if (selection().isEmpty())
        return;
    MediaLibrary &library = document().library();
    const bool created = identifier.isEmpty();
    const MediaUserKeywordPtr keyword
        = created ? library.createKeywordWithName() : library.keywordWithIdentifier(identifier);
    if (!keyword)
        return;
    for (const MediaElementPtr &element : selection().elements())
        element->addKeywordWithIdentifier(keyword->identifier());
    m_itemsView->setFocus();
    const int row = m_model->addKeyword(keyword);
    const QModelIndex index = m_model->index(row, 0);
    m_itemsView->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (created)
        m_itemsView->edit(index);
    postLater(DetailNotification::DidAddKeyword,
        { { LibraryNotification::LibraryElementPropertiesKey, changedProperties() },
            { LibraryNotification::LibraryKeywordKey, QVariant::fromValue(keyword) } });
    m_shownRows = m_model->rowCount();
    postLater(DetailNotification::ContentDidChangeSize);
    document().updateChangeCount(Document::Change::Done);
}

void KeywordsSectionViewController::keywordRenamed(const MediaUserKeywordPtr &keyword)
{
    m_itemsView->setFocus();
    postLater(DetailNotification::DidRenameKeyword,
        { { LibraryNotification::LibraryElementPropertiesKey, changedProperties() },
            { LibraryNotification::LibraryKeywordKey, QVariant::fromValue(keyword) } });
    document().updateChangeCount(Document::Change::Done);
}

void KeywordsSectionViewController::removeKeyword()
{
    if (selection().isEmpty())
        return;
    m_delegate->abortEditing();
    QList<MediaUserKeywordPtr> chosen;
    for (const QModelIndex &index : m_itemsView->selectionModel()->selectedRows()) {
        if (MediaUserKeywordPtr keyword = m_model->keywordAt(index.row()))
            chosen.append(keyword);
    }
    if (chosen.isEmpty())
        return;
    for (const MediaElementPtr &element : selection().elements()) {
        for (const MediaUserKeywordPtr &keyword : std::as_const(chosen))
            element->removeKeywordWithIdentifier(keyword->identifier());
    }
    m_itemsView->setFocus();
    m_model->removeKeywords(chosen);
    m_shownRows = m_model->rowCount();
    // The library prunes once the action is over, so that the lists that show the
    // keyword still find it while they hear of the removal.
    QTimer::singleShot(0, this, [this] {
        if (isCleanedUp())
            return;
        document().library().removeStaleKeywords();
        NotificationCenter::instance().post(DetailNotification::DidRemoveKeywords, this, [this] {
            QVariantMap info = libraryInfo();
            info.insert(LibraryNotification::LibraryElementPropertiesKey, changedProperties());
            return info;
        }());
    });
    postLater(DetailNotification::ContentDidChangeSize);
    document().updateChangeCount(Document::Change::Done);
}

bool KeywordsSectionViewController::isEditing() const
{
    return m_delegate->activeEditor() != nullptr;
}

bool KeywordsSectionViewController::isInFocus() const
{
    return m_itemsView->hasFocus() || isEditing();
}

void KeywordsSectionViewController::willCollapse()
{
    // A valid name being typed is kept; anything else is dropped.
    m_delegate->finishEditing();
    if (m_itemsView->hasFocus())
        m_itemsView->clearFocus();
}

void KeywordsSectionViewController::cleanup()
{
    if (!isCleanedUp())
        m_delegate->finishEditing();
    DetailSectionController::cleanup();
}

} // namespace vidarium
