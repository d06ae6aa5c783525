#pragma once

// The Keywords section of the detail inspector: every keyword any selected
// element carries, a menu that adds a library keyword or a new "Untitled" one
// (named in place) to all selected elements, renaming in place, and removing
// the chosen keywords from the selection (keywords nobody carries any more
// leave the library). The other panes hear of each change.
// Threads: main thread.

#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "window/detailsectioncontroller.h"

class QMenu;
class QTableView;
class QToolButton;

namespace vidarium {

class DetailKeywordsModel;
class KeywordNameDelegate;

class KeywordsSectionViewController : public DetailSectionController
{
    Q_OBJECT
public:
    static constexpr int StandardRowHeight = 17;
    static constexpr int IntercellSpacing = 2;
    static constexpr int MinimumRows = 6;
    static constexpr int MaximumRows = 20;
    static constexpr int ButtonBarHeight = 21;
    // The items the add menu always starts with (a new keyword, a separator).
    static constexpr int FixedMenuItems = 2;

    KeywordsSectionViewController(
        Document &document, const DetailSelection &selection, QObject *parent = nullptr);

    int naturalHeight() const override;
    void selectionDidChange() override;
    void cleanup() override;

    QTableView *itemsView() const { return m_itemsView; }
    DetailKeywordsModel *model() const { return m_model; }
    QToolButton *addButton() const { return m_addButton; }
    QToolButton *removeButton() const { return m_removeButton; }
    QMenu *addMenu() const { return m_addMenu; }
    void buildKeywordMenu();

    // An empty identifier makes a new keyword, which is then named in place.
    void addKeyword(const QString &identifier);
    // Removes the keywords chosen in the list from every selected element.
    void removeKeyword();
    bool isEditing() const;
    // The table is the focus or one of its names is being edited.
    bool isInFocus() const;

protected:
    void willCollapse() override;

private:
    static QStringList changedProperties();
    void keywordRenamed(const MediaUserKeywordPtr &keyword);
    void updateButtons();

    DetailKeywordsModel *m_model = nullptr;
    KeywordNameDelegate *m_delegate = nullptr;
    QTableView *m_itemsView = nullptr;
    QToolButton *m_addButton = nullptr;
    QToolButton *m_removeButton = nullptr;
    QMenu *m_addMenu = nullptr;
    int m_shownRows = 0;
};

} // namespace vidarium
