#include "toolbaricons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace vidarium::ToolbarIcons {

namespace {

// Glyphs on a 24-unit square, drawn at 1x and 2x.
void drawImport(QPainter &p)
{
    p.drawLine(QPointF(12, 3), QPointF(12, 14));
    p.drawPolyline(QPolygonF({ QPointF(7.5, 9.5), QPointF(12, 14), QPointF(16.5, 9.5) }));
    p.drawPolyline(QPolygonF({ QPointF(4, 14), QPointF(4, 20), QPointF(20, 20), QPointF(20, 14) }));
}

void drawSort(QPainter &p)
{
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(3, 6 + 6 * i), QPointF(13 - 3 * i, 6 + 6 * i));
    p.drawLine(QPointF(18, 4), QPointF(18, 19));
    p.drawPolyline(QPolygonF({ QPointF(15, 16), QPointF(18, 19.5), QPointF(21, 16) }));
}

void drawRate(QPainter &p)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? 4.2 : 9.0;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(12 + radius * std::cos(angle), 12.6 + radius * std::sin(angle));
    }
    p.drawPolygon(star);
}

void drawTable(QPainter &p)
{
    p.drawRoundedRect(QRectF(3, 4, 18, 16), 1.5, 1.5);
    p.drawLine(QPointF(3, 8.5), QPointF(21, 8.5));
    p.drawLine(QPointF(3, 12.5), QPointF(21, 12.5));
    p.drawLine(QPointF(3, 16.5), QPointF(21, 16.5));
    p.drawLine(QPointF(9, 4), QPointF(9, 20));
}

void drawList(QPainter &p)
{
    for (int i = 0; i < 3; ++i) {
        const double y = 3.5 + i * 6.5;
        p.drawRect(QRectF(3, y, 6, 4.5));
        p.drawLine(QPointF(12, y + 1), QPointF(21, y + 1));
        p.drawLine(QPointF(12, y + 3.5), QPointF(18, y + 3.5));
    }
}

void drawGrid(QPainter &p)
{
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            p.drawRoundedRect(QRectF(3.5 + column * 9.5, 3.5 + row * 9.5, 7.5, 7.5), 1, 1);
}

void drawPlay(QPainter &p)
{
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    QPainterPath triangle;
    triangle.addPolygon(QPolygonF({ QPointF(9.5, 7.5), QPointF(17, 12), QPointF(9.5, 16.5) }));
    triangle.closeSubpath();
    p.fillPath(triangle, p.pen().color());
}

QPixmap render(const QString &name, int size, const QColor &ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    static const QHash<QString, void (*)(QPainter &)> glyphs { { QStringLiteral("import"),
                                                                   drawImport },
        { QStringLiteral("sort"), drawSort }, { QStringLiteral("rate"), drawRate },
        { QStringLiteral("table"), drawTable }, { QStringLiteral("list"), drawList },
        { QStringLiteral("grid"), drawGrid }, { QStringLiteral("play"), drawPlay } };
    if (const auto glyph = glyphs.value(name))
        glyph(painter);
    return pixmap;
}

} // namespace

QIcon drawnIcon(const QString &name)
{
    QIcon icon;
    for (int size : { 24, 48 }) {
        icon.addPixmap(render(name, size, QColor(60, 60, 64)), QIcon::Normal);
        icon.addPixmap(render(name, size, QColor(60, 60, 64, 90)), QIcon::Disabled);
    }
    return icon;
}

QIcon icon(const QString &name)
{
    // Several names per button: desktops name these pictures differently.
    static const QHash<QString, QStringList> themeNames {
        { QStringLiteral("import"), { QStringLiteral("document-import") } },
        { QStringLiteral("sort"),
            { QStringLiteral("view-sort-ascending"), QStringLiteral("view-sort") } },
        { QStringLiteral("rate"), { QStringLiteral("rating"), QStringLiteral("starred") } },
        { QStringLiteral("table"),
            { QStringLiteral("view-list-details"), QStringLiteral("view-list") } },
        { QStringLiteral("list"), { QStringLiteral("view-list-text") } },
        { QStringLiteral("grid"),
            { QStringLiteral("view-list-icons"), QStringLiteral("view-grid") } },
        { QStringLiteral("play"), { QStringLiteral("media-playback-start") } }
    };
    for (const QString &themeName : themeNames.value(name))
        if (QIcon::hasThemeIcon(themeName))
            return QIcon::fromTheme(themeName);
    return drawnIcon(name);
}

} // namespace vidarium::ToolbarIcons
