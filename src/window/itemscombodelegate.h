#pragma once

// Paints one row of the combined list: the status bar, name, summary and
// rating, the filmstrip (or, while the pointer scrubs across it, the
// storyboard frame under the pointer), the comments, and the poster when the
// element has one. Rows with a poster are taller. The rating is set with the
// mouse on the current row; the row's other controls are its editor's.
// Threads: main thread.

#include <QAbstractItemDelegate>

#include <functional>

namespace vidarium {

class ItemImages;
class ItemsModel;

class ItemsComboDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 61;
    static constexpr int PosterRowHeight = 150;
    static constexpr int InfoWidth = 250;
    static constexpr int Gap = 8;

    // The parts of a row, from its rectangle.
    struct Layout
    {
        QRect status;
        QRect name;
        QRect reveal;
        QRect summary;
        QRect rating;
        QRect filmstrip;
        QRect comments;
        QRect poster;
    };

    ItemsComboDelegate(ItemsModel &model, ItemImages &images, QObject *parent = nullptr);

    // The filmstrip and comments areas are as wide as a filmstrip of this many frames.
    void setFilmstripFrames(int frames);
    int filmstripFrames() const { return m_frames; }
    // Frame count times 97 plus 3.
    int filmstripWidth() const;
    Layout layout(const QRect &row, bool poster) const;
    int rowHeight(int row) const;
    // The rating a click at x on the rating part of a row stands for.
    static int ratingAt(const QRect &rating, int x);
    // A click at `at` on the row: on its stars, the handler sets the rating
    // there (true); elsewhere nothing happens (false).
    bool clickRating(int row, const QRect &rowRect, const QPoint &at);
    // Sets and announces a rating clicked on the current row.
    void setRatingHandler(std::function<void(int row, int rating)> handler)
    {
        m_ratingHandler = std::move(handler);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    // Set by the view: whose filmstrip the pointer scrubs, and at which frame.
    void setScrub(int row, int frame)
    {
        m_scrubRow = row;
        m_scrubFrame = frame;
    }
    // Made by the controller: the editor of the current row.
    void setEditorFactory(std::function<QWidget *(QWidget *parent, int row)> factory)
    {
        m_editorFactory = std::move(factory);
    }

private:
    void paintInfo(
        QPainter *painter, const Layout &parts, const QStyleOptionViewItem &option, int row) const;
    void paintPictures(QPainter *painter, const Layout &parts, int row) const;
    void paintComments(QPainter *painter, const QRect &box, const QString &text,
        const QStyleOptionViewItem &option) const;

    ItemsModel &m_model;
    ItemImages &m_images;
    int m_frames = 5;
    int m_scrubRow = -1;
    int m_scrubFrame = 0;
    std::function<void(int, int)> m_ratingHandler;
    std::function<QWidget *(QWidget *, int)> m_editorFactory;
};

} // namespace vidarium
