#include "detailsectioncontroller.h"

#include "document/document.h"
#include "model/applicationsettings.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace vidarium {

DetailSectionController::DetailSectionController(const QString &name, const QString &title,
    Document &document, const DetailSelection &selection, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_title(title)
    , m_document(document)
    , m_selection(selection)
{
    m_expanded = storedExpanded();
}

DetailSectionController::~DetailSectionController()
{
    cleanup();
    // A view that never went into a section has no other owner.
    if (m_view && !m_view->parent())
        delete m_view;
}

QString DetailSectionController::expandedKey() const
{
    return m_name + QStringLiteral("Expanded");
}

bool DetailSectionController::storedExpanded() const
{
    const PlistValue stored = m_document.defaults().detailVisibility().value(expandedKey());
    return stored.type() == PlistValue::Type::Bool && stored.toBool();
}

void DetailSectionController::storeExpanded(bool expanded)
{
    m_expanded = expanded;
    PlistDictionary visibility = m_document.defaults().detailVisibility();
    visibility.insert(expandedKey(), expanded);
    m_document.defaults().setDetailVisibility(visibility);
    m_document.updateChangeCount(Document::Change::Done);
}

void DetailSectionController::sectionViewWillExpand()
{
    ApplicationSettings::logConsoleMessage(m_name + QStringLiteral(" section will expand"));
    storeExpanded(true);
}

void DetailSectionController::sectionViewWillCollapse()
{
    ApplicationSettings::logConsoleMessage(m_name + QStringLiteral(" section will collapse"));
    willCollapse();
    storeExpanded(false);
}

void DetailSectionController::cleanup()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
}

void DetailSectionController::setView(QWidget *view)
{
    m_view = view;
}

QVariantMap DetailSectionController::libraryInfo() const
{
    return { { LibraryNotification::LibraryIdentifierKey, m_document.identifier() } };
}

void DetailSectionController::postContentSizeChanged()
{
    if (!m_cleanedUp)
        NotificationCenter::instance().post(
            DetailNotification::ContentDidChangeSize, this, libraryInfo());
}

void DetailSectionController::postLater(const QString &name, const QVariantMap &extra)
{
    QVariantMap info = libraryInfo();
    info.insert(extra);
    QTimer::singleShot(0, this, [this, name, info] {
        if (!m_cleanedUp)
            NotificationCenter::instance().post(name, this, info);
    });
}

} // namespace vidarium
