#pragma once

// A flat list of elements for the items pane: each row one element, shown by
// name. The rows are set as a whole; a change of one element's values updates
// its row through an identifier-to-row table.
// Threads: main thread.

#include "model/mediaelement.h"

#include <QAbstractListModel>
#include <QHash>

namespace vidarium {

class ElementListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ElementListModel(QObject *parent = nullptr);

    void setElements(MediaElementList elements);
    const MediaElementList &elements() const { return m_elements; }
    MediaElementPtr elementAt(int row) const;
    int rowOf(const QString &identifier) const { return m_rows.value(identifier, -1); }
    void elementChanged(const QString &identifier);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    MediaElementList m_elements;
    QHash<QString, int> m_rows;
};

} // namespace vidarium
