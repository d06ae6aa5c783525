#include "itemscombodelegate.h"

#include "model/mediaelement.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemscomboeditor.h"
#include "window/itemsmodel.h"
#include "window/itemspainting.h"
#include "window/storyboardframes.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace vidarium {

namespace {

constexpr int FrameStep = 97; // a filmstrip frame and its gap
constexpr int Margin = 3;
constexpr int FilmstripHeight = 58;
const QColor PictureBorder(0, 0, 0, 64); // black at 25 percent

QFont smallFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

} // namespace

ItemsComboDelegate::ItemsComboDelegate(ItemsModel &model, ItemImages &images, QObject *parent)
    : QAbstractItemDelegate(parent)
    , m_model(model)
    , m_images(images)
{
}

void ItemsComboDelegate::setFilmstripFrames(int frames)
{
    m_frames = std::clamp(frames, 1, 16);
}

int ItemsComboDelegate::filmstripWidth() const
{
    return m_frames * FrameStep + 3;
}

ItemsComboDelegate::Layout ItemsComboDelegate::layout(const QRect &row, bool poster) const
{
    Layout parts;
    const int top = row.top() + Margin;
    const int height = row.height() - 2 * Margin;
    parts.status = QRect(row.left(), row.top(), 4, row.height());
    const int infoLeft = row.left() + 4 + Gap;
    parts.name = QRect(infoLeft, top + 2, InfoWidth - 22, 18);
    parts.reveal = QRect(infoLeft + InfoWidth - 18, top + 3, 16, 16);
    parts.summary = QRect(infoLeft, top + 21, InfoWidth, 15);
    parts.rating
        = QRect(infoLeft, top + 38, 5 * (ItemsPainting::StarSize + ItemsPainting::StarGap), 15);
    const int pictures = infoLeft + InfoWidth + Gap;
    // The filmstrip is shown at the size it was made: frames 54 high in a 2-point border.
    parts.filmstrip = QRect(pictures, row.top() + 1, filmstripWidth(), FilmstripHeight);
    parts.comments = QRect(parts.filmstrip.right() + 1 + Gap, top, filmstripWidth(), height);
    if (poster) {
        parts.poster = QRect(parts.comments.right() + 1 + Gap, top, height * 2 / 3, height);
    }
    return parts;
}

int ItemsComboDelegate::rowHeight(int row) const
{
    const MediaElementPtr element = m_model.elementAt(row);
    return element && m_images.hasPoster(element->identifier()) ? PosterRowHeight : RowHeight;
}

QSize ItemsComboDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const int height = rowHeight(index.row());
    const Layout parts = layout(QRect(0, 0, 10, height), height == PosterRowHeight);
    const int right = std::max(parts.comments.right(), parts.poster.right());
    return { right + 1 + Gap, height };
}

int ItemsComboDelegate::ratingAt(const QRect &rating, int x)
{
    return ItemsPainting::ratingAt(rating, x);
}

void ItemsComboDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const MediaElementPtr element = m_model.elementAt(index.row());
    if (!element)
        return;
    QStyleOptionViewItem background = option;
    background.rect.setWidth(std::max(option.rect.width(), sizeHint(option, index).width()));
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    if (index.row() % 2 == 1)
        background.features |= QStyleOptionViewItem::Alternate;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
    const Layout parts = layout(option.rect, m_images.hasPoster(element->identifier()));
    painter->save();
    painter->fillRect(parts.status, ItemsPainting::statusColor(m_model.cachedStatus(index.row())));
    paintInfo(painter, parts, option, index.row());
    paintPictures(painter, parts, index.row());
    paintComments(painter, parts.comments, element->userComments(), option);
    painter->restore();
}

void ItemsComboDelegate::paintInfo(
    QPainter *painter, const Layout &parts, const QStyleOptionViewItem &option, int row) const
{
    const MediaElementPtr element = m_model.elementAt(row);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(text);
    painter->drawText(parts.name, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(bold).elidedText(element->name(), Qt::ElideMiddle, parts.name.width()));
    const QFont small = smallFont(option.font);
    painter->setFont(small);
    QColor dim = text;
    dim.setAlphaF(0.7f);
    painter->setPen(dim);
    painter->drawText(parts.summary, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(small).elidedText(element->summary(), Qt::ElideRight, parts.summary.width()));
    ItemsPainting::drawStars(painter, parts.rating, element->rating(), text);
    ItemsPainting::drawRevealGlyph(painter, parts.reveal, dim);
}

