#include "sourcelistdelegate.h"

#include "model/mediaplaylist.h"
#include "platform/userdefaults.h"
#include "window/sourcelisticons.h"
#include "window/sourcelistmodel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace vidarium {

SourceListDelegate::SourceListDelegate(
    SourceListModel &model, std::function<Focus()> focus, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
    , m_focus(std::move(focus))
{
}

QFont SourceListDelegate::badgeFont()
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(QApplication::font().pointSizeF() * 0.85);
    font.setBold(true);
    return font;
}

SourceListDelegate::BadgeStyle SourceListDelegate::badgeStyle(bool highlighted, Focus focus)
{
    switch (focus) {
    case Focus::ListFocused:
        return highlighted ? BadgeStyle::Highlighted : BadgeStyle::Focused;
    case Focus::WindowMain:
        return BadgeStyle::WindowMain;
    case Focus::Inactive:
        break;
    }
    return BadgeStyle::Inactive;
}

std::pair<QColor, QColor> SourceListDelegate::badgeColours(
    BadgeStyle style, const QPalette &palette)
{
    switch (style) {
    case BadgeStyle::Highlighted:
        return { Qt::white, palette.color(QPalette::Active, QPalette::Highlight) };
    case BadgeStyle::Focused:
        return { QColor::fromRgbF(0.53f, 0.60f, 0.74f), Qt::white };
    case BadgeStyle::WindowMain:
        return { QColor::fromRgbF(0, 0, 0, 0.30f), Qt::white };
    case BadgeStyle::Inactive:
        break;
    }
    return { QColor::fromRgbF(0, 0, 0, 0.35f), Qt::white };
}

QRectF SourceListDelegate::badgeRect(const QRect &rect, const QString &text, const QFont &font)
{
    const double width = std::max(19.0, QFontMetricsF(font).horizontalAdvance(text) + 12.0);
    const double height = std::min(16.0, rect.height() - 4.0);
    return QRectF(rect.right() - 3 - width, rect.center().y() - height / 2 + 0.5, width, height);
}

QSize SourceListDelegate::sizeHint(
    const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool group
        = index.data(SourceListModel::KindRole).toInt() == int(SourceListModel::NodeKind::Group);
    return QSize(option.rect.width(), group ? GroupRowHeight : RowHeight);
}

void SourceListDelegate::paintGroup(
    QPainter *painter, const QStyleOptionViewItem &option, const QString &title) const
{
    QFont font = option.font;
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 0.85);
    font.setLetterSpacing(QFont::PercentageSpacing, 106);
    painter->setFont(font);
    QColor colour = option.palette.color(QPalette::WindowText);
    colour.setAlphaF(0.55f);
    painter->setPen(colour);
    const QRect text = option.rect.adjusted(2, 6, -4, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, title);
}

void SourceListDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const SourceViewNode *node = m_model.nodeForIndex(index);
    if (!node)
        return;
    painter->save();
    if (node->isGroup()) {
        paintGroup(painter, option, node->name());
        painter->restore();
        return;
    }
    const Focus focus = m_focus ? m_focus() : Focus::Inactive;
    const bool selected = option.state & QStyle::State_Selected;
    const bool highlighted = selected && focus == Focus::ListFocused;

    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    panel.icon = QIcon();
    // A selection without the keyboard focus is grey, as in other source lists:
    // the accent colour says where typing goes.
    if (selected && !highlighted)
        panel.palette.setColor(
            QPalette::Highlight, option.palette.color(QPalette::Window).darker(118));
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    // On the accent colour a coloured glyph (most are blue) would vanish: the
    // highlighted row takes the white variants in either icon style.
    const bool useColour
        = !highlighted && UserDefaults::standard().boolForKey(QStringLiteral("UseColorIcons"));
    QIcon icon;
    if (node->isLeaf()) {
        if (const MediaPlaylistPtr playlist = m_model.playlistForNode(node))
            icon = SourceListIcons::playlistIcon(*playlist, highlighted, useColour);
    } else {
        icon = SourceListIcons::folderIcon(highlighted, useColour);
    }
    const QRect iconRect(option.rect.left() + 2, option.rect.center().y() - 7, 16, 16);
    icon.paint(painter, iconRect);

    QRect textRect = option.rect.adjusted(24, 0, -4, 0);
    const qint64 badge = node->badgeCount();
    if (badge > 0) {
        const QString text = QLocale().toString(badge);
        const QFont font = badgeFont();
        const QRectF rect = badgeRect(option.rect, text, font);
        const auto [fill, ink] = badgeColours(badgeStyle(highlighted, focus), option.palette);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
        painter->setFont(font);
        painter->setPen(ink);
        painter->drawText(rect, Qt::AlignCenter, text);
        textRect.setRight(int(rect.left()) - 4);
    }
    painter->setFont(option.font);
    painter->setPen(highlighted
            ? QColor(Qt::white)
            : option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    if (selected && !highlighted)
        painter->setPen(option.palette.color(QPalette::Text));
    const QString name
        = option.fontMetrics.elidedText(node->name(), Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, name);
    painter->restore();
}

void SourceListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    QStyledItemDelegate::setEditorData(editor, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setMaxLength(SourceViewNode::MaximumNameLength);
}

} // namespace vidarium
