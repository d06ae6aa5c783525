#pragma once

// The Properties section of the detail inspector: a two-column list of the
// properties the library's settings choose, titled on the left, the
// selection's values on the right. Its menu adds and removes rows (the
// definitions' menu properties and the active user fields), rows are
// reordered by dragging, and the chosen keys are kept in the settings. Rows
// grow to show long values in full.
// Threads: main thread.

#include "window/detailsectioncontroller.h"

#include <QHash>

class QMenu;
class QTableView;

namespace vidarium {

class DetailPropertiesModel;

class PropertiesSectionViewController : public DetailSectionController
{
    Q_OBJECT
public:
    static constexpr int StandardRowHeight = 17;
    static constexpr int IntercellSpacing = 2;

    PropertiesSectionViewController(
        Document &document, const DetailSelection &selection, QObject *parent = nullptr);

    int naturalHeight() const override;
    void selectionDidChange() override;
    void cleanup() override;

    QTableView *itemsView() const { return m_itemsView; }
    DetailPropertiesModel *model() const { return m_model; }
    QMenu *contextualMenu() const { return m_menu; }
    void buildPropertyMenu();
    // A checked entry's row goes, an unchecked entry's key gets a row at the end.
    void toggleProperty(const QString &key);
    // The height a row needs for its value at the content column's width.
    int rowHeightForRow(int row) const;
    void autosizeColumns();

private:
    void updateRowHeights(const QList<int> &rows);
    void updateAllRowHeights();
    // The rows as they are now become the stored choice.
    void storeProperties();
    void documentDefaultsDidChange();
    void rowsChanged();

    DetailPropertiesModel *m_model = nullptr;
    QTableView *m_itemsView = nullptr;
    QMenu *m_menu = nullptr;
    QHash<QString, int> m_rowHeights;
    int m_columnWidth = 0;
};

} // namespace vidarium
