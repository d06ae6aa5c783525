#pragma once

// Draws the source list's rows: group headings in small capitals without a
// disclosure triangle, collection and folder rows with their icon (white
// variants on a highlighted row when colour icons are off), the name elided at
// the end, and the count badge in its four colour states. Edits names in place.
// Threads: main thread.

#include <QStyledItemDelegate>

#include <functional>

namespace vidarium {

class SourceListModel;

class SourceListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // How the window stands, which decides the colours of highlights and badges.
    enum class Focus {
        ListFocused, // main window, no sheet, the list has the keyboard focus
        WindowMain, // main window, no sheet, focus elsewhere
        Inactive, // another window is main, or a sheet is attached
    };
    enum class BadgeStyle { Highlighted, Focused, WindowMain, Inactive };
    static constexpr int RowHeight = 24;
    static constexpr int GroupRowHeight = 26;

    SourceListDelegate(SourceListModel &model, std::function<Focus()> focus, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;

    // The badge's fill and text colours in one of its states.
    static std::pair<QColor, QColor> badgeColours(BadgeStyle style, const QPalette &palette);
    static BadgeStyle badgeStyle(bool highlighted, Focus focus);
    // Where a badge for `text` sits in a row `rect`.
    static QRectF badgeRect(const QRect &rect, const QString &text, const QFont &badgeFont);
    static QFont badgeFont();

private:
    void paintGroup(
        QPainter *painter, const QStyleOptionViewItem &option, const QString &title) const;

    SourceListModel &m_model;
    std::function<Focus()> m_focus;
};

} // namespace vidarium
