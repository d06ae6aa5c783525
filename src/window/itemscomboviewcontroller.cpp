#include "itemscomboviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/elementkeys.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "model/stringutilities.h"
#include "window/filebrowser.h"
#include "window/itemscombodelegate.h"
#include "window/itemscomboeditor.h"
#include "window/itemscomboview.h"
#include "window/itemsmodel.h"
#include "window/itemstableviewcontroller.h"

#include <QLineEdit>

namespace vidarium {

ItemsComboViewController::ItemsComboViewController(
    Document &document, ItemsModel &model, ItemImages &images, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_model(model)
{
    m_view = new ItemsComboView(model, images);
    m_view->setLibraryIdentifier(document.identifier());
    ItemsComboDelegate *delegate = m_view->comboDelegate();
    delegate->setEditorFactory(
        [this](QWidget *parent, int row) { return makeEditor(parent, row); });
    delegate->setRatingHandler([this](int row, int rating) {
        const int column = m_model.columnOf(ItemsColumns::RatingColumn);
        if (column >= 0 && m_model.setData(m_model.index(row, column), rating, Qt::EditRole))
            postEndEditing(row, QStringLiteral("rating"));
    });
    m_defaultsObserver = NotificationCenter::instance().addObserver(
        DocumentDefaultsNotification::DidChange,
        [this](const Notification &note) {
            if (note.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
                == m_document.identifier())
                applySettings();
        },
        this);
    applySettings();
    setActive(false);
}

ItemsComboViewController::~ItemsComboViewController()
{
    NotificationCenter::instance().removeObserver(m_defaultsObserver);
}

void ItemsComboViewController::setActive(bool active)
{
    // Dropped files are taken only by the view on show.
    m_view->setAcceptDrops(active);
    if (active)
        m_view->openRowEditor();
    else
        m_view->closeRowEditor();
}

void ItemsComboViewController::applySettings()
{
    const qint64 frames
        = m_document.defaults().imageMetrics().value(ImageMetricKeys::FilmstripFrames).toInteger();
    // A damaged setting still leaves room for one frame.
    const int shown = frames >= 1 ? int(std::min<qint64>(frames, 16)) : 5;
    if (shown != m_view->comboDelegate()->filmstripFrames()) {
        m_view->comboDelegate()->setFilmstripFrames(shown);
        m_view->relayout();
    }
}

void ItemsComboViewController::commitEdit()
{
    if (auto *editor = qobject_cast<ItemsComboEditor *>(
            m_view->indexWidget(m_model.index(m_view->editedRow(), 0))))
        editor->commit();
}

QWidget *ItemsComboViewController::makeEditor(QWidget *parent, int row)
{
    const MediaElementPtr element = m_model.elementAt(row);
    if (!element)
        return nullptr;
    const QString identifier = element->identifier();
    ItemsComboEditor::Handlers handlers;
    // The row may have moved by the time an edit lands: the element says where.
    handlers.rename = [this, identifier](const QString &name) {
        rename(m_model.rowOfIdentifier(identifier), name);
    };
    handlers.comment = [this, identifier](const QString &comments) {
        const int row = m_model.rowOfIdentifier(identifier);
        const int column = m_model.columnOf(QStringLiteral("userComments"));
        if (row < 0)
            return;
        if (column >= 0) {
            if (m_model.setData(m_model.index(row, column), comments, Qt::EditRole))
                postEndEditing(row, QStringLiteral("userComments"));
        } else if (const MediaElementPtr edited = m_model.elementAt(row)) {
            edited->setUserComments(comments);
            postEndEditing(row, QStringLiteral("userComments"));
        }
    };
    handlers.reveal = [element] { FileBrowser::reveal({ packagePath(element->path()) }); };
    return new ItemsComboEditor(
        element->name(), element->userComments(), std::move(handlers), parent);
}

void ItemsComboViewController::rename(int row, const QString &name)
{
    const int column = m_model.columnOf(ItemsColumns::NameColumn);
    if (row < 0 || column < 0)
        return;
    if (m_model.setData(m_model.index(row, column), name, Qt::EditRole)) {
        postEndEditing(row, QStringLiteral("name"));
        return;
    }
    // A refused name goes back to the file's own (the model said why).
    if (auto *editor = qobject_cast<ItemsComboEditor *>(m_view->indexWidget(m_model.index(row, 0))))
        editor->nameField()->setText(m_model.elementAt(row)->name());
}

void ItemsComboViewController::postEndEditing(int row, const QString &key)
{
    const MediaElementPtr element = m_model.elementAt(row);
    if (!element)
        return;
    QSet<QString> keys = ElementKeys::affectedKeys(key);
    keys.insert(key);
    NotificationCenter::instance().post(TableElementDidEndEditingNotification, this,
        { { LibraryNotification::LibraryIdentifierKey,
              element->owner().isEmpty() ? m_document.identifier() : element->owner() },
            { LibraryNotification::LibraryElementKey, QVariant::fromValue(element) },
            { LibraryNotification::LibraryElementPropertiesKey, QStringList(keys.values()) } });
}

} // namespace vidarium
