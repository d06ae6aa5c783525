#include "detailviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "widgets/stackingview.h"
#include "window/commentssectionviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/keywordssectionviewcontroller.h"
#include "window/postersectionviewcontroller.h"
#include "window/propertiessectionviewcontroller.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

namespace vidarium {

DetailViewController::DetailViewController(
    Document &document, ItemsViewController *items, QObject *parent)
    : PaneController(QStringLiteral("DetailView"), document, parent)
    , m_items(items)
{
    if (m_items)
        m_selection.setElements(m_items->selectedElements());
    buildSections();
    setView(m_stackingView);

    if (m_items) {
        connect(m_items->itemsView()->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, &DetailViewController::scheduleUpdate);
        // Rows replaced under an unchanged selection (a new collection) come this way.
        connect(
            m_items, &PaneController::stateChanged, this, &DetailViewController::scheduleUpdate);
    }
    connect(&document.library(), &MediaLibrary::elementValuesChanged, this,
        [this](const QString &identifier) { elementValuesChanged(identifier); });

    NotificationCenter &center = NotificationCenter::instance();
    // Any section of any inspector may have changed its height: laying out
    // again without animation is cheap.
    m_observers.append(center.addObserver(
        DetailNotification::ContentDidChangeSize,
        [this](const Notification &) {
            if (!isCleanedUp())
                m_stackingView->layoutSubviewsAnimated(false);
        },
        this));
    for (const QString &name :
        { DetailNotification::DidAddKeyword, DetailNotification::DidRenameKeyword,
            DetailNotification::DidRemoveKeywords, LibraryNotification::SystemDidChangeElements }) {
        m_observers.append(center.addObserver(
            name,
            [this](const Notification &note) {
                if (!isCleanedUp() && concernsThisLibrary(note))
                    scheduleUpdate();
            },
            this));
    }
}

DetailViewController::~DetailViewController()
{
    cleanup();
}

void DetailViewController::buildSections()
{
    m_stackingView = new StackingView;
    Document &doc = document();
    const QList<QPair<QString, DetailSectionController *>> made {
        { PropertiesKey, new PropertiesSectionViewController(doc, m_selection, this) },
        { CommentsKey, new CommentsSectionViewController(doc, m_selection, this) },
        { KeywordsKey, new KeywordsSectionViewController(doc, m_selection, this) },
        { PosterKey, new PosterSectionViewController(doc, m_selection, this) },
    };
    QList<StackingSectionView *> views;
    for (const auto &[key, section] : made) {
        m_viewControllers.insert(key, section);
        m_sections.append(section);
        views.append(new StackingSectionView(section->view(), section, section->title(),
            section->storedExpanded() ? StackingSectionView::Expanded
                                      : StackingSectionView::Collapsed));
    }
    m_stackingView->setSectionViews(views);
}

PropertiesSectionViewController *DetailViewController::properties() const
{
    return static_cast<PropertiesSectionViewController *>(m_viewControllers.value(PropertiesKey));
}

CommentsSectionViewController *DetailViewController::comments() const
{
    return static_cast<CommentsSectionViewController *>(m_viewControllers.value(CommentsKey));
}

KeywordsSectionViewController *DetailViewController::keywords() const
{
    return static_cast<KeywordsSectionViewController *>(m_viewControllers.value(KeywordsKey));
}

PosterSectionViewController *DetailViewController::poster() const
{
    return static_cast<PosterSectionViewController *>(m_viewControllers.value(PosterKey));
}

bool DetailViewController::concernsThisLibrary(const Notification &note) const
{
    return note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
        == document().identifier();
}

void DetailViewController::scheduleUpdate()
{
    if (isCleanedUp() || std::exchange(m_updatePending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_updatePending)
            updateNow();
    });
}

void DetailViewController::updateNow()
{
    m_updatePending = false;
    if (isCleanedUp())
        return;
    applySelection(m_items ? m_items->selectedElements() : m_selection.elements());
}

void DetailViewController::setSelectedElements(const MediaElementList &elements)
{
    m_updatePending = false;
    applySelection(elements);
}

void DetailViewController::applySelection(const MediaElementList &elements)
{
    m_selection.setElements(elements);
    m_identifiersValid = false;
    for (DetailSectionController *section : std::as_const(m_sections))
        section->selectionDidChange();
}

void DetailViewController::elementValuesChanged(const QString &identifier)
{
    if (isCleanedUp() || m_updatePending || m_selection.isEmpty())
        return;
    if (!m_identifiersValid) {
        m_selectedIdentifiers.clear();
        m_selectedIdentifiers.reserve(m_selection.count());
        for (const MediaElementPtr &element : m_selection.elements())
            m_selectedIdentifiers.insert(element->identifier());
        m_identifiersValid = true;
    }
    if (m_selectedIdentifiers.contains(identifier))
        scheduleUpdate();
}

void DetailViewController::cleanup()
{
    if (isCleanedUp())
        return;
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
    if (m_items) {
        disconnect(m_items->itemsView()->selectionModel(), nullptr, this, nullptr);
        disconnect(m_items, nullptr, this, nullptr);
    }
    disconnect(&document().library(), nullptr, this, nullptr);
    for (DetailSectionController *section : std::as_const(m_sections))
        section->cleanup();
    PaneController::cleanup();
}

} // namespace vidarium
