#pragma once

// The property filter: the distinct values of one chosen property among the
// source selection's elements, each with the number of elements that have it.
// A user field marked to split counts every comma-separated part on its own.
// The chosen property is kept in the library settings; one that names nothing
// (or a field no longer active) gives way to the default property.
// Threads: main thread; counting may borrow one worker for large selections.

#include "window/filtersubviewcontroller.h"

#include <memory>

class QLabel;
class QMenu;
class QToolButton;

namespace vidarium {

class PropertyDisplay;

class PropertyFilterViewController : public FilterSubviewController
{
    Q_OBJECT
public:
    PropertyFilterViewController(Document &document, SourceViewController &source, QObject *parent);
    ~PropertyFilterViewController() override;

    // The property key the list shows ("None" shows no values).
    const QString &property() const { return m_property; }
    void selectProperty(const QString &key);
    int sortTag() const override;
    void arrangeFilterTable(int tag) override;

    // "<title> Filter", the header's title.
    QString headerTitle() const;
    QMenu *headerMenu() const { return m_headerMenu; }
    QMenu *contextMenu() const { return m_contextMenu; }
    // Whether `key` names something the list can show.
    bool isValidProperty(const QString &key) const;
    // The property of a new library's settings.
    static QString defaultProperty();

signals:
    // The user chose a property from the header's or the list's menu.
    void propertyChosen(const QString &key);

protected:
    QString filterType() const override;
    QStringList populateKeyPaths() const override;
    void fill(const MediaElementList &elements) override;
    std::optional<Predicate> rowPredicate(const FilterRow &row) const override;
    void applySortOrder() override;

private:
    void buildHeader();
    void buildMenus();
    void fillMenu(QMenu *menu);
    void settingsChanged();
    // Sets the property without refilling; a new one empties the list.
    void setProperty(const QString &key);
    bool isUserField(const QString &key) const;

    QString m_property;
    std::unique_ptr<PropertyDisplay> m_display;
    QLabel *m_title = nullptr;
    QToolButton *m_menuButton = nullptr;
    QMenu *m_headerMenu = nullptr;
    QMenu *m_contextMenu = nullptr;
};

} // namespace vidarium
