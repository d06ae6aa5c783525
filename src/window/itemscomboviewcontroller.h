#pragma once

// The combined list as one of the items pane's views: the list over the shared
// items model and selection, its rows as wide as the library's filmstrips, and
// the current row's edits (name, comments, rating) announced as the table's
// are. It takes file drops only while shown.
// Threads: main thread.

#include "platform/notificationcenter.h"

#include <QObject>

namespace vidarium {

class Document;
class ItemImages;
class ItemsComboView;
class ItemsModel;

class ItemsComboViewController : public QObject
{
    Q_OBJECT
public:
    ItemsComboViewController(
        Document &document, ItemsModel &model, ItemImages &images, QObject *parent = nullptr);
    ~ItemsComboViewController() override;

    ItemsComboView *itemsView() const { return m_view; }
    // Shown or hidden by the pane's view switch.
    void setActive(bool active);
    // Takes the filmstrip's frame count from the library's settings.
    void applySettings();
    // Commits what the current row's controls hold.
    void commitEdit();

private:
    QWidget *makeEditor(QWidget *parent, int row);
    void rename(int row, const QString &name);
    void postEndEditing(int row, const QString &key);

    Document &m_document;
    ItemsModel &m_model;
    ItemsComboView *m_view = nullptr;
    ObserverToken m_defaultsObserver;
};

} // namespace vidarium
