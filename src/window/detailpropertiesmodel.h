#pragma once

// The rows of the inspector's Properties section: one per chosen property key
// or user field, titled by the property's label (or the field's name), showing
// the selection's common value through the property's transformer and
// formatter, or "No Selection" / "Multiple Values". Rows move by dragging a
// row's key; values are edited in place under the items table's rule: the
// name of one element, the rating, comments and user fields of all selected.
// Threads: main thread.

#include "model/propertydisplay.h"
#include "window/detailselection.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace vidarium {

class Document;

class DetailPropertiesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { TitleColumn = 0, ContentColumn = 1 };
    enum Role { PlaceholderRole = Qt::UserRole + 1, KeyRole };
    static inline const QString RowType = QStringLiteral("VidariumPasteBoardDetailPropertyRowType");

    DetailPropertiesModel(
        Document &document, const DetailSelection &selection, QObject *parent = nullptr);

    const QStringList &keys() const { return m_keys; }
    void setKeys(const QStringList &keys);
    void appendKey(const QString &key);
    void removeKey(const QString &key);
    int rowOfKey(const QString &key) const { return int(m_keys.indexOf(key)); }
    QString titleForKey(const QString &key) const;
    QString contentAt(int row) const;
    bool isPlaceholder(int row) const;
    // Reads the selection's values again; returns the rows whose text changed.
    QList<int> refresh();
    // Whether the value of `key` can be edited for the current selection.
    bool isEditable(const QString &key) const;
    static bool isRatingKey(const QString &key) { return key == QLatin1String("rating"); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;

signals:
    // Values were written to the selected elements.
    void valuesEdited(const QStringList &keys);
    // An edit could not be applied; the text says why.
    void editRefused(const QString &reason);
    // The rows were reordered by a drop.
    void rowsReordered();

private:
    struct Content
    {
        QString text;
        bool placeholder = true;
    };
    Content contentForKey(const QString &key) const;
    bool isUserField(const QString &key) const;
    bool writeName(const QString &name);

    Document &m_document;
    const DetailSelection &m_selection;
    PropertyDisplay m_display;
    QStringList m_keys;
    QList<Content> m_contents;
};

} // namespace vidarium
