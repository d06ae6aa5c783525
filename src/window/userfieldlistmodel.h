#pragma once

// The settings sheet's list of user fields: a copy of each active field with
// whether its table column is shown, sorted by name. Renaming refuses a blank
// name and a name another field in the list has (both would leave two columns
// or menu rows the user cannot tell apart, or none at all); new fields get the
// first free "Untitled" name.
// Threads: main thread.

#include "model/mediauserfield.h"
#include "platform/plist/plistvalue.h"

#include <QAbstractTableModel>
#include <QList>

namespace vidarium {

class MediaLibrary;

class UserFieldListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, VisibleColumn, ColumnCount };
    struct Row
    {
        MediaUserFieldPtr field;
        bool visible = false;
    };

    explicit UserFieldListModel(QObject *parent = nullptr);

    // A copy of each active field of the library; "visible" from the column
    // visibility entry under its identifier (false when there is none).
    void load(const MediaLibrary &library, const PlistDictionary &columnVisibility);
    const QList<Row> &rows() const { return m_rows; }
    QList<MediaUserFieldPtr> fields() const;

    // A new visible field for the library; returns its row.
    int addField(MediaLibrary &library);
    // Takes the rows away; returns the identifiers of the fields they held.
    QStringList removeRows(QList<int> rows);
    // The row of the field with this identifier, -1 when none.
    int rowOf(const QString &identifier) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // A rename was refused; the message says why.
    void editRefused(const QString &message);

private:
    bool nameTaken(const QString &name, int exceptRow) const;
    void sortRows();

    QList<Row> m_rows;
};

} // namespace vidarium