void ItemsComboDelegate::paintPictures(QPainter *painter, const Layout &parts, int row) const
{
    const MediaElementPtr element = m_model.elementAt(row);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect strip = parts.filmstrip;
    painter->fillRect(strip, QColor(20, 20, 20));
    QRect source;
    const QImage frame = row == m_scrubRow
        ? ItemsPainting::storyboardFrame(m_images, *element, m_scrubFrame, &source)
        : QImage();
    if (!frame.isNull()) {
        const QRect shown
            = ItemsPainting::drawFitted(painter, strip.adjusted(1, 1, -1, -1), frame, source);
        ItemsPainting::drawScrubPosition(
            painter, shown, m_scrubFrame, StoryboardFrames::frameCount(element->imageMetrics()));
    } else {
        ImageCache &filmstrips = m_images.filmstrips();
        const QImage image = filmstrips.image(element->identifier());
        if (image.isNull())
            ItemsPainting::drawPlaceholder(
                painter, strip, filmstrips.failed(element->identifier()));
        else
            ItemsPainting::drawFitted(painter, strip, image);
    }
    painter->setPen(PictureBorder);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(strip.adjusted(0, 0, -1, -1));
    if (parts.poster.isEmpty())
        return;
    ImageCache &posters = m_images.posters();
    const QImage poster = posters.image(element->identifier());
    QRect drawn = parts.poster;
    if (poster.isNull())
        ItemsPainting::drawPlaceholder(
            painter, parts.poster, posters.failed(element->identifier()));
    else
        drawn = ItemsPainting::drawFitted(painter, parts.poster, poster);
    painter->setPen(PictureBorder);
    painter->drawRect(drawn.adjusted(0, 0, -1, -1));
}

void ItemsComboDelegate::paintComments(QPainter *painter, const QRect &box, const QString &text,
    const QStyleOptionViewItem &option) const
{
    painter->fillRect(box, option.palette.color(QPalette::Base));
    painter->setPen(QColor(0, 0, 0, 40));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    if (text.isEmpty())
        return;
    const QFont font = smallFont(option.font);
    const QRect inner = box.adjusted(2, 2, -2, -2);
    QTextLayout layout(text, font);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrap);
    layout.beginLayout();
    double y = 0;
    const double spacing = 3;
    const int lineHeight = QFontMetrics(font).height();
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid() || y + lineHeight > inner.height())
            break;
        line.setLineWidth(inner.width());
        line.setPosition(QPointF(0, y));
        y += line.height() + spacing;
    }
    layout.endLayout();
    painter->setPen(option.palette.color(QPalette::Text));
    painter->save();
    painter->setClipRect(inner);
    layout.draw(painter, inner.topLeft());
    painter->restore();
}

bool ItemsComboDelegate::clickRating(int row, const QRect &rowRect, const QPoint &at)
{
    const MediaElementPtr element = m_model.elementAt(row);
    if (!element || !m_ratingHandler)
        return false;
    const Layout parts = layout(rowRect, m_images.hasPoster(element->identifier()));
    if (!parts.rating.adjusted(-4, 0, 0, 0).contains(at))
        return false;
    m_ratingHandler(row, ratingAt(parts.rating, at.x()));
    return true;
}

QWidget *ItemsComboDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    return m_editorFactory ? m_editorFactory(parent, index.row()) : nullptr;
}

void ItemsComboDelegate::updateEditorGeometry(
    QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    editor->setGeometry(option.rect);
    if (auto *controls = qobject_cast<ItemsComboEditor *>(editor)) {
        const Layout parts = layout(
            QRect(QPoint(0, 0), option.rect.size()), option.rect.height() == PosterRowHeight);
        controls->place(parts.name, parts.comments, parts.reveal);
    }
    Q_UNUSED(index);
}

} // namespace vidarium
